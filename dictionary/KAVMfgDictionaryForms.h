// Field widths of the dictionary routines. Internal to the dictionary
// family.
#ifndef KAVMfgDictionaryForms_h
#define KAVMfgDictionaryForms_h

namespace kavdictionary {

constexpr int kModelWidth = 8;
constexpr int kMemberWidth = 8;
constexpr int kInfoWidth = 8;       // GNFINF's third field
constexpr int kInfoTextWidth = 44;  // GNFINF's fourth field
constexpr int kMessageWidth = 80;   // GNFLOD/GNFZTR text area
constexpr int kClassWidth = 32;
constexpr int kAttributeWidth = 16;
constexpr int kBlockWidth = 16;
constexpr int kTextValueWidth = 72;
constexpr int kIntWidth = 4;
constexpr int kDoubleWidth = 8;

}  // namespace kavdictionary

#endif
