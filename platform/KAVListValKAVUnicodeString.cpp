// KAVListValKAVUnicodeString: a vector of strings with 1-based access and a
// merge sort that survives inconsistent comparisons.
#include "KAVListValKAVUnicodeString.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace {

const KAVUnicodeString kEmptyItem;

// Merges the sorted runs [iBegin, iMiddle) and [iMiddle, iEnd) of iFrom into
// iTo. Every index is bounded by the run ends, never by what iCompare says,
// so an inconsistent comparison only yields a strange order: each pointer is
// still written exactly once. The left item wins ties (stability).
void MergeRuns(std::vector<KAVUnicodeString*>& iFrom,
               std::vector<KAVUnicodeString*>& iTo, std::size_t iBegin,
               std::size_t iMiddle, std::size_t iEnd,
               KAVCompareFunction iCompare) {
  std::size_t left = iBegin;
  std::size_t right = iMiddle;
  std::size_t out = iBegin;
  while (left < iMiddle && right < iEnd) {
    if (iCompare(iFrom[right], iFrom[left]) < 0)
      iTo[out++] = iFrom[right++];
    else
      iTo[out++] = iFrom[left++];
  }
  while (left < iMiddle) iTo[out++] = iFrom[left++];
  while (right < iEnd) iTo[out++] = iFrom[right++];
}

}  // namespace

KAVListValKAVUnicodeString::KAVListValKAVUnicodeString(int iCapacity) {
  if (iCapacity > 0) _items.reserve(static_cast<std::size_t>(iCapacity));
}

KAVListValKAVUnicodeString::~KAVListValKAVUnicodeString() = default;

const KAVUnicodeString& KAVListValKAVUnicodeString::operator[](
    int iPosition) const {
  if (iPosition < 1 || iPosition > Size()) return kEmptyItem;
  return _items[static_cast<std::size_t>(iPosition - 1)];
}

KAVUnicodeString& KAVListValKAVUnicodeString::operator[](int iPosition) {
  if (iPosition < 1 || iPosition > Size()) {
    _scratch = KAVUnicodeString();
    return _scratch;
  }
  return _items[static_cast<std::size_t>(iPosition - 1)];
}

void KAVListValKAVUnicodeString::Append(const KAVUnicodeString& iItem) {
  // iItem may be one of our own items: push_back copies it before a
  // reallocation could free it.
  _items.push_back(iItem);
}

void KAVListValKAVUnicodeString::Append(
    const KAVListValKAVUnicodeString& iList) {
  // Counted first, so appending the list to itself stops at its old end.
  // Room grows geometrically: reserving exactly what one append needs
  // would copy the whole list at every append of a few items.
  const std::size_t count = iList._items.size();
  const std::size_t needed = _items.size() + count;
  if (needed > _items.capacity())
    _items.reserve(std::max(needed, 2 * _items.capacity()));
  for (std::size_t i = 0; i < count; ++i) _items.push_back(iList._items[i]);
}

int KAVListValKAVUnicodeString::Locate(const KAVUnicodeString& iItem,
                                       int iFrom) const {
  for (int i = iFrom < 1 ? 1 : iFrom; i <= Size(); ++i)
    if (_items[static_cast<std::size_t>(i - 1)] == iItem) return i;
  return 0;
}

void KAVListValKAVUnicodeString::RemovePosition(int iPosition) {
  if (iPosition < 1 || iPosition > Size()) return;
  _items.erase(_items.begin() + (iPosition - 1));
}

void KAVListValKAVUnicodeString::RemoveAll(KAVCollec::MemoryHandling iMode) {
  RemoveAll(static_cast<int>(iMode));
}

void KAVListValKAVUnicodeString::RemoveAll(int iMode) {
  if (iMode == KAVCollec::ReleaseMemory)
    std::vector<KAVUnicodeString>().swap(_items);
  else
    _items.clear();
}

// Bottom-up merge sort on pointers to the items, then one pass moving the
// items into their new order: strings are compared in place and moved
// once, and the comparison sees the addresses of the list's own items.
void KAVListValKAVUnicodeString::QuickSort(KAVCompareFunction iCompare) {
  const std::size_t count = _items.size();
  if (iCompare == nullptr || count < 2) return;
  std::vector<KAVUnicodeString*> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = &_items[i];
  std::vector<KAVUnicodeString*> work(count);
  for (std::size_t width = 1; width < count; width *= 2) {
    for (std::size_t begin = 0; begin < count; begin += 2 * width) {
      const std::size_t middle = std::min(begin + width, count);
      const std::size_t end = std::min(begin + 2 * width, count);
      MergeRuns(order, work, begin, middle, end, iCompare);
    }
    order.swap(work);
  }
  std::vector<KAVUnicodeString> sorted;
  sorted.reserve(count);
  for (KAVUnicodeString* item : order) sorted.push_back(std::move(*item));
  _items.swap(sorted);
}

std::ostream& operator<<(std::ostream& ioStream,
                         const KAVListValKAVUnicodeString& iList) {
  for (int i = 1; i <= iList.Size(); ++i) {
    if (i > 1) ioStream << ' ';
    ioStream << iList[i];
  }
  return ioStream;
}
