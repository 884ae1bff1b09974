// t4711 journal FILE: a summary of a kernel-call journal (T4711_JOURNAL),
// in either of its forms: calls and time per routine, failures by code
// with their first occurrence, and the lists opened and never ended. The
// routine table says which value of a line is what, as it said when the
// line was written.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVCli.h"

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
};

// Splits the text form into words: a quoted text (with its escapes) and a
// bracketed array are one word each.
std::vector<std::string> Words(const std::string& iLine) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < iLine.size()) {
    if (iLine[i] == ' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    int depth = 0;
    bool quoted = false;
    for (; i < iLine.size(); ++i) {
      const char c = iLine[i];
      if (quoted) {
        if (c == '\\')
          ++i;
        else if (c == '"')
          quoted = false;
      } else if (c == '"') {
        quoted = true;
      } else if (c == '[') {
        ++depth;
      } else if (c == ']') {
        --depth;
      } else if (c == ' ' && depth == 0) {
        break;
      }
    }
    words.push_back(iLine.substr(start, i - start));
  }
  return words;
}

bool Number(const std::string& iWord, long long& oValue) {
  if (iWord.empty()) return false;
  size_t used = 0;
  try {
    oValue = std::stoll(iWord, &used);
  } catch (...) {
    return false;
  }
  return used == iWord.size();
}

int RowNamed(const std::string& iName) {
  for (int row = 0; row < kavcall::kRoutineCount; ++row)
    if (iName == kavcall::kRoutines[row].name) return row;
  return -1;
}

int Inputs(const kavcall::Routine& iRoutine) {
  int n = 0;
  for (int i = 0; i < iRoutine.argc; ++i)
    n += iRoutine.args[i].flow != Flow::kOut;
  return n;
}

bool HasCode(const kavcall::Routine& iRoutine) {
  return iRoutine.returnsCode || kavcall::Line::CodeArg(iRoutine) >= 0;
}

bool ParseText(const std::string& iLine, Call& oCall) {
  std::vector<std::string> words = Words(iLine);
  if (words.size() >= 2 && words[words.size() - 1] == "ns)" &&
      words[words.size() - 2].size() > 1 && words[words.size() - 2][0] == '(') {
    if (!Number(words[words.size() - 2].substr(1), oCall.ns)) return false;
    words.resize(words.size() - 2);
  }
  if (words.empty() || (oCall.row = RowNamed(words[0])) < 0) return false;
  const kavcall::Routine& routine = kavcall::kRoutines[oCall.row];
  const size_t arrow = 1 + static_cast<size_t>(Inputs(routine));
  if (words.size() <= arrow || words[arrow] != "->") return false;
  oCall.in.assign(words.begin() + 1, words.begin() + static_cast<long>(arrow));
  size_t next = arrow + 1;
  oCall.hasCode = HasCode(routine);
  if (oCall.hasCode) {
    if (next >= words.size()) return false;
    if (words[next] != "null" && !Number(words[next], oCall.code)) return false;
    ++next;
  }
  oCall.out.assign(words.begin() + static_cast<long>(next), words.end());
  return true;
}

