// Where a text first stands in a list, at the cost of one hash lookup: the
// index the GII identifier cache and the national-name caches keep beside
// their lists, so that a lookup costs the same with 100 entries as with
// 100,000. Internal to the library.
#ifndef KAVListIndex_h
#define KAVListIndex_h

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "KAVListValKAVUnicodeString.h"
#include "KAVUnicodeString.h"

// Position (from 1) of the first entry of a list equal to a text: what
// Locate(text, 1) answers, 0 for none.
//
// The list stays the truth; the index only remembers where texts stood.
// One rule for a list that moved on since the index last looked at it:
//  - entries appended since are indexed on the next lookup;
//  - a list shorter than what was indexed is indexed again from the start;
//  - a hit is checked against the list, and an entry that no longer holds
//    the text (changed in place) makes the index start over and look
//    again: it never answers a position whose entry differs.
// A miss is not checked: a text written in place into the list is found
// only after Clear(), which every owner calls whenever it empties, deletes
// or changes its list other than by appending.
class KAVListIndex {
 public:
  // Inline: a cache lookup is this call, one hash lookup and one compare.
  int Locate(const KAVListValKAVUnicodeString& iList, std::string_view iText) {
    if (iList.Size() != _covered) CatchUp(iList);
    const int position = Find(iText);
    if (position == 0 || iList[position].ToStdString() == iText)
      return position;
    return LocateAfresh(iList, iText);
  }
  void Clear();
  // Whether Locate answers every entry's first position in iList, counted
  // afresh, and 0 for a text no entry holds: the fuzzing harness's check.
  bool Agrees(const KAVListValKAVUnicodeString& iList);

 private:
  void CatchUp(const KAVListValKAVUnicodeString& iList);
  // A stale hit: the index starts over and looks again.
  int LocateAfresh(const KAVListValKAVUnicodeString& iList,
                   std::string_view iText);
  int Find(std::string_view iText) const {
    const auto found = _first.find(iText);
    return found == _first.end() ? 0 : found->second;
  }

  // The index owns copies of the texts it maps (a deque never moves its
  // elements, so the views into them stay valid).
  std::deque<std::string> _texts;
  std::unordered_map<std::string_view, int> _first;
  int _covered = 0;  // entries 1.._covered of the list are indexed
};

// iText without blanks at either end, as a view into it: a lookup the
// index answers copies nothing.
inline std::string_view KAVStrippedView(const KAVUnicodeString& iText) {
  const std::string_view text(iText.ToStdString());
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

#endif
