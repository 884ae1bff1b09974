// KAVMfgBaseNLS: national-language names, their per-kind caches and the
// indexes kept beside them.
#include "KAVMfgBaseNLS.h"

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgBaseNLSInternals.h"
#include "KAVRoutineTable.h"
#include "KAVTrace.h"

namespace {

constexpr int kAttribute = 1;
constexpr int kBlock = 2;
constexpr int kClass = 3;
constexpr int kValue = 4;
// GNFNL1's key by kind, and its national name's field.
constexpr int kShortNameWidth =  // attributes and blocks
    kavcall::KeyWidth(kAttribute) == kavcall::KeyWidth(kBlock)
        ? kavcall::KeyWidth(kAttribute)
        : kavcall::WidthsOfTheseArgumentsDiffer();
constexpr int kLongNameWidth =  // classes and values
    kavcall::KeyWidth(kClass) == kavcall::KeyWidth(kValue)
        ? kavcall::KeyWidth(kClass)
        : kavcall::WidthsOfTheseArgumentsDiffer();
constexpr int kNlsNameWidth = kavcall::Width("GNFNL1", 3);

// Position (from 1) of the first entry of a list equal to a text. The
// index owns copies of the texts it maps (a deque never moves its
// elements, so the views into them stay valid) and catches up with the
// list on each lookup, so entries appended by any path are found.
class FirstPositionIndex {
 public:
  int Locate(const KAVListValKAVUnicodeString& iList, std::string_view iText) {
    CatchUp(iList);
    const auto found = _first.find(iText);
    return found == _first.end() ? 0 : found->second;
  }

  void Clear() {
    _first.clear();
    _texts.clear();
    _covered = 0;
  }

 private:
  void CatchUp(const KAVListValKAVUnicodeString& iList) {
    if (iList.Size() < _covered) Clear();
    while (_covered < iList.Size()) {
      ++_covered;
      const std::string& entry = iList[_covered].ToStdString();
      if (_first.count(entry) != 0) continue;  // the first one stays
      _texts.push_back(entry);
      _first.emplace(_texts.back(), _covered);
    }
  }

  std::deque<std::string> _texts;
  std::unordered_map<std::string_view, int> _first;
  int _covered = 0;  // entries 1.._covered of the list are indexed
};

// iText without blanks at either end, as a view into it.
std::string_view StrippedView(const KAVUnicodeString& iText) {
  const std::string_view text(iText.ToStdString());
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

KAVUnicodeString ToString(std::string_view iText) {
  return KAVUnicodeString(iText.data(), static_cast<int>(iText.size()));
}

// A cache key: a name blank-padded or cut to its kind's width, built in
// place so that a lookup that hits the cache allocates nothing.
class Key {
 public:
  Key(std::string_view iName, int iWidth) : _width(iWidth) {
    std::memset(_buffer, ' ', sizeof _buffer);
    std::memcpy(
        _buffer, iName.data(),
        iName.size() < static_cast<size_t>(iWidth) ? iName.size() : iWidth);
  }
  std::string_view View() const { return std::string_view(_buffer, _width); }
  KAVUnicodeString Text() const { return ToString(View()); }

 private:
  char _buffer[kLongNameWidth];
  int _width;
};

// The end of GetNlsName, wherever it ends.
KAVUnicodeString Finish(int iTraced, const KAVUnicodeString& iResult) {
  if (iTraced) {
    KAVTrace::Blank();
    KAVTrace::Line("Name : ", iResult);
    KAVTrace::Text("KAVMfgBaseNLS::GetNlsName, End");
    KAVTrace::Blank();
  }
  return iResult;
}

}  // namespace

// Constructed in this order when the library is loaded, destroyed in the
// reverse order when it is unloaded: all eight live in this translation
// unit, defined here in that order.
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgAttNlsNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgAttStdNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgBlkNlsNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgBlkStdNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgClaNlsNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgClaStdNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgValNlsNames;
KAVListValKAVUnicodeString KAVMfgBaseNLS::_MfgValStdNames;

struct __attribute__((visibility("hidden"))) KAVMfgBaseNLS::Cache {
  int width;
  KAVListValKAVUnicodeString& stdNames;
  KAVListValKAVUnicodeString& nlsNames;
  FirstPositionIndex stdIndex;
  FirstPositionIndex nlsIndex;

