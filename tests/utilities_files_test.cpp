// Environment, path and file helpers, program execution and image capture.
// Pattern matching and directory listing are checked against references
// written elsewhere (the shell's own matcher, ls) over generated inputs, and
// the listing also against a walk that stats every entry.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "KAVMfgUtilities.h"
#include "KAVSimCodes.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

using namespace kavtest;
using U = KAVMfgUtilities;
using Names = std::vector<std::string>;

namespace {

const unsigned long kBoth = U::kListFiles | U::kListDirectories;
constexpr uid_t kNobody = 65534;

// What iLister fills in when asked for both kinds: each file's name, then
// each directory's name and "/", in list order, then its result.
Names List(const std::string& iDirectory, decltype(&U::ListDirectory) iLister = U::ListDirectory) {
  KAVListValKAVUnicodeString lists[2];
  const int result = iLister(iDirectory.c_str(), lists, kBoth);
  Names names = Items(lists[0]);
  for (const std::string& name : Items(lists[1])) names.push_back(name + "/");
  names.push_back(std::to_string(result));
  return names;
}

// The walk ListDirectory promises to equal: stat every entry, then sort.
int StatEveryEntry(const KAVUnicodeString& iDirectory, KAVListValKAVUnicodeString* oLists,
                   unsigned long) {
  DIR* directory = opendir(iDirectory.ConvertToChar());
  if (directory == nullptr) return -1;
  while (struct dirent* entry = readdir(directory)) {
    struct stat info;
    if (stat((iDirectory + "/" + entry->d_name).ConvertToChar(), &info) != 0) continue;
    if (S_ISREG(info.st_mode)) oLists[0].Append(entry->d_name);
    if (S_ISDIR(info.st_mode)) oLists[1].Append(entry->d_name);
  }
  closedir(directory);
  for (int k : {1, 0}) oLists[k].QuickSort(U::CompareStrings);
  return oLists[0].Size();
}

// What a program writes on standard output, in the C locale.
std::string Capture(std::vector<const char*> iArgs) {
  iArgs.push_back(nullptr);
  auto run = [&] { return execvp(iArgs[0], const_cast<char**>(iArgs.data())); };
  return RunInChild({{"LC_ALL", "C"}}, run).out;
}

// The directory as ls sees it with links followed, sorted by bytes: a
// directory's name ends with "/"; names it could not stat ("@") and fifos
// ("|") are left out.
Names AsLsSeesIt(const std::string& iDirectory) {
  const std::string out =
      Capture({"ls", "-aL", "--zero", "--indicator-style=file-type", iDirectory.c_str()});
  Names names;
  for (size_t start = 0, end; (end = out.find('\0', start)) != std::string::npos; start = end + 1)
    if (out[end - 1] != '@' && out[end - 1] != '|') names.push_back(out.substr(start, end - start));
  std::sort(names.begin(), names.end());
  return names;
}

// A directory of every kind of entry ListDirectory must tell apart (files,
// directories, fifos, links to a file, to a directory, dangling and
// looping), with names that use bytes 0x80 and above and names that are
// prefixes of each other (where the comparison is not a strict ordering).
void Populate(const std::string& iDirectory, std::mt19937& ioRandom) {
  static const char kChars[] = "abAB_.-~ 0\x7f\x80\xc8\xff";
  // O_EXCL: opening an existing fifo would block.
  auto touch = [](const std::string& iPath) {
    close(open(iPath.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644));
  };
  touch(iDirectory + "/target");
  for (int i = 0; i < 40; ++i) {
    std::string name(1 + ioRandom() % 4, 'a');
    for (char& c : name) c = kChars[ioRandom() % (sizeof kChars - 1)];
    if (name == "." || name == "..") name += "x";
    const std::string path = iDirectory + "/" + name;
    const std::string linkTo[] = {"target", ".", "missing-target", name};
    const unsigned kind = ioRandom() % 8;
    if (kind < 4) symlink(linkTo[kind].c_str(), path.c_str());
    if (kind == 4 || kind == 5) touch(path);
    if (kind >= 6) (kind == 6 ? mkdir : mkfifo)(path.c_str(), 0755);
    if (ioRandom() % 4 == 0) touch(path + "\xc8");  // continues a name
  }
}

}  // namespace

