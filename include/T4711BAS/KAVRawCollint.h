// KAVRawCollint: a growable array of int, positions from 1.
#ifndef KAVRawCollint_h
#define KAVRawCollint_h

#include <iosfwd>
#include <vector>

#include "KAVCollec.h"
#include "KAVPlatformExport.h"

class KAV_PLATFORM_API KAVRawCollint {
 public:
  KAVRawCollint() = default;
  // iSize values of 0 (0 or negative: empty). The library constructs
  // with 0 and appends.
  explicit KAVRawCollint(int iSize);
  KAVRawCollint(const KAVRawCollint&) = default;
  KAVRawCollint(KAVRawCollint&&) noexcept = default;
  KAVRawCollint& operator=(const KAVRawCollint&) = default;
  KAVRawCollint& operator=(KAVRawCollint&&) noexcept = default;
  virtual ~KAVRawCollint();

  int Size() const { return static_cast<int>(_values.size()); }

  // The value at iPosition, 1 to Size(). Outside that range the const form
  // gives 0 and the other form a scratch cell of this collection, set to 0
  // at each such access: writing to it changes no value.
  int operator[](int iPosition) const;
  int& operator[](int iPosition);

  // Appends iValue, or every value of iOther in order (appending a
  // collection to itself doubles it).
  void Append(int iValue);
  void Append(const KAVRawCollint& iOther);

  // Empties the collection; mode 1 (KAVCollec::ReleaseMemory) also gives
  // back the storage.
  void RemoveAll(KAVCollec::MemoryHandling iMode = KAVCollec::ReleaseMemory);
  void RemoveAll(int iMode);

 private:
  std::vector<int> _values;
  int _scratch = 0;
};

// Writes the values in decimal, separated by one blank.
KAV_PLATFORM_API std::ostream& operator<<(std::ostream& ioStream,
                                          const KAVRawCollint& iValues);

#endif
