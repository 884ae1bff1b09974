// KAVMfgBaseNLS: national-language names, their per-kind caches and the
// indexes kept beside them (KAVListIndex).
#include "KAVMfgBaseNLS.h"

#include <cstring>
#include <string_view>

#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVListIndex.h"
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
KAVUnicodeString Finish(const KAVOperationTrace& iTrace,
                        const KAVUnicodeString& iResult) {
  iTrace.Close(KAVClosing::Undashed(), "KAVMfgBaseNLS::GetNlsName, End",
               {{"Name : ", iResult}});
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
  KAVListIndex stdIndex;
  KAVListIndex nlsIndex;

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
  const KAVOperationTrace trace("KAVMfgBaseNLS");
  trace.Open(KAVOpening::Undashed(), "KAVMfgBaseNLS::GetNlsName, Start",
             {{"type : ", iType}, {"name : ", iStdName}});
  // Every path that does not reach the kernel answers either the name
  // given, unchanged, or the cached translation, copied once on return.
  const std::string_view stripped = KAVStrippedView(iStdName);
  if (stripped.empty()) return Finish(trace, iStdName);

  Cache* cache = Cache::ForType(iType);
  if (cache == nullptr) {
    // No list for this type: nothing is looked up, asked or cached.
    if (trace) {
      KAVTrace::Line("my_name : ", ToString(stripped));
      KAVTrace::Line("indice : ", 0);
    }
    return Finish(trace, iStdName);
  }
  const Key key(stripped, cache->width);
  if (trace) KAVTrace::Line("my_name : ", key.Text());
  const int position = cache->stdIndex.Locate(cache->stdNames, key.View());
  trace.Line("indice : ", position);
  if (position != 0) return Finish(trace, cache->nlsNames[position]);

  KAVKernelField stdName(key.Text(), cache->width);
  KAVKernelField nlsName(kNlsNameWidth);
  int type = iType;
  int length = 0;
  int ier = 0;
  if (iType == kClass || iType == kValue) trace.Text("avant gnfnl1");
  GNFNL1(&type, stdName.Data(), nlsName.Data(), &length, &ier);
  trace.Line("gnfnl1 (ier): ", ier);
  KAVUnicodeString result = iStdName;  // what a failed translation answers
  if (ier == 0) {
    // The length is brought into the buffer's 80 characters first: past
    // them padding adds only blanks the strip takes off again, and a
    // kernel's 2 billion could not even be allocated.
    KAVUnicodeString translated = nlsName.Text();
    translated.Resize(KAVClampLength(length, kNlsNameWidth), ' ');
    result = translated.Strip(KAVStripBoth, ' ');
    trace.Line("Name : ", result);
  }
  cache->stdNames.Append(key.Text());
  cache->nlsNames.Append(result);
  return Finish(trace, result);
}

KAVUnicodeString KAVMfgBaseNLS::GetStdName(const int& iType,
                                           const KAVUnicodeString& iNlsName) {
  KAVUnicodeString result = iNlsName;
  const std::string_view stripped = KAVStrippedView(iNlsName);
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

bool KAVMfgBaseNLS::Internals::CachesAgree() {
  for (int type = kAttribute; type <= kValue; ++type) {
    Cache& cache = *Cache::ForType(type);
    if (cache.stdNames.Size() != cache.nlsNames.Size()) return false;
    for (int i = 1; i <= cache.stdNames.Size(); ++i)
      if (cache.stdNames[i].GetLengthInChar() != cache.width) return false;
    if (!cache.stdIndex.Agrees(cache.stdNames) ||
        !cache.nlsIndex.Agrees(cache.nlsNames))
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
