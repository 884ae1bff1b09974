// Tests of libKAVPlatform: the range, search, replace and strip rules of
// KAVUnicodeString, 1-based lists and collections, a sort that survives an
// inconsistent comparison, the tokenizer, path splitting and the settings
// store.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgSetting.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVSystemServices.h"
#include "KAVToken.h"
#include "KAVUnicodeString.h"

namespace {

std::string Str(const KAVUnicodeString& iText) { return iText.ToStdString(); }

std::string Streamed(const KAVListValKAVUnicodeString& iList) {
  std::ostringstream out;
  out << iList;
  return out.str();
}

KAVListValKAVUnicodeString ListOf(const std::vector<std::string>& iItems) {
  KAVListValKAVUnicodeString list;
  for (const std::string& item : iItems) list.Append(KAVUnicodeString(item));
  return list;
}

std::vector<std::string> ItemsOf(const KAVListValKAVUnicodeString& iList) {
  std::vector<std::string> items;
  for (int i = 1; i <= iList.Size(); ++i) items.push_back(Str(iList[i]));
  return items;
}

// The byte comparison the wrapper library sorts directory names with: bytes
// as signed values, the terminator taking part, and -1 whenever the first
// text has ended. "ab" and "ab\xC8" are each "before" the other.
int SignedByteCompare(KAVUnicodeString* iFirst, KAVUnicodeString* iSecond) {
  const char* a = iFirst->CastToCharPtr();
  const char* b = iSecond->CastToCharPtr();
  const int la = iFirst->GetLengthInChar();
  const int lb = iSecond->GetLengthInChar();
  for (int i = 0; i <= std::min(la, lb); ++i) {
    if (a[i] == b[i]) continue;
    if (i == la) return -1;
    return static_cast<signed char>(a[i]) < static_cast<signed char>(b[i]) ? -1
                                                                           : 1;
  }
  return 0;
}

int AlwaysBefore(KAVUnicodeString*, KAVUnicodeString*) { return -1; }

int AscendingBytes(KAVUnicodeString* iFirst, KAVUnicodeString* iSecond) {
  if (*iFirst < *iSecond) return -1;
  return *iSecond < *iFirst ? 1 : 0;
}

// Orders by the first character only, so stability is visible.
int FirstCharOnly(KAVUnicodeString* iFirst, KAVUnicodeString* iSecond) {
  const char a = (*iFirst)[0], b = (*iSecond)[0];
  return a < b ? -1 : (a > b ? 1 : 0);
}

std::mt19937 gRandom(4711);
long gCompareCalls = 0;
int RandomAnswer(KAVUnicodeString*, KAVUnicodeString*) {
  ++gCompareCalls;
  return static_cast<int>(gRandom() % 3) - 1;
}

}  // namespace

// ---------------------------------------------------------------- strings

TEST(PlatformStringTest, ConstructionKeepsExactlyTheGivenBytes) {
  const char bytes[] = {'a', '\0', static_cast<char>(0xC8), 'z'};
  struct Case {
    const char* name;
    KAVUnicodeString text;
    std::string expected;
  } cases[] = {
      {"null C string", KAVUnicodeString(nullptr), ""},
      {"null with length", KAVUnicodeString(nullptr, 4), ""},
      {"negative length", KAVUnicodeString("abc", -1), ""},
      {"zero length", KAVUnicodeString("abc", 0), ""},
      {"prefix", KAVUnicodeString("abcdef", 3), "abc"},
      {"NUL and high byte kept", KAVUnicodeString(bytes, 4),
       std::string(bytes, 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, Str(c.text));
    EXPECT_EQ(static_cast<int>(c.expected.size()), c.text.GetLengthInChar());
  }
  KAVUnicodeString assigned("x");
  assigned = static_cast<const char*>(nullptr);
  EXPECT_EQ("", Str(assigned));
}

TEST(PlatformStringTest, RangesAreCutToTheString) {
  struct Case {
    int start, length;
    std::string sub, removed;
  } cases[] = {
      {0, 3, "abc", "def"},
      {2, 2, "cd", "abef"},
      {4, 10, "ef", "abcd"},
      {-2, 4, "ab", "cdef"},
      {6, 1, "", "abcdef"},
      {9, 2, "", "abcdef"},
      {1, 0, "", "abcdef"},
      {1, -3, "", "abcdef"},
      {-5, -1, "", "abcdef"},
      {0, 2147483647, "abcdef", ""},
      {2147483647, 2147483647, "", "abcdef"},
  };
  const KAVUnicodeString text("abcdef");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + "," + std::to_string(c.length));
    EXPECT_EQ(c.sub, Str(text.SubString(c.start, c.length)));
    KAVUnicodeString copy(text);
    EXPECT_EQ(c.removed, Str(copy.Remove(c.start, c.length)));
  }
}