// Children print to standard output: nothing here captures it.
class UtilitiesFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { Kernel::Reset(); }
};

// The path-text helpers, one row per call: ExpandPath (E) of the path,
// AppendDir (A) of the path and the dir, SplitPathName (S) as "dir|file".
// Only whole "$NAME" components are replaced, all occurrences at once, and
// values are not expanded again; the variables are set through PutEnv,
// whose "=" join they rely on. The split takes paths as written and cuts
// those too long for its buffers.
TEST_F(UtilitiesFilesTest, PathTextHelpers) {
  ASSERT_EQ(0, U::PutEnv("KAVT_HOME", "/home/u"));
  ASSERT_EQ(0, U::PutEnv("KAVT_A", "x=/$KAVT_HOME"));
  unsetenv("KAVT_UNSET");
  const std::string d300(300, 'd'), x250(250, 'x');
  // clang-format off
  struct Case { char op; std::string path, dir, result; } cases[] = {
      {'E', "$KAVT_HOME/data", "", "/home/u/data"}, {'E', "/opt/$KAVT_UNSET/x", "", "/opt//x"},
      {'E', "/a$KAVT_HOME/b", "", "/a$KAVT_HOME/b"}, {'E', "/$KAVT_HOME/$KAVT_HOME", "", "//home/u//home/u"},
      {'E', "$KAVT_A", "", "x=/$KAVT_HOME"}, {'E', "", "", ""}, {'E', "//", "", "//"},
      {'A', "/a/b/", "c", "/a/b/c"}, {'A', "/a/b", "..", "/a"}, {'A', "/a", "..", ""}, {'A', "a", "..", ""},
      {'A', "/a/b", "/../", "/a"}, {'A', "/a/b//", " ./", "/a/b"}, {'A', "  /a/", "", "/a"},
      {'A', "/a", " /c/", "/a/ /c/"}, {'A', "", "c", "/c"}, {'S', " /a/ b ", "", " /a| b "},
      {'S', "/" + d300 + "/f", "", "/|" + d300.substr(0, 254)}, {'S', x250 + "/abcdefgh", "", x250 + "|abcd"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op + (" " + c.path.substr(0, 20)) + " + " + c.dir);
    KAVUnicodeString path = c.path.c_str(), dir = "stale", file = "stale";
    if (c.op == 'E') path = U::ExpandPath(path);
    if (c.op == 'A') U::AppendDir(path, c.dir.c_str());
    if (c.op == 'S') U::SplitPathName(path, dir, file);
    EXPECT_EQ(c.result, (c.op == 'S' ? dir + "|" + file : path).ToStdString());
  }
}

// Access is asked for execution: root is granted reading and writing
// anything, but not executing a file without an execute bit.
TEST_F(UtilitiesFilesTest, FileKindsOnTheirTwoScalesAndAccess) {
  TempDir dir;
  const std::string file = dir.Write("f", "x"), at = dir.Path() + "/";
  symlink("f", (at + "lf").c_str());
  symlink("gone", (at + "dangling").c_str());
  // clang-format off
  // /dev/null: neither file nor directory
  struct Case { std::string path; int exist, analyze, execute; } cases[] = {
      {dir.Path(), 2, 1, 0}, {file, 1, 0, -1}, {at + "lf", 1, 0, -1}, {at + "dangling", 0, 2, -1}, {"", 0, 2, -1},
      {"/dev/null", 1, 0, -1}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.exist, U::IsFileExist(c.path.c_str()));
    EXPECT_EQ(c.analyze, U::AnalyzeFile(c.path.c_str()));
    EXPECT_EQ(c.execute, U::CheckPathNameAccess(c.path.c_str(), X_OK));
  }
}

