// Tests of libKAVPlatform: the range, search, replace and strip rules of
// KAVUnicodeString, 1-based lists and collections, a sort that survives an
// inconsistent comparison, the tokenizer, path splitting and the settings
// store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgSetting.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVSystemServices.h"
#include "KAVToken.h"
#include "KAVUnicodeString.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;

std::string Str(const KAVUnicodeString& iText) { return iText.ToStdString(); }

// The byte comparison the wrapper library sorts directory names with: bytes
// as signed values, the terminator taking part, and -1 whenever the first
// text has ended. "ab" and "ab\xC8" are each "before" the other.
int SignedByteCompare(KAVUnicodeString* iFirst, KAVUnicodeString* iSecond) {
  const std::string &a = iFirst->ToStdString(), &b = iSecond->ToStdString();
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  if (i == a.size()) return i == b.size() ? 0 : -1;
  const signed char x = a[i], y = i < b.size() ? b[i] : '\0';
  return x < y ? -1 : 1;
}

// How often the storage of a collection moved while iCount appends of
// iItem filled it: position 1's cell is a reference into that storage, and
// a vector that grows allocates its new block before freeing the old one.
template <typename Coll, typename Item>
int MovesOfAppends(const Item& iItem, int iCount) {
  Coll target;
  target.Append(iItem);
  const void* storage = &target[1];
  int moves = 0;
  for (int i = 1; i < iCount; ++i) {
    target.Append(iItem);
    if (&target[1] != storage) {
      ++moves;
      storage = &target[1];
    }
  }
  return moves;
}

}  // namespace

// ---------------------------------------------------------------- strings

TEST(PlatformStringTest, RangesAreCutToTheString) {
  const int kMax = 2147483647;
  // clang-format off
  const struct { int start, length; std::string sub, removed; } cases[] = {
      {0, 3, "abc", "def"},  {2, 2, "cd", "abef"}, {4, 10, "ef", "abcd"}, {-2, 4, "ab", "cdef"},
      {6, 1, "", "abcdef"},  {1, 0, "", "abcdef"}, {1, -3, "", "abcdef"}, {0, kMax, "abcdef", ""},
      {kMax, kMax, "", "abcdef"}};
  // clang-format on
  const KAVUnicodeString text("abcdef");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + "," + std::to_string(c.length));
    EXPECT_EQ(c.sub, Str(text.SubString(c.start, c.length)));
    KAVUnicodeString copy(text);
    EXPECT_EQ(c.removed, Str(copy.Remove(c.start, c.length)));
  }
}

TEST(PlatformStringTest, InsertClampsAndResizePadsOnTheRight) {
  using Case = std::pair<int, const char*>;
  for (const Case& c : {Case{0, "XYabc"}, Case{1, "aXYbc"}, Case{3, "abcXY"}, Case{-4, "XYabc"},
                        Case{99, "abcXY"}}) {
    KAVUnicodeString text("abc");
    EXPECT_EQ(c.second, Str(text.Insert(c.first, "XY"))) << c.first;
  }
  for (const Case& c : {Case{5, "abc.."}, Case{3, "abc"}, Case{1, "a"}, Case{-2, ""}}) {
    KAVUnicodeString text("abc");
    EXPECT_EQ(c.second, Str(text.Resize(c.first, '.', 1))) << c.first;
  }
}

TEST(PlatformStringTest, SearchesGiveThePositionOrMinusOne) {
  // clang-format off
  const struct { const char* pattern; int start, mode, expected; } cases[] = {
      {"bc", 0, 1, 1},   {"bc", 2, 1, 4},   {"bc", 5, 1, -1}, {"bc", -7, 1, 1},
      {"x", 0, 1, -1},   {"", 3, 1, 3},     {"", 6, 1, 6},    {"", 7, 1, -1},
      {"abcabcd", 0, 1, -1},                {"bc", 6, -1, 4}, {"bc", 3, -1, 1},
      {"bc", 0, -1, -1}, {"bc", -1, -1, -1}, {"bc", 0, 7, -1}};
  // clang-format on
  const KAVUnicodeString text("abcabc");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + "/" + std::to_string(c.start) + "/" +
                 std::to_string(c.mode));
    EXPECT_EQ(c.expected, text.SearchSubString(c.pattern, c.start, c.mode));
    if (c.mode == KAVSearchForward) {
      EXPECT_EQ(c.expected, text.FindPosition(c.pattern, c.start));
    }
  }
}

