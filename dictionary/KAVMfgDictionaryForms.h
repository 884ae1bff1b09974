// Field widths of the dictionary routines and the two ways a name is
// brought to kernel form. Internal to the dictionary family.
#ifndef KAVMfgDictionaryForms_h
#define KAVMfgDictionaryForms_h

#include "KAVKernelList.h"
#include "KAVRoutineTable.h"
#include "KAVUnicodeString.h"

namespace kavdictionary {

// From the routine table, naming every argument a width serves.
constexpr int kModelWidth =
    kavcall::SharedWidth({{"GNFLOD", 1}, {"GNFINF", 1}});
constexpr int kMemberWidth =
    kavcall::SharedWidth({{"GNFLOD", 2}, {"GNFZTR", 1}, {"GNFINF", 2}});
constexpr int kInfoWidth = kavcall::Width("GNFINF", 3);
constexpr int kInfoTextWidth = kavcall::Width("GNFINF", 4);
constexpr int kMessageWidth =  // the text area
    kavcall::SharedWidth({{"GNFLOD", 3}, {"GNFZTR", 2}});
constexpr int kClassWidth = kavcall::SharedWidth({{"GNFRC1", 1},
                                                  {"GNFRC2", 1},
                                                  {"GNFLCL", 1},
                                                  {"GNFMCL", 1},
                                                  {"GNFCCL", 1},
                                                  {"GNFCCL", 3}});
constexpr int kAttributeWidth = kavcall::SharedWidth({{"GNFRAT", 1},
                                                      {"GNFRC2", 3},
                                                      {"GNFRC1", 3},
                                                      {"GNFLAT", 1},
                                                      {"GNFCAT", 1},
                                                      {"GNFMC1", 1}});
constexpr int kBlockWidth =
    kavcall::SharedWidth({{"GNFMC1", 3}, {"GNFRC1", 5}});
// Records of the lists of values (GNFRAT, GNFRC2).
constexpr int kTextValueWidth = kavcall::kValueTextWidth;
constexpr int kIntWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleWidth = kavcall::kRealRecordWidth;

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
