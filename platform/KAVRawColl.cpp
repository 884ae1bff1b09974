// KAVRawCollint and KAVRawColldouble: the members of both exported classes,
// written once over the value type and forwarded to KAVRawValues.
#include "KAVRawColl.h"

#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"

#define KAV_RAW_COLLECTION(Coll, T)                                           \
  Coll::Coll(int iSize) { KAVRawValues<T>::Fill(_values, iSize); }            \
  Coll::~Coll() = default;                                                    \
  T Coll::operator[](int iPosition) const {                                   \
    return KAVRawValues<T>::Get(_values, iPosition);                          \
  }                                                                           \
  T& Coll::operator[](int iPosition) {                                        \
    return KAVRawValues<T>::At(_values, _scratch, iPosition);                 \
  }                                                                           \
  void Coll::Append(T iValue) { _values.push_back(iValue); }                  \
  void Coll::Append(const Coll& iOther) {                                     \
    KAVRawValues<T>::AppendAll(_values, iOther._values);                      \
  }                                                                           \
  void Coll::RemoveAll(KAVCollec::MemoryHandling iMode) {                     \
    RemoveAll(static_cast<int>(iMode));                                       \
  }                                                                           \
  void Coll::RemoveAll(int iMode) { KAVRawValues<T>::Clear(_values, iMode); } \
  std::ostream& operator<<(std::ostream& ioStream, const Coll& iValues) {     \
    return KAVWriteRawValues(ioStream, iValues);                              \
  }

KAV_RAW_COLLECTION(KAVRawCollint, int)
KAV_RAW_COLLECTION(KAVRawColldouble, double)
