// Field widths of the declarative routines and the kernel's "nothing
// defined" answer. Internal to the declarative family.
#ifndef KAVMfgDeclarativeForms_h
#define KAVMfgDeclarativeForms_h

namespace kavdeclarative {

// Loading and variables.
constexpr int kPoolWidth = 27;
constexpr int kVariableWidth = 64;
constexpr int kTypeWidth = 64;
constexpr int kSwitchValueWidth = 72;
constexpr int kQueryCapacity = 50;      // G7AQRY entries
constexpr int kItemWidth = 64;          // G7AQRY item texts
constexpr int kStringValueWidth = 256;  // G7AQRY value texts
constexpr int kPathWidth = 1024;        // DCLVAR output
// DCLQUV's fourth argument; its meaning lies with the kernel.
constexpr int kQueryKind = 97;
// DCLQUV's type code of a text value.
constexpr int kTextType = 3;
// G7AQUV's size argument for an INTEGER.
constexpr int kIntegerSize = 4;

// Customization lists and switches.
constexpr int kClassWidth = 32;
constexpr int kAttributeNameWidth = 32;  // GNFRVA's attribute field
constexpr int kMacroKeyWidth = 8;
constexpr int kPathItemWidth = 44;
constexpr int kMacroNameWidth = 8;
constexpr int kNlsNameWidth = 72;
constexpr int kListAttributeWidth = 16;
constexpr int kToolClassWidth = 72;
constexpr int kTextValueWidth = 72;
constexpr int kSymbolWidth = 8;
constexpr int kGroupWidth = 8;
constexpr int kReplayNameWidth = 8;  // GNFRSB module and entry
constexpr int kIconWidth = 8;

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
