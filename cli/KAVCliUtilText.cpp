// t4711 util: the text, query-text, time and comparison helpers a person
// would call from a shell (day of week, days in a month, timestamp, taking
// apart a query text, comma items, quoting, comparing and sorting texts),
// and their step of the tour.
#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "KAVCli.h"
#include "KAVMfgUtilities.h"

namespace {

using U = KAVMfgUtilities;

const char* const kWeekDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string Str(const KAVUnicodeString& iText) { return KAVCliText(iText); }

// A bare date YYYY-MM-DD is completed to a timestamp at noon, clear of any
// daylight-saving change; anything else goes to the helper as typed.
std::string AsTimestamp(const std::string& iDate) {
  if (iDate.size() == 10 && iDate[4] == '-' && iDate[7] == '-')
    return iDate + "-12.00.00.000000";
  return iDate;
}

int DayOfWeek(KAVCliContext& ioContext, const std::string& iDate) {
  const std::string timestamp = AsTimestamp(iDate);
  const std::string day = Str(U::GetDayOfWeek(timestamp.c_str()));
  if (day.empty() || day[0] < '0' || day[0] > '6')
    return KAVCliUsageError("DATE: \"" + iDate +
                            "\" is not a date (YYYY-MM-DD or "
                            "YYYY-MM-DD-hh.mm.ss.000000)");
  KAVCliPrintFields(ioContext, {{"timestamp", timestamp},
                                {"day", day},
                                {"name", kWeekDays[day[0] - '0']}});
  return 0;
}

int DaysInMonth(KAVCliContext& ioContext, int iYear, int iMonth) {
  if (iMonth < 1 || iMonth > 12)
    return KAVCliUsageError("MONTH: " + std::to_string(iMonth) +
                            " is not a month (1 to 12)");
  const int days = U::GetNumberOfDays(iYear, iMonth);
  KAVCliPrintFields(ioContext,
                    {{"year", iYear}, {"month", iMonth}, {"days", days}});
  return 0;
}

const char* PlaceholderName(int iCode) {
  switch (iCode) {
    case 21:
      return "$COID_FATHER";
    case 22:
      return "$COMPID_FATHER";
    case 11:
      return "$COID_REF";
    case 12:
      return "$COMPID_REF";
    case 1:
      return "$COID";
    case 2:
      return "$COMPID";
    default:
      return "none";
  }
}

std::string Joined(const KAVListValKAVUnicodeString& iList) {
  std::string joined;
  for (int i = 1; i <= iList.Size(); ++i) {
    if (i > 1) joined += ", ";
    joined += Str(iList[i]);
  }
  return joined;
}

int Query(KAVCliContext& ioContext, const std::string& iText, int iStatement) {
  // GetSelect keeps the blanks after a ";", while GetAtt counts from a
  // "SELECT " at position 0: the statement is analysed without them.
  const KAVUnicodeString statement =
      U::GetSelect(iText.c_str(), iStatement).Strip(KAVStripLeading, ' ');
  const int placeholder = U::IsCoidOrCompid(statement);
  KAVCliPrintFields(ioContext,
                    {{"statement", Str(statement)},
                     {"attributes", Str(U::GetAtt(statement))},
                     {"tables", Str(U::GetTable(statement))},
                     {"table names", Joined(U::GetTableList(statement))},
                     {"condition", Str(U::GetWhere(statement))},
                     {"placeholder", placeholder},
                     {"placeholder name", PlaceholderName(placeholder)}});
  return 0;
}

int ObjectName(KAVCliContext& ioContext, const std::string& iName) {
  KAVCliPrintFields(ioContext,
                    {{"owner", Str(U::ObjectOwner(iName.c_str()))},
                     {"object", Str(U::ObjectTable(iName.c_str()))}});
  return 0;
}

int Items(KAVCliContext& ioContext, const std::string& iText) {
  const KAVListValKAVUnicodeString items = U::GetItems(iText.c_str());
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= items.Size(); ++i) rows.push_back({i, Str(items[i])});
  KAVCliPrintTable(ioContext, {"#", "item"}, rows);
  return 0;
}

int Compare(KAVCliContext& ioContext, const std::string& iFirst,
            const std::string& iSecond, bool iDec) {
  KAVUnicodeString first(iFirst), second(iSecond);
  const int order = iDec ? U::CompareDecStrings(&first, &second)
                         : U::CompareStrings(&first, &second);
  KAVCliPrintFields(ioContext, {{"result", order}});
  return 0;
}

