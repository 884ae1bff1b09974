// t4711 util: the environment, path and file helpers a person would call
// from a shell (list a directory, expand a path, split and analyze a path,
// match a pattern); t4711 capture FILE (the kernel's current picture into
// an image file); t4711 settings (the six programming-tab settings as the
// kernel side reads them); and their step of the tour.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "KAVCli.h"
#include "KAVEntryPoints.h"
#include "KAVMfgUtilities.h"

namespace {

using U = KAVMfgUtilities;

int List(KAVCliContext& ioContext, const std::string& iDirectory, bool iFiles,
         bool iDirectories) {
  // Neither flag: both kinds, as a person listing a directory expects.
  if (!iFiles && !iDirectories) iFiles = iDirectories = true;
  const unsigned long mask =
      (iFiles ? U::kListFiles : 0) | (iDirectories ? U::kListDirectories : 0);
  KAVListValKAVUnicodeString lists[2];
  if (U::ListDirectory(iDirectory.c_str(), lists, mask) < 0)
    return KAVCliInputError("cannot open directory " + iDirectory);
  // With one kind asked for, its names are in the first list.
  const KAVListValKAVUnicodeString& files = lists[0];
  const KAVListValKAVUnicodeString& directories =
      iFiles && iDirectories ? lists[1] : lists[0];
  std::vector<KAVCliRow> rows;
  if (iDirectories)
    for (int i = 1; i <= directories.Size(); ++i)
      rows.push_back({"directory", KAVCliText(directories[i])});
  if (iFiles)
    for (int i = 1; i <= files.Size(); ++i)
      rows.push_back({"file", KAVCliText(files[i])});
  KAVCliPrintTable(ioContext, {"kind", "name"}, rows);
  return 0;
}

int Split(KAVCliContext& ioContext, const std::string& iPath) {
  KAVUnicodeString directory, file;
  U::SplitPathName(iPath.c_str(), directory, file);
  KAVCliPrintFields(ioContext, {{"path", iPath},
                                {"directory", KAVCliText(directory)},
                                {"file", KAVCliText(file)}});
  return 0;
}

int Analyze(KAVCliContext& ioContext, const std::string& iPath) {
  const KAVUnicodeString path = iPath.c_str();
  static const char* const kKinds[] = {"missing", "file", "directory"};
  const int kind = U::IsFileExist(path);
  if (kind < 0 || kind > 2) return KAVCliInputError("cannot analyze " + iPath);
  auto access = [&](int iMode) {
    return U::CheckPathNameAccess(path, iMode) == 0 ? "yes" : "no";
  };
  KAVCliPrintFields(ioContext, {{"path", iPath},
                                {"kind", kKinds[kind]},
                                {"IsFileExist", kind},
                                {"AnalyzeFile", U::AnalyzeFile(path)},
                                {"readable", access(R_OK)},
                                {"writable", access(W_OK)},
                                {"executable", access(X_OK)}});
  return 0;
}

int Match(KAVCliContext& ioContext, const std::string& iText,
          const std::string& iPattern) {
  KAVCliPrintFields(
      ioContext,
      {{"text", iText},
       {"pattern", iPattern},
       {"match",
        U::MatchPattern(iText.c_str(), iPattern.c_str()) ? "yes" : "no"}});
  return 0;
}

// The path the kernel receives: CaptImage cuts it to 255 characters and
// strips the blanks at both ends.
std::string PathSentToKernel(const std::string& iFile) {
  const std::string cut = iFile.substr(0, 255);
  const size_t first = cut.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return cut.substr(first, cut.find_last_not_of(' ') - first + 1);
}

// The library asks PLSGRAB for the mode the reference kernel writes as
// PNG: a file named for another format would hold PNG bytes. The
// directory must exist and be writable before the kernel is asked, so
// that an input problem is said as one.
int Capture(KAVCliContext& ioContext, const std::string& iFile) {
  const std::string path = PathSentToKernel(iFile);
  const size_t dot = path.rfind('.');
  std::string extension = dot == std::string::npos ? "" : path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(c));
  if (extension != ".png" || path.find('/', dot) != std::string::npos)
    return KAVCliUsageError("capture writes PNG: \"" + iFile +
                            "\" does not end in .png");
  const size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : path.substr(0, slash + 1);
  struct stat info {};
  const char* why = nullptr;
  if (stat(directory.c_str(), &info) != 0)
    why = std::strerror(errno);
  else if (!S_ISDIR(info.st_mode))
    why = "its directory is not a directory";
  else if (access(directory.c_str(), W_OK) != 0)
    why = "its directory is not writable";
  if (why != nullptr)
    return KAVCliInputError("cannot write " + path + ": " + why);
  const int code = U::CaptImage(iFile.c_str());
  if (code != 0) return KAVCliKernelFailure("capture", code);
  KAVCliPrintFields(ioContext, {{"image", PathSentToKernel(iFile)}});
  return 0;
}

