// The STEPLIB walk shared by the binder and the t4711 pre-flight check, so
// that the check finds exactly the module the binder would load.
#ifndef KAVStepLib_h
#define KAVStepLib_h

#include <unistd.h>

#include <cstddef>
#include <cstring>

constexpr size_t kKAVPathBufferSize = 1024;

// Walks iStepLib (":"-separated directories, from the left; an empty
// element stands for iHome) and writes into oPath the first
// "<directory>/KAVSYMB" that exists. Returns 1 when one is found, else 0.
// An element that cannot form a path in the 1024-byte buffer, or an empty
// one while iHome is null, is skipped: no directory can be named by it.
inline int KAVFindOnStepLib(const char* iStepLib, const char* iHome,
                            char (&oPath)[kKAVPathBufferSize]) {
  static const char kModuleFile[] = "KAVSYMB";
  const char* cursor = iStepLib;
  while (cursor != nullptr) {
    const char* colon = std::strchr(cursor, ':');
    size_t length =
        colon ? static_cast<size_t>(colon - cursor) : std::strlen(cursor);
    const char* directory = cursor;
    if (length == 0) {
      directory = iHome;
      length = directory ? std::strlen(directory) : 0;
    }
    if (directory != nullptr &&
        length + 1 + sizeof kModuleFile <= kKAVPathBufferSize) {
      std::memcpy(oPath, directory, length);
      oPath[length] = '/';
      std::memcpy(oPath + length + 1, kModuleFile, sizeof kModuleFile);
      if (access(oPath, F_OK) == 0) return 1;
    }
    cursor = colon ? colon + 1 : nullptr;
  }
  oPath[0] = '\0';
  return 0;
}

#endif