TEST(PlatformStringTest, InsertClampsItsPosition) {
  struct Case {
    int position;
    std::string expected;
  } cases[] = {
      {0, "XYabc"}, {1, "aXYbc"}, {3, "abcXY"}, {-4, "XYabc"}, {99, "abcXY"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    KAVUnicodeString text("abc");
    EXPECT_EQ(c.expected, Str(text.Insert(c.position, "XY")));
  }
}

TEST(PlatformStringTest, SearchesGiveThePositionOrMinusOne) {
  struct Case {
    const char *text, *pattern;
    int start, mode, expected;
  } cases[] = {
      {"abcabc", "bc", 0, 1, 1},   {"abcabc", "bc", 2, 1, 4},
      {"abcabc", "bc", 5, 1, -1},  {"abcabc", "bc", -7, 1, 1},
      {"abcabc", "x", 0, 1, -1},   {"abcabc", "", 3, 1, 3},
      {"abcabc", "", 6, 1, 6},     {"abcabc", "", 7, 1, -1},
      {"abc", "abcd", 0, 1, -1},   {"", "", 0, 1, 0},
      {"abcabc", "bc", 6, -1, 4},  {"abcabc", "bc", 3, -1, 1},
      {"abcabc", "bc", 0, -1, -1}, {"abcabc", "bc", -1, -1, -1},
      {"abcabc", "bc", 0, 7, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + "/" + c.pattern + "/" +
                 std::to_string(c.start) + "/" + std::to_string(c.mode));
    const KAVUnicodeString text(c.text);
    EXPECT_EQ(c.expected, text.SearchSubString(c.pattern, c.start, c.mode));
    if (c.mode == KAVSearchForward) {
      EXPECT_EQ(c.expected, text.FindPosition(c.pattern, c.start));
    }
  }
}

TEST(PlatformStringTest, ReplaceSubStringReplacesEveryOccurrenceOnce) {
  struct Case {
    const char *name, *text, *oldText, *newText, *expected;
  } cases[] = {
      {"every occurrence", "/opt/$X/$X", "$X", "v", "/opt/v/v"},
      {"by nothing", "/opt/$UNSET/x", "$UNSET", "", "/opt//x"},
      {"overlapping counts once", "aaa", "aa", "b", "ba"},
      {"new holds old", "ab", "a", "aa", "aab"},
      {"empty pattern", "abc", "", "X", "abc"},
      {"absent", "abc", "z", "X", "abc"},
      {"whole text", "abc", "abc", "", ""},
      {"high bytes", "\xC8-\xC8", "\xC8", "e", "e-e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KAVUnicodeString text(c.text);
    EXPECT_EQ(c.expected, Str(text.ReplaceSubString(c.oldText, c.newText)));
  }
  KAVUnicodeString self("abab");
  self.ReplaceSubString(self, KAVUnicodeString("x"));
  EXPECT_EQ("x", Str(self));
}

TEST(PlatformStringTest, StripRemovesTheCharacterAtTheChosenEnds) {
  struct Case {
    int mode;
    const char *text, *expected;
  } cases[] = {
      {KAVStripLeading, "  a b  ", "a b  "},
      {KAVStripTrailing, "  a b  ", "  a b"},
      {KAVStripBoth, "  a b  ", "a b"},
      {KAVStripBoth, "    ", ""},
      {KAVStripLeading, "    ", ""},
      {KAVStripBoth, "", ""},
      {0, "  a  ", "  a  "},
      {4, "  a  ", "  a  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + "[" + c.text + "]");
    const KAVUnicodeString text(c.text);
    EXPECT_EQ(c.expected, Str(text.Strip(c.mode, ' ')));
    EXPECT_EQ(c.text, Str(text));
  }
  EXPECT_EQ("a\"b",
            Str(KAVUnicodeString("\"\"a\"b\"").Strip(KAVStripBoth, '"')));
}

TEST(PlatformStringTest, ResizeCutsOrPadsOnTheRight) {
  struct Case {
    int length;
    const char* expected;
  } cases[] = {{5, "abc.."}, {3, "abc"}, {1, "a"}, {0, ""}, {-2, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    KAVUnicodeString text("abc");
    EXPECT_EQ(c.expected, Str(text.Resize(c.length, '.', 1)));
  }
}

TEST(PlatformStringTest, CaseChangeIsAsciiOnly) {
  KAVUnicodeString text("aZ\xE9\xC9-9");
  EXPECT_EQ("AZ\xE9\xC9-9", Str(KAVUnicodeString(text).ToUpper()));
  EXPECT_EQ("az\xE9\xC9-9", Str(text.ToLower()));
}

TEST(PlatformStringTest, ComparisonConcatenationAndOutput) {
  const KAVUnicodeString abc("abc");
  const char* none = nullptr;
  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE("abc" == abc);
  EXPECT_TRUE(abc != "ABC");
  EXPECT_TRUE(KAVUnicodeString() == none);
  EXPECT_TRUE(abc != none);
  EXPECT_TRUE(KAVUnicodeString("a\0b", 3) != KAVUnicodeString("a\0c", 3));
  EXPECT_TRUE(KAVUnicodeString("z") < KAVUnicodeString("\xC8"));
  EXPECT_EQ("xabcy.", Str("x" + abc + "y" + '.'));
  EXPECT_EQ("abc", Str(abc + none));
  EXPECT_EQ('b', abc[1]);
  EXPECT_EQ('\0', abc[3]);
  EXPECT_EQ('\0', abc[-1]);
  EXPECT_EQ('c', abc[std::size_t{2}]);
  EXPECT_STREQ("abc", abc.ConvertToChar());
  EXPECT_STREQ("abc", static_cast<const char*>(abc));

  std::ostringstream out;
  out << KAVUnicodeString("a\0b", 3) << '|' << KAVUnicodeChar('c');
  EXPECT_EQ(std::string("a\0b|c", 5), out.str());
}

// ------------------------------------------------------------------ lists

TEST(PlatformListTest, PositionsCountFromOneAndOutsideIsHarmless) {
  KAVListValKAVUnicodeString list = ListOf({"a", "b"});
  EXPECT_EQ("a", Str(list[1]));
  EXPECT_EQ("b", Str(list[2]));
  for (int outside : {0, -1, 3, 1000}) {
    SCOPED_TRACE(outside);
    EXPECT_EQ(
        "", Str(static_cast<const KAVListValKAVUnicodeString&>(list)[outside]));
    list[outside] = "written";
    EXPECT_EQ("", Str(list[outside]));
  }
  list[2] = "c";
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), ItemsOf(list));
}

TEST(PlatformListTest, AppendLocateRemove) {
  KAVListValKAVUnicodeString list(100);
  EXPECT_EQ(0, list.Size());
  list.Append(KAVUnicodeString("x"));
  list.Append(ListOf({"y", "x"}));
  list.Append(list);
  EXPECT_EQ((std::vector<std::string>{"x", "y", "x", "x", "y", "x"}),
            ItemsOf(list));
  list.Append(list[1]);
  EXPECT_EQ(7, list.Size());

  struct Case {
    const char* item;
    int from, expected;
  } cases[] = {{"x", 1, 1},  {"y", 1, 2}, {"x", 2, 3}, {"y", 3, 5},
               {"x", -4, 1}, {"z", 1, 0}, {"x", 8, 0}, {"X", 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + std::to_string(c.from));
    EXPECT_EQ(c.expected, list.Locate(c.item, c.from));
  }

  list.RemovePosition(2);
  list.RemovePosition(0);
  list.RemovePosition(99);
  EXPECT_EQ(6, list.Size());
  list.RemoveAll(KAVCollec::ReleaseMemory);
  EXPECT_EQ(0, list.Size());
  list.Append(KAVUnicodeString("again"));
  list.RemoveAll(0);
  EXPECT_EQ(0, list.Size());
  EXPECT_EQ("", Streamed(list));
}

TEST(PlatformListTest, StreamsItemsSeparatedByBlanks) {
  EXPECT_EQ("DIAM LENGTH  X", Streamed(ListOf({"DIAM", "LENGTH", "", "X"})));
}

TEST(PlatformListTest, QuickSortOrdersAndIsStable) {
  KAVListValKAVUnicodeString list =
      ListOf({"b1", "a1", "c", "b2", "a2", "a3", "b3"});
  list.QuickSort(FirstCharOnly);
  EXPECT_EQ((std::vector<std::string>{"a1", "a2", "a3", "b1", "b2", "b3", "c"}),
            ItemsOf(list));
  list.QuickSort(nullptr);
  EXPECT_EQ(7, list.Size());

  KAVListValKAVUnicodeString names = ListOf({"d", "..", "a", ".", "B"});
  names.QuickSort(SignedByteCompare);
  EXPECT_EQ((std::vector<std::string>{".", "..", "B", "a", "d"}),
            ItemsOf(names));
}

// An inconsistent comparison may give any order, but the sort must end,
// keep every item exactly once and stay inside the list (ASan watches).
TEST(PlatformListTest, QuickSortSurvivesInconsistentComparisons) {
  std::vector<std::string> items;
  for (int i = 0; i < 3000; ++i) {
    std::string item = "ab";
    for (int k = i % 4; k > 0; --k) item += static_cast<char>(0x80 + i % 100);
    if (i % 7 == 0) item = std::to_string(i);
    items.push_back(item);
  }
  struct Case {
    const char* name;
    KAVCompareFunction compare;
  } cases[] = {{"signed bytes", SignedByteCompare},
               {"always before", AlwaysBefore},
               {"random answers", RandomAnswer}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KAVListValKAVUnicodeString list = ListOf(items);
    gCompareCalls = 0;
    list.QuickSort(c.compare);
    std::vector<std::string> sorted = ItemsOf(list), expected = items;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted);
    EXPECT_LE(gCompareCalls, 3000L * 12);
  }

  KAVListValKAVUnicodeString pair = ListOf({"ab\xC8", "ab"});
  pair.QuickSort(SignedByteCompare);
  EXPECT_EQ((std::vector<std::string>{"ab", "ab\xC8"}), ItemsOf(pair));
}

TEST(PlatformListTest, QuickSortMatchesAReferenceSortOnLargeInput) {
  std::vector<std::string> items;
  for (int i = 0; i < 20000; ++i)
    items.push_back("N" + std::to_string((i * 7919) % 20011));
  KAVListValKAVUnicodeString list = ListOf(items);
  list.QuickSort(AscendingBytes);
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, ItemsOf(list));
}

