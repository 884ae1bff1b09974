// What every t4711 command family shares: registration of its commands and
// of its step of the tour, the --json switch, table and JSON output, and
// the way a kernel failure is reported.
//
// A family adds itself from its own file, with no change to main.cpp:
//
//   static void AddDictionaryCommands(CLI::App& app, KAVCliContext& ctx);
//   KAV_CLI_FAMILY(AddDictionaryCommands);
//   static int DictionaryTour(KAVCliContext& ctx);
//   KAV_CLI_TOUR_STEP(30, "NC dictionary", DictionaryTour);
#ifndef KAVCli_h
#define KAVCli_h

#include <CLI/CLI.hpp>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct KAVCliContext {
  bool json = false;  // --json: machine-readable output on stdout
  // Exit status of the command that ran; a command callback sets it.
  int status = 0;
};

using KAVCliFamily = void (*)(CLI::App&, KAVCliContext&);
using KAVCliTourStep = int (*)(KAVCliContext&);

struct KAVCliFamilyRegistration {
  explicit KAVCliFamilyRegistration(KAVCliFamily iFamily);
};
struct KAVCliTourRegistration {
  KAVCliTourRegistration(int iOrder, const char* iTitle, KAVCliTourStep iStep);
};

#define KAV_CLI_FAMILY(FN) static KAVCliFamilyRegistration kavCliFamily_##FN(&FN)
#define KAV_CLI_TOUR_STEP(ORDER, TITLE, FN) \
  static KAVCliTourRegistration kavCliTour_##FN(ORDER, TITLE, &FN)

// Builds the whole command tree (every registered family) into iApp.
void KAVCliBuild(CLI::App& iApp, KAVCliContext& ioContext);
// Parses and runs one command line; returns its exit status.
int KAVCliRun(int iArgc, const char* const* iArgv);
int KAVCliRunWords(const std::vector<std::string>& iWords,
                   KAVCliContext& ioContext);

// The subcommand iName of iParent, created on first request: lets several
// files add commands under one parent ("t4711 util ...").
CLI::App* KAVCliSubcommand(CLI::App& iParent, const std::string& iName,
                           const std::string& iDescription);

// Output helpers. A table prints a header row and aligned columns; with
// --json the same rows print as an array of objects.
void KAVCliPrintTable(const KAVCliContext& iContext,
                      const std::vector<std::string>& iHeaders,
                      const std::vector<std::vector<std::string>>& iRows);
void KAVCliPrintJson(const nlohmann::json& iValue);
// Prints "key: value" lines, or one JSON object with --json.
void KAVCliPrintFields(
    const KAVCliContext& iContext,
    const std::vector<std::pair<std::string, std::string>>& iFields);

// Reports a nonzero kernel code on standard error, as
// "t4711: <what> failed: kernel code <code> (<explanation>)", and returns
// the exit status to use (1). Returns 0 and prints nothing for code 0.
int KAVCliKernelFailure(const char* iWhat, int iCode);
// One-line meaning of a kernel code, as the bundled reference kernel
// documents it; a site's own kernel may use other codes.
const char* KAVCliExplainCode(int iCode);

// Tour output: a section heading.
void KAVCliTourHeading(const char* iTitle);

#endif
