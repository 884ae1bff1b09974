// C declarations of the kernel routines, one per row of KAVRoutines.def.
// Each name is a hidden call stub inside this library: calls bind here and
// cannot be interposed by a module that exports the same name.
#ifndef KAVLegacyRoutines_h
#define KAVLegacyRoutines_h

extern "C" {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  __attribute__((visibility("hidden"))) ret name params;
#include "KAVRoutines.def"
#undef KAV_ROUTINE
}

#endif
