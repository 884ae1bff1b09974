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

#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
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
  // Commands with no JSON form (the tour): the tree gives every other
  // command --json.
  std::vector<const CLI::App*> textOnly;
  // tour --scratch: the directory the tour's steps make their files in,
  // for a run that must name the same paths each time (one to replay);
  // empty: fresh temporary ones.
  std::string tourScratch;
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
// Opens iFile to read it: 0, or the input error (3) "cannot read <file>:
// <why>" for a missing or unreadable file and for a directory.
int KAVCliOpenInput(const std::string& iFile, std::ifstream& oIn);

// The subcommand iName of iParent, created on first request: lets several
// files add commands under one parent ("t4711 util ...").
CLI::App* KAVCliSubcommand(CLI::App& iParent, const std::string& iName,
                           const std::string& iDescription);

// Text and numbers as the tool prints them. KAVCliText: a library string;
// iTrim drops the trailing blanks of a kernel's fixed-width field.
// KAVCliNumber: a real as a stream prints it by default ("0.75", "1e+20").
std::string KAVCliText(const KAVUnicodeString& iText, bool iTrim = false);
std::string KAVCliNumber(double iValue);
// The library's collections made of what a command was given.
KAVListValKAVUnicodeString KAVCliStrings(
    const std::vector<std::string>& iTexts);
KAVRawCollint KAVCliInts(const std::vector<int>& iValues);
KAVRawColldouble KAVCliReals(const std::vector<double>& iValues);

// The name of a value type code, as the dictionary's facet 3, the data
// pool's fields and the declarative's possible values use them: "int" (0
// and 1), "real" (2), "text" (3); null for any other code, which each
// family words in its own way.
const char* KAVCliValueType(int iType);

// The words for the codes of one kind of thing (object kinds, national-
// name types). A code is given by its word or as a whole number, which
// passes as it is: the kernel decides what an unnamed code means.
class KAVCliWords {
 public:
  struct Word {
    const char* word;
    int code;
  };
  // iWhat names the thing in a usage error ("object kind"), iOther what a
  // number stands for ("a number", "a type code").
  KAVCliWords(const char* iWhat, std::vector<Word> iWords, const char* iOther)
      : what_(iWhat), words_(std::move(iWords)), other_(iOther) {}
  // False after reporting the usage error
  // 'unknown <what> "<text>" (<word>, <word> or <other>)'.
  bool Read(const std::string& iText, int& oCode) const;
  // The word of iCode, else the number.
  std::string Name(int iCode) const;

 private:
  const char* what_;
  std::vector<Word> words_;
  const char* other_;
};

// One cell of output: a text, or a number that JSON prints as a number.
class KAVCliCell {
 public:
  KAVCliCell(std::string iText) : text_(std::move(iText)), json_(text_) {}
  KAVCliCell(const char* iText) : KAVCliCell(std::string(iText ? iText : "")) {}
  KAVCliCell(int iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(long iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(size_t iValue) : text_(std::to_string(iValue)), json_(iValue) {}
  KAVCliCell(double iValue);
  // A text shown in a table and another value in JSON (a list of numbers
  // shown "1 2 3" and written [1,2,3]).
  KAVCliCell(std::string iText, nlohmann::json iJson)
      : text_(std::move(iText)), json_(std::move(iJson)) {}
  const std::string& Text() const { return text_; }
  const nlohmann::json& Json() const { return json_; }

 private:
  std::string text_;
  nlohmann::json json_;
};
using KAVCliRow = std::vector<KAVCliCell>;
// One row per element of iList: its position from 1, its text.
std::vector<KAVCliRow> KAVCliNumbered(const KAVListValKAVUnicodeString& iList);

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

// Failures. Each says "t4711: <message>" on standard error and returns
// its exit status; in JSON mode it is also the "error" object of the
// command's document ({"kind", "message", "status"}, and "code" for a
// kernel code).
//  - KAVCliKernelFailure: a nonzero kernel code, as "<what> failed: kernel
//    code <code> (<explanation>)" (the explanation when the loaded kernel
//    offers one); 1. Returns 0 and says nothing for code 0.
//  - KAVCliUsageError: 2. KAVCliInputError: an input file or directory
//    problem, 3.
//  - KAVCliNoKernel: no kernel the binder could use, 99.
int KAVCliKernelFailure(const char* iWhat, int iCode);
int KAVCliUsageError(const std::string& iMessage);
int KAVCliInputError(const std::string& iMessage);
int KAVCliNoKernel(const std::string& iMessage);
// A remark on standard error, "t4711: <message>", that is no failure.
void KAVCliSay(const std::string& iMessage);
// The loaded kernel's one-line meaning of a code, through its optional
// export kavsim_explain; empty when the kernel offers none.
std::string KAVCliExplainCode(int iCode);

// A symbol the kernel along STEPLIB exports beside its resolver, or null: a
// site's own kernel need not have one. iLoad: the module is loaded if no
// kernel call has loaded it yet (it is the one the binder loads, so the
// state read is what the library meets); else only a module already loaded
// is asked.
void* KAVCliKernelSymbol(const char* iName, bool iLoad);
// The reference kernel's control function NAME, typed by its declaration
// in KAVSimControl.h (never linked: the tool reaches it in the loaded
// module), or null when the kernel along STEPLIB has none:
//   auto count = KAV_CLI_KERNEL_FN(kavsim_gii_event_count);
//   if (count) ... count("OUTER") ...
#define KAV_CLI_KERNEL_FN(name) \
  reinterpret_cast<decltype(&name)>(KAVCliKernelSymbol(#name, true))

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
