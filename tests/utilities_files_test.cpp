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
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "KAVMfgUtilities.h"
#include "KAVSimCodes.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

using kavtest::Dashes;
using kavtest::Lines;
using kavtest::ReferenceKernel;
using kavtest::RunInChild;
using kavtest::TempDir;
using U = KAVMfgUtilities;

namespace {

const unsigned long kBoth = U::kListFiles | U::kListDirectories;
constexpr uid_t kNobody = 65534;

std::vector<std::string> Items(const KAVListValKAVUnicodeString& iList,
                               const char* iTag = "") {
  std::vector<std::string> items;
  for (int i = 1; i <= iList.Size(); ++i)
    items.push_back(iTag + iList[i].ToStdString());
  return items;
}

// "f name" per file then "d name" per directory, in list order, then the
// result.
std::vector<std::string> Tagged(const KAVListValKAVUnicodeString* iLists,
                                int iResult) {
  std::vector<std::string> tagged = Items(iLists[0], "f "),
                           directories = Items(iLists[1], "d ");
  tagged.insert(tagged.end(), directories.begin(), directories.end());
  tagged.push_back(std::to_string(iResult));
  return tagged;
}

std::vector<std::string> List(const std::string& iDirectory) {
  KAVListValKAVUnicodeString lists[2];
  const int result = U::ListDirectory(iDirectory.c_str(), lists, kBoth);
  return Tagged(lists, result);
}

// The walk ListDirectory promises to equal: stat every entry, then sort.
std::vector<std::string> StatEveryEntry(const std::string& iDirectory) {
  KAVListValKAVUnicodeString lists[2];
  DIR* directory = opendir(iDirectory.c_str());
  while (struct dirent* entry = directory ? readdir(directory) : nullptr) {
    struct stat info;
    if (stat((iDirectory + "/" + entry->d_name).c_str(), &info) != 0) continue;
    if (S_ISREG(info.st_mode)) lists[0].Append(entry->d_name);
    if (S_ISDIR(info.st_mode)) lists[1].Append(entry->d_name);
  }
  if (directory) closedir(directory);
  lists[1].QuickSort(U::CompareStrings);
  lists[0].QuickSort(U::CompareStrings);
  return Tagged(lists, directory ? lists[0].Size() : -1);
}

std::string Capture(const std::string& iCommand) {
  std::string out;
  FILE* pipe = popen(iCommand.c_str(), "r");
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.append(buffer, n);
  if (pipe) pclose(pipe);
  return out;
}

// The directory as ls sees it with links followed, tagged and sorted by
// bytes: "/" ends a directory, "@" a name it could not stat, "|" a fifo.
std::vector<std::string> AsLsSeesIt(const std::string& iDirectory) {
  const std::string out =
      Capture("LC_ALL=C ls -aL --zero --indicator-style=file-type '" +
              iDirectory + "' 2>/dev/null");
  std::vector<std::string> tagged;
  for (size_t start = 0, end;
       (end = out.find('\0', start)) != std::string::npos; start = end + 1) {
    const std::string name = out.substr(start, end - start);
    if (name.back() == '/')
      tagged.push_back("d " + name.substr(0, name.size() - 1));
    else if (name.back() != '@' && name.back() != '|')
      tagged.push_back("f " + name);
  }
  std::sort(tagged.begin(), tagged.end());
  return tagged;
}

// A directory of every kind of entry ListDirectory must tell apart, with
// names that use bytes 0x80 and above and names that are prefixes of each
// other (where the comparison is not a strict ordering).
void Populate(const std::string& iDirectory, std::mt19937& ioRandom) {
  auto randomName = [&]() {
    static const char kChars[] = "abAB_.-~ 0\x7f\x80\xc8\xff";
    std::string name(1 + ioRandom() % 4, 'a');
    for (char& c : name) c = kChars[ioRandom() % (sizeof kChars - 1)];
    return name == "." || name == ".." ? name + "x" : name;
  };
  close(open((iDirectory + "/target").c_str(), O_CREAT | O_EXCL | O_WRONLY,
             0644));
  for (int i = 0; i < 40; ++i) {
    const std::string name = randomName();
    const std::string path = iDirectory + "/" + name;
    switch (ioRandom() % 8) {
      case 0:
        mkdir(path.c_str(), 0755);
        break;
      case 1:
        symlink(".", path.c_str());
        break;  // to a directory
      case 2:
        symlink("missing-target", path.c_str());
        break;  // dangling
      case 3:
        symlink(name.c_str(), path.c_str());
        break;  // loop
      case 4:
        mkfifo(path.c_str(), 0644);
        break;
      case 5:
        symlink("target", path.c_str());
        break;  // to a file
      default:
        close(open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644));
    }
    // A name that continues another with a byte of 0x80 and above.
    if (ioRandom() % 4 == 0)
      close(open((path + "\xc8").c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644));
  }
}

