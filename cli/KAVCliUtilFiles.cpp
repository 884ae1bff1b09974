// t4711 util: the environment, path and file helpers a person would call
// from a shell (list a directory, expand a path, split and analyze a path,
// match a pattern); t4711 capture FILE (the kernel's current picture into
// an image file); t4711 settings (the six programming-tab settings as the
// kernel side reads them); and their step of the tour.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "KAVCli.h"
#include "KAVEntryPoints.h"
#include "KAVMfgUtilities.h"

namespace {

using U = KAVMfgUtilities;

std::string Str(const KAVUnicodeString& iText) { return iText.ToStdString(); }

int List(KAVCliContext& ioContext, const std::string& iDirectory, bool iFiles,
         bool iDirectories) {
  // Neither flag: both kinds, as a person listing a directory expects.
  if (!iFiles && !iDirectories) iFiles = iDirectories = true;
  const unsigned long mask =
      (iFiles ? U::kListFiles : 0) | (iDirectories ? U::kListDirectories : 0);
  KAVListValKAVUnicodeString lists[2];
  if (U::ListDirectory(iDirectory.c_str(), lists, mask) < 0) {
    std::cerr << "t4711: cannot open directory " << iDirectory << std::endl;
    return 1;
  }
  // With one kind asked for, its names are in the first list.
  const KAVListValKAVUnicodeString& files = lists[0];
  const KAVListValKAVUnicodeString& directories =
      iFiles && iDirectories ? lists[1] : lists[0];
  std::vector<std::vector<std::string>> rows;
  if (iDirectories)
    for (int i = 1; i <= directories.Size(); ++i)
      rows.push_back({"directory", Str(directories[i])});
  if (iFiles)
    for (int i = 1; i <= files.Size(); ++i)
      rows.push_back({"file", Str(files[i])});
  KAVCliPrintTable(ioContext, {"kind", "name"}, rows);
  return 0;
}

int Split(KAVCliContext& ioContext, const std::string& iPath) {
  KAVUnicodeString directory, file;
  U::SplitPathName(iPath.c_str(), directory, file);
  KAVCliPrintFields(
      ioContext,
      {{"path", iPath}, {"directory", Str(directory)}, {"file", Str(file)}});
  return 0;
}

int Analyze(KAVCliContext& ioContext, const std::string& iPath) {
  const KAVUnicodeString path = iPath.c_str();
  static const char* const kKinds[] = {"missing", "file", "directory"};
  const int kind = U::IsFileExist(path);
  auto access = [&](int iMode) {
    return U::CheckPathNameAccess(path, iMode) == 0 ? "yes" : "no";
  };
  KAVCliPrintFields(ioContext,
                    {{"path", iPath},
                     {"kind", kKinds[kind]},
                     {"IsFileExist", std::to_string(kind)},
                     {"AnalyzeFile", std::to_string(U::AnalyzeFile(path))},
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

int Capture(KAVCliContext& ioContext, const std::string& iFile) {
  const int code = U::CaptImage(iFile.c_str());
  if (code != 0) return KAVCliKernelFailure("capture", code);
  KAVCliPrintFields(ioContext, {{"image", iFile}});
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
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 6; ++i)
    rows.push_back({std::string("KAVMfgPoPg2TabPage.") + kNames[i],
                    std::to_string(values[i])});
  KAVCliPrintTable(ioContext, {"setting", "value"}, rows);
  return error;
}

void AddUtilFilesCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* util =
      KAVCliSubcommand(app, "util", "General helpers of the application");
  // `t4711 run` builds the tree again for each line: flags not given must
  // read false, not the previous line's values.
  static bool filesOnly, directoriesOnly;
  filesOnly = directoriesOnly = false;

  static std::string directory;
  auto* list = util->add_subcommand(
      "list",
      "Regular files and directories of a directory, links followed, sorted");
  list->add_option("DIRECTORY", directory, "directory")->required();
  list->add_flag("--files", filesOnly, "regular files only");
  list->add_flag("--dirs", directoriesOnly, "directories only");
  list->callback([&ctx]() {
    ctx.status = List(ctx, directory, filesOnly, directoriesOnly);
  });

  static std::string expandPath;
  auto* expand = util->add_subcommand(
      "expand", "Replace $NAME components of a path by the variables' values");
  expand->add_option("PATH", expandPath, "path, e.g. '$HOME/data'")->required();
  expand->callback([&ctx]() {
    KAVCliPrintFields(ctx,
                      {{"path", expandPath},
                       {"expanded", Str(U::ExpandPath(expandPath.c_str()))}});
    ctx.status = 0;
  });

  static std::string splitPath;
  auto* split =
      util->add_subcommand("split", "Directory and file parts of a path");
  split->add_option("PATH", splitPath, "path")->required();
  split->callback([&ctx]() { ctx.status = Split(ctx, splitPath); });

  static std::string analyzePath;
  auto* analyze = util->add_subcommand(
      "analyze", "What a path names and how it may be accessed");
  analyze->add_option("PATH", analyzePath, "path")->required();
  analyze->callback([&ctx]() { ctx.status = Analyze(ctx, analyzePath); });

  static std::string matchText, matchPattern;
  auto* match =
      util->add_subcommand("match", "Match a name against a shell pattern");
  match->add_option("TEXT", matchText, "name")->required();
  match->add_option("PATTERN", matchPattern, "pattern, e.g. 'part*.ncl'")
      ->required();
  match->callback(
      [&ctx]() { ctx.status = Match(ctx, matchText, matchPattern); });

  static std::string imageFile;
  auto* capture = app.add_subcommand(
      "capture", "Grab the kernel's current picture into an image file");
  capture->add_option("FILE", imageFile, "image file to write")->required();
  capture->callback([&ctx]() { ctx.status = Capture(ctx, imageFile); });

  app.add_subcommand("settings",
                     "The six programming-tab settings (group MFGPROG) as the "
                     "kernel reads them")
      ->callback([&ctx]() { ctx.status = Settings(ctx); });
}
KAV_CLI_FAMILY(AddUtilFilesCommands);

int UtilFilesTour(KAVCliContext& ioContext) {
  // A scratch directory of its own, so the tour shows the same listing
  // wherever it runs.
  const char* temporary = std::getenv("TMPDIR");
  std::string scratch = std::string(temporary && *temporary ? temporary : "/tmp") +
                        "/t4711-tour-XXXXXX";
  if (mkdtemp(&scratch[0]) == nullptr) return 1;
  const std::string root = scratch;
  // executeshell leaves its child to the caller: this process has no other
  // child, so it waits for that one.
  KAVUnicodeString mkdirArgs[] = {(root + "/programs").c_str()};
  U::executeshell("mkdir", 1, mkdirArgs);
  wait(nullptr);
  std::cout << "$ t4711 util expand '$HOME/programs'" << std::endl;
  KAVCliPrintFields(ioContext,
                    {{"expanded", Str(U::ExpandPath("$HOME/programs"))}});
  std::cout << "\n$ t4711 util split /nc/programs/part12.ncl" << std::endl;
  int status = Split(ioContext, "/nc/programs/part12.ncl");
  std::cout << "\n$ t4711 util match part12.ncl 'part*.ncl'" << std::endl;
  status |= Match(ioContext, "part12.ncl", "part*.ncl");
  const std::string image = root + "/picture.png";
  std::cout << "\n$ t4711 capture " << image << std::endl;
  status |= Capture(ioContext, image);
  std::cout << "\n$ t4711 util list " << root << std::endl;
  status |= List(ioContext, root, false, false);
  std::cout << "\n$ t4711 settings" << std::endl;
  status |= Settings(ioContext);
  unlink(image.c_str());
  rmdir((root + "/programs").c_str());
  rmdir(root.c_str());
  return status;
}
KAV_CLI_TOUR_STEP(60, "Files, capture and settings", UtilFilesTour);

}  // namespace
