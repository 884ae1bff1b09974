// Output helpers: tables, "key: value" fields, JSON documents, failures
// and their exit statuses, and the loaded kernel's explanation of a code.
//
// In JSON mode what the tool prints goes to its own descriptor (the
// original standard output), while descriptor 1 is pointed at standard
// error: the library writes its trace lines to standard output, and they
// must not corrupt the document a script reads.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "KAVCliInternal.h"
#include "KAVStepLib.h"

namespace {

struct OutputState {
  FILE* json = nullptr;  // where JSON documents go; stdout unless redirected
  bool redirected = false;
  KAVCliCapture* capture = nullptr;  // innermost `run --json` line, if any
};

OutputState& State() {
  static OutputState state;
  return state;
}

FILE* JsonStream() { return State().json ? State().json : stdout; }

}  // namespace

void KAVCliUseJsonOutput() {
  OutputState& state = State();
  if (state.redirected) return;
  std::cout.flush();
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  if (saved < 0) return;
  FILE* json = fdopen(saved, "w");
  if (json == nullptr) {
    close(saved);
    return;
  }
  dup2(STDERR_FILENO, STDOUT_FILENO);
  state.json = json;
  state.redirected = true;
}

KAVCliCapture* KAVCliSetCapture(KAVCliCapture* iCapture) {
  KAVCliCapture* previous = State().capture;
  State().capture = iCapture;
  return previous;
}

bool KAVCliFlushOutput() {
  std::cout.flush();
  bool ok = !std::cout.fail();
  ok = std::fflush(stdout) == 0 && ok;
  ok = std::ferror(stdout) == 0 && ok;
  if (State().json != nullptr) {
    ok = std::fflush(State().json) == 0 && ok;
    ok = std::ferror(State().json) == 0 && ok;
  }
  return ok;
}

KAVCliCell::KAVCliCell(double iValue) {
  std::ostringstream out;
  out << iValue;
  text_ = out.str();
  // JSON has no NaN or infinity: those stay texts.
  json_ =
      std::isfinite(iValue) ? nlohmann::json(iValue) : nlohmann::json(text_);
}

