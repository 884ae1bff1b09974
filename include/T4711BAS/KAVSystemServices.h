// KAVSystemServices: the application's file functions, KAVGetFileInfo and
// KAVSplitPath.
#ifndef KAVSystemServices_h
#define KAVSystemServices_h

#include <sys/stat.h>

#include "KAVPlatformExport.h"

// Longest path KAVSplitPath reads; longer input is cut there.
constexpr int kKAVMaxPathLength = 255;

// stat of iPath (links followed) into *oInfo. Returns 0 when the path
// exists and its information was read, -1 otherwise (no such path, no
// permission to search its directories, a null iPath). *oInfo is written
// only on success; a null oInfo still answers 0 or -1.
KAV_PLATFORM_API int KAVGetFileInfo(const char* iPath, struct stat* oInfo);

// Splits iPath at its last "/" into the directory part oDir and the file
// part oFile, both written NUL-terminated:
//   "/a/b/c.txt" -> "/a/b", "c.txt"    "c.txt" -> "", "c.txt"
//   "/c.txt"     -> "/",    "c.txt"    "/a/b/" -> "/a/b", ""
//   "a//b"       -> "a",    "b"        "/"     -> "/", ""
// The directory part loses the "/" that ends it, every repeated one
// included, except the root's own "/". Nothing else changes: no blanks are
// stripped, "." and ".." are plain names. Only the first kKAVMaxPathLength
// characters of iPath are read, so each output needs at most
// kKAVMaxPathLength + 1 bytes. A null iPath gives two empty parts; a null
// output is skipped. Returns 0, or -1 when iPath is null.
KAV_PLATFORM_API int KAVSplitPath(const char* iPath, char* oDir, char* oFile);

#endif
