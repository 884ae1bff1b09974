// KAVRawColldouble: a growable array of double, positions from 1.
#ifndef KAVRawColldouble_h
#define KAVRawColldouble_h

#include <iosfwd>
#include <vector>

#include "KAVCollec.h"
#include "KAVPlatformExport.h"

class KAV_PLATFORM_API KAVRawColldouble {
 public:
  KAVRawColldouble() = default;
  // iSize values of 0.0 (0 or negative: empty). The library constructs
  // with 0 and appends.
  explicit KAVRawColldouble(int iSize);
  KAVRawColldouble(const KAVRawColldouble&) = default;
  KAVRawColldouble(KAVRawColldouble&&) noexcept = default;
  KAVRawColldouble& operator=(const KAVRawColldouble&) = default;
  KAVRawColldouble& operator=(KAVRawColldouble&&) noexcept = default;
  virtual ~KAVRawColldouble();

  int Size() const { return static_cast<int>(_values.size()); }

  // The value at iPosition, 1 to Size(). Outside that range the const form
  // gives 0.0 and the other form a scratch cell of this collection, set to 0
  // at each such access: writing to it changes no value.
  double operator[](int iPosition) const;
  double& operator[](int iPosition);

  // Appends iValue, or every value of iOther in order (appending a
  // collection to itself doubles it).
  void Append(double iValue);
  void Append(const KAVRawColldouble& iOther);

  // Empties the collection; mode 1 (KAVCollec::ReleaseMemory) also gives
  // back the storage.
  void RemoveAll(KAVCollec::MemoryHandling iMode = KAVCollec::ReleaseMemory);
  void RemoveAll(int iMode);

 private:
  std::vector<double> _values;
  double _scratch = 0.0;
};

// Writes the values with the stream's default format, separated by one blank.
KAV_PLATFORM_API std::ostream& operator<<(std::ostream& ioStream,
                                          const KAVRawColldouble& iValues);

#endif
