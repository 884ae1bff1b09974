// The list index: catching up with a list, and its one rule for stale hits.
#include "KAVListIndex.h"

int KAVListIndex::Locate(const KAVListValKAVUnicodeString& iList,
                         std::string_view iText) {
  CatchUp(iList);
  int position = Find(iText);
  if (position != 0 && iList[position].ToStdString() != iText) {
    Clear();
    CatchUp(iList);
    position = Find(iText);
  }
  return position;
}

void KAVListIndex::Clear() {
  _first.clear();
  _texts.clear();
  _covered = 0;
}

void KAVListIndex::CatchUp(const KAVListValKAVUnicodeString& iList) {
  if (iList.Size() < _covered) Clear();
  while (_covered < iList.Size()) {
    ++_covered;
    const std::string& text = iList[_covered].ToStdString();
    if (_first.count(text) != 0) continue;  // the first one stays
    _texts.push_back(text);
    _first.emplace(_texts.back(), _covered);
  }
}

int KAVListIndex::Find(std::string_view iText) const {
  const auto found = _first.find(iText);
  return found == _first.end() ? 0 : found->second;
}

bool KAVListIndex::Agrees(const KAVListValKAVUnicodeString& iList) {
  std::unordered_map<std::string, int> first;
  for (int i = 1; i <= iList.Size(); ++i)
    first.emplace(iList[i].ToStdString(), i);
  for (int i = 1; i <= iList.Size(); ++i) {
    const std::string& text = iList[i].ToStdString();
    if (Locate(iList, text) != first[text]) return false;
  }
  std::string absent = "\x01";
  while (first.count(absent) != 0) absent += '\x01';
  return Locate(iList, absent) == 0;
}

std::string_view KAVStrippedView(const KAVUnicodeString& iText) {
  const std::string_view text(iText.ToStdString());
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}