std::string KAVCliText(const KAVUnicodeString& iText, bool iTrim) {
  std::string text = iText.ToStdString();
  if (iTrim)
    while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void KAVCliPrintJson(const nlohmann::json& iValue) {
  if (KAVCliCapture* capture = State().capture) {
    capture->results.push_back(iValue);
    return;
  }
  const std::string text =
      iValue.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  std::fprintf(JsonStream(), "%s\n", text.c_str());
  std::fflush(JsonStream());
}

namespace {

// In JSON mode a failure is also a JSON object on standard output, so a
// script reading the document learns of it.
int Failure(int iStatus, const std::string& iMessage, const char* iKind,
            int iCode = 0) {
  std::cerr << "t4711: " << iMessage << std::endl;
  if (!KAVCliJsonMode()) return iStatus;
  nlohmann::json error = {
      {"kind", iKind}, {"message", iMessage}, {"status", iStatus}};
  if (iCode != 0) error["code"] = iCode;
  if (KAVCliCapture* capture = State().capture) {
    capture->error = error;
  } else {
    KAVCliPrintJson({{"error", error}});
  }
  return iStatus;
}

}  // namespace

int KAVCliUsageError(const std::string& iMessage) {
  return Failure(kKAVCliUsage, iMessage, "usage");
}

int KAVCliInputError(const std::string& iMessage) {
  return Failure(kKAVCliInput, iMessage, "input");
}

std::string KAVCliExplainCode(int iCode) {
  // Only a kernel that is loaded already is asked: explaining a code must
  // not load one. A site's own kernel need not offer the lookup.
  const char* stepLib = std::getenv("STEPLIB");
  char path[kKAVPathBufferSize];
  if (stepLib == nullptr ||
      !KAVFindOnStepLib(stepLib, std::getenv("HOME"), path))
    return std::string();
  void* module = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
  if (module == nullptr) return std::string();
  using Explain = const char* (*)(int);
  auto explain = reinterpret_cast<Explain>(dlsym(module, "kavsim_explain"));
  const char* text = explain ? explain(iCode) : nullptr;
  std::string result = text ? text : "";
  dlclose(module);
  return result;
}

void* KAVCliKernelSymbol(const char* iName) {
  const char* stepLib = std::getenv("STEPLIB");
  char path[kKAVPathBufferSize];
  if (stepLib == nullptr ||
      !KAVFindOnStepLib(stepLib, std::getenv("HOME"), path))
    return nullptr;
  void* module = dlopen(path, RTLD_LAZY);  // never closed: the binder's own
  return module ? dlsym(module, iName) : nullptr;
}

int KAVCliKernelFailure(const char* iWhat, int iCode) {
  if (iCode == 0) return 0;
  const std::string explanation = KAVCliExplainCode(iCode);
  std::string message =
      std::string(iWhat) + " failed: kernel code " + std::to_string(iCode);
  if (!explanation.empty()) message += " (" + explanation + ")";
  return Failure(kKAVCliKernelFailed, message, "kernel", iCode);
}

namespace {

bool Digits(const std::string& iText, size_t iFrom, size_t& oEnd) {
  oEnd = iFrom;
  while (oEnd < iText.size() && iText[oEnd] >= '0' && iText[oEnd] <= '9')
    ++oEnd;
  return oEnd > iFrom;
}

// [+-]digits, the whole text. strtoll then reads it in base 10 exactly.
bool IsWholeNumber(const std::string& iText) {
  const size_t start = !iText.empty() && (iText[0] == '+' || iText[0] == '-');
  size_t end = 0;
  return Digits(iText, start, end) && end == iText.size();
}

// [+-](digits[.digits] | .digits)[(e|E)[+-]digits], the whole text: what
// strtod reads as decimal, without its words (nan, inf) and hexadecimal.
bool IsDecimalNumber(const std::string& iText) {
  size_t at = !iText.empty() && (iText[0] == '+' || iText[0] == '-');
  size_t end = 0;
  const bool whole = Digits(iText, at, end);
  at = end;
  bool fraction = false;
  if (at < iText.size() && iText[at] == '.') {
    fraction = Digits(iText, at + 1, end);
    at = fraction ? end : at + 1;
  }
  if (!whole && !fraction) return false;
  if (at < iText.size() && (iText[at] == 'e' || iText[at] == 'E')) {
    ++at;
    if (at < iText.size() && (iText[at] == '+' || iText[at] == '-')) ++at;
    if (!Digits(iText, at, end)) return false;
    at = end;
  }
  return at == iText.size();
}

bool NotANumber(const std::string& iText, const char* iWhat,
                std::string* oWhy) {
  if (oWhy != nullptr)
    *oWhy = iText.find_first_not_of(" \t") == std::string::npos
                ? std::string("an empty text is not a number")
                : "\"" + iText + "\" is not " + iWhat;
  return false;
}

}  // namespace

bool KAVCliReadLong(const std::string& iText, long long& oValue) {
  if (!IsWholeNumber(iText)) return false;
  errno = 0;
  const long long value = std::strtoll(iText.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  oValue = value;
  return true;
}

bool KAVCliReadInt(const std::string& iText, int& oValue, std::string* oWhy) {
  long long value = 0;
  if (!KAVCliReadLong(iText, value) || value < INT_MIN || value > INT_MAX)
    return NotANumber(iText, "a whole number in range", oWhy);
  oValue = static_cast<int>(value);
  return true;
}

// strtod answers ERANGE for a value past the largest double (then
// infinite), for a nonzero one that rounds to 0, and for a subnormal: the
// first two would be another number than the one written, a subnormal is
// kept.
bool KAVCliReadReal(const std::string& iText, double& oValue,
                    std::string* oWhy) {
  if (!IsDecimalNumber(iText))
    return NotANumber(iText, "a decimal number", oWhy);
  errno = 0;
  const double value = std::strtod(iText.c_str(), nullptr);
  if (!std::isfinite(value) || (errno == ERANGE && value == 0.0))
    return NotANumber(iText, "a number a double holds", oWhy);
  oValue = value;
  return true;
}

bool KAVCliParseInt(const std::string& iText, const char* iWhat, int& oValue) {
  std::string why;
  if (KAVCliReadInt(iText, oValue, &why)) return true;
  KAVCliUsageError(std::string(iWhat) + ": " + why);
  return false;
}

bool KAVCliParseReal(const std::string& iText, const char* iWhat,
                     double& oValue) {
  std::string why;
  if (KAVCliReadReal(iText, oValue, &why)) return true;
  KAVCliUsageError(std::string(iWhat) + ": " + why);
  return false;
}

CLI::Validator KAVCliRange(int iLow, int iHigh,
                           const std::string& iDescription) {
  const std::string description = !iDescription.empty()
                                      ? iDescription
                                      : "INT in [" + std::to_string(iLow) +
                                            " - " + std::to_string(iHigh) + "]";
  return CLI::Validator(
      [iLow, iHigh](std::string& ioText) {
        int value = 0;
        std::string why;
        if (!KAVCliReadInt(ioText, value, &why)) return why;
        if (value < iLow || value > iHigh)
          return "Value " + ioText + " not in range " + std::to_string(iLow) +
                 " to " + std::to_string(iHigh);
        return std::string();
      },
      description);
}

void KAVCliPrintTable(const KAVCliContext& iContext,
                      const std::vector<std::string>& iHeaders,
                      const std::vector<KAVCliRow>& iRows) {
  if (iContext.json) {
    nlohmann::json rows = nlohmann::json::array();
    for (const auto& row : iRows) {
      nlohmann::json object = nlohmann::json::object();
      for (size_t i = 0; i < iHeaders.size() && i < row.size(); ++i)
        object[iHeaders[i]] = row[i].Json();
      rows.push_back(object);
    }
    KAVCliPrintJson(rows);
    return;
  }
  std::vector<size_t> widths(iHeaders.size());
  for (size_t i = 0; i < iHeaders.size(); ++i) widths[i] = iHeaders[i].size();
  for (const auto& row : iRows)
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], row[i].Text().size());
  auto printRow = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t i = 0; i < widths.size(); ++i) {
      std::string cell = i < row.size() ? row[i] : "";
      if (i + 1 < widths.size()) cell.resize(widths[i], ' ');
      line += cell;
      if (i + 1 < widths.size()) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << '\n';
  };
  printRow(iHeaders);
  std::vector<std::string> rule;
  for (size_t w : widths) rule.push_back(std::string(w, '-'));
  printRow(rule);
  for (const auto& row : iRows) {
    std::vector<std::string> texts;
    for (const KAVCliCell& cell : row) texts.push_back(cell.Text());
    printRow(texts);
  }
  std::cout << "(" << iRows.size() << (iRows.size() == 1 ? " row)" : " rows)")
            << std::endl;
}

void KAVCliPrintFields(
    const KAVCliContext& iContext,
    const std::vector<std::pair<std::string, KAVCliCell>>& iFields) {
  if (iContext.json) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& field : iFields) object[field.first] = field.second.Json();
    KAVCliPrintJson(object);
    return;
  }
  size_t width = 0;
  for (const auto& field : iFields) width = std::max(width, field.first.size());
  for (const auto& field : iFields)
    std::cout << field.first << ':'
              << std::string(width - field.first.size() + 1, ' ')
              << field.second.Text() << '\n';
  std::cout.flush();
}

void KAVCliTourHeading(const char* iTitle) {
  const size_t used = std::min<size_t>(56, std::strlen(iTitle));
  std::cout << "\n== " << iTitle << " " << std::string(60 - used, '=') << "\n"
            << std::endl;
}