int Sort(KAVCliContext& ioContext, const std::vector<std::string>& iTexts,
         bool iDec) {
  KAVListValKAVUnicodeString list;
  for (const std::string& text : iTexts) list.Append(KAVUnicodeString(text));
  list.QuickSort(iDec ? static_cast<KAVCompareFunction>(&U::CompareDecStrings)
                      : &U::CompareStrings);
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= list.Size(); ++i) rows.push_back({i, Str(list[i])});
  KAVCliPrintTable(ioContext, {"#", "text"}, rows);
  return 0;
}

void AddUtilTextCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* util =
      KAVCliSubcommand(app, "util", "General helpers of the application");
  struct Options {
    std::string date, queryText, objectName, itemsText, quoteText, first,
        second;
    int year = 0, month = 0, statementIndex = 1;
    bool compareDec = false, sortDec = false;
    std::vector<std::string> sortTexts;
  };
  Options& o = ctx.Options<Options>();

  auto* dayOfWeek = util->add_subcommand(
      "day-of-week", "Day of the week (0 Sunday to 6) of a date or timestamp");
  dayOfWeek
      ->add_option("DATE", o.date, "YYYY-MM-DD or YYYY-MM-DD-hh.mm.ss.000000")
      ->required();
  dayOfWeek->callback([&ctx, &o]() { ctx.status = DayOfWeek(ctx, o.date); });

  auto* daysInMonth =
      util->add_subcommand("days-in-month", "Number of days in a month");
  daysInMonth->add_option("YEAR", o.year, "year")->required();
  daysInMonth->add_option("MONTH", o.month, "month, 1 to 12")->required();
  daysInMonth->callback(
      [&ctx, &o]() { ctx.status = DaysInMonth(ctx, o.year, o.month); });

  util->add_subcommand("timestamp",
                       "The current local time as a timestamp text")
      ->callback([&ctx]() {
        KAVCliPrintFields(ctx, {{"timestamp", Str(U::GetCurTimeCDMFormat())}});
        ctx.status = 0;
      });

  auto* query = util->add_subcommand(
      "query",
      "Take apart a query text: attributes, tables, condition, placeholder");
  query->add_option("TEXT", o.queryText, "statements separated by ';'")
      ->required();
  query
      ->add_option("-n,--statement", o.statementIndex,
                   "which statement, from 1")
      ->check(KAVCliRange(1, INT_MAX, "POSITIVE"));
  query->callback(
      [&ctx, &o]() { ctx.status = Query(ctx, o.queryText, o.statementIndex); });

  auto* object =
      util->add_subcommand("object-name", "Owner and object of owner.object");
  object->add_option("NAME", o.objectName, "qualified name")->required();
  object->callback(
      [&ctx, &o]() { ctx.status = ObjectName(ctx, o.objectName); });

  auto* items = util->add_subcommand(
      "items", "Comma-separated items, stripped of blanks and double quotes");
  items->add_option("TEXT", o.itemsText, "text")->required();
  items->callback([&ctx, &o]() { ctx.status = Items(ctx, o.itemsText); });

  auto* quote =
      util->add_subcommand("quote", "Quote a text for a query statement");
  quote->add_option("TEXT", o.quoteText, "text")->required();
  quote->callback([&ctx, &o]() {
    KAVCliPrintFields(ctx, {{"quoted", Str(U::qotqot(o.quoteText.c_str()))}});
    ctx.status = 0;
  });

  auto* compare = util->add_subcommand(
      "compare",
      "Compare two texts as the directory listing sorts them (-1, 0, 1)");
  compare->add_option("FIRST", o.first, "first text")->required();
  compare->add_option("SECOND", o.second, "second text")->required();
  compare->add_flag("--dec", o.compareDec,
                    "compare the values after the first comma");
  compare->callback([&ctx, &o]() {
    ctx.status = Compare(ctx, o.first, o.second, o.compareDec);
  });

  auto* sort =
      util->add_subcommand("sort", "Sort texts as the directory listing does");
  sort->add_option("TEXT", o.sortTexts, "texts")->required();
  sort->add_flag("--dec", o.sortDec, "sort key,value texts by value");
  sort->callback(
      [&ctx, &o]() { ctx.status = Sort(ctx, o.sortTexts, o.sortDec); });
}
KAV_CLI_FAMILY(AddUtilTextCommands);

const char* const kUtilTextTour[] = {
    "util timestamp",
    "util day-of-week 2024-07-01",
    "util days-in-month 2000 2",
    // One command line, written on two source lines.
    ("util query 'SELECT NAME FROM MFG.TOOLS ;SELECT NAME, DIAM FROM MFG.TOOLS "
     "t, "
     "MFG.HOLDERS h WHERE t.ID = $COID_REF ORDER BY DIAM;' -n 2"),
    "util sort b a B ab 'a b'",
};
KAV_CLI_TOUR_STEP(50, "Text, query and time helpers", kUtilTextTour);

}  // namespace
