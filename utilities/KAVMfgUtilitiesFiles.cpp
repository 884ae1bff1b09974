// KAVMfgUtilities: environment, path and file helpers (GetEnv, PutEnv,
// ExpandPath, ListDirectory, AppendDir, IsFileExist, AnalyzeFile,
// CheckPathNameAccess, SplitPathName, MatchPattern).
#include <dirent.h>
#include <fnmatch.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "KAVMfgUtilities.h"
#include "KAVSystemServices.h"
#include "KAVToken.h"
#include "KAVTrace.h"

namespace {

constexpr int kFileTraceDashes = 39;
constexpr unsigned long kTypeFile = KAVMfgUtilities::kListFiles;
constexpr unsigned long kTypeDirectory = KAVMfgUtilities::kListDirectories;
// SplitPathName's three buffers: a path of kMaxPathLength characters and
// its terminator.
constexpr int kSplitBufferSize = KAVMfgUtilities::kMaxPathLength + 1;

// What ListDirectory would learn from stat-ing one entry: kTypeFile,
// kTypeDirectory, 0 for any other kind, or -1 when stat fails.
long StatType(const std::string& iFullPath) {
  struct stat info;
  if (stat(iFullPath.c_str(), &info) != 0) return -1;
  if (S_ISREG(info.st_mode)) return static_cast<long>(kTypeFile);
  if (S_ISDIR(info.st_mode)) return static_cast<long>(kTypeDirectory);
  return 0;
}

}  // namespace

KAVUnicodeString KAVMfgUtilities::GetEnv(const KAVUnicodeString& iName) {
  return KAVUnicodeString(getenv(iName.ConvertToChar()));
}

// The duplicate is never freed: putenv keeps the pointer, not a copy.
int KAVMfgUtilities::PutEnv(const KAVUnicodeString& iName,
                            const KAVUnicodeString& iValue) {
  KAVUnicodeString entry = iName + "=" + iValue;
  char* kept = strdup(entry.ConvertToChar());
  if (kept == nullptr) return -1;
  return putenv(kept);
}

// Relies on KAVToken never returning an empty component except at the end
// of the text, so the walk sees every non-empty component. Each
// replacement works on the whole copy (every occurrence of "$NAME"), and a
// later component that an earlier replacement already consumed replaces
// nothing.
KAVUnicodeString KAVMfgUtilities::ExpandPath(const KAVUnicodeString& iPath) {
  KAVUnicodeString expanded = iPath;
  KAVToken tokens(iPath);
  for (KAVUnicodeString token = tokens.GetNextToken("/");
       token.GetLengthInChar() > 0; token = tokens.GetNextToken("/")) {
    if (static_cast<char>(token[0]) != '$') continue;
    const KAVUnicodeString name =
        token.SubString(1, token.GetLengthInChar() - 1);
    expanded.ReplaceSubString(token, GetEnv(name));
  }
  return expanded;
}

// The lists are exactly those of stat-ing every entry, with far fewer
// stats: readdir's entry type already says "regular file" or "directory"
// for most entries, and stat follows links, so only links and entries of
// unknown type need one. The entry type can be trusted only once a stat of
// the full path "directory/name" is known to work, i.e. the directory can
// be searched (a directory that is readable but not searchable lists its
// names but fails every stat) and the full path is not too long. So
// entries are stat-ed one by one until a first stat succeeds; from then on
// the entry type decides, except for links, unknown types and over-long
// paths. An entry that vanishes between readdir and the end of the walk
// may still be listed: the same as a stat-every-entry walk that reached it
// just before it went.
int KAVMfgUtilities::ListDirectory(const KAVUnicodeString& iDirectory,
                                   KAVListValKAVUnicodeString* oLists,
                                   const unsigned long iMask) {
  if (oLists == nullptr) return -1;
  DIR* directory = opendir(iDirectory.ConvertToChar());
  if (directory == nullptr) return -1;
  const bool wantFiles = (iMask & kTypeFile) != 0;
  const bool wantDirectories = (iMask & kTypeDirectory) != 0;
  KAVListValKAVUnicodeString& fileList = oLists[0];
  // Only an array of two lists is passed when both kinds are asked for.
  KAVListValKAVUnicodeString& directoryList =
      wantFiles && wantDirectories ? oLists[1] : oLists[0];

  std::string fullPath = iDirectory.ConvertToChar();
  fullPath += '/';
  const size_t prefixLength = fullPath.size();
  bool statWorks = false;
  if (wantFiles || wantDirectories) {
    for (struct dirent* entry = readdir(directory); entry != nullptr;
         entry = readdir(directory)) {
      const size_t nameLength = std::strlen(entry->d_name);
      long type = -1;
      const bool typeKnown =
          entry->d_type == DT_REG || entry->d_type == DT_DIR ||
          entry->d_type == DT_FIFO || entry->d_type == DT_CHR ||
          entry->d_type == DT_BLK || entry->d_type == DT_SOCK;
      if (statWorks && typeKnown && prefixLength + nameLength < PATH_MAX) {
        type = entry->d_type == DT_REG   ? static_cast<long>(kTypeFile)
               : entry->d_type == DT_DIR ? static_cast<long>(kTypeDirectory)
                                         : 0;
      } else {
        fullPath.resize(prefixLength);
        fullPath.append(entry->d_name, nameLength);
        type = StatType(fullPath);
        if (type >= 0) statWorks = true;
      }
      if (type <= 0) continue;
      if (type == static_cast<long>(kTypeFile)) {
        if (wantFiles) fileList.Append(KAVUnicodeString(entry->d_name));
      } else if (wantDirectories) {
        directoryList.Append(KAVUnicodeString(entry->d_name));
      }
    }
  }
  closedir(directory);
  if (wantFiles && wantDirectories) directoryList.QuickSort(CompareStrings);
  fileList.QuickSort(CompareStrings);
  return fileList.Size();
}

