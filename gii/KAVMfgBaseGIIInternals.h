// What the library's fuzzing harness may do to the GII identifier cache
// and no caller can: check it, and forget the class's state between runs.
// Internal.
#ifndef KAVMfgBaseGIIInternals_h
#define KAVMfgBaseGIIInternals_h

#include "KAVMfgBaseGII.h"

struct KAVMfgBaseGII::Internals {
  // The two lists exist together and hold as many entries, and the index
  // answers every cached name's first position and 0 for a name absent.
  static bool CacheAgrees();
  // The cache and its index gone (as ResetGIIIdList leaves them, without
  // its trace) and no event recorded.
  static void Forget();
};

#endif
