// Trace switches: the four cached environment variables and their tests.
#include "KAVMfgBaseAnalysisStatic.h"

#include <cstdlib>
#include <cstring>

KAVUnicodeString* KAVMfgBaseAnalysisStatic::_KeyDebug = nullptr;
KAVUnicodeString* KAVMfgBaseAnalysisStatic::_KeyPerfo = nullptr;
KAVUnicodeString* KAVMfgBaseAnalysisStatic::_KeyODT = nullptr;
KAVUnicodeString* KAVMfgBaseAnalysisStatic::_KeyGIIRV5 = nullptr;

KAVMfgBaseAnalysisStatic::KAVMfgBaseAnalysisStatic() {}
KAVMfgBaseAnalysisStatic::KAVMfgBaseAnalysisStatic(
    const KAVMfgBaseAnalysisStatic&) {}
KAVMfgBaseAnalysisStatic& KAVMfgBaseAnalysisStatic::operator=(
    const KAVMfgBaseAnalysisStatic&) {
  return *this;
}
KAVMfgBaseAnalysisStatic::~KAVMfgBaseAnalysisStatic() {}

namespace {

// getenv's null (unset) and an empty value read the same: off.
//
// Classes on different threads share these caches, so the string is
// built completely before it is published, in one atomic exchange: a
// thread that loses the race to fill the cache drops its own copy and
// uses the winner's, so every caller sees the one value and none leaks.
const KAVUnicodeString& Cached(KAVUnicodeString*& ioKey,
                               const char* iVariable) {
  KAVUnicodeString* cached = __atomic_load_n(&ioKey, __ATOMIC_ACQUIRE);
  if (cached != nullptr) return *cached;
  auto* made = new KAVUnicodeString(std::getenv(iVariable));
  if (__atomic_compare_exchange_n(&ioKey, &cached, made, false,
                                  __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
    return *made;
  delete made;
  return *cached;
}

bool IsOui(const KAVUnicodeString& iValue) { return iValue == "OUI"; }

}  // namespace

KAVUnicodeString KAVMfgBaseAnalysisStatic::ReadDebug() {
  return Cached(_KeyDebug, "MfgBaseDebug");
}
KAVUnicodeString KAVMfgBaseAnalysisStatic::ReadPerfo() {
  return Cached(_KeyPerfo, "MfgBasePerfo");
}
KAVUnicodeString KAVMfgBaseAnalysisStatic::ReadODT() {
  return Cached(_KeyODT, "MFGODT");
}
KAVUnicodeString KAVMfgBaseAnalysisStatic::ReadGIIRV5() {
  return Cached(_KeyGIIRV5, "GIIBatchRecordV5");
}

// Every ":" ends an element, so leading and doubled ":" make empty
// elements (which match no class); text after the last ":" is an element
// only when it is not empty, which the loop's last step gives for free.
int GetDebug(const char* iClassName) {
  const KAVUnicodeString value = KAVMfgBaseAnalysisStatic::ReadDebug();
  if (value.GetLengthInChar() == 0 || iClassName == nullptr) return 0;
  const char* cursor = value.CastToCharPtr();
  const size_t classLength = std::strlen(iClassName);
  while (*cursor != '\0') {
    const char* colon = std::strchr(cursor, ':');
    const size_t length =
        colon ? static_cast<size_t>(colon - cursor) : std::strlen(cursor);
    if ((length == classLength &&
         std::strncmp(cursor, iClassName, length) == 0) ||
        (length == 3 && std::strncmp(cursor, "ALL", 3) == 0))
      return 1;
    if (colon == nullptr) break;
    cursor = colon + 1;
  }
  return 0;
}

int GetPerfo(const char* iClassName) {
  const KAVUnicodeString value = KAVMfgBaseAnalysisStatic::ReadPerfo();
  if (value.GetLengthInChar() == 0) return 0;
  return (iClassName != nullptr && value == iClassName) || value == "ALL";
}

int GetMfgODT() { return IsOui(KAVMfgBaseAnalysisStatic::ReadODT()); }

int GetGIIRV5() { return IsOui(KAVMfgBaseAnalysisStatic::ReadGIIRV5()); }
