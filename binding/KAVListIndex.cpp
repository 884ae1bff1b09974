// The list index: catching up with a list, and its one rule for stale hits.
#include "KAVListIndex.h"

int KAVListIndex::LocateAfresh(const KAVListValKAVUnicodeString& iList,
                               std::string_view iText) {
  Clear();
  CatchUp(iList);
  return Find(iText);
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