TEST(PlatformStringTest, ReplaceSubStringReplacesEveryOccurrenceOnce) {
  // clang-format off
  const struct { const char *text, *oldText, *newText, *expected; } cases[] = {
      {"/opt/$X/$X", "$X", "v", "/opt/v/v"}, {"aaa", "aa", "b", "ba"}, {"ab", "a", "aa", "aab"},
      {"abc", "", "X", "abc"}, {"abc", "abc", "", ""}, {"\xC8-\xC8", "\xC8", "e", "e-e"}};
  // clang-format on
  for (const auto& c : cases) {
    KAVUnicodeString text(c.text);
    EXPECT_EQ(c.expected, Str(text.ReplaceSubString(c.oldText, c.newText))) << c.text;
  }
  KAVUnicodeString self("abab");
  self.ReplaceSubString(self, KAVUnicodeString("x"));
  EXPECT_EQ("x", Str(self));
}

TEST(PlatformStringTest, StripRemovesTheCharacterAtTheChosenEnds) {
  // clang-format off
  const struct { int mode; const char *text, *expected; } cases[] = {
      {1, "  a b  ", "a b  "}, {2, "  a b  ", "  a b"}, {3, "  a b  ", "a b"}, {3, "    ", ""},
      {1, "    ", ""}, {2, "    ", ""}, {3, "", ""}, {0, "  a  ", "  a  "}, {4, "  a  ", "  a  "}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + "[" + c.text + "]");
    const KAVUnicodeString text(c.text);
    EXPECT_EQ(c.expected, Str(text.Strip(c.mode, ' ')));
    EXPECT_EQ(c.text, Str(text));
  }
  const KAVUnicodeString quoted("\"\"a\"b\"");
  EXPECT_EQ("a\"b", Str(quoted.Strip(KAVStripBoth, '"')));
}

TEST(PlatformStringTest, ConstructionCaseComparisonAndOutput) {
  const char bytes[] = {'a', '\0', static_cast<char>(0xC8), 'z'};
  EXPECT_EQ(std::string(bytes, 4), Str(KAVUnicodeString(bytes, 4)));
  EXPECT_EQ("abc", Str(KAVUnicodeString("abcdef", 3)));
  KAVUnicodeString assigned("x");
  assigned = static_cast<const char*>(nullptr);
  for (const KAVUnicodeString& empty : {KAVUnicodeString(nullptr), KAVUnicodeString(nullptr, 4),
                                        KAVUnicodeString("abc", -1), assigned})
    EXPECT_EQ(0, empty.GetLengthInChar());
  KAVUnicodeString mixed("aZ\xE9\xC9-9");
  EXPECT_EQ("AZ\xE9\xC9-9", Str(KAVUnicodeString(mixed).ToUpper()));
  EXPECT_EQ("az\xE9\xC9-9", Str(mixed.ToLower()));
  const KAVUnicodeString abc("abc");
  const char* none = nullptr;
  EXPECT_TRUE(KAVUnicodeString() == none);
  EXPECT_TRUE(KAVUnicodeString("a\0b", 3) != KAVUnicodeString("a\0c", 3));
  EXPECT_TRUE(KAVUnicodeString("z") < KAVUnicodeString("\xC8"));
  EXPECT_EQ("xabcy.", Str("x" + abc + "y" + '.' + none));
  const char at[] = {abc[1], abc[3], abc[-1]};  // NUL outside the string
  EXPECT_EQ(std::string("b\0\0", 3), std::string(at, 3));
  EXPECT_EQ(std::string("a\0b|c", 5),
            Streamed(KAVUnicodeString("a\0b", 3)) + '|' + Streamed(KAVUnicodeChar('c')));
}

