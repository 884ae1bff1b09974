// t4711 journal FILE: a summary of the library's journal (T4711_JOURNAL),
// in either of its forms: calls and time per routine, failures by code
// with their first occurrence, and the lists opened and never ended. The
// routine table says which value of a line is what, as it said when the
// line was written.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVCli.h"
#include "KAVCliTraceEvents.h"

namespace {

using kavcall::Flow;
using kavcall::Kind;

// One journal line taken apart: inputs and outputs as written (a quoted
// text, an array or a bare word each), the code, the time.
struct Call {
  int row = -1;
  std::vector<std::string> in, out;
  bool hasCode = false;
  long long code = 0;
  long long ns = -1;
  long long thread = 1;  // numbered by first call; the first is unmarked
};

bool Number(const std::string& iWord, long long& oValue) {
  return KAVCliReadLong(iWord, oValue);
}

// A line is understood only when it has the shape the routine table
// gives its routine: that many inputs, the code when the routine has one,
// that many outputs, and a time of whole nanoseconds when there is one.
// Texts are written escaped, so a raw control byte (a CR left by a
// transfer, a NUL) means the line is not one the journal wrote.
bool ParseText(const std::string& iLine, Call& oCall) {
  for (const char c : iLine)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  std::vector<std::string> words = kavcall::SplitLine(iLine);
  if (words.size() >= 2 && words[words.size() - 1] == "ns)" &&
      words[words.size() - 2].size() > 1 && words[words.size() - 2][0] == '(') {
    if (!Number(words[words.size() - 2].substr(1), oCall.ns) || oCall.ns < 0)
      return false;
    words.resize(words.size() - 2);
  }
  if (!words.empty() && words.back().size() > 1 && words.back()[0] == '@') {
    if (!Number(words.back().substr(1), oCall.thread) || oCall.thread < 2)
      return false;
    words.pop_back();
  }
  if (words.empty() || (oCall.row = kavcall::RowOf(words[0])) < 0) return false;
  const kavcall::Routine& routine = kavcall::kRoutines[oCall.row];
  const size_t arrow = 1 + static_cast<size_t>(kavcall::InputCount(routine));
  if (words.size() <= arrow || words[arrow] != "->") return false;
  oCall.in.assign(words.begin() + 1, words.begin() + static_cast<long>(arrow));
  size_t next = arrow + 1;
  oCall.hasCode = kavcall::HasCode(routine);
  if (oCall.hasCode) {
    if (next >= words.size()) return false;
    if (words[next] != "null" && !Number(words[next], oCall.code)) return false;
    ++next;
  }
  if (words.size() - next != static_cast<size_t>(kavcall::OutputCount(routine)))
    return false;
  oCall.out.assign(words.begin() + static_cast<long>(next), words.end());
  return true;
}

// The deepest nesting of arrays and objects in a JSON text, strings
// skipped; counting stops past iMost. A journal line nests three deep (the
// line, its "in" or "out", an array value); a deeper one is refused before
// it is parsed, so that no value of it is ever walked recursively.
int Depth(const std::string& iText, int iMost) {
  int depth = 0, deepest = 0;
  kavcall::QuoteScan scan(iText);
  for (size_t i = 0; i < iText.size() && deepest <= iMost; ++i) {
    if (scan.Quoted(i)) continue;
    const char c = iText[i];
    if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// A whole number a long long holds, as JSON may write it (signed or not).
bool JsonWhole(const nlohmann::json& iValue, long long& oValue) {
  if (iValue.is_number_unsigned()) {
    const auto value = iValue.get<unsigned long long>();
    if (value > static_cast<unsigned long long>(LLONG_MAX)) return false;
    oValue = static_cast<long long>(value);
    return true;
  }
  if (!iValue.is_number_integer()) return false;
  oValue = iValue.get<long long>();
  return true;
}

constexpr int kJsonLineDepth = 3;

bool ParseJson(const std::string& iLine, Call& oCall) {
  if (Depth(iLine, kJsonLineDepth) > kJsonLineDepth) return false;
  const nlohmann::json line = nlohmann::json::parse(iLine, nullptr, false);
  if (!line.is_object() || !line.contains("routine") ||
      !line["routine"].is_string())
    return false;
  if ((oCall.row = kavcall::RowOf(line["routine"].get<std::string>())) < 0)
    return false;
  const kavcall::Routine& routine = kavcall::kRoutines[oCall.row];
  const auto words = [&](const char* iKey, int iCount,
                         std::vector<std::string>& oWords) {
    if (!line.contains(iKey) || !line[iKey].is_array() ||
        line[iKey].size() != static_cast<size_t>(iCount))
      return false;
    for (const auto& value : line[iKey])
      oWords.push_back(
          value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    return true;
  };
  if (!words("in", kavcall::InputCount(routine), oCall.in) ||
      !words("out", kavcall::OutputCount(routine), oCall.out))
    return false;
  oCall.hasCode = kavcall::HasCode(routine);
  if (oCall.hasCode) {
    if (!line.contains("code")) return false;
    if (!line["code"].is_null() && !JsonWhole(line["code"], oCall.code))
      return false;
  }
  if (line.contains("ns") && (!JsonWhole(line["ns"], oCall.ns) || oCall.ns < 0))
    return false;
  return !line.contains("thread") ||
         (JsonWhole(line["thread"], oCall.thread) && oCall.thread >= 2);
}

struct RoutineFigures {
  long calls = 0, failures = 0;
  long long ns = 0;
};
struct CodeFigures {
  long calls = 0;
  long firstLine = 0;
  int firstRow = 0;
};
struct OpenList {
  int row;
  long line;
};

bool Ends(const Call& iCall) { return iCall.row == kavcall::Row("GUSEND"); }

// The list handles among a call's inputs (oUsed) and its outputs
// (oOpened, a handle 0 being none).
void Lists(const Call& iCall, std::vector<long long>& oUsed,
           std::vector<long long>& oOpened) {
  const kavcall::Routine& routine = kavcall::kRoutines[iCall.row];
  size_t in = 0, out = 0;
  for (int i = 0; i < routine.argc; ++i) {
    const kavcall::Arg& arg = routine.args[i];
    long long handle = 0;
    if (arg.flow != Flow::kOut && in++ < iCall.in.size() &&
        arg.kind == Kind::kHandle && Number(iCall.in[in - 1], handle))
      oUsed.push_back(handle);
    if (arg.flow == Flow::kIn || arg.kind == Kind::kCode) continue;
    if (out++ < iCall.out.size() && arg.kind == Kind::kHandle &&
        Number(iCall.out[out - 1], handle) && handle != 0)
      oOpened.push_back(handle);
  }
}

bool Failed(const Call& iCall) { return iCall.hasCode && iCall.code != 0; }

KAVCliTracedCall Traced(const Call& iCall, long iLine) {
  KAVCliTracedCall traced;
  traced.routine = kavcall::kRoutines[iCall.row].name;
  traced.line = iLine;
  traced.ns = iCall.ns > 0 ? iCall.ns : 0;
  traced.thread = iCall.thread;
  traced.in = iCall.in;
  traced.out = iCall.out;
  if (iCall.hasCode) traced.code = iCall.code;
  std::vector<long long> opened;
  Lists(iCall, traced.used, opened);
  if (!Failed(iCall)) traced.opened = opened;
  traced.ends = Ends(iCall) && !Failed(iCall);
  return traced;
}

struct Summary {
  long lines = 0, calls = 0, unreadable = 0, firstUnreadable = 0;
  long long ns = 0;
  std::map<std::string, RoutineFigures> routines;
  std::map<long long, CodeFigures> failures;
  std::map<long long, OpenList> open;  // by handle

  // False, adding nothing, for a call whose time the total cannot hold:
  // a routine's total is part of the whole, so neither ever wraps.
  bool Add(const Call& iCall, long iLine) {
    if (iCall.ns > LLONG_MAX - ns) return false;
    const kavcall::Routine& routine = kavcall::kRoutines[iCall.row];
    RoutineFigures& figures = routines[routine.name];
    ++calls;
    ++figures.calls;
    if (iCall.ns > 0) {
      figures.ns += iCall.ns;
      ns += iCall.ns;
    }
    if (Failed(iCall)) {
      ++figures.failures;
      CodeFigures& code = failures[iCall.code];
      if (code.calls++ == 0) {
        code.firstLine = iLine;
        code.firstRow = iCall.row;
      }
      return true;
    }
    // A list is opened by a handle a call hands out, and ended by GUSEND.
    std::vector<long long> used, opened;
    Lists(iCall, used, opened);
    if (Ends(iCall))
      for (long long handle : used) open.erase(handle);
    for (long long handle : opened) open[handle] = {iCall.row, iLine};
    return true;
  }
};

// Longer than any line a journal writes (texts are shown up to 64 KiB,
// escaped at most four bytes to one): a longer line is not understood,
// and is skipped without being kept.
constexpr size_t kMostLineBytes = 16 << 20;

// The line a journal begins with, naming its format (in either form).
bool IsHeader(const std::string& iLine) {
  return iLine.rfind(kavcall::kTextHeader, 0) == 0 ||
         iLine.rfind(kavcall::kJsonHeader, 0) == 0;
}

// Writes the picture of the journal's calls; 0, or the output problem (3).
int WriteTraceEvents(const std::string& iJournal, const std::string& iOut,
                     const std::vector<KAVCliTracedCall>& iCalls,
                     int& oOperations) {
  const nlohmann::json document =
      KAVCliTraceEvents(iJournal, iCalls, oOperations);
  std::ofstream out(iOut, std::ios::trunc);
  if (out)
    out << document.dump(-1, ' ', false,
                         nlohmann::json::error_handler_t::replace)
        << '\n';
  out.close();
  if (!out)
    return KAVCliInputError("cannot write " + iOut + ": " +
                            std::strerror(errno));
  return 0;
}

int Summarize(KAVCliContext& ioContext, const std::string& iFile,
              const std::string& iTraceEvents) {
  std::ifstream in;
  if (const int status = KAVCliOpenInput(iFile, in)) return status;
  Summary summary;
  std::vector<KAVCliTracedCall> traced;
  std::string text;
  for (KAVCliLineRead read; (read = KAVCliReadLine(in, kMostLineBytes, text)) !=
                            KAVCliLineRead::kEnd;) {
    ++summary.lines;
    if (read == KAVCliLineRead::kTooLong) KAVCliSkipLine(in);
    if (read == KAVCliLineRead::kLine && (text.empty() || IsHeader(text)))
      continue;
    Call call;
    const bool understood =
        read == KAVCliLineRead::kLine &&
        (text[0] == '{' ? ParseJson(text, call) : ParseText(text, call)) &&
        summary.Add(call, summary.lines);
    if (!understood && summary.unreadable++ == 0)
      summary.firstUnreadable = summary.lines;
    if (understood && !iTraceEvents.empty())
      traced.push_back(Traced(call, summary.lines));
  }
  if (in.bad()) return KAVCliInputError("cannot read " + iFile);
  if (summary.calls == 0)
    return KAVCliInputError(
        iFile + " holds no journal line (" +
        (summary.lines == 0 ? std::string("it is empty")
                            : std::to_string(summary.lines) +
                                  (summary.lines == 1 ? " line" : " lines") +
                                  ", none understood") +
        ")");
  int operations = 0;
  if (!iTraceEvents.empty())
    if (const int status =
            WriteTraceEvents(iFile, iTraceEvents, traced, operations))
      return status;

  std::vector<KAVCliRow> routines, failures, open;
  for (const auto& [name, figures] : summary.routines)
    routines.push_back({name, figures.calls, figures.failures, long(figures.ns),
                        long(figures.ns / figures.calls)});
  for (const auto& [code, figures] : summary.failures)
    failures.push_back({long(code), figures.calls, figures.firstLine,
                        kavcall::kRoutines[figures.firstRow].name});
  for (const auto& [handle, list] : summary.open)
    open.push_back(
        {long(handle), kavcall::kRoutines[list.row].name, list.line});
  const std::vector<std::string> routineHeaders = {
      "routine", "calls", "failures", "ns", "ns per call"};
  const std::vector<std::string> failureHeaders = {
      "code", "calls", "first line", "first routine"};
  const std::vector<std::string> openHeaders = {"handle", "opened by", "line"};
  if (ioContext.json) {
    const auto objects = [](const std::vector<std::string>& iHeaders,
                            const std::vector<KAVCliRow>& iRows) {
      nlohmann::json array = nlohmann::json::array();
      for (const KAVCliRow& row : iRows) {
        nlohmann::json object;
        for (size_t i = 0; i < iHeaders.size(); ++i)
          object[iHeaders[i]] = row[i].Json();
        array.push_back(object);
      }
      return array;
    };
    nlohmann::json document = {
        {"file", iFile},
        {"calls", summary.calls},
        {"ns", summary.ns},
        {"unreadable lines", summary.unreadable},
        {"routines", objects(routineHeaders, routines)},
        {"failures", objects(failureHeaders, failures)},
        {"lists never ended", objects(openHeaders, open)}};
    if (!iTraceEvents.empty())
      document["trace events"] = {{"file", iTraceEvents},
                                  {"calls", traced.size()},
                                  {"operations", operations}};
    KAVCliPrintJson(document);
    return 0;
  }
  std::cout << iFile << ": " << summary.calls << " calls of " << routines.size()
            << " routines, " << summary.ns << " ns in the kernel" << std::endl;
  if (summary.unreadable != 0)
    std::cout << "lines not understood: " << summary.unreadable
              << " (the first: line " << summary.firstUnreadable << ")"
              << std::endl;
  std::cout << '\n';
  KAVCliPrintTable(ioContext, routineHeaders, routines);
  std::cout << "\nfailures by code" << (failures.empty() ? ": none" : "")
            << std::endl;
  if (!failures.empty()) KAVCliPrintTable(ioContext, failureHeaders, failures);
  std::cout << "\nlists opened and never ended"
            << (open.empty() ? ": none" : "") << std::endl;
  if (!open.empty()) KAVCliPrintTable(ioContext, openHeaders, open);
  if (!iTraceEvents.empty())
    std::cout << "\ntrace events: " << iTraceEvents << " (" << traced.size()
              << " calls, " << operations << " operations)" << std::endl;
  return 0;
}

void AddJournalCommands(CLI::App& app, KAVCliContext& ctx) {
  struct Options {
    std::string file, traceEvents;
  };
  Options& o = ctx.Options<Options>();
  auto* journal = app.add_subcommand("journal",
                                     "Summarize a kernel-call journal (written "
                                     "with T4711_JOURNAL=FILE or json:FILE)");
  journal->add_option("FILE", o.file, "journal file")->required();
  journal->add_option("--trace-events", o.traceEvents,
                      "also write its calls to OUT.json in the Trace Event "
                      "format (Perfetto, chrome://tracing)");
  journal->callback(
      [&ctx, &o] { ctx.status = Summarize(ctx, o.file, o.traceEvents); });
}
KAV_CLI_FAMILY(AddJournalCommands);

// iText as one word of a command line, as a shell and `t4711 run` take
// it back: single-quoted unless it is all letters, digits and _./:=+,@%-,
// and never taken for an option.
std::string Word(const std::string& iText) {
  const std::string word =
      !iText.empty() && iText[0] == '-' ? "./" + iText : iText;
  if (!word.empty() &&
      word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                             "vwxyz0123456789_./:=+,@%-") == std::string::npos)
    return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? "'\\''" : std::string(1, c);
  return quoted + "'";
}

// The tour's last step: the first lines of the journal the tour kept of
// itself (T4711_JOURNAL, which the tour sets when it is unset), then its
// summary. Only a regular file is read back: the tour's own calls are
// still writing to the journal, so a FIFO would be read from under its
// reader, or waited on for ever, and a device never ends.
int JournalTour(KAVCliContext& ioContext) {
  const char* setting = std::getenv("T4711_JOURNAL");
  const std::string file = setting ? setting : "";
  struct stat info {};
  const bool regular = !file.empty() && file != "-" &&
                       file.compare(0, 5, "json:") != 0 &&
                       stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  std::ifstream in;
  if (regular) in.open(file);
  if (!regular || !in) {
    std::cout << "The journal goes to " << (file.empty() ? "nowhere" : file)
              << ": nothing to show here." << std::endl;
    return 0;
  }
  std::cout
      << "Every kernel call of this tour went to a journal "
         "(T4711_JOURNAL=FILE):\n"
         "the routine and its inputs, then ->, the return code, the outputs\n"
         "and the time taken. Its first lines:\n"
      << std::endl;
  std::string line;
  for (int n = 0; n < 8 && KAVCliReadLine(in, kMostLineBytes, line) ==
                               KAVCliLineRead::kLine;)
    if (!IsHeader(line)) {
      std::cout << line << '\n';
      ++n;
    }
  std::cout << std::endl;
  return KAVCliRunLines({"journal " + Word(file)}, ioContext);
}
KAV_CLI_TOUR_STEP(90, "Kernel-call journal", JournalTour);

}  // namespace