// ------------------------------------------------------------ collections

TEST(PlatformCollectionTest, IntAndDoubleArraysCountFromOne) {
  KAVRawCollint ints(3);
  EXPECT_EQ(3, ints.Size());
  EXPECT_EQ(0, ints[3]);
  ints[1] = 7;
  ints.Append(9);
  ints.Append(ints);
  EXPECT_EQ(8, ints.Size());
  EXPECT_EQ(7, ints[5]);
  EXPECT_EQ(9, ints[8]);
  for (int outside : {0, -1, 9}) {
    ints[outside] = 5;
    EXPECT_EQ(0, static_cast<const KAVRawCollint&>(ints)[outside]);
  }
  std::ostringstream out;
  out << KAVRawCollint(0) << '|' << ints;
  EXPECT_EQ("|7 0 0 9 7 0 0 9", out.str());
  ints.RemoveAll(1);
  EXPECT_EQ(0, ints.Size());
  EXPECT_EQ(0, KAVRawCollint(-5).Size());

  KAVRawColldouble reals(0);
  reals.Append(1.5);
  reals.Append(KAVRawColldouble(2));
  EXPECT_EQ(3, reals.Size());
  EXPECT_DOUBLE_EQ(1.5, reals[1]);
  EXPECT_DOUBLE_EQ(0.0, reals[3]);
  EXPECT_DOUBLE_EQ(0.0, reals[4]);
  KAVRawColldouble copy(reals);
  reals.RemoveAll(KAVCollec::ReleaseMemory);
  EXPECT_EQ(0, reals.Size());
  EXPECT_EQ(3, copy.Size());
}