// ------------------------------------------------------------------ lists

TEST(PlatformListTest, AppendLocateRemoveAndOutput) {
  KAVListValKAVUnicodeString list(100);  // room, not items
  list.Append(KAVUnicodeString("x"));
  list.Append(ListOf({"y", "x"}));
  list.Append(list);
  list.Append(list[1]);
  EXPECT_EQ((Strings{"x", "y", "x", "x", "y", "x", "x"}), Items(list));
  // clang-format off
  const struct { const char* item; int from, expected; } cases[] = {
      {"x", 1, 1},  {"y", 1, 2}, {"x", 2, 3}, {"y", 3, 5}, {"x", -4, 1}, {"z", 1, 0}, {"x", 8, 0}, {"X", 1, 0}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, list.Locate(c.item, c.from)) << c.item << c.from;
  // Outside 1 to Size(): the const form reads "", the other hands out a
  // scratch string that writes reach no item through.
  for (int outside : {0, -1, 8, 1000}) {
    const KAVListValKAVUnicodeString& readOnly = list;
    EXPECT_EQ("", Str(readOnly[outside]));
    list[outside] = "written";
    EXPECT_EQ("", Str(list[outside])) << outside;
    list.RemovePosition(outside);
  }
  list.RemovePosition(2);
  list[1] = "";
  EXPECT_EQ(" x x y x x", Streamed(list));
  list.RemoveAll(KAVCollec::ReleaseMemory);
  EXPECT_EQ("", Streamed(list));
  list.Append(KAVUnicodeString("again"));
  list.RemoveAll(0);
  EXPECT_EQ(0, list.Size());
}

// Against std::stable_sort on 20,000 items keyed by their first character
// only: checks the order and, through the many ties, the stability.
TEST(PlatformListTest, QuickSortMatchesAStableReferenceSort) {
  std::mt19937 random(4711);
  Strings items;
  for (int i = 0; i < 20000; ++i)
    items.push_back(static_cast<char>('a' + random() % 26) + std::to_string(i));
  KAVListValKAVUnicodeString list = ListOf(items);
  list.QuickSort([](KAVUnicodeString* iFirst, KAVUnicodeString* iSecond) {
    const char a = (*iFirst)[0], b = (*iSecond)[0];
    return a < b ? -1 : (a > b ? 1 : 0);
  });
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return a[0] < b[0]; });
  EXPECT_EQ(items, Items(list));
  list.QuickSort(nullptr);
  EXPECT_EQ(items, Items(list));
}

// An inconsistent comparison may give any order, but the sort must end,
// keep every item exactly once and stay inside the list (ASan watches).
TEST(PlatformListTest, QuickSortSurvivesInconsistentComparisons) {
  Strings items;
  for (int i = 0; i < 3000; ++i)
    items.push_back(i % 7 == 0 ? std::to_string(i) : "ab" + std::string(i % 4, 0x80 + i % 100));
  Strings sortedItems = items;
  std::sort(sortedItems.begin(), sortedItems.end());
  using Item = KAVUnicodeString*;
  static std::mt19937 answers(4711);
  static long calls = 0;
  // clang-format off
  const struct { const char* name; KAVCompareFunction compare; } cases[] = {
      {"signed bytes", SignedByteCompare}, {"always before", [](Item, Item) { return -1; }},
      {"random answers", [](Item, Item) {
         ++calls;
         return static_cast<int>(answers() % 3) - 1;
       }}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KAVListValKAVUnicodeString list = ListOf(items);
    calls = 0;
    list.QuickSort(c.compare);
    Strings kept = Items(list);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(sortedItems, kept);
    EXPECT_LE(calls, 3000L * 12);
  }
  KAVListValKAVUnicodeString pair = ListOf({"ab\xC8", "ab"});
  pair.QuickSort(SignedByteCompare);
  EXPECT_EQ((Strings{"ab", "ab\xC8"}), Items(pair));
}

