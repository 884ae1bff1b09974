// What the library's fuzzing harness may do to the national-name caches
// and no caller can: check them, and forget them between runs so that one
// run's names do not answer the next run's questions. Internal.
#ifndef KAVMfgBaseNLSInternals_h
#define KAVMfgBaseNLSInternals_h

#include "KAVMfgBaseNLS.h"

struct KAVMfgBaseNLS::Internals {
  // For each kind: both lists hold as many entries, every key has the
  // kind's width, and each index answers every entry's first position in
  // its list.
  static bool CachesAgree();
  // Empties the eight lists and their indexes together.
  static void Forget();
};

#endif
