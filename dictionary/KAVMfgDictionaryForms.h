// Field widths of the dictionary routines and the two ways a name is
// brought to kernel form. Internal to the dictionary family.
#ifndef KAVMfgDictionaryForms_h
#define KAVMfgDictionaryForms_h

#include "KAVKernelList.h"
#include "KAVUnicodeString.h"

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

// Query and editing names: stripped first, then cut or padded, so that a
// long name keeps its first characters after any leading blanks.
inline KAVKernelField NameField(const KAVUnicodeString& iName, int iWidth) {
  return KAVKernelField(iName.Strip(KAVStripBoth, ' '), iWidth);
}

// Member names and text values: cut or padded first, then stripped and
// padded again, so only the first iWidth characters ever count.
inline KAVKernelField CutField(const KAVUnicodeString& iName, int iWidth) {
  return KAVKernelField(KAVKernelField(iName, iWidth).Stripped(), iWidth);
}

}  // namespace kavdictionary

#endif
