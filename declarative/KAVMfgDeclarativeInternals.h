// What the library's fuzzing harness may do to the declarative's state and
// no caller can: forget the interface answers kept for the process, so
// that every run asks the kernel again. Internal.
#ifndef KAVMfgDeclarativeInternals_h
#define KAVMfgDeclarativeInternals_h

#include "KAVMfgDeclarative.h"

struct KAVMfgDeclarative::Internals {
  // _NewG22, _NewG23 and _NewG24 back to -1.
  static void Forget();
};

#endif
