/* Return codes of the reference kernel. 0 is success; every failure has
 * its own code so a trace or a test tells them apart. The rows, with their
 * meanings, are in KAVSimCodes.def: add a code there, not here. */
#ifndef KAVSimCodes_h
#define KAVSimCodes_h

enum KAVSimCode {
#define KAVSIM_CODE(name, code, meaning) name = code,
#include "KAVSimCodes.def"
#undef KAVSIM_CODE
};

#endif