bool ParseJson(const std::string& iLine, Call& oCall) {
  const nlohmann::json line = nlohmann::json::parse(iLine, nullptr, false);
  if (!line.is_object() || !line.contains("routine") ||
      !line["routine"].is_string())
    return false;
  if ((oCall.row = RowNamed(line["routine"].get<std::string>())) < 0)
    return false;
  const auto words = [&](const char* iKey, std::vector<std::string>& oWords) {
    if (!line.contains(iKey) || !line[iKey].is_array()) return false;
    for (const auto& value : line[iKey]) oWords.push_back(value.dump());
    return true;
  };
  if (!words("in", oCall.in) || !words("out", oCall.out)) return false;
  oCall.hasCode = HasCode(kavcall::kRoutines[oCall.row]);
  if (oCall.hasCode && line.contains("code") &&
      line["code"].is_number_integer())
    oCall.code = line["code"].get<long long>();
  if (line.contains("ns") && line["ns"].is_number_integer())
    oCall.ns = line["ns"].get<long long>();
  return true;
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

struct Summary {
  long lines = 0, calls = 0, unreadable = 0, firstUnreadable = 0;
  long long ns = 0;
  std::map<std::string, RoutineFigures> routines;
  std::map<long long, CodeFigures> failures;
  std::map<long long, OpenList> open;  // by handle

  void Add(const Call& iCall, long iLine) {
    const kavcall::Routine& routine = kavcall::kRoutines[iCall.row];
    RoutineFigures& figures = routines[routine.name];
    ++calls;
    ++figures.calls;
    if (iCall.ns > 0) {
      figures.ns += iCall.ns;
      ns += iCall.ns;
    }
    if (iCall.hasCode && iCall.code != 0) {
      ++figures.failures;
      CodeFigures& code = failures[iCall.code];
      if (code.calls++ == 0) {
        code.firstLine = iLine;
        code.firstRow = iCall.row;
      }
      return;
    }
    // A list is opened by a handle a call hands out, and ended by GUSEND.
    const bool ends = std::string(routine.name) == "GUSEND";
    size_t in = 0, out = 0;
    for (int i = 0; i < routine.argc; ++i) {
      const kavcall::Arg& arg = routine.args[i];
      const std::string* word = nullptr;
      if (arg.flow != Flow::kOut && in < iCall.in.size()) word = &iCall.in[in];
      if (arg.flow != Flow::kOut) ++in;
      long long handle = 0;
      if (ends && word != nullptr && arg.kind == Kind::kHandle &&
          Number(*word, handle))
        open.erase(handle);
      if (arg.flow == Flow::kIn || arg.kind == Kind::kCode) continue;
      word = out < iCall.out.size() ? &iCall.out[out] : nullptr;
      ++out;
      if (word != nullptr && arg.kind == Kind::kHandle &&
          Number(*word, handle) && handle != 0)
        open[handle] = {iCall.row, iLine};
    }
  }
};

int Summarize(KAVCliContext& ioContext, const std::string& iFile) {
  std::ifstream in(iFile);
  if (!in) return KAVCliInputError("cannot read " + iFile);
  Summary summary;
  std::string text;
  while (std::getline(in, text)) {
    ++summary.lines;
    if (text.empty()) continue;
    Call call;
    if (text[0] == '{' ? ParseJson(text, call) : ParseText(text, call)) {
      summary.Add(call, summary.lines);
    } else if (summary.unreadable++ == 0) {
      summary.firstUnreadable = summary.lines;
    }
  }
  if (in.bad()) return KAVCliInputError("cannot read " + iFile);

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
    KAVCliPrintJson({{"file", iFile},
                     {"calls", summary.calls},
                     {"ns", summary.ns},
                     {"unreadable lines", summary.unreadable},
                     {"routines", objects(routineHeaders, routines)},
                     {"failures", objects(failureHeaders, failures)},
                     {"lists never ended", objects(openHeaders, open)}});
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
  return 0;
}

void AddJournalCommands(CLI::App& app, KAVCliContext& ctx) {
  auto& file = ctx.Options<std::string>();
  auto* journal = app.add_subcommand("journal",
                                     "Summarize a kernel-call journal (written "
                                     "with T4711_JOURNAL=FILE or json:FILE)");
  journal->add_option("FILE", file, "journal file")->required();
  journal->callback([&ctx, &file] { ctx.status = Summarize(ctx, file); });
}
KAV_CLI_FAMILY(AddJournalCommands);

// The tour's last step: the first lines of the journal the tour kept of
// itself (T4711_JOURNAL, which the tour sets when it is unset), then its
// summary.
int JournalTour(KAVCliContext& ioContext) {
  const char* setting = std::getenv("T4711_JOURNAL");
  const std::string file = setting ? setting : "";
  std::ifstream in(file);
  if (file.empty() || file == "-" || file.compare(0, 5, "json:") == 0 || !in) {
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
  for (int n = 0; n < 8 && std::getline(in, line); ++n)
    std::cout << line << '\n';
  std::cout << std::endl;
  return KAVCliRunLines({"journal " + file}, ioContext);
}
KAV_CLI_TOUR_STEP(90, "Kernel-call journal", JournalTour);

}  // namespace