  // The cache of a type code, null outside 1 to 4. Built on first use,
  // after the lists it refers to, so it is destroyed before them.
  static Cache* ForType(int iType) {
    static Cache caches[] = {
        {kShortNameWidth, _MfgAttStdNames, _MfgAttNlsNames, {}, {}},
        {kShortNameWidth, _MfgBlkStdNames, _MfgBlkNlsNames, {}, {}},
        {kLongNameWidth, _MfgClaStdNames, _MfgClaNlsNames, {}, {}},
        {kLongNameWidth, _MfgValStdNames, _MfgValNlsNames, {}, {}},
    };
    return iType >= kAttribute && iType <= kValue ? &caches[iType - 1]
                                                  : nullptr;
  }
};

KAVMfgBaseNLS::KAVMfgBaseNLS() {}
KAVMfgBaseNLS::KAVMfgBaseNLS(const KAVMfgBaseNLS&) {}
KAVMfgBaseNLS& KAVMfgBaseNLS::operator=(const KAVMfgBaseNLS&) { return *this; }
KAVMfgBaseNLS::~KAVMfgBaseNLS() {}

// Relies on: GNFNL1 reads the key in a field of the kind's width and
// writes the national name into an 80-character field, of which the first
// length characters count. Whatever the kernel answers is cached, a
// failure included (as the name given), so no name is asked twice.
KAVUnicodeString KAVMfgBaseNLS::GetNlsName(const int& iType,
                                           const KAVUnicodeString& iStdName) {
  const int traced = GetDebug("KAVMfgBaseNLS");
  if (traced) {
    KAVTrace::Blank();
    KAVTrace::Text("KAVMfgBaseNLS::GetNlsName, Start");
    KAVTrace::Line("type : ", iType);
    KAVTrace::Line("name : ", iStdName);
    KAVTrace::Blank();
  }
  // Every path that does not reach the kernel answers either the name
  // given, unchanged, or the cached translation, copied once on return.
  const std::string_view stripped = StrippedView(iStdName);
  if (stripped.empty()) return Finish(traced, iStdName);

  Cache* cache = Cache::ForType(iType);
  if (cache == nullptr) {
    // No list for this type: nothing is looked up, asked or cached.
    if (traced) {
      KAVTrace::Line("my_name : ", ToString(stripped));
      KAVTrace::Line("indice : ", 0);
    }
    return Finish(traced, iStdName);
  }
  const Key key(stripped, cache->width);
  if (traced) KAVTrace::Line("my_name : ", key.Text());
  const int position = cache->stdIndex.Locate(cache->stdNames, key.View());
  if (traced) KAVTrace::Line("indice : ", position);
  if (position != 0) return Finish(traced, cache->nlsNames[position]);

  KAVKernelField stdName(key.Text(), cache->width);
  KAVKernelField nlsName(kNlsNameWidth);
  int type = iType;
  int length = 0;
  int ier = 0;
  if (traced && (iType == kClass || iType == kValue))
    KAVTrace::Text("avant gnfnl1");
  GNFNL1(&type, stdName.Data(), nlsName.Data(), &length, &ier);
  if (traced) KAVTrace::Line("gnfnl1 (ier): ", ier);
  KAVUnicodeString result = iStdName;  // what a failed translation answers
  if (ier == 0) {
    // The length is brought into the buffer's 80 characters first: past
    // them padding adds only blanks the strip takes off again, and a
    // kernel's 2 billion could not even be allocated.
    KAVUnicodeString translated = nlsName.Text();
    translated.Resize(KAVClampLength(length, kNlsNameWidth), ' ');
    result = translated.Strip(KAVStripBoth, ' ');
    if (traced) KAVTrace::Line("Name : ", result);
  }
  cache->stdNames.Append(key.Text());
  cache->nlsNames.Append(result);
  return Finish(traced, result);
}

KAVUnicodeString KAVMfgBaseNLS::GetStdName(const int& iType,
                                           const KAVUnicodeString& iNlsName) {
  KAVUnicodeString result = iNlsName;
  const std::string_view stripped = StrippedView(iNlsName);
  Cache* cache = Cache::ForType(iType);
  if (stripped.empty() || cache == nullptr) return result;
  const int position = cache->nlsIndex.Locate(cache->nlsNames, stripped);
  if (position != 0) result = cache->stdNames[position];
  result.Resize(cache->width, ' ');
  return result;
}

KAVUnicodeString KAVMfgBaseNLS::GetAttNlsName(const KAVUnicodeString& iName) {
  return GetNlsName(kAttribute, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetBlkNlsName(const KAVUnicodeString& iName) {
  return GetNlsName(kBlock, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetClaNlsName(const KAVUnicodeString& iName) {
  return GetNlsName(kClass, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetValNlsName(const KAVUnicodeString& iName) {
  return GetNlsName(kValue, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetAttStdName(const KAVUnicodeString& iName) {
  return GetStdName(kAttribute, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetBlkStdName(const KAVUnicodeString& iName) {
  return GetStdName(kBlock, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetClaStdName(const KAVUnicodeString& iName) {
  return GetStdName(kClass, iName);
}
KAVUnicodeString KAVMfgBaseNLS::GetValStdName(const KAVUnicodeString& iName) {
  return GetStdName(kValue, iName);
}

namespace {

// Whether iIndex answers each entry's first position in iList, counted
// afresh, and 0 for a text no entry holds.
bool IndexAgrees(FirstPositionIndex& ioIndex,
                 const KAVListValKAVUnicodeString& iList) {
  std::unordered_map<std::string, int> first;
  for (int i = 1; i <= iList.Size(); ++i)
    first.emplace(iList[i].ToStdString(), i);
  for (int i = 1; i <= iList.Size(); ++i) {
    const std::string& entry = iList[i].ToStdString();
    if (ioIndex.Locate(iList, entry) != first[entry]) return false;
  }
  std::string absent = "\x01";
  while (first.count(absent) != 0) absent += '\x01';
  return ioIndex.Locate(iList, absent) == 0;
}

}  // namespace

bool KAVMfgBaseNLS::Internals::CachesAgree() {
  for (int type = kAttribute; type <= kValue; ++type) {
    Cache& cache = *Cache::ForType(type);
    if (cache.stdNames.Size() != cache.nlsNames.Size()) return false;
    for (int i = 1; i <= cache.stdNames.Size(); ++i)
      if (cache.stdNames[i].GetLengthInChar() != cache.width) return false;
    if (!IndexAgrees(cache.stdIndex, cache.stdNames) ||
        !IndexAgrees(cache.nlsIndex, cache.nlsNames))
      return false;
  }
  return true;
}

void KAVMfgBaseNLS::Internals::Forget() {
  for (int type = kAttribute; type <= kValue; ++type) {
    Cache& cache = *Cache::ForType(type);
    cache.stdNames.RemoveAll(KAVCollec::ReleaseMemory);
    cache.nlsNames.RemoveAll(KAVCollec::ReleaseMemory);
    cache.stdIndex.Clear();
    cache.nlsIndex.Clear();
  }
}
