// Field widths of the data pool routines and how a pool or field name is
// brought to kernel form. Internal to the data pool family.
#ifndef KAVMfgDataPoolForms_h
#define KAVMfgDataPoolForms_h

#include "KAVKernelList.h"
#include "KAVUnicodeString.h"

namespace kavdatapool {

constexpr int kPoolWidth = 8;
constexpr int kFieldWidth = 16;
constexpr int kTextValueWidth = 72;
constexpr int kIntWidth = 4;
constexpr int kDoubleWidth = 8;

// Pool and field names are cut or blank-padded, never stripped: the kernel
// sees leading blanks as the caller wrote them.
inline KAVKernelField PoolField(const KAVUnicodeString& iPool) {
  return KAVKernelField(iPool, kPoolWidth);
}
inline KAVKernelField FieldName(const KAVUnicodeString& iField) {
  return KAVKernelField(iField, kFieldWidth);
}

}  // namespace kavdatapool

#endif