// The child drops root's rights, which would let it search any directory.
void BecomeNobody() {
  if (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
    _exit(90);
}

}  // namespace

class UtilitiesFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ReferenceKernel::Reset(); }
};

TEST_F(UtilitiesFilesTest, ExpandPathReplacesWholeDollarComponents) {
  setenv("KAVT_HOME", "/home/u", 1);
  setenv("KAVT_A", "x/$KAVT_HOME", 1);
  unsetenv("KAVT_UNSET");
  struct Case {
    const char *path, *expanded;
  } cases[] = {
      {"$KAVT_HOME/data", "/home/u/data"},
      {"/opt/$KAVT_UNSET/x", "/opt//x"},
      {"/a$KAVT_HOME/b", "/a$KAVT_HOME/b"},  // "$" inside a component stays
      {"/$KAVT_HOME/$KAVT_HOME",
       "//home/u//home/u"},         // every occurrence at once
      {"$KAVT_A", "x/$KAVT_HOME"},  // values are not expanded again
      {"", ""},
      {"//", "//"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.expanded, U::ExpandPath(c.path).ToStdString());
  }
  EXPECT_EQ(0, U::PutEnv("KAVT_PUT", "v=1"));
  EXPECT_EQ("v=1", U::GetEnv("KAVT_PUT").ToStdString());
}

