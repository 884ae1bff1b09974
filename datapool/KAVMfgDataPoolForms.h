// Field widths of the data pool routines. Internal to the data pool
// family.
#ifndef KAVMfgDataPoolForms_h
#define KAVMfgDataPoolForms_h

namespace kavdatapool {

constexpr int kPoolWidth = 8;
constexpr int kFieldWidth = 16;
constexpr int kTextValueWidth = 72;
constexpr int kIntWidth = 4;
constexpr int kDoubleWidth = 8;

}  // namespace kavdatapool

#endif
