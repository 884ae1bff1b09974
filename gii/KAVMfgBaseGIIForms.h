// What the GII family's operations share: the session's fixed names, the
// text width, the ODT test, and the index kept beside the identifier
// cache. Internal to the family.
#ifndef KAVMfgBaseGIIForms_h
#define KAVMfgBaseGIIForms_h

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "KAVKernelForm.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVRoutineTable.h"
#include "KAVTrace.h"
#include "KAVUnicodeString.h"

namespace kavgii {

// The session's error variable and error event: failures on these two
// names are never raised again, so reporting an error cannot loop.
constexpr const char* kErrorVariable = "IERZORVEN";
constexpr const char* kErrorEvent = "OUTER";

// A GII text in the kernel, and the capacity of every text read buffer.
constexpr int kTextWidth =
    kavcall::SharedWidth({{"GMIKEY", 7}, {"GMIKCH", 4}, {"GMIPRO", 2}});

// Type codes exchanged with GMOKEY and GMIKEY.
constexpr int kRealType = 1;
constexpr int kIntType = 2;
constexpr int kCharType = 3;
constexpr int kTextType = 4;

// MFGODT "OUI": every operation of the class is a no-op.
inline bool OdtOn() { return KAVMfgBaseAnalysisStatic::ReadODT() == "OUI"; }

// A banner of this family holds its value lines between its dashed lines
// and ends with a one-blank line:
//   BannerTop(38, "SetGIIError, start");
//   KAVTrace::Line("ier : ", iIer);
//   BannerBottom(38);
inline void BannerTop(int iDashes, const char* iTitle) {
  KAVTrace::Blank();
  KAVTrace::Dashes(iDashes);
  KAVTrace::Text(iTitle);
}
inline void BannerBottom(int iDashes) {
  KAVTrace::Dashes(iDashes);
  KAVTrace::Blank();
}

inline KAVUnicodeString Stripped(const KAVUnicodeString& iText) {
  return iText.Strip(KAVStripBoth, ' ');
}

// A read buffer's text cut or blank-padded to the length the kernel
// returned, that length brought into 0..the buffer's width first.
inline KAVUnicodeString ReturnedText(const KAVKernelField& iBuffer,
                                     int iLength) {
  KAVUnicodeString text = iBuffer.Text();
  text.Resize(KAVClampLength(iLength, iBuffer.Width()), ' ');
  return text;
}

// iText without blanks at either end, as a view into it: a lookup the
// cache answers copies nothing.
inline std::string_view StrippedView(const KAVUnicodeString& iText) {
  const std::string_view text(iText.ToStdString());
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Position (from 1) of the first entry of the cache's name list equal to a
// name: what Locate(name, 1) answers, at the cost of one hash lookup.
//
// The list stays the truth. The index catches up with entries appended
// since it last looked, starts over when the list got shorter, and checks
// every hit against the list (starting over on a mismatch), so it cannot
// answer a position the list does not hold. The class clears it whenever
// it empties or deletes the list.
class NameIndex {
 public:
  int Locate(const KAVListValKAVUnicodeString& iNames, std::string_view iName);
  void Clear();

 private:
  void CatchUp(const KAVListValKAVUnicodeString& iNames);
  int Find(std::string_view iName) const;

  // The index owns copies of the names it maps (a deque never moves its
  // elements, so the views into them stay valid).
  std::deque<std::string> _names;
  std::unordered_map<std::string_view, int> _first;
  int _covered = 0;  // entries 1.._covered of the list are indexed
};

// The one index of the class's identifier cache.
NameIndex& CacheIndex();

}  // namespace kavgii

#endif