int Settings(KAVCliContext& ioContext) {
  // nqusett leaves the cell of a missing setting as the reader leaves it;
  // 0 here, so a missing setting reads as off.
  int values[6] = {0, 0, 0, 0, 0, 0};
  int error = 0;
  nqusett(&values[0], &values[1], &values[2], &values[3], &values[4],
          &values[5], &error);
  static const char* const kNames[] = {"HLTPARTS", "HLTCHECK", "HLTRELIM",
                                       "HLTDRIVE", "HLTMACRO", "HLTSMART"};
  std::vector<KAVCliRow> rows;
  for (int i = 0; i < 6; ++i)
    rows.push_back({std::string("KAVMfgPoPg2TabPage.") + kNames[i], values[i]});
  if (error != 0) return KAVCliKernelFailure("settings", error);
  KAVCliPrintTable(ioContext, {"setting", "value"}, rows);
  return 0;
}

void AddUtilFilesCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* util =
      KAVCliSubcommand(app, "util", "General helpers of the application");
  struct Options {
    std::string directory, expandPath, splitPath, analyzePath, matchText,
        matchPattern, imageFile;
    bool filesOnly = false, directoriesOnly = false;
  };
  Options& o = ctx.Options<Options>();

  auto* list = util->add_subcommand(
      "list",
      "Regular files and directories of a directory, links followed, sorted");
  list->add_option("DIRECTORY", o.directory, "directory")->required();
  list->add_flag("--files", o.filesOnly, "regular files only");
  list->add_flag("--dirs", o.directoriesOnly, "directories only");
  list->callback([&ctx, &o]() {
    ctx.status = List(ctx, o.directory, o.filesOnly, o.directoriesOnly);
  });

  auto* expand = util->add_subcommand(
      "expand", "Replace $NAME components of a path by the variables' values");
  expand->add_option("PATH", o.expandPath, "path, e.g. '$HOME/data'")
      ->required();
  expand->callback([&ctx, &o]() {
    KAVCliPrintFields(
        ctx, {{"path", o.expandPath},
              {"expanded", KAVCliText(U::ExpandPath(o.expandPath.c_str()))}});
    ctx.status = 0;
  });

  auto* split =
      util->add_subcommand("split", "Directory and file parts of a path");
  split->add_option("PATH", o.splitPath, "path")->required();
  split->callback([&ctx, &o]() { ctx.status = Split(ctx, o.splitPath); });

  auto* analyze = util->add_subcommand(
      "analyze", "What a path names and how it may be accessed");
  analyze->add_option("PATH", o.analyzePath, "path")->required();
  analyze->callback([&ctx, &o]() { ctx.status = Analyze(ctx, o.analyzePath); });

  auto* match =
      util->add_subcommand("match", "Match a name against a shell pattern");
  match->add_option("TEXT", o.matchText, "name")->required();
  match->add_option("PATTERN", o.matchPattern, "pattern, e.g. 'part*.ncl'")
      ->required();
  match->callback(
      [&ctx, &o]() { ctx.status = Match(ctx, o.matchText, o.matchPattern); });

  auto* capture = app.add_subcommand(
      "capture", "Grab the kernel's current picture into an image file");
  capture->add_option("FILE", o.imageFile, "image file to write (.png)")
      ->required();
  capture->callback([&ctx, &o]() { ctx.status = Capture(ctx, o.imageFile); });

  app.add_subcommand("settings",
                     "The six programming-tab settings (group MFGPROG) as the "
                     "kernel reads them")
      ->callback([&ctx]() { ctx.status = Settings(ctx); });
}
KAV_CLI_FAMILY(AddUtilFilesCommands);

// A scratch directory of its own, so the tour shows the same listing
// wherever it runs; its lines name it, so they are made here.
int UtilFilesTour(KAVCliContext& ioContext) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp && *tmp ? tmp : "/tmp") + "/t4711-tour-XXXXXX";
  const bool made =
      ioContext.tourScratch.empty()
          ? mkdtemp(&pattern[0]) != nullptr
          : mkdir((pattern = ioContext.tourScratch + "/files").c_str(), 0700) ==
                0;
  if (!made) return KAVCliInputError("cannot make a scratch directory");
  const std::string root = pattern;
  mkdir((root + "/programs").c_str(), 0700);
  const std::string image = root + "/picture.png";
  const int status = KAVCliRunLines(
      {"util expand '$HOME/programs'", "util split /nc/programs/part12.ncl",
       "util match part12.ncl 'part*.ncl'", "capture " + image,
       "util list " + root, "settings"},
      ioContext);
  unlink(image.c_str());
  rmdir((root + "/programs").c_str());
  rmdir(root.c_str());
  return status;
}
KAV_CLI_TOUR_STEP(60, "Files, capture and settings", UtilFilesTour);

}  // namespace
