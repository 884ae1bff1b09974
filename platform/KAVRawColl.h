// The one implementation of the raw collections KAVRawCollint and
// KAVRawColldouble, over their value type. Internal to the platform
// library: the two exported classes keep their own names and members (the
// names the wrapper library links against) and forward to it.
#ifndef KAVRawColl_h
#define KAVRawColl_h

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <vector>

#include "KAVCollec.h"

template <typename T>
struct KAVRawValues {
  // iSize zero values (0 or negative: none).
  static void Fill(std::vector<T>& oValues, int iSize) {
    if (iSize > 0) oValues.assign(static_cast<std::size_t>(iSize), T());
  }

  static bool Inside(const std::vector<T>& iValues, int iPosition) {
    return iPosition >= 1 &&
           static_cast<std::size_t>(iPosition) <= iValues.size();
  }

  // Position iPosition from 1; outside, a zero value.
  static T Get(const std::vector<T>& iValues, int iPosition) {
    return Inside(iValues, iPosition)
               ? iValues[static_cast<std::size_t>(iPosition - 1)]
               : T();
  }

  // The cell at iPosition; outside, ioScratch set to zero, so a write
  // through it changes no value.
  static T& At(std::vector<T>& ioValues, T& ioScratch, int iPosition) {
    if (!Inside(ioValues, iPosition)) {
      ioScratch = T();
      return ioScratch;
    }
    return ioValues[static_cast<std::size_t>(iPosition - 1)];
  }

  // Counted first, so appending a collection to itself stops at its old
  // end. Room grows geometrically: reserving exactly what one append needs
  // would copy the whole collection at every append of a few values.
  static void AppendAll(std::vector<T>& ioValues,
                        const std::vector<T>& iOther) {
    const std::size_t count = iOther.size();
    const std::size_t needed = ioValues.size() + count;
    if (needed > ioValues.capacity())
      ioValues.reserve(std::max(needed, 2 * ioValues.capacity()));
    for (std::size_t i = 0; i < count; ++i) ioValues.push_back(iOther[i]);
  }

  static void Clear(std::vector<T>& ioValues, int iMode) {
    if (iMode == KAVCollec::ReleaseMemory)
      std::vector<T>().swap(ioValues);
    else
      ioValues.clear();
  }
};

// The values of a collection with the stream's format, separated by one
// blank.
template <typename Collection>
std::ostream& KAVWriteRawValues(std::ostream& ioStream,
                                const Collection& iValues) {
  for (int i = 1; i <= iValues.Size(); ++i) {
    if (i > 1) ioStream << ' ';
    ioStream << iValues[i];
  }
  return ioStream;
}

#endif
