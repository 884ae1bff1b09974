// KAVRawColldouble: a vector of double with 1-based access.
#include "KAVRawColldouble.h"

#include <ostream>

KAVRawColldouble::KAVRawColldouble(int iSize) {
  if (iSize > 0) _values.assign(static_cast<std::size_t>(iSize), 0.0);
}

KAVRawColldouble::~KAVRawColldouble() = default;

double KAVRawColldouble::operator[](int iPosition) const {
  if (iPosition < 1 || iPosition > Size()) return 0.0;
  return _values[static_cast<std::size_t>(iPosition - 1)];
}

double& KAVRawColldouble::operator[](int iPosition) {
  if (iPosition < 1 || iPosition > Size()) {
    _scratch = 0.0;
    return _scratch;
  }
  return _values[static_cast<std::size_t>(iPosition - 1)];
}

void KAVRawColldouble::Append(double iValue) { _values.push_back(iValue); }

void KAVRawColldouble::Append(const KAVRawColldouble& iOther) {
  // Counted first, so appending the collection to itself stops at its old
  // end.
  const std::size_t count = iOther._values.size();
  _values.reserve(_values.size() + count);
  for (std::size_t i = 0; i < count; ++i) _values.push_back(iOther._values[i]);
}

void KAVRawColldouble::RemoveAll(KAVCollec::MemoryHandling iMode) {
  RemoveAll(static_cast<int>(iMode));
}

void KAVRawColldouble::RemoveAll(int iMode) {
  if (iMode == KAVCollec::ReleaseMemory)
    std::vector<double>().swap(_values);
  else
    _values.clear();
}

std::ostream& operator<<(std::ostream& ioStream,
                         const KAVRawColldouble& iValues) {
  for (int i = 1; i <= iValues.Size(); ++i) {
    if (i > 1) ioStream << ' ';
    ioStream << iValues[i];
  }
  return ioStream;
}
