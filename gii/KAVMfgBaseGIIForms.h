// Field widths of the GII routines. Internal to the GII family.
#ifndef KAVMfgBaseGIIForms_h
#define KAVMfgBaseGIIForms_h

namespace kavgii {

// A GII text in the kernel, and the capacity of every text read buffer.
constexpr int kTextWidth = 80;

}  // namespace kavgii

#endif
