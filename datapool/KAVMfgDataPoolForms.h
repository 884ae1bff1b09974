// Field widths of the data pool routines. Internal to the data pool
// family.
#ifndef KAVMfgDataPoolForms_h
#define KAVMfgDataPoolForms_h

#include "KAVRoutineTable.h"

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

}  // namespace kavdatapool

#endif
