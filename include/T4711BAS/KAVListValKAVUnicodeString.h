// KAVListValKAVUnicodeString: a list of strings held by value, positions
// from 1. Append and indexing are constant time (a vector inside), so a list
// of 100,000 names is cheap to fill and read.
#ifndef KAVListValKAVUnicodeString_h
#define KAVListValKAVUnicodeString_h

#include <iosfwd>
#include <vector>

#include "KAVCollec.h"
#include "KAVPlatformExport.h"
#include "KAVUnicodeString.h"

// Comparison handed to QuickSort: -1 when the first sorts before the
// second, 0 when equal, 1 when after (any negative / positive value is
// taken the same way).
typedef int (*KAVCompareFunction)(KAVUnicodeString*, KAVUnicodeString*);

class KAV_PLATFORM_API KAVListValKAVUnicodeString {
 public:
  KAVListValKAVUnicodeString() = default;
  // Empty, with room for iCapacity items (none when 0 or negative).
  explicit KAVListValKAVUnicodeString(int iCapacity);
  KAVListValKAVUnicodeString(const KAVListValKAVUnicodeString&) = default;
  KAVListValKAVUnicodeString(KAVListValKAVUnicodeString&&) noexcept = default;
  KAVListValKAVUnicodeString& operator=(const KAVListValKAVUnicodeString&) =
      default;
  KAVListValKAVUnicodeString& operator=(KAVListValKAVUnicodeString&&) noexcept =
      default;
  virtual ~KAVListValKAVUnicodeString();

  int Size() const { return static_cast<int>(_items.size()); }

  // The item at iPosition, 1 to Size(). Outside that range the const form
  // gives an empty string and the other form a scratch string of this list,
  // emptied at each such access: writing to it changes no item.
  const KAVUnicodeString& operator[](int iPosition) const;
  KAVUnicodeString& operator[](int iPosition);

  // Appends a copy of iItem, or copies of every item of iList in order
  // (appending a list to itself doubles it).
  void Append(const KAVUnicodeString& iItem);
  void Append(const KAVListValKAVUnicodeString& iList);

  // Position of the first item equal to iItem at or after iFrom (1 or less
  // searches from the start), or 0 when there is none.
  int Locate(const KAVUnicodeString& iItem, int iFrom = 1) const;

  // Removes the item at iPosition; outside 1 to Size() nothing happens.
  void RemovePosition(int iPosition);

  // Empties the list. KAVCollec::ReleaseMemory (the library's mode 1) also
  // gives back the storage; other modes keep it for the next appends.
  void RemoveAll(KAVCollec::MemoryHandling iMode = KAVCollec::ReleaseMemory);
  void RemoveAll(int iMode);

  // Sorts by iCompare: items for which iCompare(b, a) < 0 end up before a.
  // Equal items keep their order (a stable merge sort, O(n log n) calls).
  // The comparison is never trusted for bounds: with one that is not a
  // consistent ordering (answering -1 both ways, say) the sort still ends,
  // keeps every item exactly once and never reads outside the list. A null
  // iCompare leaves the list unchanged.
  void QuickSort(KAVCompareFunction iCompare);

 private:
  std::vector<KAVUnicodeString> _items;
  KAVUnicodeString _scratch;
};

// Writes the items on one line, separated by one blank, with nothing before
// the first or after the last (an empty list writes nothing).
KAV_PLATFORM_API std::ostream& operator<<(
    std::ostream& ioStream, const KAVListValKAVUnicodeString& iList);

#endif