TEST_F(UtilitiesFilesTest, AppendDirJoinsCleansAndClimbs) {
  struct Case {
    const char *path, *dir, *result;
  } cases[] = {
      {"/a/b/", "c", "/a/b/c"},  {"/a/b", "..", "/a"},      {"/a", "..", ""},
      {"a", "..", ""},           {"/a/b//", " ./", "/a/b"}, {"  /a/", "", "/a"},
      {"/a", " /c/", "/a/ /c/"}, {"/a/b", "/../", "/a"},    {"", "c", "/c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " + " + c.dir);
    KAVUnicodeString path = c.path;
    U::AppendDir(path, c.dir);
    EXPECT_EQ(c.result, path.ToStdString());
  }
}

// Access is asked for execution: root is granted reading and writing
// anything, but not executing a file without an execute bit.
TEST_F(UtilitiesFilesTest, FileKindsOnTheirTwoScalesAndAccess) {
  TempDir dir;
  const std::string file = dir.Write("f", "x");
  symlink("f", (dir.Path() + "/lf").c_str());
  symlink("gone", (dir.Path() + "/dangling").c_str());
  struct Case {
    std::string path;
    int exist, analyze, execute;
  } cases[] = {{dir.Path(), 2, 1, 0},
               {file, 1, 0, -1},
               {dir.Path() + "/lf", 1, 0, -1},
               {dir.Path() + "/dangling", 0, 2, -1},
               {"", 0, 2, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.exist, U::IsFileExist(c.path.c_str()));
    EXPECT_EQ(c.analyze, U::AnalyzeFile(c.path.c_str()));
    EXPECT_EQ(c.execute, U::CheckPathNameAccess(c.path.c_str(), X_OK));
  }
}

TEST_F(UtilitiesFilesTest, SplitPathNameCutsOverLongPaths) {
  const std::string longDir(300, 'd');
  struct Case {
    std::string path, dir, file;
  } cases[] = {
      {" /a/ b ", " /a", " b "},  // as written: nothing stripped
      {"/" + longDir + "/f", "/", longDir.substr(0, 254)},
      {std::string(250, 'x') + "/abcdefgh", std::string(250, 'x'), "abcd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 20));
    KAVUnicodeString dir = "stale", file = "stale";
    U::SplitPathName(c.path.c_str(), dir, file);
    EXPECT_EQ(c.dir, dir.ToStdString());
    EXPECT_EQ(c.file, file.ToStdString());
  }
}

TEST_F(UtilitiesFilesTest, TraceOfTheFileHelpers) {
  kavtest::CoutCapture out;
  KAVUnicodeString dir, file;
  U::SplitPathName("/a/b", dir, file);
  U::AnalyzeFile("/nonexistent-kavt");
  U::CheckPathNameAccess("/", F_OK);
  EXPECT_EQ(Lines({" ",
                   Dashes(39),
                   "KAVMfgUtilities::SplitPathName, start",
                   " iPathName : /a/b",
                   Dashes(39),
                   " ",
                   " ",
                   Dashes(39),
                   "oDirPath  = /a",
                   "oFileName = b",
                   "KAVMfgUtilities::SplitPathName, end",
                   Dashes(39),
                   " ",
                   " ",
                   Dashes(39),
                   "KAVMfgUtilities::AnalyzeFile, start",
                   " iPathName : /nonexistent-kavt",
                   Dashes(39),
                   " ",
                   " Error KAVGetFileInfo",
                   "       TypeFileOrDirectoryNotExist",
                   " ",
                   Dashes(39),
                   "Type File = 2",
                   "KAVMfgUtilities::AnalyzeFile, end",
                   Dashes(39),
                   " ",
                   " ",
                   Dashes(39),
                   "KAVMfgUtilities::CheckPathNameAccess, start",
                   " iPathName : /",
                   " iMode : 0",
                   Dashes(39),
                   " ",
                   " ",
                   Dashes(39),
                   " oLibStatus : 0",
                   "KAVMfgUtilities::CheckPathNameAccess, end",
                   Dashes(39),
                   " "}),
            out.Take());
}

// bash's own pattern matcher (not fnmatch) decides each generated case.
TEST_F(UtilitiesFilesTest, MatchPatternAgreesWithTheShell) {
  static const char* const kPieces[] = {
      "a",    "b",    ".",     "/",    "-",   "*",   "?",   "[ab]",
      "[!a]", "[^b]", "[a-c]", "[]a]", "\\*", "\\?", "\\[", "[*]"};
  static const char kTextChars[] = "ab./-*?[]\\c";
  std::mt19937 random(4711);
  TempDir dir;
  std::vector<std::pair<std::string, std::string>> cases = {
      {"part12.ncl", "part*.ncl"}, {"part*.ncl", "part12.ncl"}};
  for (int i = 0; i < 3000; ++i) {
    std::string text, pattern;
    for (int k = random() % 6; k > 0; --k)
      text += kTextChars[random() % (sizeof kTextChars - 1)];
    for (int k = random() % 5; k > 0; --k)
      pattern += kPieces[random() % std::size(kPieces)];
    cases.push_back({text, pattern});
  }
  std::string input;
  for (const auto& c : cases) input += c.first + '\x01' + c.second + '\n';
  const std::string inputFile = dir.Write("cases", input);
  const std::string script = dir.Write(
      "match.sh",
      "while IFS=$'\\x01' read -r s p; do if [[ $s == $p ]]; then echo -n 1; "
      "else echo -n 0; fi; done < '" +
          inputFile + "'\n");
  const std::string shell = Capture("LC_ALL=C bash '" + script + "'");
  ASSERT_EQ(cases.size(), shell.size());
  EXPECT_EQ('1', shell[0]);
  EXPECT_EQ('0', shell[1]);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("text \"" + cases[i].first + "\" pattern \"" +
                 cases[i].second + "\"");
    EXPECT_EQ(shell[i] - '0',
              U::MatchPattern(cases[i].first.c_str(), cases[i].second.c_str()));
  }
}

TEST_F(UtilitiesFilesTest, ListDirectoryFillsOnlyTheListsItWasGiven) {
  TempDir dir;
  dir.Write("b", "");
  dir.Write("a", "");
  mkdir((dir.Path() + "/d").c_str(), 0755);
  EXPECT_EQ((std::vector<std::string>{"f a", "f b", "d .", "d ..", "d d", "2"}),
            List(dir.Path()));
  struct Case {
    unsigned long mask;
    int result;
    std::vector<std::string> first;
  } cases[] = {{U::kListFiles, 3, {"a", "b", "old"}},
               {U::kListDirectories, 4, {".", "..", "d", "old"}},
               {0, 1, {"old"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    // One list on the heap: a touch of a second one is an overflow that
    // the sanitizer build reports.
    auto* one = new KAVListValKAVUnicodeString[1];
    one[0].Append("old");
    EXPECT_EQ(c.result, U::ListDirectory(dir.Path().c_str(), one, c.mask));
    EXPECT_EQ(c.first, Items(one[0]));
    delete[] one;
  }
  KAVListValKAVUnicodeString untouched[2];
  untouched[0].Append("keep");
  EXPECT_EQ(-1,
            U::ListDirectory((dir.Path() + "/a").c_str(), untouched, kBoth));
  EXPECT_EQ(-1, U::ListDirectory((dir.Path() + "/missing").c_str(), untouched,
                                 kBoth));
  EXPECT_EQ((std::vector<std::string>{"keep"}), Items(untouched[0]));
}

TEST_F(UtilitiesFilesTest, ListDirectoryAgreesWithLsAndWithStatOfEveryEntry) {
  std::mt19937 random(11);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    TempDir dir;
    Populate(dir.Path(), random);
    std::vector<std::string> listed = List(dir.Path());
    EXPECT_EQ(StatEveryEntry(dir.Path()), listed);
    listed.pop_back();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(AsLsSeesIt(dir.Path()), listed);
  }
}

// Readable but not searchable: the names can be read, no entry can be
// stat-ed, so nothing is listed, exactly as if every entry were stat-ed.
TEST_F(UtilitiesFilesTest, ListDirectoryOfAnUnsearchableDirectoryListsNothing) {
  TempDir dir;
  std::mt19937 random(5);
  Populate(dir.Path(), random);
  chmod(dir.Path().c_str(), 0744);
  auto child = RunInChild({}, [&] {
    BecomeNobody();
    return List(dir.Path()) == std::vector<std::string>{"0"} &&
                   StatEveryEntry(dir.Path()) == std::vector<std::string>{"0"}
               ? 0
               : 1;
  });
  EXPECT_EQ(0, child.status);
}

// Each scenario runs in a child whose only children are executeshell's,
// so it can wait for them itself: the library leaves that to its caller.
TEST_F(UtilitiesFilesTest, ExecuteShellPassesTheArgumentVectorAsGiven) {
  TempDir dir;
  const std::string out = dir.Path() + "/argv";
  auto child = RunInChild({}, [&] {
    KAVUnicodeString args[] = {
        "-c",   "sleep 0.2; printf '%s|' \"$0\" \"$@\" > \"$1\"",
        "name", out.c_str(),
        "*",    "$HOME",
        "a b",  "",
        ";ls"};
    const int count = 9;
    U::executeshell("sh", count, args);
    const bool early = access(out.c_str(), F_OK) != 0;
    int status = 0;
    const pid_t waited = wait(&status);
    std::cout << early << ' ' << (waited > 0) << ' ' << WEXITSTATUS(status)
              << ' ' << kavtest::ReadFile(out);
    const int none = 0;
    U::executeshell("kavt-no-such-program", none, nullptr);
    wait(&status);
    std::cout << ' ' << WIFEXITED(status) << ' ' << WEXITSTATUS(status);
    return 0;
  });
  EXPECT_EQ("1 1 0 name|" + out + "|*|$HOME|a b||;ls| 1 127", child.out);
}

TEST_F(UtilitiesFilesTest, CaptImageStripsCutsAndReturnsTheKernelCode) {
  TempDir dir;
  const std::string image = dir.Path() + "/shot.png";
  EXPECT_EQ(0, U::CaptImage(("  " + image + "  ").c_str()));
  const std::string png = kavtest::ReadFile(image);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(
      std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x60\0\0\0\x40", 24),
      png.substr(0, 24));
  EXPECT_EQ("PLSGRAB \"" + image + "\" 1 -> 0\n", ReferenceKernel::Journal());

  const std::string longPath = dir.Path() + "/none/" + std::string(300, 'x');
  ReferenceKernel::ClearJournal();
  EXPECT_EQ(KAVSIM_IMAGE_NOT_WRITTEN, U::CaptImage(longPath.c_str()));
  EXPECT_EQ("PLSGRAB \"" + longPath.substr(0, 255) + "\" 1 -> 9030\n",
            ReferenceKernel::Journal());
  ReferenceKernel::FailCall(3, 77);
  EXPECT_EQ(77, U::CaptImage(image.c_str()));
  EXPECT_EQ(0, KAVMfgUtilities::IsUNIXAllowed);
}

TEST_F(UtilitiesFilesTest, CaptImageTraceEndsWhateverTheCode) {
  kavtest::CoutCapture out;
  ReferenceKernel::FailCall(1, 9030);
  U::CaptImage(" /x.png ");
  EXPECT_EQ(
      Lines({" ", Dashes(13), "KAVMfgUtilities::CaptImage, start", Dashes(13),
             "PathName  :  /x.png ", " ", "Pathname (before char) : /x.png",
             "ier (plsgrab) 9030", " ", Dashes(10),
             "KAVMfgUtilities::CaptImage, end ", Dashes(10), " "}),
      out.Take());
}