// ---------------------------------------------------- tokens and services

TEST(PlatformServicesTest, TokensSkipEmptyComponents) {
  struct Case {
    const char *text, *separators;
    std::vector<std::string> tokens;
  } cases[] = {
      {"$HOME/data", "/", {"$HOME", "data"}},
      {"/opt//$X/x/", "/", {"opt", "$X", "x"}},
      {"///", "/", {}},
      {"", "/", {}},
      {"a,b;c", ",;", {"a", "b", "c"}},
      {"a/b", "", {"a/b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    KAVToken token(c.text);
    std::vector<std::string> tokens;
    for (KAVUnicodeString t = token.GetNextToken(c.separators);
         t.GetLengthInChar() > 0 && tokens.size() < 10;
         t = token.GetNextToken(c.separators))
      tokens.push_back(Str(t));
    EXPECT_EQ(c.tokens, tokens);
    EXPECT_EQ("", Str(token.GetNextToken(c.separators)));
  }
}

TEST(PlatformServicesTest, SplitPathAtTheLastSlash) {
  struct Case {
    const char *path, *dir, *file;
  } cases[] = {
      {"/a/b/c.txt", "/a/b", "c.txt"},
      {"c.txt", "", "c.txt"},
      {"/c.txt", "/", "c.txt"},
      {"/a/b/", "/a/b", ""},
      {"a//b", "a", "b"},
      {"/", "/", ""},
      {"//x", "/", "x"},
      {"", "", ""},
      {" a /b ", " a ", "b "},
      {"../x", "..", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    char dir[256], file[256];
    std::fill(dir, dir + 256, ' ');
    std::fill(file, file + 256, ' ');
    EXPECT_EQ(0, KAVSplitPath(c.path, dir, file));
    EXPECT_STREQ(c.dir, dir);
    EXPECT_STREQ(c.file, file);
  }
  char dir[256] = "x", file[256] = "y";
  EXPECT_EQ(-1, KAVSplitPath(nullptr, dir, file));
  EXPECT_STREQ("", dir);
  EXPECT_STREQ("", file);

  // Only the first 255 characters are read, terminator or not.
  std::vector<char> longPath(400, 'p');
  longPath[10] = '/';
  EXPECT_EQ(0, KAVSplitPath(longPath.data(), dir, file));
  EXPECT_EQ(10u, std::string(dir).size());
  EXPECT_EQ(244u, std::string(file).size());
}

TEST(PlatformServicesTest, FileInfoTellsExistenceAndKind) {
  struct stat info;
  info.st_mode = 0;
  EXPECT_EQ(0, KAVGetFileInfo("/", &info));
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(-1, KAVGetFileInfo("/no/such/path/kav", &info));
  EXPECT_EQ(-1, KAVGetFileInfo(nullptr, &info));
  EXPECT_EQ(0, KAVGetFileInfo("/", nullptr));
}

// --------------------------------------------------------------- settings

class PlatformSettingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kavsettingsXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    _dir = pattern;
    setenv("KAVUserSettingPath", _dir.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KAVUserSettingPath");
    std::remove((_dir + "/MFGPROG.txt").c_str());
    rmdir(_dir.c_str());
  }
  void WriteGroup(const std::string& iText) {
    std::ofstream(_dir + "/MFGPROG.txt") << iText;
  }
  std::string _dir;
};

TEST_F(PlatformSettingTest, ReadsIntsAndLeavesTheCellAloneOtherwise) {
  WriteGroup(
      "# programming tab\n"
      "KAVMfgPoPg2TabPage.HLTPARTS = 1\n"
      "  KAVMfgPoPg2TabPage.HLTCHECK\t=\t-12  \r\n"
      "KAVMfgPoPg2TabPage.HLTRELIM=3\n"
      "KAVMfgPoPg2TabPage.HLTRELIM=4\n"
      "KAVMfgPoPg2TabPage.HLTDRIVE = yes\n"
      "KAVMfgPoPg2TabPage.HLTMACRO = 99999999999\n"
      "KAVMfgPoPg2TabPage.HLTSMART = 1 2\n"
      "no equal sign here\n"
      "\n");
  struct Case {
    const char *key, *group;
    int status, value;
  } cases[] = {
      {"KAVMfgPoPg2TabPage.HLTPARTS", "MFGPROG", 0, 1},
      {"KAVMfgPoPg2TabPage.HLTCHECK", "MFGPROG", 0, -12},
      {"KAVMfgPoPg2TabPage.HLTRELIM", "MFGPROG", 0, 4},
      {"KAVMfgPoPg2TabPage.HLTDRIVE", "MFGPROG", 2, 777},
      {"KAVMfgPoPg2TabPage.HLTMACRO", "MFGPROG", 2, 777},
      {"KAVMfgPoPg2TabPage.HLTSMART", "MFGPROG", 2, 777},
      {"kavmfgpopg2tabpage.hltparts", "MFGPROG", 1, 777},
      {"KAVMfgPoPg2TabPage.HLTPARTS", "OTHER", 1, 777},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "/" + c.group);
    int cell = 777;
    EXPECT_EQ(c.status, KAVMfgSetting::ReadSetting(c.key, &cell, c.group));
    EXPECT_EQ(c.value, cell);
  }
  EXPECT_EQ(KAVMfgSetting::SettingNoCell,
            KAVMfgSetting::ReadSetting("KAVMfgPoPg2TabPage.HLTPARTS", nullptr,
                                       "MFGPROG"));
}

TEST_F(PlatformSettingTest, DefaultStoreIsUnderHome) {
  unsetenv("KAVUserSettingPath");
  const char* home = std::getenv("HOME");
  const bool hadHome = home != nullptr;
  const std::string savedHome = hadHome ? home : "";
  if (!savedHome.empty()) {
    EXPECT_EQ(savedHome + "/.kavsettings",
              Str(KAVMfgSetting::GetStoreDirectory()));
  }
  setenv("KAVUserSettingPath", "", 1);
  unsetenv("HOME");
  EXPECT_EQ("", Str(KAVMfgSetting::GetStoreDirectory()));
  int cell = 5;
  EXPECT_EQ(KAVMfgSetting::SettingMissing,
            KAVMfgSetting::ReadSetting("K", &cell, "MFGPROG"));
  EXPECT_EQ(5, cell);
  if (hadHome) setenv("HOME", savedHome.c_str(), 1);
}