TEST_F(UtilitiesFilesTest, TraceOfTheFileHelpers) {
  CoutCapture out;
  KAVUnicodeString dir, file;
  U::SplitPathName("/a/b", dir, file);
  U::AnalyzeFile("/nonexistent-kavt");
  U::AnalyzeFile("/");
  U::CheckPathNameAccess("/", F_OK);
  const std::string d = Dashes(39);
  // Each operation: its start banner with the arguments, its own lines, its
  // results and end banner.
  // clang-format off
  const auto op = [&](const std::string& iName, Strings iIn, Strings iLines, Strings iOut) {
    return Concat({{" ", d, "KAVMfgUtilities::" + iName + ", start"}, iIn, {d, " "}, iLines, {" ", d}, iOut,
                   {"KAVMfgUtilities::" + iName + ", end", d, " "}});
  };
  EXPECT_EQ(Block({
      op("SplitPathName", {" iPathName : /a/b"}, {}, {"oDirPath  = /a", "oFileName = b"}),
      op("AnalyzeFile", {" iPathName : /nonexistent-kavt"}, {" Error KAVGetFileInfo", "       TypeFileOrDirectoryNotExist"},
         {"Type File = 2"}),
      op("AnalyzeFile", {" iPathName : /"}, {"     Type Directory"}, {"Type File = 1"}),
      op("CheckPathNameAccess", {" iPathName : /", " iMode : 0"}, {}, {" oLibStatus : 0"})}),
      out.Take());
  // clang-format on
}

// bash's own pattern matcher (not fnmatch) decides each generated case.
TEST_F(UtilitiesFilesTest, MatchPatternAgreesWithTheShell) {
  // clang-format off
  static const char* const kPieces[] = {"a", "b", ".", "/", "-", "*", "?",
      "[ab]", "[!a]", "[^b]", "[a-c]", "[]a]", "\\*", "\\?", "\\[", "[*]"};
  // clang-format on
  static const char kTextChars[] = "ab./-*?[]\\c";
  std::mt19937 random(4711);
  std::vector<std::pair<std::string, std::string>> cases = {{"part12.ncl", "part*.ncl"},
                                                            {"part*.ncl", "part12.ncl"}};
  while (cases.size() < 3000) {
    std::string text(random() % 6, ' '), pattern;
    for (char& c : text) c = kTextChars[random() % (sizeof kTextChars - 1)];
    for (int k = random() % 5; k > 0; --k) pattern += kPieces[random() % std::size(kPieces)];
    cases.push_back({text, pattern});
  }
  std::string input;
  for (const auto& [text, pattern] : cases) input += text + '\x01' + pattern + '\n';
  TempDir dir;
  const std::string shell =
      Capture({"bash", "-c",
               "while IFS=$'\\x01' read -r s p; do [[ $s == $p ]]; echo -n $?; done"
               " < \"$0\"",
               dir.Write("cases", input).c_str()});
  ASSERT_EQ(cases.size(), shell.size());
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(shell[i] == '0' ? 1 : 0,
              U::MatchPattern(cases[i].first.c_str(), cases[i].second.c_str()))
        << "text \"" << cases[i].first << "\" pattern \"" << cases[i].second << '"';
}

TEST_F(UtilitiesFilesTest, ListDirectoryFillsOnlyTheListsItWasGiven) {
  TempDir dir;
  dir.Write("b", "");
  dir.Write("a", "");
  mkdir((dir.Path() + "/d").c_str(), 0755);
  EXPECT_EQ((Names{"a", "b", "./", "../", "d/", "2"}), List(dir.Path()));
  // clang-format off
  // under: a path under the directory, or ""
  struct Case { unsigned long mask; const char* under; int result; Names first; } cases[] = {
      {U::kListFiles, "", 3, {"a", "b", "old"}}, {U::kListDirectories, "", 4, {".", "..", "d", "old"}},
      {0, "", 1, {"old"}}, {kBoth, "/a", -1, {"old"}}, {kBoth, "/missing", -1, {"old"}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mask) + c.under);
    // One list on the heap: a touch of a second one is an overflow that
    // the sanitizer build reports.
    auto* one = new KAVListValKAVUnicodeString[1];
    one[0].Append("old");
    const std::string path = dir.Path() + c.under;
    EXPECT_EQ(c.result, U::ListDirectory(path.c_str(), one, c.mask));
    EXPECT_EQ(c.first, Items(one[0]));
    delete[] one;
  }
  EXPECT_EQ(-1, U::ListDirectory(dir.Path().c_str(), nullptr, kBoth));
}

