// Trace switches read from the environment once per process.
//
// MfgBaseDebug names, separated by ":", the classes whose operations trace
// their work ("ALL": every class); MfgBasePerfo names one class for the
// application's second switch; MFGODT and GIIBatchRecordV5 switch their
// feature on with the exact word "OUI". Each variable is read on its first
// use and kept: a later change of the environment is not seen.
#ifndef KAVMfgBaseAnalysisStatic_h
#define KAVMfgBaseAnalysisStatic_h

#include "KAVExport.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgBaseAnalysisStatic {
 public:
  KAVMfgBaseAnalysisStatic();
  KAVMfgBaseAnalysisStatic(const KAVMfgBaseAnalysisStatic&);
  KAVMfgBaseAnalysisStatic& operator=(const KAVMfgBaseAnalysisStatic&);
  virtual ~KAVMfgBaseAnalysisStatic();

  // Each returns a copy of its variable's value as read the first time
  // (the empty string when it was unset).
  static KAVUnicodeString ReadDebug();
  static KAVUnicodeString ReadPerfo();
  static KAVUnicodeString ReadODT();
  static KAVUnicodeString ReadGIIRV5();

 private:
  // Null until first read, then a string allocated with new holding the
  // variable's value; never freed, never refreshed.
  static KAVUnicodeString* _KeyDebug;
  static KAVUnicodeString* _KeyPerfo;
  static KAVUnicodeString* _KeyODT;
  static KAVUnicodeString* _KeyGIIRV5;
};

// 1 when MfgBaseDebug names iClassName or "ALL" as one of its ":"-separated
// elements (exact, case-sensitive, no trimming), else 0.
ExportedByT4711BAS int GetDebug(const char* iClassName);

// 1 when the whole of MfgBasePerfo is iClassName or "ALL", else 0.
ExportedByT4711BAS int GetPerfo(const char* iClassName);

// 1 when MFGODT is exactly "OUI", else 0.
ExportedByT4711BAS int GetMfgODT();

// 1 when GIIBatchRecordV5 is exactly "OUI", else 0.
ExportedByT4711BAS int GetGIIRV5();

#endif
