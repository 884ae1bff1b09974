// What every t4711 command family shares: registration of its commands and
// of its step of the tour, option storage, the --json switch, table and
// JSON output, exit statuses, and the way a kernel failure is reported.
//
// A family adds itself from its own file, with no change to main.cpp:
//
//   static void AddDictionaryCommands(CLI::App& app, KAVCliContext& ctx);
//   KAV_CLI_FAMILY(AddDictionaryCommands);
//
// and its step of the tour is the list of command lines it runs, each run
// exactly as `t4711 run` runs a line of a command file, so the tour shows
// what runs:
//
//   const char* const kDictionaryTour[] = {
//       "# what is loaded, then its classes",
//       "dictionary current",
//       "dictionary classes",
//       "!dictionary values MfgSpecMachine MFG_NB_FLUTES",  // expected to fail
//   };
//   KAV_CLI_TOUR_STEP(30, "NC dictionary", kDictionaryTour);
//
// A line starting with "#" is printed as a remark; a line starting with
// "!" shows a failure on purpose: the step fails if that command succeeds.
// A function `int Step(KAVCliContext&)` may be registered instead.
#ifndef KAVCli_h
#define KAVCli_h

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "KAVUnicodeString.h"

// Exit statuses of t4711, one meaning each.
enum KAVCliStatus {
  kKAVCliOk = 0,
  kKAVCliKernelFailed = 1,  // a kernel call reported a failure
  kKAVCliUsage = 2,         // bad option, bad number, missing argument
  kKAVCliInput = 3,         // an input file or directory problem
  kKAVCliNoKernel = 99      // the binder could not load a kernel
};

struct KAVCliContext {
  bool json = false;  // --json: machine-readable output on stdout
  // Exit status of the command that ran; a command callback sets it.
  int status = 0;
  // The words of the command line being run.
  std::vector<std::string> words;
  // Fresh storage for a family's options, for one build of the command
  // tree: the callbacks read it after parsing, and `t4711 run` builds a
  // new tree for every line, so no option keeps a previous line's value.
  template <class T>
  T& Options() {
    auto options = std::make_shared<T>();
    storage_.push_back(options);
    return *options;
  }

 private:
  std::vector<std::shared_ptr<void>> storage_;
};

using KAVCliFamily = void (*)(CLI::App&, KAVCliContext&);
using KAVCliTourStep = int (*)(KAVCliContext&);

struct KAVCliFamilyRegistration {
  explicit KAVCliFamilyRegistration(KAVCliFamily iFamily);
};
struct KAVCliTourRegistration {
  KAVCliTourRegistration(int iOrder, const char* iTitle, KAVCliTourStep iStep);
  KAVCliTourRegistration(int iOrder, const char* iTitle,
                         std::vector<std::string> iLines);
  template <size_t N>
  KAVCliTourRegistration(int iOrder, const char* iTitle,
                         const char* const (&iLines)[N])
      : KAVCliTourRegistration(iOrder, iTitle,
                               std::vector<std::string>(iLines, iLines + N)) {}
  template <size_t N>
  KAVCliTourRegistration(int iOrder, const char* iTitle,
                         const char* const (*iLines)[N])
      : KAVCliTourRegistration(iOrder, iTitle, *iLines) {}
};

#define KAV_CLI_FAMILY(FN) \
  static KAVCliFamilyRegistration kavCliFamily_##FN(&FN)
#define KAV_CLI_TOUR_STEP(ORDER, TITLE, STEP) \
  static KAVCliTourRegistration kavCliTour_##STEP(ORDER, TITLE, STEP)

// Builds the whole command tree (every registered family) into iApp.
void KAVCliBuild(CLI::App& iApp, KAVCliContext& ioContext);
// Parses and runs one command line; returns its exit status.
int KAVCliRun(int iArgc, const char* const* iArgv);
int KAVCliRunWords(const std::vector<std::string>& iWords,
                   KAVCliContext& ioContext);
// Runs command lines as `t4711 run` runs the lines of a file, showing each
// as "$ t4711 <line>" (a tour step as a function can use it too). Returns
// 0, or the status of the first line that did not end as expected.
int KAVCliRunLines(const std::vector<std::string>& iLines,
                   KAVCliContext& ioContext);
// Splits a command line into words as a shell would for plain quoting.
// Returns false (with the reason in oError) for an unterminated quote.
bool KAVCliSplitWords(const std::string& iLine,
                      std::vector<std::string>& oWords, std::string& oError);

// Reads one line, without its '\n', of at most iMost bytes: kLine, or
// kTooLong when it goes on past iMost (oLine then holds its first iMost
// bytes and the rest is left unread: KAVCliSkipLine passes over it), or
// kEnd when nothing is left. A last line without '\n' is a line.
enum class KAVCliLineRead { kLine, kTooLong, kEnd };
KAVCliLineRead KAVCliReadLine(std::istream& ioIn, size_t iMost,
                              std::string& oLine);
void KAVCliSkipLine(std::istream& ioIn);