TEST_F(UtilitiesFilesTest, ListDirectoryAgreesWithLsAndWithStatOfEveryEntry) {
  std::mt19937 random(11);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    TempDir dir;
    Populate(dir.Path(), random);
    Names listed = List(dir.Path());
    EXPECT_EQ(List(dir.Path(), StatEveryEntry), listed);
    listed.pop_back();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(AsLsSeesIt(dir.Path()), listed);
  }
}

// Readable but not searchable: the names can be read, no entry can be
// stat-ed, so nothing is listed, exactly as if every entry were stat-ed.
// The child drops root's rights, which would let it search any directory.
TEST_F(UtilitiesFilesTest, ListDirectoryOfAnUnsearchableDirectoryListsNothing) {
  TempDir dir;
  std::mt19937 random(5);
  Populate(dir.Path(), random);
  chmod(dir.Path().c_str(), 0744);
  auto child = RunInChild({}, [&] {
    if (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 90;
    const Names nothing = {"0"};
    const bool same = List(dir.Path(), StatEveryEntry) == nothing;
    return same && List(dir.Path()) == nothing ? 0 : 1;
  });
  EXPECT_EQ(0, child.status);
}

// Each scenario runs in a child whose only children are executeshell's,
// so it can wait for them itself: the library leaves that to its caller.
TEST_F(UtilitiesFilesTest, ExecuteShellPassesTheArgumentVectorAsGiven) {
  TempDir dir;
  const std::string out = dir.Path() + "/argv";
  auto child = RunInChild({}, [&] {
    // clang-format off
    KAVUnicodeString args[] = {
        "-c", "sleep 0.2; printf '%s|' \"$0\" \"$@\" > \"$1\"", "name", out.c_str(), "*", "$HOME", "a b", "", ";ls"};
    // clang-format on
    U::executeshell("sh", 9, args);
    int status = 0;
    std::cout << (access(out.c_str(), F_OK) != 0) << (wait(&status) > 0) << WEXITSTATUS(status)
              << ' ' << ReadFile(out);
    U::executeshell("kavt-no-such-program", 0, nullptr);
    wait(&status);
    std::cout << ' ' << WIFEXITED(status) << ' ' << WEXITSTATUS(status);
    return 0;
  });
  EXPECT_EQ("110 name|" + out + "|*|$HOME|a b||;ls| 1 127", child.out);
}

TEST_F(UtilitiesFilesTest, CaptImageStripsCutsAndReturnsTheKernelCode) {
  TempDir dir;
  const std::string image = dir.Path() + "/shot.png";
  EXPECT_EQ(0, U::CaptImage(("  " + image + "  ").c_str()));
  EXPECT_EQ(  // the PNG signature, then a header of 96 x 64
      std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x60\0\0\0\x40", 24),
      ReadFile(image).substr(0, 24));
  const std::string longPath = dir.Path() + "/none/" + std::string(300, 'x');
  EXPECT_EQ(KAVSIM_IMAGE_NOT_WRITTEN, U::CaptImage(longPath.c_str()));
  Kernel::FailCall(3, 77);
  EXPECT_EQ(77, U::CaptImage(image.c_str()));
  EXPECT_EQ(Lines({"PLSGRAB \"" + image + "\" 1 -> 0",
                   "PLSGRAB \"" + longPath.substr(0, 255) + "\" 1 -> 9030",
                   "PLSGRAB \"" + image + "\" 1 -> 77"}),
            Kernel::Journal());
}

TEST_F(UtilitiesFilesTest, CaptImageTraceEndsWhateverTheCode) {
  CoutCapture out;
  Kernel::FailCall(1, 9030);
  U::CaptImage(" /x.png ");
  EXPECT_EQ(
      Block({Opening(13, "KAVMfgUtilities::CaptImage, start"),
             {"PathName  :  /x.png ", " ", "Pathname (before char) : /x.png", "ier (plsgrab) 9030"},
             Closing(10, "KAVMfgUtilities::CaptImage, end ")}),
      out.Take());
}
