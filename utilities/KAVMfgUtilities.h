// KAVMfgUtilities: the manufacturing application's general helpers, all
// static: fixed-field and quoting helpers, query-text helpers, environment,
// path and file helpers, time and comparison helpers, program execution
// and image capture. They return status integers; none keeps state except
// IsUNIXAllowed. Traces (key "KAVMfgUtilities") only where stated.
#ifndef KAVMfgUtilities_h
#define KAVMfgUtilities_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgUtilities {
 public:
  KAVMfgUtilities();
  KAVMfgUtilities(const KAVMfgUtilities&);
  KAVMfgUtilities& operator=(const KAVMfgUtilities&);
  virtual ~KAVMfgUtilities();

  // ==== String and quoting helpers ====

  // ==== Query-text helpers ====

  // ==== Time and comparison helpers ====

  // ==== Environment, path and file helpers ====

  // ==== Shell execution and image capture ====
};

#endif
