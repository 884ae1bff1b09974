// KAVSystemServices: file information and path splitting over the C library.
#include "KAVSystemServices.h"

#include <cstring>

int KAVGetFileInfo(const char* iPath, struct stat* oInfo) {
  if (iPath == nullptr) return -1;
  struct stat info;
  if (stat(iPath, &info) != 0) return -1;
  if (oInfo != nullptr) *oInfo = info;
  return 0;
}

int KAVSplitPath(const char* iPath, char* oDir, char* oFile) {
  if (oDir != nullptr) oDir[0] = '\0';
  if (oFile != nullptr) oFile[0] = '\0';
  if (iPath == nullptr) return -1;
  // Bounded read: the caller's buffers are sized for kKAVMaxPathLength
  // characters and the input need not be terminated within them.
  const std::size_t length = strnlen(iPath, kKAVMaxPathLength);
  std::size_t slash = length;  // position of the last "/", length if none
  for (std::size_t i = 0; i < length; ++i)
    if (iPath[i] == '/') slash = i;
  if (slash == length) {
    if (oFile != nullptr) {
      std::memcpy(oFile, iPath, length);
      oFile[length] = '\0';
    }
    return 0;
  }
  if (oFile != nullptr) {
    const std::size_t fileLength = length - slash - 1;
    std::memcpy(oFile, iPath + slash + 1, fileLength);
    oFile[fileLength] = '\0';
  }
  // The directory ends before the run of "/" that holds the last one; a run
  // that starts the path is the root and keeps one "/".
  std::size_t dirLength = slash;
  while (dirLength > 0 && iPath[dirLength - 1] == '/') --dirLength;
  if (oDir != nullptr) {
    if (dirLength == 0) {
      oDir[0] = '/';
      oDir[1] = '\0';
    } else {
      std::memcpy(oDir, iPath, dirLength);
      oDir[dirLength] = '\0';
    }
  }
  return 0;
}