// ------------------------------------------------------------ collections

// KAVRawCollint and KAVRawColldouble share one contract.
template <typename Coll, typename Value>
void CheckCollection(Value iA, Value iB, const std::string& iStreamed) {
  Coll values(3);
  values[1] = iA;
  values.Append(iB);
  values.Append(values);
  EXPECT_EQ(iStreamed, Streamed(values));
  for (int outside : {0, -1, 9}) {
    values[outside] = iB;
    EXPECT_EQ(Value(0), static_cast<const Coll&>(values)[outside]);
    EXPECT_EQ(Value(0), values[outside]);
  }
  values.RemoveAll(1);
  EXPECT_EQ("", Streamed(values));
  EXPECT_EQ(0, Coll(-5).Size());
}

TEST(PlatformCollectionTest, IntAndDoubleArraysCountFromOne) {
  CheckCollection<KAVRawCollint>(7, 9, "7 0 0 9 7 0 0 9");
  CheckCollection<KAVRawColldouble>(1.5, -2.25, "1.5 0 0 -2.25 1.5 0 0 -2.25");
}

TEST(PlatformCollectionTest, AppendsReallocateLogarithmicallyOften) {
  constexpr int kAppends = 4096;
  constexpr int kMost = 2 * 12;  // twice log2(4096)
  // clang-format off
  const struct { const char* what; int moves; } cases[] = {
      {"an int", MovesOfAppends<KAVRawCollint>(7, kAppends)},
      {"ints", MovesOfAppends<KAVRawCollint>(IntsOf({7}), kAppends)},
      {"a real", MovesOfAppends<KAVRawColldouble>(1.5, kAppends)},
      {"reals", MovesOfAppends<KAVRawColldouble>(DoublesOf({1.5}), kAppends)},
      {"a string", MovesOfAppends<KAVListValKAVUnicodeString>(KAVUnicodeString("x"), kAppends)},
      {"a list", MovesOfAppends<KAVListValKAVUnicodeString>(ListOf({"x"}), kAppends)}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_GT(c.moves, 0);
    EXPECT_LE(c.moves, kMost);
  }
}

// ---------------------------------------------------- tokens and services

TEST(PlatformServicesTest, TokensSkipEmptyComponents) {
  // Five calls each, joined by "|": past the last token, "" for ever.
  // clang-format off
  const struct { const char *text, *separators, *tokens; } cases[] = {
      {"$HOME/data", "/", "$HOME|data|||"}, {"///", "/", "||||"}, {"/opt//$X/x/", "/", "opt|$X|x||"},
      {"", "/", "||||"}, {"a,b;c", ",;", "a|b|c||"}, {"a/b", "", "a/b||||"}};
  // clang-format on
  for (const auto& c : cases) {
    KAVToken token(c.text);
    std::string tokens = Str(token.GetNextToken(c.separators));
    for (int call = 2; call <= 5; ++call) tokens += "|" + Str(token.GetNextToken(c.separators));
    EXPECT_EQ(c.tokens, tokens) << c.text;
  }
}

