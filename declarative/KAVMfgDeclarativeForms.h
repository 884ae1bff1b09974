// Field widths of the declarative routines and the kernel's "nothing
// defined" answer. Internal to the declarative family.
#ifndef KAVMfgDeclarativeForms_h
#define KAVMfgDeclarativeForms_h

#include "KAVRoutineTable.h"

namespace kavdeclarative {

// Widths and capacities from the routine table, naming every argument
// they serve.

// Loading and variables.
constexpr int kPoolWidth = kavcall::SharedWidth({{"DCLPLE", 1},
                                                 {"DCLOAD", 1},
                                                 {"DCLQUV", 1},
                                                 {"G7AQRY", 1},
                                                 {"G7AQUV", 1}});
constexpr int kVariableWidth =
    kavcall::SharedWidth({{"DCLQUV", 2}, {"G7AQRY", 2}, {"G7AQUV", 2}});
constexpr int kTypeWidth = kavcall::SharedWidth({{"G7AQRY", 3}, {"G7AQUV", 3}});
constexpr int kSwitchValueWidth = kavcall::Width("DCLQUV", 5);
constexpr int kQueryCapacity = kavcall::Capacity("G7AQRY", 7);  // entries
constexpr int kItemWidth = kavcall::Width("G7AQRY", 7);
constexpr int kStringValueWidth = kavcall::Width("G7AQRY", 9);
constexpr int kPathWidth = kavcall::Width("DCLVAR", 5);  // DCLVAR output
// DCLQUV's fourth argument; its meaning lies with the kernel.
constexpr int kQueryKind = 97;
// DCLQUV's type code of a text value.
constexpr int kTextType = 3;
// G7AQUV's size argument for an INTEGER: an int record's bytes.
constexpr int kIntegerSize = kavcall::kIntRecordWidth;

// Customization lists and switches.
constexpr int kClassWidth = kavcall::SharedWidth({{"GNFLMC", 1},
                                                  {"GNFRLA", 1},
                                                  {"GNFRDA", 1},
                                                  {"GNDRDA", 1},
                                                  {"GNFRTL", 1},
                                                  {"GNFRVA", 1},
                                                  {"NFPTSYM", 2},
                                                  {"NFPTGRP", 2},
                                                  {"NFPTCIR", 2},
                                                  {"GNFRSB", 1},
                                                  {"GNDRIC", 1}});
constexpr int kAttributeNameWidth = kavcall::Width("GNFRVA", 2);
constexpr int kMacroKeyWidth = kavcall::Width("GNFLMC", 2);
constexpr int kPathItemWidth =
    kavcall::SharedWidth({{"GNFLTP", 1}, {"GNFLMC", 3}});
constexpr int kMacroNameWidth =
    kavcall::SharedWidth({{"GNFLTP", 2}, {"GNFLMC", 4}});
constexpr int kNlsNameWidth =
    kavcall::SharedWidth({{"GNFLTP", 3}, {"GNFLMC", 5}, {"GNFRVA", 5}});
constexpr int kListAttributeWidth =
    kavcall::SharedWidth({{"GNFRLA", 2}, {"GNFRDA", 2}, {"GNDRDA", 2}});
constexpr int kToolClassWidth = kavcall::Width("GNFRTL", 2);
// A text record of GNFRVA's list of values.
constexpr int kTextValueWidth = kavcall::kValueTextWidth;
constexpr int kSymbolWidth =
    kavcall::SharedWidth({{"NFPTSYM", 3}, {"NFPTGRP", 3}});
constexpr int kGroupWidth = kavcall::Width("NFPTGRP", 4);
constexpr int kReplayNameWidth =  // GNFRSB module and entry
    kavcall::SharedWidth({{"GNFRSB", 2}, {"GNFRSB", 4}});
constexpr int kIconWidth = kavcall::Width("GNDRIC", 2);

// The kernel's answer when nothing is defined for what was asked.
constexpr int kNothingDefined = 9550;

// GetDefaultAttributes, GetResListAttributes and GetToolClasses append an
// entry per record the count names without looking at the read codes, a
// failed read giving a blank entry. A kernel list holds only records the
// kernel can read back, so past this many records a failing read means the
// count was wrong, and the reading stops there: a real list of any length
// is still read whole, and a kernel that claims two billion records and
// answers none cannot fill memory or hold the caller for minutes.
constexpr int kMostUncheckedReads = 4096;

}  // namespace kavdeclarative

#endif