void KAVMfgUtilities::AppendDir(KAVUnicodeString& ioPath,
                                const KAVUnicodeString& iDir) {
  KAVUnicodeString path =
      ioPath.Strip(KAVStripLeading, ' ').Strip(KAVStripTrailing, '/');
  const KAVUnicodeString dir =
      iDir.Strip(KAVStripLeading, ' ').Strip(KAVStripBoth, '/');
  if (dir == "" || dir == ".") {
    // The cleaned path is the result.
  } else if (dir == "..") {
    // A "/" in first position is the root, not a separator to cut at.
    const int slash =
        path.SearchSubString("/", path.GetLengthInChar(), KAVSearchBackward);
    path = slash >= 1 ? path.SubString(0, slash) : KAVUnicodeString();
  } else {
    path = path + "/" + iDir;
  }
  ioPath = path;
}

int KAVMfgUtilities::IsFileExist(const KAVUnicodeString& iPathName) {
  struct stat info;
  if (stat(iPathName.ConvertToChar(), &info) == -1) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

int KAVMfgUtilities::AnalyzeFile(const KAVUnicodeString& iPathName) {
  const KAVOperationTrace trace("KAVMfgUtilities");
  trace.Open(KAVOpening::Framed(kFileTraceDashes),
             "KAVMfgUtilities::AnalyzeFile, start",
             {{" iPathName : ", iPathName}});
  int kind = 2;
  struct stat info;
  if (KAVGetFileInfo(iPathName.ConvertToChar(), &info) == -1) {
    trace.Text(" Error KAVGetFileInfo");
    trace.Text("       TypeFileOrDirectoryNotExist");
  } else if ((info.st_mode & kTypeDirectory) != 0) {
    kind = 1;
    trace.Text("     Type Directory");
  } else {
    kind = 0;
    trace.Text("     Type File");
  }
  trace.Close(KAVClosing::Framed(kFileTraceDashes),
              "KAVMfgUtilities::AnalyzeFile, end", {{"Type File = ", kind}});
  return kind;
}

int KAVMfgUtilities::CheckPathNameAccess(const KAVUnicodeString& iPathName,
                                         const int& iMode) {
  const KAVOperationTrace trace("KAVMfgUtilities");
  trace.Open(KAVOpening::Framed(kFileTraceDashes),
             "KAVMfgUtilities::CheckPathNameAccess, start",
             {{" iPathName : ", iPathName}, {" iMode : ", iMode}});
  const int status = access(iPathName.ConvertToChar(), iMode) == 0 ? 0 : -1;
  trace.Close(KAVClosing::Framed(kFileTraceDashes),
              "KAVMfgUtilities::CheckPathNameAccess, end",
              {{" oLibStatus : ", status}});
  return status;
}

// The three buffers are this function's own: a path longer than
// kMaxPathLength characters is cut to its first kMaxPathLength before the
// split, so KAVSplitPath (which writes at most kMaxPathLength + 1 bytes per
// part) can never write past them.
void KAVMfgUtilities::SplitPathName(const KAVUnicodeString& iPathName,
                                    KAVUnicodeString& oDirPath,
                                    KAVUnicodeString& oFileName) {
  const KAVOperationTrace trace("KAVMfgUtilities");
  trace.Open(KAVOpening::Framed(kFileTraceDashes),
             "KAVMfgUtilities::SplitPathName, start",
             {{" iPathName : ", iPathName}});
  oDirPath = "";
  oFileName = "";
  char path[kSplitBufferSize];
  char directory[kSplitBufferSize];
  char file[kSplitBufferSize];
  std::strncpy(path, iPathName.ConvertToChar(), kMaxPathLength);
  path[kMaxPathLength] = '\0';
  std::memset(directory, ' ', kSplitBufferSize - 2);
  directory[kSplitBufferSize - 2] = '\0';
  std::memset(file, ' ', kSplitBufferSize - 2);
  file[kSplitBufferSize - 2] = '\0';
  KAVSplitPath(path, directory, file);
  oDirPath = directory;
  oFileName = file;
  trace.Close(KAVClosing::Framed(kFileTraceDashes),
              "KAVMfgUtilities::SplitPathName, end",
              {{"oDirPath  = ", oDirPath}, {"oFileName = ", oFileName}});
}

int KAVMfgUtilities::MatchPattern(const KAVUnicodeString& iText,
                                  const KAVUnicodeString& iPattern) {
  return fnmatch(iPattern.ConvertToChar(), iText.ConvertToChar(), 0) == 0 ? 1
                                                                          : 0;
}