TEST(PlatformServicesTest, SplitPathAndFileInfo) {
  // clang-format off
  const struct { const char *path, *dir, *file; } cases[] = {
      {"/a/b/c.txt", "/a/b", "c.txt"}, {"c.txt", "", "c.txt"}, {"/c.txt", "/", "c.txt"}, {"/a/b/", "/a/b", ""},
      {"a//b", "a", "b"}, {"/", "/", ""}, {"//x", "/", "x"}, {"", "", ""}, {" a /b ", " a ", "b "},
      {nullptr, "", ""}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "null");
    std::string dir(256, ' '), file(256, ' ');  // no terminator to rely on
    EXPECT_EQ(c.path ? 0 : -1, KAVSplitPath(c.path, dir.data(), file.data()));
    EXPECT_STREQ(c.dir, dir.c_str());
    EXPECT_STREQ(c.file, file.c_str());
  }
  char dir[256], file[256];
  // Only the first 255 characters are read, terminator or not.
  std::vector<char> longPath(400, 'p');
  longPath[10] = '/';
  EXPECT_EQ(0, KAVSplitPath(longPath.data(), dir, file));
  EXPECT_EQ(10u, std::string(dir).size());
  EXPECT_EQ(244u, std::string(file).size());

  struct stat info = {};
  EXPECT_EQ(0, KAVGetFileInfo("/", &info));
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(-1, KAVGetFileInfo("/no/such/path/kav", &info));
  EXPECT_EQ(-1, KAVGetFileInfo(nullptr, &info));
  EXPECT_EQ(0, KAVGetFileInfo("/", nullptr));
}

// --------------------------------------------------------------- settings

TEST(PlatformSettingTest, ReadsIntsAndLeavesTheCellAloneOtherwise) {
  TempDir dir;
  dir.Write("MFGPROG.txt",
            "# programming tab\n#T.NOTE = 5\nT.PARTS = 1\n"
            "  T.CHECK\t=\t-12  \r\nT.RELIM=3\nT.RELIM=4\nT.DRIVE = yes\n"
            "T.MACRO = 99999999999\nT.SMART = 1 2\nno equal sign here\n\n");
  setenv("KAVUserSettingPath", dir.Path().c_str(), 1);
  // Only a found value reaches the cell, which starts at 777.
  // clang-format off
  const struct { const char *key, *group; int status, value; } cases[] = {
      {"T.PARTS", "MFGPROG", 0, 1},   {"T.CHECK", "MFGPROG", 0, -12},  {"T.RELIM", "MFGPROG", 0, 4},
      {"T.DRIVE", "MFGPROG", 2, 777}, {"T.MACRO", "MFGPROG", 2, 777}, {"T.SMART", "MFGPROG", 2, 777},
      {"t.parts", "MFGPROG", 1, 777}, {"#T.NOTE", "MFGPROG", 1, 777}, {"T.PARTS", "OTHER", 1, 777}};
  // clang-format on
  for (const auto& c : cases) {
    int cell = 777;
    EXPECT_EQ(c.status, KAVMfgSetting::ReadSetting(c.key, &cell, c.group))
        << c.key << "/" << c.group;
    EXPECT_EQ(c.value, cell) << c.key;
  }
  EXPECT_EQ(3, KAVMfgSetting::ReadSetting("T.PARTS", nullptr, "MFGPROG"));
  unsetenv("KAVUserSettingPath");
}

// The store's place is read from the environment: each case in a child.
TEST(PlatformSettingTest, DefaultStoreIsUnderHome) {
  const std::optional<std::string> unset;
  // clang-format off
  const struct { Environment env; const char* expected; } cases[] = {
      {{{"KAVUserSettingPath", unset}, {"HOME", "/u"}}, "/u/.kavsettings|1|5"},
      {{{"KAVUserSettingPath", ""}, {"HOME", "/u"}}, "/u/.kavsettings|1|5"},
      {{{"KAVUserSettingPath", ""}, {"HOME", unset}}, "|1|5"}};
  // clang-format on
  for (const auto& c : cases) {
    const ChildResult result = RunInChild(c.env, [] {
      int cell = 5;
      const int status = KAVMfgSetting::ReadSetting("K", &cell, "G");
      std::cout << KAVMfgSetting::GetStoreDirectory() << '|' << status << '|' << cell;
      return 0;
    });
    EXPECT_EQ(c.expected, result.out);
  }
}
