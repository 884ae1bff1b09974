// The C entry points the kernel side calls: batch record/replay set-up of
// GII sessions (cxgiiv5, cxrv5i) and the programming-tab settings query
// (nqusett). Arguments pass by address, in the manner of kernel routines.
#ifndef KAVEntryPoints_h
#define KAVEntryPoints_h

#include "KAVExport.h"

#ifdef __cplusplus
extern "C" {
#endif

// *oRecordMode = 1 when record mode is on (GetGIIRV5()), else 0. The
// record switch is read once per process, so a later cxrv5i is not seen
// by a process that already asked. A null pointer is left alone.
ExportedByT4711BAS void cxgiiv5(int* oRecordMode);

// Switches record mode on ("GIIBatchRecordV5=OUI") and publishes the run's
// directories in the environment: "KAVRECORDREPLAY=" (or
// "KAVRECORDCAPTURE="), "KAVUserSettingPath=" and "MfgDataInDir=", each
// built from ADL_BSF_UDIR, GIIBatchRecordV5Replay and
// GIIBatchRecordV5Capture (a later one wins) with the record name iName
// and group iGroup (first 80 characters, blanks stripped; null is empty).
// Prints its announcement blocks on standard output whatever the trace
// switches say. Returns the "MfgDataInDir=" entry, owned by the
// environment for the life of the process: never release it.
ExportedByT4711BAS char* cxrv5i(const char* iName, const char* iGroup);

// Reads the six programming-tab settings of the group "MFGPROG" into
// oParts, oCheck, oRelim, oDrive, oMacro and oSmart through the settings
// reader, which writes the caller's cells directly (a missing setting
// leaves its cell as the reader leaves it). *oError = 0. Returns 0.
// Traces under "KAVMfgPoPg2TabPage".
ExportedByT4711BAS int nqusett(int* oParts, int* oCheck, int* oRelim,
                               int* oDrive, int* oMacro, int* oSmart,
                               int* oError);

#ifdef __cplusplus
}
#endif

#endif