// The subcommand iName of iParent, created on first request: lets several
// files add commands under one parent ("t4711 util ...").
CLI::App* KAVCliSubcommand(CLI::App& iParent, const std::string& iName,
                           const std::string& iDescription);

// The text of a library string as the tool prints it; iTrim drops the
// trailing blanks of a kernel's fixed-width field.
std::string KAVCliText(const KAVUnicodeString& iText, bool iTrim = false);

// One cell of output: a text, or a number that JSON prints as a number.
class KAVCliCell {
 public:
  KAVCliCell(std::string iText) : text_(std::move(iText)), json_(text_) {}
  KAVCliCell(const char* iText) : KAVCliCell(std::string(iText ? iText : "")) {}
  KAVCliCell(int iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(long iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(size_t iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(double iValue);
  const std::string& Text() const { return text_; }
  const nlohmann::json& Json() const { return json_; }

 private:
  std::string text_;
  nlohmann::json json_;
};
using KAVCliRow = std::vector<KAVCliCell>;

// Output helpers. A table prints a header row and aligned columns; with
// --json the same rows print as an array of objects.
void KAVCliPrintTable(const KAVCliContext& iContext,
                      const std::vector<std::string>& iHeaders,
                      const std::vector<KAVCliRow>& iRows);
// Rows of texts held in a variable (brace lists pick the overload above).
template <class Cell>
void KAVCliPrintTable(const KAVCliContext& iContext,
                      const std::vector<std::string>& iHeaders,
                      const std::vector<std::vector<Cell>>& iRows) {
  std::vector<KAVCliRow> rows;
  for (const auto& row : iRows) rows.emplace_back(row.begin(), row.end());
  KAVCliPrintTable(iContext, iHeaders, rows);
}
void KAVCliPrintJson(const nlohmann::json& iValue);
// Prints "key: value" lines, or one JSON object with --json.
void KAVCliPrintFields(
    const KAVCliContext& iContext,
    const std::vector<std::pair<std::string, KAVCliCell>>& iFields);
template <class Value>
void KAVCliPrintFields(
    const KAVCliContext& iContext,
    const std::vector<std::pair<std::string, Value>>& iFields) {
  KAVCliPrintFields(iContext, std::vector<std::pair<std::string, KAVCliCell>>(
                                  iFields.begin(), iFields.end()));
}

// Reports a nonzero kernel code on standard error, as
// "t4711: <what> failed: kernel code <code> (<explanation>)" (the
// explanation when the loaded kernel offers one), and returns the exit
// status to use (1). Returns 0 and prints nothing for code 0.
int KAVCliKernelFailure(const char* iWhat, int iCode);
// Reports a usage error ("t4711: <message>") and returns 2.
int KAVCliUsageError(const std::string& iMessage);
// Reports an input file or directory problem and returns 3.
int KAVCliInputError(const std::string& iMessage);
// The loaded kernel's one-line meaning of a code, through its optional
// export kavsim_explain; empty when the kernel offers none.
std::string KAVCliExplainCode(int iCode);

// A symbol the kernel along STEPLIB exports beside its resolver (the
// reference kernel's control API), or null: a site's own kernel need not
// have one. The module is loaded if no kernel call has loaded it yet; it
// is the one the binder loads, so the state read is what the library meets.
void* KAVCliKernelSymbol(const char* iName);

// Numbers, read one way by every command: the tree passes the text of
// every int and real option through these readings before CLI11 converts
// it, and a family that takes a number apart itself calls them too.
//  - A whole number is decimal digits with an optional sign and nothing
//    else, within its range: "010" is ten; "0x10", " 5", "1.0" and "1e3"
//    are refused (CLI11 alone would read "0x10" as 16 and "010" as 8).
//  - A real is decimal with an optional fraction and exponent ("2.5",
//    "-.5", "1e-3") whose value a double holds: "nan", "inf", "0x1p3" and
//    "1e999" are refused.
// Each returns false for anything else, with the reason in oWhy ("an
// empty text is not a number", "\"abc\" is not a whole number in range").
bool KAVCliReadInt(const std::string& iText, int& oValue,
                   std::string* oWhy = nullptr);
bool KAVCliReadLong(const std::string& iText, long long& oValue);
bool KAVCliReadReal(const std::string& iText, double& oValue,
                    std::string* oWhy = nullptr);
// The same for an argument: on failure reports the usage error
// "<iWhat>: <reason>" and returns false.
bool KAVCliParseInt(const std::string& iText, const char* iWhat, int& oValue);
bool KAVCliParseReal(const std::string& iText, const char* iWhat,
                     double& oValue);
// A check for an int option, read as above: "Value 7 not in range 1 to 3"
// outside iLow..iHigh. iDescription is what --help shows beside the
// option (default "INT in [1 - 3]").
CLI::Validator KAVCliRange(int iLow, int iHigh,
                           const std::string& iDescription = "");

// The reference kernel's site directory: KAVSIM_SITE, else "site" beside
// the KAVSYMB found along STEPLIB (what the kernel itself reads).
std::string KAVCliKernelSiteDirectory();

// Tour output: a section heading.
void KAVCliTourHeading(const char* iTitle);

#endif
