// Field widths of the data pool routines and how a pool or field name is
// brought to kernel form. Internal to the data pool family.
#ifndef KAVMfgDataPoolForms_h
#define KAVMfgDataPoolForms_h

#include "KAVKernelList.h"
#include "KAVRoutineTable.h"
#include "KAVUnicodeString.h"

namespace kavdatapool {

// From the routine table, naming every argument a width serves.
constexpr int kPoolWidth = kavcall::SharedWidth({{"GNSEDP", 1},
                                                 {"GNSCOB", 1},
                                                 {"GNSROB", 1},
                                                 {"GNSEOB", 1},
                                                 {"GNSXOB", 1},
                                                 {"GNSCFI", 1},
                                                 {"GNSRFI", 1}});
constexpr int kFieldWidth =
    kavcall::SharedWidth({{"GNSCFI", 4}, {"GNSRFI", 3}, {"GNSROB", 4}});
// Records of a field's list of values, by the width GNSRFI's list has.
constexpr int kTextValueWidth = kavcall::kValueTextWidth;
constexpr int kIntWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleWidth = kavcall::kRealRecordWidth;

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
