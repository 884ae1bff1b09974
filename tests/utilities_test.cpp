// KAVMfgUtilities text, query and time helpers: tables of cases for the
// text rules, and differential runs over generated inputs against
// references written elsewhere (the C library's UTC calendar, memcmp on
// re-biased bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "KAVMfgUtilities.h"
#include "TestSupport.h"

namespace {

using U = KAVMfgUtilities;
using namespace kavtest;

// Fixed fields: what lands in the buffer, and that nothing lands past it.
TEST(UtilitiesTest, FixedFieldsKeepTheirWidth) {
  // field: dmstrfc's n characters; back: dmstrcf of that field.
  // clang-format off
  const struct { const char* text; int width; std::string field, back; } cases[] = {
      {"ABC", 8, "ABC     ", "ABC"}, {"ABCDEFGHIJ", 4, "ABCD", "ABCD"}, {nullptr, 3, "   ", " "},
      {"", 5, "     ", " "},         {" A B", 6, " A B  ", " A B"},     {"xyz", 1, "x", "x"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    std::string field(32, '#'), back(32, '#');
    EXPECT_EQ(field.data(), U::dmstrfc(field.data(), c.text, c.width));
    EXPECT_EQ(c.field + '#', field.substr(0, c.width + 1));
    U::dmstrcf(back.data(), field.data(), c.width);
    EXPECT_EQ(c.back, back.c_str());
    EXPECT_EQ('#', back[c.width + 1]);  // n + 1 bytes at most
    KAVUnicodeString text;
    U::ftostring(field.data(), c.width, text);
    EXPECT_EQ(KAVUnicodeString(c.back.c_str()).Strip(KAVStripBoth, ' '), text);
  }
  // Nothing written for a null destination or a width below 1.
  EXPECT_EQ(nullptr, U::dmstrfc(nullptr, "abc", 3));
  U::dmstrcf(nullptr, "abc", 3);
  char untouched[2] = {'#', '#'};
  U::dmstrfc(untouched, "abc", 0);
  U::dmstrcf(untouched, nullptr, 0);
  EXPECT_EQ(std::string("\0#", 2), std::string(untouched, 2));
  EXPECT_EQ(0, U::strlen(nullptr));
}

TEST(UtilitiesTest, QuotingDoublesEveryQuote) {
  // clang-format off
  const struct { const char *text, *quoted; } cases[] = {
      {"O'NEIL", "'O''NEIL'"}, {"", "''"}, {nullptr, "''"}, {"''", "''''''"}, {"a", "'a'"}, {"'x", "'''x'"}};
  // clang-format on
  for (const auto& c : cases) {
    const size_t room = 2 * (c.text ? std::strlen(c.text) : 0) + 3;
    std::vector<char> out(room + 1, '#');
    U::dmqotqot(out.data(), c.text);
    EXPECT_EQ(c.quoted, std::string(out.data()));
    EXPECT_EQ('#', out[room]);  // within the room the caller must give
    EXPECT_EQ(KAVUnicodeString(c.quoted), U::qotqot(c.text));
  }
}

TEST(UtilitiesTest, StringShaping) {
  EXPECT_EQ(KAVUnicodeString("Drill|X|"), U::GetDisplayString("DRILL") + "|" +
                                              U::GetDisplayString("x") + "|" +
                                              U::GetDisplayString(""));
  EXPECT_DOUBLE_EQ(12.5, U::stringtodouble("  12.5mm"));
  // clang-format off
  const struct { const char *text, *pattern; int step; const char *insert, *expected; } cases[] = {
      // Matches from position 1 on; the one at 0 is before the first search.
      {"a.b.c", ".", 1, " ", "a. b. c"}, {".a", ".", 1, "+", ".a"},
      // The search stops at the given length, not the grown one.
      {"aaaa", "a", 1, "|", "aa|a|a"},   {"aaaa", "a", 2, "|", "aaa|a"},
      // An insert holding the pattern is found again, but only while the
      // search stays below the given length.
      {"a,b", ",", 1, ",", "a,,,b"},     {"abc", "", 1, "-", "ab--c"},
      {"abc", "x", 1, "-", "abc"},       {"abc", "b", 0, "-", "abc"}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(KAVUnicodeString(c.expected), U::FormatStr(c.text, c.pattern, c.step, c.insert));
}

TEST(UtilitiesTest, GetItemsSplitsAtCommas) {
  // clang-format off
  const struct { const char* text; Strings items; } cases[] = {
      {"", {""}}, {"a", {"a"}}, {"a,", {"a", ""}}, {",", {"", ""}}, {"a,,b", {"a", "", "b"}},
      {" a , b ", {"a", "b"}}, {"\" a b \", c", {" a b ", "c"}}, {"\"\"x\"\"", {"x"}}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(c.items, Items(U::GetItems(c.text)));
  // 300 items: the first 250 come back, the array always holds 250.
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + ",";
  int count = -1;
  KAVUnicodeString* items = U::GetItems(text.c_str(), &count);
  EXPECT_EQ(250, count);
  EXPECT_EQ(KAVUnicodeString("249"), items[249]);
  delete[] items;
  delete[] U::GetItems("a,b", nullptr);
}

TEST(UtilitiesTest, ReadLineReturnsZeroWithTheLastLine) {
  kavtest::TempDir dir;
  const std::string longLine(2500, 'x');
  // The last line of each case came with 0.
  // clang-format off
  const struct { std::string content; Strings lines; } cases[] = {
      {"a\nb\n", {"a", "b", ""}}, {"a\nb", {"a", "b"}}, {"", {""}},
      {longLine + "\nz", {longLine.substr(0, 1022), longLine.substr(1022, 1022), longLine.substr(2044), "z"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 8));
    std::ifstream stream(dir.Write("f", c.content));
    Strings lines;
    KAVUnicodeString line;
    while (U::ReadLine(stream, line) == 1 && lines.size() < 10) lines.push_back(line.ToStdString());
    lines.push_back(line.ToStdString());  // the one that came with 0
    EXPECT_EQ(c.lines, lines);
  }
  std::ifstream missing(dir.Path() + "/missing");
  KAVUnicodeString line("old");
  EXPECT_EQ(0, U::ReadLine(missing, line));
  EXPECT_EQ(KAVUnicodeString(""), line);
}

TEST(UtilitiesTest, QueryTextParts) {
  // clang-format off
  const struct { const char *text, *att, *table, *where; Strings tables; } cases[] = {
      {"SELECT a, b FROM T1 x, T2 WHERE a = 1 ORDER BY b;", "a, b", "T1 x, T2", "WHERE a = 1 ORDER BY b", {"T1", "T2"}},
      {"SELECT * FROM TOOLS ;", "*", "TOOLS", "", {"TOOLS"}}, {"select * from t where a = 1", "", "", "", {""}},
      {"SELECT * FROM TOOLS ORDER BY NAME ;", "*", "TOOLS", "ORDER BY NAME", {"TOOLS"}},
      {"SELECT * FROM \"T A\" b WHERE x;; ", "*", "\"T A\" b", "WHERE x;;", {"T"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(KAVUnicodeString(c.att), U::GetAtt(c.text));
    EXPECT_EQ(KAVUnicodeString(c.table), U::GetTable(c.text));
    EXPECT_EQ(KAVUnicodeString(c.where), U::GetWhere(c.text));
    EXPECT_EQ(c.tables, Items(U::GetTableList(c.text)));
  }
  const Strings statements = {"S1 ", "S1 ", " S2", "S3", "", ""};
  for (int n = 0; n <= 5; ++n)
    EXPECT_EQ(KAVUnicodeString(statements[n].c_str()), U::GetSelect("S1 ; S2;S3;", n)) << n;
}

TEST(UtilitiesTest, QualifiedNamesAndPlaceholders) {
  // clang-format off
  const struct { const char *name, *owner, *object; } cases[] = {
      {"OWN.TAB ", "OWN", "TAB"}, {"TAB", "TAB", ""}, {".TAB", "", "TAB"},
      {"OWN.", "OWN", ""},        {"A .B.C", "A", "B.C"}, {"", "", ""}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KAVUnicodeString(c.owner), U::ObjectOwner(c.name));
    EXPECT_EQ(KAVUnicodeString(c.object), U::ObjectTable(c.name));
    std::string out(16, '#');
    EXPECT_EQ(out.data(), U::dmobjtable(c.name, out.data()));
    // dmobjtable keeps trailing blanks, ObjectTable does not.
    EXPECT_EQ(KAVUnicodeString(out.c_str()).Strip(KAVStripTrailing, ' '), U::ObjectTable(c.name));
  }
  char out[4] = "##";
  EXPECT_EQ(std::string(""), U::dmobjtable(nullptr, out));
  // clang-format off
  const struct { const char* text; int code; } placeholders[] = {
      {"x = $COID_FATHER", 21}, {"$COMPID_FATHER $COID", 22}, {"a=$COID", 1}, {"$COMPID_REF $COID", 12},
      {"$COID_REF $COMPID_FATHER", 22}, {"$COMPID", 2}, {"$coid here", 0}, {"$COI", 0},
      {"$COID", 1}};  // 5 characters: the shortest text looked at
  // clang-format on
  for (const auto& p : placeholders) EXPECT_EQ(p.code, U::IsCoidOrCompid(p.text)) << p.text;
}

// Days in a month and day of week against the C library's own UTC
// calendar (timegm), over years on both sides of 0 and of the century
// rules. Days of week are asked at noon, clear of any time-zone shift, in
// the years a timestamp can hold.
TEST(UtilitiesTest, DaysAndWeekdaysMatchTheUtcCalendar) {
  std::mt19937 random(4711);
  std::uniform_int_distribution<int> years(-3000, 12000);
  for (int i = 0; i < 4000; ++i) {
    const int year = i < 1200 ? 1600 + i / 12 * 4 : years(random);
    const int month = i % 12 + 1;
    struct tm first = {};
    first.tm_year = year - 1900;
    first.tm_mon = month - 1;
    first.tm_mday = 1;
    struct tm next = first;
    next.tm_mon += 1;  // timegm carries December into the next year
    const int days =
        static_cast<int>((static_cast<long long>(timegm(&next)) - timegm(&first)) / 86400);
    ASSERT_EQ(days, U::GetNumberOfDays(year, month)) << year << "-" << month;
    if (year < 1000 || year > 9999) continue;
    struct tm noon = first;
    noon.tm_mday = 1 + i % days;
    timegm(&noon);  // sets tm_wday
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-12.30.00.000000", year, month, noon.tm_mday);
    ASSERT_EQ(KAVUnicodeString(std::to_string(noon.tm_wday).c_str()), U::GetDayOfWeek(stamp))
        << stamp;
  }
  EXPECT_EQ(0, U::GetNumberOfDays(2024, 0));
  EXPECT_EQ(0, U::GetNumberOfDays(2024, 13));
  // Each side of midnight, and texts that are no timestamp.
  // clang-format off
  const struct { const char *stamp, *day; } fixed[] = {
      {"2024-07-01-00.00.00.000000", "1"}, {"2024-06-30-23.59.59.000000", "0"}, {"   ", ""}, {"not a date", ""}};
  // clang-format on
  for (const auto& f : fixed)
    EXPECT_EQ(KAVUnicodeString(f.day), U::GetDayOfWeek(f.stamp)) << f.stamp;
}

// Late evening in summer time stays on its own day: the daylight-saving
// flag must not be forced to "standard time".
TEST(UtilitiesTest, DayOfWeekKeepsSummerEveningsOnTheirDay) {
  kavtest::ChildResult result = kavtest::RunInChild({{"TZ", std::string("Europe/Paris")}}, [] {
    tzset();
    // 2024-07-01 is a Monday.
    std::printf("%s\n", U::GetDayOfWeek("2024-07-01-23.30.00.000000").ConvertToChar());
    return 0;
  });
  EXPECT_EQ("1\n", result.out);
}

TEST(UtilitiesTest, CurrentTimeIsATimestamp) {
  const time_t before = time(nullptr);
  const std::string stamp = U::GetCurTimeCDMFormat().ToStdString();
  const time_t after = time(nullptr);
  ASSERT_EQ(26u, stamp.size());
  EXPECT_EQ(".000000", stamp.substr(19));
  struct tm parsed = {};
  ASSERT_NE(nullptr, strptime(stamp.c_str(), "%Y-%m-%d-%H.%M.%S", &parsed));
  parsed.tm_isdst = -1;
  const time_t when = mktime(&parsed);
  EXPECT_TRUE(before <= when && when <= after) << stamp;
}

// Reference order: each byte re-biased by 0x80 (signed order becomes
// unsigned order) and the terminator too, compared with memcmp; a text
// that ended first sorts first whatever follows in the other.
int ReferenceCompare(const std::string& iFirst, const std::string& iSecond) {
  if (iFirst.size() < iSecond.size() && iSecond.compare(0, iFirst.size(), iFirst) == 0) return -1;
  auto biased = [](std::string text) {
    for (char& c : text) c = static_cast<char>(c ^ 0x80);
    return text + static_cast<char>(0x80);
  };
  const size_t n = std::min(iFirst.size(), iSecond.size()) + 1;
  const int order = std::memcmp(biased(iFirst).data(), biased(iSecond).data(), n);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// 20,000 pairs of texts of 0 to 4 characters from iAlphabet: iCompare must
// answer as ReferenceCompare on what iValue keeps of each text.
void CheckAgainstReference(unsigned iSeed, const std::string& iAlphabet,
                           KAVCompareFunction iCompare, std::string (*iValue)(std::string)) {
  std::mt19937 random(iSeed);
  std::uniform_int_distribution<size_t> length(0, 4), pick(0, iAlphabet.size() - 1);
  for (int i = 0; i < 20000; ++i) {
    std::string x, y;
    for (size_t n = length(random); n > 0; --n) x += iAlphabet[pick(random)];
    for (size_t n = length(random); n > 0; --n) y += iAlphabet[pick(random)];
    KAVUnicodeString a(x), b(y);
    ASSERT_EQ(ReferenceCompare(iValue(x), iValue(y)), iCompare(&a, &b))
        << testing::PrintToString(x) << " " << testing::PrintToString(y);
  }
}

TEST(UtilitiesTest, CompareStringsIsSignedByteOrder) {
  // clang-format off
  const struct { std::string first, second; int order; } cases[] = {
      {"abc", "abd", -1}, {"abc", "ab", 1}, {"", "", 0}, {"\xC8", "a", -1}, {"ab\xC8", "ab", -1},
      {"ab", "ab\xC8", -1}, {"B", "a", -1}};
  // clang-format on
  for (const auto& c : cases) {
    KAVUnicodeString a(c.first), b(c.second);
    EXPECT_EQ(c.order, U::CompareStrings(&a, &b)) << c.first << "/" << c.second;
  }
  KAVUnicodeString empty;
  EXPECT_EQ(0, U::CompareStrings(nullptr, &empty));
  CheckAgainstReference(17, std::string("ab\x7F\x80\xC8 ", 6), U::CompareStrings,
                        [](std::string iText) { return iText; });
}

// The value after the first comma (keys ignored) compared as text: "10"
// before "9", quotes dropped; a leading comma or none keeps the whole text.
TEST(UtilitiesTest, CompareDecStringsOrdersByValue) {
  // clang-format off
  const struct { const char *first, *second; int order; } cases[] = {
      {"2,\"beta\"", "1,\"alpha\"", 1}, {"9,10", "1,9", -1}, {",b", "a", -1},
      {"x,\"a,b\"", "y,a,b", 0}, {"k,", "", 0}, {"plain", "plain", 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    KAVUnicodeString a(c.first), b(c.second);
    EXPECT_EQ(c.order, U::CompareDecStrings(&a, &b));
    char fa[80], fb[80];  // the 80-character record form
    U::dmstrfc(fa, c.first, 80);
    U::dmstrfc(fb, c.second, 80);
    EXPECT_EQ(c.order, U::CompareDecStrings(fa, fb));
  }
  // Independently: cut with std::string at the first comma past position 0,
  // drop the surrounding quotes, then the reference byte order.
  CheckAgainstReference(99, std::string("1,\"a\xC8", 5), U::CompareDecStrings,
                        [](std::string iText) {
                          const size_t comma = iText.find(',');
                          if (comma != std::string::npos && comma > 0) iText.erase(0, comma + 1);
                          const size_t from = iText.find_first_not_of('"');
                          if (from == std::string::npos) return std::string();
                          return iText.substr(from, iText.find_last_not_of('"') - from + 1);
                        });
}

}  // namespace
