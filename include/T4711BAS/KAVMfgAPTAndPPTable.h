// KAVMfgAPTAndPPTable: the names of the APT and post-processor tables that
// the NC kernel knows, one kind of table at a time (kernel routine GNSLTB).
//
// Trace key "KAVMfgAPTAndPPTable". State: _ErrorNumber only, 0 at load,
// holding the code of the last kernel call made by GetTables; a caller
// learns the outcome from GetError() after the call.
#ifndef KAVMfgAPTAndPPTable_h
#define KAVMfgAPTAndPPTable_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgAPTAndPPTable {
 public:
  KAVMfgAPTAndPPTable();
  KAVMfgAPTAndPPTable(const KAVMfgAPTAndPPTable&);
  KAVMfgAPTAndPPTable& operator=(const KAVMfgAPTAndPPTable&);
  virtual ~KAVMfgAPTAndPPTable();

  // The names of the tables of kind itype (a kernel value, passed as it
  // is), stripped, in the kernel's order. Always a new list, allocated with
  // new; the caller deletes it. On a kernel failure the list holds the
  // names read before it (none when GNSLTB or GUSINF failed).
  static KAVListValKAVUnicodeString* GetTables(const int& itype);

  // The code of the last kernel call of GetTables (0: success).
  static int GetError();

 private:
  // Passed to the kernel as the ier argument itself; never reset between
  // calls other than by the kernel writing into it.
  static int _ErrorNumber;
};

#endif
