// Field widths of the GII routines. Internal to the GII family.
#ifndef KAVMfgBaseGIIForms_h
#define KAVMfgBaseGIIForms_h

#include "KAVRoutineTable.h"

namespace kavgii {

// A GII text in the kernel, and the capacity of every text read buffer.
constexpr int kTextWidth =
    kavcall::SharedWidth({{"GMIKEY", 7}, {"GMIKCH", 4}, {"GMIPRO", 2}});

}  // namespace kavgii

#endif
