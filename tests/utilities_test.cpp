// KAVMfgUtilities text, query and time helpers: tables of cases for the
// text rules, and differential runs over generated inputs against
// references written elsewhere (date(1), the C library's UTC calendar,
// memcmp on re-biased bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

std::vector<std::string> Items(const KAVListValKAVUnicodeString& iList) {
  std::vector<std::string> items;
  for (int i = 1; i <= iList.Size(); ++i) items.push_back(iList[i].ToStdString());
  return items;
}

// Fixed fields: what lands in the buffer, and that nothing lands past it.
TEST(UtilitiesTest, FixedFieldsKeepTheirWidth) {
  struct Case {
    const char* name;
    const char* text;
    int width;
    std::string field;  // dmstrfc's n characters
    std::string back;   // dmstrcf of that field
  } cases[] = {
      {"short", "ABC", 8, "ABC     ", "ABC"},
      {"cut", "ABCDEFGHIJ", 4, "ABCD", "ABCD"},
      {"null", nullptr, 3, "   ", " "},
      {"blanks", "", 5, "     ", " "},
      {"inner blank", " A B", 6, " A B  ", " A B"},
      {"width 1", "xyz", 1, "x", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char field[32];
    std::memset(field, '#', sizeof field);
    EXPECT_EQ(field, U::dmstrfc(field, c.text, c.width));
    EXPECT_EQ(c.field + '#', std::string(field, c.width + 1));
    char back[32];
    std::memset(back, '#', sizeof back);
    U::dmstrcf(back, field, c.width);
    EXPECT_EQ(c.back, back);
    EXPECT_EQ('#', back[c.width + 1]);  // n + 1 bytes at most
    KAVUnicodeString text;
    U::ftostring(field, c.width, text);
    EXPECT_EQ(KAVUnicodeString(c.back.c_str()).Strip(KAVStripBoth, ' '), text);
  }
  // Nothing written for a null destination or a width below 1.
  EXPECT_EQ(nullptr, U::dmstrfc(nullptr, "abc", 3));
  char untouched[2] = {'#', '#'};
  U::dmstrfc(untouched, "abc", 0);
  U::dmstrcf(untouched, nullptr, 0);
  EXPECT_EQ('\0', untouched[0]);
  EXPECT_EQ('#', untouched[1]);
  U::dmstrcf(nullptr, "abc", 3);
  EXPECT_EQ(0, U::strlen(nullptr));
  EXPECT_EQ(3, U::dmstrlen("abc"));
}

TEST(UtilitiesTest, QuotingDoublesEveryQuote) {
  struct Case {
    const char* text;
    const char* quoted;
  } cases[] = {{"O'NEIL", "'O''NEIL'"}, {"", "''"},   {nullptr, "''"},
               {"''", "''''''"},        {"a", "'a'"}, {"'x", "'''x'"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quoted);
    const size_t room = 2 * (c.text ? std::strlen(c.text) : 0) + 3;
    std::vector<char> out(room + 1, '#');
    U::dmqotqot(out.data(), c.text);
    EXPECT_EQ(c.quoted, std::string(out.data()));
    EXPECT_EQ('#', out[room]);
    EXPECT_EQ(KAVUnicodeString(c.quoted), U::qotqot(c.text));
  }
}

TEST(UtilitiesTest, StringShaping) {
  EXPECT_EQ(KAVUnicodeString("Drill"), U::GetDisplayString("DRILL"));
  EXPECT_EQ(KAVUnicodeString("X"), U::GetDisplayString("x"));
  EXPECT_EQ(KAVUnicodeString(""), U::GetDisplayString(""));
  EXPECT_DOUBLE_EQ(12.5, U::stringtodouble("  12.5mm"));
  EXPECT_DOUBLE_EQ(0.0, U::stringtodouble("mm"));

  struct Case {
    const char* text;
    const char* pattern;
    int step;
    const char* insert;
    const char* expected;
  } cases[] = {
      // Matches from position 1 on; the one at 0 is before the first search.
      {"a.b.c", ".", 1, " ", "a. b. c"},
      {".a", ".", 1, "+", ".a"},
      {"abc", "x", 1, "-", "abc"},
      // The search stops at the given length, not the grown one.
      {"aaaa", "a", 1, "|", "aa|a|a"},
      {"aaaa", "a", 2, "|", "aaa|a"},
      // An insert holding the pattern is found again, but only while the
      // search stays below the given length.
      {"a,b", ",", 1, ",", "a,,,b"},
      {"abc", "", 1, "-", "ab--c"},
      {"abc", "b", 0, "-", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(KAVUnicodeString(c.expected),
              U::FormatStr(c.text, c.pattern, c.step, c.insert));
  }
}

TEST(UtilitiesTest, GetItemsSplitsAtCommas) {
  struct Case {
    const char* text;
    std::vector<std::string> items;
  } cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a,", {"a", ""}},
      {"a,,b", {"a", "", "b"}},
      {",", {"", ""}},
      {" a , b ", {"a", "b"}},
      {"\" a b \", c", {" a b ", "c"}},
      {"\"\"x\"\"", {"x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.items, Items(U::GetItems(c.text)));
  }
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
  struct Case {
    const char* name;
    std::string content;
    std::vector<std::string> lines;  // the last one came with 0
  } cases[] = {
      {"newline at end", "a\nb\n", {"a", "b", ""}},
      {"no newline at end", "a\nb", {"a", "b"}},
      {"empty", "", {""}},
      {"long line in pieces", longLine + "\nz",
       {longLine.substr(0, 1022), longLine.substr(1022, 1022),
        longLine.substr(2044), "z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ifstream stream(dir.Write("f", c.content));
    std::vector<std::string> lines;
    KAVUnicodeString line;
    int more = 1;
    for (int guard = 0; more && guard < 10; ++guard) {
      more = U::ReadLine(stream, line);
      lines.push_back(line.ToStdString());
    }
    EXPECT_EQ(0, more);
    EXPECT_EQ(c.lines, lines);
  }
  std::ifstream missing(dir.Path() + "/missing");
  KAVUnicodeString line("old");
  EXPECT_EQ(0, U::ReadLine(missing, line));
  EXPECT_EQ(KAVUnicodeString(""), line);
}

TEST(UtilitiesTest, QueryTextParts) {
  struct Case {
    const char* text;
    const char* att;
    const char* table;
    const char* where;
    std::vector<std::string> tables;
  } cases[] = {
      {"SELECT a, b FROM T1 x, T2 WHERE a = 1 ORDER BY b;", "a, b", "T1 x, T2",
       "WHERE a = 1 ORDER BY b", {"T1", "T2"}},
      {"SELECT * FROM TOOLS ;", "*", "TOOLS", "", {"TOOLS"}},
      {"SELECT * FROM TOOLS ORDER BY NAME ;", "*", "TOOLS", "ORDER BY NAME",
       {"TOOLS"}},
      {"select * from t where a = 1", "", "", "", {""}},
      {"SELECT * FROM \"T A\" b WHERE x;; ", "*", "\"T A\" b", "WHERE x;;",
       {"T"}},
      {"SELECT x", "", "", "", {""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(KAVUnicodeString(c.att), U::GetAtt(c.text));
    EXPECT_EQ(KAVUnicodeString(c.table), U::GetTable(c.text));
    EXPECT_EQ(KAVUnicodeString(c.where), U::GetWhere(c.text));
    EXPECT_EQ(c.tables, Items(U::GetTableList(c.text)));
  }
  const char* statements = "S1 ; S2;S3;";
  const std::vector<std::string> expected = {"S1 ", "S1 ", " S2", "S3", "", ""};
  for (int n = 0; n <= 5; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(KAVUnicodeString(expected[n].c_str()), U::GetSelect(statements, n));
  }
}

TEST(UtilitiesTest, QualifiedNamesAndPlaceholders) {
  struct Case {
    const char* name;
    const char* owner;
    const char* object;
  } cases[] = {{"OWN.TAB ", "OWN", "TAB"}, {"TAB", "TAB", ""},
               {".TAB", "", "TAB"},        {"OWN.", "OWN", ""},
               {"A .B.C", "A", "B.C"},     {"", "", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KAVUnicodeString(c.owner), U::ObjectOwner(c.name));
    EXPECT_EQ(KAVUnicodeString(c.object), U::ObjectTable(c.name));
    char out[16];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(out, U::dmobjtable(c.name, out));
    // dmobjtable keeps trailing blanks, ObjectTable does not.
    EXPECT_EQ(KAVUnicodeString(out).Strip(KAVStripTrailing, ' '),
              U::ObjectTable(c.name));
  }
  char out[4] = "##";
  EXPECT_EQ(std::string(""), U::dmobjtable(nullptr, out));

  struct Placeholder {
    const char* text;
    int code;
  } placeholders[] = {
      {"x = $COID_FATHER", 21}, {"$COMPID_FATHER $COID", 22},
      {"$COMPID_REF $COID", 12}, {"$COID_REF $COMPID_FATHER", 22},
      {"a=$COID", 1},           {"$COMPID", 2},
      {"$coid here", 0},        {"$COI", 0},
  };
  for (const Placeholder& p : placeholders) {
    SCOPED_TRACE(p.text);
    EXPECT_EQ(p.code, U::IsCoidOrCompid(p.text));
  }
}

// Days in a month against the C library's own calendar (timegm), over
// years on both sides of 0 and of the century rules.
TEST(UtilitiesTest, NumberOfDaysMatchesTheUtcCalendar) {
  std::mt19937 random(4711);
  std::uniform_int_distribution<int> years(-3000, 12000);
  for (int i = 0; i < 4000; ++i) {
    const int year = i < 1200 ? 1600 + i / 12 * 4 : years(random);
    const int month = i % 12 + 1;
    struct tm first = {}, next = {};
    first.tm_year = year - 1900;
    first.tm_mon = month - 1;
    first.tm_mday = 1;
    next = first;
    next.tm_mon += 1;  // timegm carries December into the next year
    const long long days = (static_cast<long long>(timegm(&next)) -
                            static_cast<long long>(timegm(&first))) / 86400;
    ASSERT_EQ(days, U::GetNumberOfDays(year, month)) << year << "-" << month;
  }
  EXPECT_EQ(0, U::GetNumberOfDays(2024, 0));
  EXPECT_EQ(0, U::GetNumberOfDays(2024, 13));
}

std::string Timestamp(int iYear, int iMonth, int iDay, int iHour) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d.30.00.000000", iYear,
                iMonth, iDay, iHour);
  return text;
}

// Day of week against date(1), which reads the same dates from a file in
// one run, and against gmtime: noon keeps every date clear of time-zone
// shifts.
TEST(UtilitiesTest, DayOfWeekMatchesDateAndGmtime) {
  kavtest::TempDir dir;
  std::mt19937 random(711);
  std::uniform_int_distribution<int> years(1000, 9999), months(1, 12);
  std::vector<std::string> stamps;
  std::string dates;
  for (int i = 0; i < 1500; ++i) {
    const int year = years(random), month = months(random);
    std::uniform_int_distribution<int> days(1, U::GetNumberOfDays(year, month));
    const int day = days(random);
    stamps.push_back(Timestamp(year, month, day, 12));
    char line[32];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d 12:30:00\n", year, month, day);
    dates += line;
    struct tm utc = {};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = 12;
    const time_t when = timegm(&utc);
    struct tm back;
    gmtime_r(&when, &back);
    ASSERT_EQ(KAVUnicodeString(std::to_string(back.tm_wday).c_str()),
              U::GetDayOfWeek(stamps.back().c_str()))
        << stamps.back();
  }
  const std::string file = dir.Write("dates", dates);
  FILE* pipe = popen(("date -f " + file + " +%w").c_str(), "r");
  ASSERT_NE(nullptr, pipe);
  char answer[8];
  size_t checked = 0;
  while (checked < stamps.size() && std::fgets(answer, sizeof answer, pipe)) {
    answer[1] = '\0';
    ASSERT_EQ(KAVUnicodeString(answer), U::GetDayOfWeek(stamps[checked].c_str()))
        << stamps[checked];
    ++checked;
  }
  EXPECT_EQ(0, pclose(pipe));
  EXPECT_EQ(stamps.size(), checked);

  EXPECT_EQ(KAVUnicodeString("1"), U::GetDayOfWeek("2024-07-01-00.00.00.000000"));
  EXPECT_EQ(KAVUnicodeString("0"), U::GetDayOfWeek("2024-06-30-23.59.59.000000"));
  EXPECT_EQ(KAVUnicodeString(""), U::GetDayOfWeek("   "));
  EXPECT_EQ(KAVUnicodeString(""), U::GetDayOfWeek("not a date"));
}

// Late evening in summer time stays on its own day: the daylight-saving
// flag must not be forced to "standard time".
TEST(UtilitiesTest, DayOfWeekKeepsSummerEveningsOnTheirDay) {
  kavtest::ChildResult result =
      kavtest::RunInChild({{"TZ", std::string("Europe/Paris")}}, [] {
        tzset();
        const KAVUnicodeString day =
            U::GetDayOfWeek(Timestamp(2024, 7, 1, 23).c_str());  // a Monday
        std::printf("%s\n", day.ConvertToChar());
        return 0;
      });
  EXPECT_EQ("1\n", result.out);
}

TEST(UtilitiesTest, CurrentTimeIsATimestamp) {
  const time_t before = time(nullptr);
  const std::string stamp = U::GetCurTimeCDMFormat().ToStdString();
  const time_t after = time(nullptr);
  ASSERT_EQ(26u, stamp.size());
  struct tm parsed = {};
  ASSERT_NE(nullptr, strptime(stamp.c_str(), "%Y-%m-%d-%H.%M.%S", &parsed));
  EXPECT_EQ(".000000", stamp.substr(19));
  parsed.tm_isdst = -1;
  const time_t when = mktime(&parsed);
  EXPECT_LE(before, when);
  EXPECT_GE(after, when);
}

// Reference order: each byte re-biased by 0x80 (signed order becomes
// unsigned order) and the terminator too, compared with memcmp; a text
// that ended first sorts first whatever follows in the other.
int ReferenceCompare(const std::string& iFirst, const std::string& iSecond) {
  if (iFirst.size() < iSecond.size() &&
      iSecond.compare(0, iFirst.size(), iFirst) == 0)
    return -1;
  auto biased = [](std::string text) {
    for (char& c : text) c = static_cast<char>(c ^ 0x80);
    return text + static_cast<char>(0x80);
  };
  const size_t n = std::min(iFirst.size(), iSecond.size()) + 1;
  const int order = std::memcmp(biased(iFirst).data(), biased(iSecond).data(), n);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::string RandomText(std::mt19937& ioRandom, const std::string& iAlphabet) {
  std::uniform_int_distribution<size_t> length(0, 4), pick(0, iAlphabet.size() - 1);
  std::string text;
  for (size_t n = length(ioRandom); n > 0; --n) text += iAlphabet[pick(ioRandom)];
  return text;
}

TEST(UtilitiesTest, CompareStringsIsSignedByteOrder) {
  struct Case {
    std::string first, second;
    int order;
  } cases[] = {
      {"abc", "abd", -1},       {"ab", "abc", -1},   {"abc", "ab", 1},
      {"", "", 0},              {"\xC8", "a", -1},   {"ab\xC8", "ab", -1},
      {"ab", "ab\xC8", -1},     {"B", "a", -1},      {"a", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first + " / " + c.second);
    KAVUnicodeString a(c.first), b(c.second);
    EXPECT_EQ(c.order, U::CompareStrings(&a, &b));
  }
  KAVUnicodeString empty;
  EXPECT_EQ(0, U::CompareStrings(nullptr, &empty));

  std::mt19937 random(17);
  const std::string alphabet("ab\x7F\x80\xC8 ", 6);
  for (int i = 0; i < 20000; ++i) {
    const std::string x = RandomText(random, alphabet), y = RandomText(random, alphabet);
    KAVUnicodeString a(x), b(y);
    ASSERT_EQ(ReferenceCompare(x, y), U::CompareStrings(&a, &b))
        << testing::PrintToString(x) << " " << testing::PrintToString(y);
  }
}

// The value after the first comma (keys ignored) compared as text: "10"
// before "9", quotes dropped; a leading comma or none keeps the whole text.
TEST(UtilitiesTest, CompareDecStringsOrdersByValue) {
  struct Case {
    const char* first;
    const char* second;
    int order;
  } cases[] = {
      {"2,\"beta\"", "1,\"alpha\"", 1}, {"9,10", "1,9", -1},
      {",b", "a", -1},                   {"x,\"a,b\"", "y,a,b", 0},
      {"k,", "", 0},                     {"plain", "plain", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    KAVUnicodeString a(c.first), b(c.second);
    EXPECT_EQ(c.order, U::CompareDecStrings(&a, &b));
    char fa[80], fb[80];
    U::dmstrfc(fa, c.first, 80);
    U::dmstrfc(fb, c.second, 80);
    EXPECT_EQ(c.order, U::CompareDecStrings(static_cast<const void*>(fa),
                                            static_cast<const void*>(fb)));
  }

  // Independently: cut with std::string at the first comma past position 0,
  // drop the surrounding quotes, then the reference byte order.
  auto value = [](std::string text) {
    const size_t comma = text.find(',');
    if (comma != std::string::npos && comma > 0) text.erase(0, comma + 1);
    const size_t from = text.find_first_not_of('"');
    if (from == std::string::npos) return std::string();
    return text.substr(from, text.find_last_not_of('"') - from + 1);
  };
  std::mt19937 random(99);
  const std::string alphabet("1,\"a\xC8", 5);
  for (int i = 0; i < 20000; ++i) {
    const std::string x = RandomText(random, alphabet), y = RandomText(random, alphabet);
    KAVUnicodeString a(x), b(y);
    ASSERT_EQ(ReferenceCompare(value(x), value(y)), U::CompareDecStrings(&a, &b))
        << testing::PrintToString(x) << " " << testing::PrintToString(y);
  }
}

}  // namespace
