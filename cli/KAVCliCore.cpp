// The command tree, the command file runner, output helpers and the core
// commands: env, check-kernel, tour, run.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "KAVCli.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVReferenceTable.h"
#include "KAVSimCodes.h"
#include "KAVStepLib.h"

namespace {

std::vector<KAVCliFamily>& Families() {
  static std::vector<KAVCliFamily> families;
  return families;
}

struct TourStep {
  int order;
  std::string title;
  KAVCliTourStep step;
};

std::vector<TourStep>& TourSteps() {
  static std::vector<TourStep> steps;
  return steps;
}

}  // namespace

KAVCliFamilyRegistration::KAVCliFamilyRegistration(KAVCliFamily iFamily) {
  Families().push_back(iFamily);
}

KAVCliTourRegistration::KAVCliTourRegistration(int iOrder, const char* iTitle,
                                               KAVCliTourStep iStep) {
  TourSteps().push_back({iOrder, iTitle, iStep});
}

const char* KAVCliExplainCode(int iCode) {
  switch (iCode) {
    case KAVSIM_OK: return "success";
    case KAVSIM_BAD_HANDLE: return "no open kernel list has this handle";
    case KAVSIM_BAD_INDEX: return "record index outside the list";
    case KAVSIM_BAD_WIDTH: return "unsupported record width";
    case KAVSIM_NULL_ARGUMENT: return "a required argument was missing";
    case KAVSIM_NO_DICTIONARY: return "no dictionary is loaded";
    case KAVSIM_UNKNOWN_MEMBER: return "unknown dictionary member";
    case KAVSIM_UNKNOWN_MODEL: return "unknown dictionary model";
    case KAVSIM_UNKNOWN_CLASS: return "unknown class";
    case KAVSIM_UNKNOWN_ATTRIBUTE: return "unknown attribute";
    case KAVSIM_NO_CURRENT_CLASS: return "no current class to edit";
    case KAVSIM_ALREADY_EXISTS: return "the name exists already";
    case KAVSIM_STORE_FAILED: return "the dictionary could not be written";
    case KAVSIM_BAD_NAME: return "blank or invalid name";
    case KAVSIM_UNKNOWN_TABLE_KIND: return "unknown kind of table";
    case KAVSIM_UNKNOWN_NLS_TYPE: return "unknown kind of national name";
    case KAVSIM_NO_NLS_NAME: return "no national-language name for this item";
    case KAVSIM_IMAGE_NOT_WRITTEN: return "the image file could not be written";
    case KAVSIM_UNKNOWN_DATA_POOL: return "unknown data pool";
    case KAVSIM_UNKNOWN_OBJECT: return "no such object in the pool";
    case KAVSIM_UNKNOWN_FIELD: return "no such field in the object";
    case KAVSIM_OBJECT_EXISTS: return "the pool has an object of this number";
    case KAVSIM_BAD_OBJECT_KIND: return "object kind not 1 (input) or 2 (output)";
    case KAVSIM_UNKNOWN_POOL: return "unknown declarative pool";
    case KAVSIM_POOL_NOT_LOADED: return "the declarative pool is not loaded";
    case KAVSIM_UNKNOWN_VARIABLE: return "unknown declarative variable";
    case KAVSIM_WRONG_TYPE: return "the variable is not of the type asked";
    case KAVSIM_UNKNOWN_DECL_CLASS: return "class neither customized nor in the dictionary";
    case KAVSIM_WRONG_VALUE_TYPE: return "the possible values are of another type";
    case KAVSIM_BAD_QUERY: return "length, size, capacity or query kind out of range";
    case KAVSIM_UNRESOLVED: return "the expression names nothing defined";
    case KAVSIM_SITE_UNREADABLE: return "a site file cannot be read";
    case KAVSIM_SITE_SYNTAX: return "a site file is not JSON";
    case KAVSIM_SITE_TOO_DEEP: return "a site file is nested too deep";
    case KAVSIM_SITE_WRONG_TYPE: return "a site file holds a value of the wrong type";
    case KAVSIM_SITE_OUT_OF_RANGE: return "a site file holds a number out of range";
    case KAVSIM_NOTHING_DEFINED: return "nothing defined";
    case KAVSIM_NOT_AVAILABLE: return "routine not available in this kernel";
    default: return "kernel failure";
  }
}

int KAVCliKernelFailure(const char* iWhat, int iCode) {
  if (iCode == 0) return 0;
  std::cerr << "t4711: " << iWhat << " failed: kernel code " << iCode << " ("
            << KAVCliExplainCode(iCode) << ")" << std::endl;
  return 1;
}

void KAVCliPrintJson(const nlohmann::json& iValue) {
  std::cout << iValue.dump(2, ' ', false,
                           nlohmann::json::error_handler_t::replace)
            << std::endl;
}

void KAVCliPrintTable(const KAVCliContext& iContext,
                      const std::vector<std::string>& iHeaders,
                      const std::vector<std::vector<std::string>>& iRows) {
  if (iContext.json) {
    nlohmann::json rows = nlohmann::json::array();
    for (const auto& row : iRows) {
      nlohmann::json object = nlohmann::json::object();
      for (size_t i = 0; i < iHeaders.size() && i < row.size(); ++i)
        object[iHeaders[i]] = row[i];
      rows.push_back(object);
    }
    KAVCliPrintJson(rows);
    return;
  }
  std::vector<size_t> widths(iHeaders.size());
  for (size_t i = 0; i < iHeaders.size(); ++i) widths[i] = iHeaders[i].size();
  for (const auto& row : iRows)
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], row[i].size());
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
  for (const auto& row : iRows) printRow(row);
  std::cout << "(" << iRows.size() << (iRows.size() == 1 ? " row)" : " rows)")
            << std::endl;
}

void KAVCliPrintFields(
    const KAVCliContext& iContext,
    const std::vector<std::pair<std::string, std::string>>& iFields) {
  if (iContext.json) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& field : iFields) object[field.first] = field.second;
    KAVCliPrintJson(object);
    return;
  }
  size_t width = 0;
  for (const auto& field : iFields) width = std::max(width, field.first.size());
  for (const auto& field : iFields)
    std::cout << field.first << ':' << std::string(width - field.first.size() + 1, ' ')
              << field.second << '\n';
  std::cout.flush();
}

CLI::App* KAVCliSubcommand(CLI::App& iParent, const std::string& iName,
                           const std::string& iDescription) {
  for (CLI::App* existing : iParent.get_subcommands({}))
    if (existing->get_name() == iName) return existing;
  CLI::App* created = iParent.add_subcommand(iName, iDescription);
  created->require_subcommand(1);
  return created;
}

void KAVCliTourHeading(const char* iTitle) {
  std::cout << "\n== " << iTitle << " " << std::string(60, '=').substr(0, 60 - std::min<size_t>(56, std::strlen(iTitle)))
            << "\n" << std::endl;
}

namespace {

// The binder's search: which KAVSYMB a first kernel call would load.
std::string ModuleAlongStepLib() {
  const char* stepLib = std::getenv("STEPLIB");
  if (stepLib == nullptr) return std::string();
  char path[kKAVPathBufferSize];
  if (!KAVFindOnStepLib(stepLib, std::getenv("HOME"), path)) return std::string();
  return path;
}

// The reference kernel's site directory as env shows it: KAVSIM_SITE, or
// the bundled site beside the module, with what is wrong with it (the
// kernel says the same once on standard error at its first use).
std::string SiteDirectoryField(const std::string& iModule) {
  const char* site = std::getenv("KAVSIM_SITE");
  std::string directory = site != nullptr && *site != '\0' ? site : "";
  if (directory.empty() && !iModule.empty())
    directory = iModule.substr(0, iModule.rfind('/') + 1) + "site";
  if (directory.empty()) return "(not set)";
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) return directory + " (does not exist)";
  if (!S_ISDIR(info.st_mode)) return directory + " (is not a directory)";
  DIR* entries = ::opendir(directory.c_str());
  if (entries == nullptr) return directory + " (cannot be read)";
  int count = 0;
  while (const dirent* entry = ::readdir(entries))
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++count;
  ::closedir(entries);
  return count == 0 ? directory + " (is empty)" : directory;
}

int EnvCommand(KAVCliContext& ioContext) {
  const char* stepLib = std::getenv("STEPLIB");
  std::string module = ModuleAlongStepLib();
  static const char* const kTraceKeys[] = {
      "KAVMfgAPTAndPPTable", "KAVMfgBaseGII",     "KAVMfgBaseNLS",
      "KAVMfgDataPool",      "KAVMfgDeclarative", "KAVMfgDictionary",
      "KAVMfgUtilities",     "KAVMfgPoPg2TabPage"};
  std::vector<std::pair<std::string, std::string>> fields = {
      {"STEPLIB", stepLib ? stepLib : "(not set)"},
      {"KAVSYMB", module.empty() ? "(not found along STEPLIB)" : module},
      {"KAVSIM_SITE", SiteDirectoryField(module)},
      {"MfgBaseDebug", KAVMfgBaseAnalysisStatic::ReadDebug().CastToCharPtr()},
      {"MfgBasePerfo", KAVMfgBaseAnalysisStatic::ReadPerfo().CastToCharPtr()},
      {"MFGODT", KAVMfgBaseAnalysisStatic::ReadODT().CastToCharPtr()},
      {"GIIBatchRecordV5", KAVMfgBaseAnalysisStatic::ReadGIIRV5().CastToCharPtr()},
  };
  for (const char* key : kTraceKeys) {
    fields.push_back({std::string("GetDebug(") + key + ")",
                      std::to_string(GetDebug(key))});
  }
  for (const char* key : kTraceKeys) {
    fields.push_back({std::string("GetPerfo(") + key + ")",
                      std::to_string(GetPerfo(key))});
  }
  fields.push_back({"GetMfgODT()", std::to_string(GetMfgODT())});
  fields.push_back({"GetGIIRV5()", std::to_string(GetGIIRV5())});
  KAVCliPrintFields(ioContext, fields);
  return module.empty() ? 1 : 0;
}

// A site's pre-flight check: load KAVSYMB as the binder would, and let its
// resolver bind every routine in throwaway entries laid out like the
// library's own.
int CheckKernelCommand(KAVCliContext& ioContext) {
  std::string module = ModuleAlongStepLib();
  if (module.empty()) {
    std::cerr << "t4711: no KAVSYMB along STEPLIB ("
              << (std::getenv("STEPLIB") ? std::getenv("STEPLIB") : "not set")
              << ")" << std::endl;
    return 1;
  }
  void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) {
    std::cerr << "t4711: cannot load " << module << ": " << dlerror() << std::endl;
    return 1;
  }
  auto resolver =
      reinterpret_cast<KAVResolverFunction>(dlsym(handle, "kavsymb"));
  if (resolver == nullptr) {
    std::cerr << "t4711: " << module << " has no resolver kavsymb" << std::endl;
    return 1;
  }
  struct Row {
    int number;
    const char* name;
    const char* module;
    const char* library;
  };
  static const Row kRows[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library) \
  {num, #name, #module, #library},
#include "KAVRoutines.def"
#undef KAV_ROUTINE
  };
  std::vector<std::vector<std::string>> unbound;
  int bound = 0;
  for (const Row& row : kRows) {
    void* emptyCell = nullptr;
    KAVReferenceEntry entry;
    std::memset(&entry, 0, sizeof entry);
    auto put = [](char* field, const char* text, char filler) {
      size_t n = std::strlen(text);
      for (size_t i = 0; i < 8; ++i) field[i] = i < n ? text[i] : filler;
    };
    entry.cell = &emptyCell;
    entry.kind = 2;
    put(entry.routine, row.name, ' ');
    put(entry.loadModule, row.module, ' ');
    put(entry.listMarker, "$$LISTE ", ' ');
    put(entry.release, "R6Q", ' ');
    put(entry.library, row.library, ' ');
    put(entry.flagA, "       A", ' ');
    put(entry.tail, "     ", '\0');
    resolver(&entry);
    const bool ok = emptyCell == nullptr && entry.cell != nullptr &&
                    entry.cell != &emptyCell && *entry.cell != nullptr;
    if (ok) {
      ++bound;
    } else {
      unbound.push_back({std::to_string(row.number), row.name,
                         emptyCell != nullptr ? "wrote into the empty cell"
                                              : "left unbound"});
    }
  }
  if (ioContext.json) {
    nlohmann::json report = {{"module", module},
                             {"bound", bound},
                             {"routines", static_cast<int>(sizeof kRows / sizeof *kRows)}};
    report["unbound"] = nlohmann::json::array();
    for (const auto& row : unbound) report["unbound"].push_back(row[1]);
    KAVCliPrintJson(report);
  } else {
    std::cout << "KAVSYMB: " << module << "\n"
              << "bound " << bound << " of " << sizeof kRows / sizeof *kRows
              << " routines" << std::endl;
    if (!unbound.empty()) KAVCliPrintTable(ioContext, {"#", "routine", "problem"}, unbound);
  }
  return unbound.empty() ? 0 : 1;
}

// The tour's first step: which kernel the library will bind to and what
// the trace switches say.
int BindingTour(KAVCliContext& ioContext) {
  std::cout << "Kernel routines are bound on their first call, through the resolver of the\n"
               "first KAVSYMB found along STEPLIB.\n\n$ t4711 env" << std::endl;
  int status = EnvCommand(ioContext);
  std::cout << "\n$ t4711 check-kernel" << std::endl;
  return status | CheckKernelCommand(ioContext);
}

int TourCommand(KAVCliContext& ioContext) {
  std::vector<TourStep> steps = TourSteps();
  std::stable_sort(steps.begin(), steps.end(),
                   [](const TourStep& a, const TourStep& b) { return a.order < b.order; });
  int status = 0;
  for (const TourStep& step : steps) {
    KAVCliTourHeading(step.title.c_str());
    int stepStatus = step.step(ioContext);
    if (stepStatus != 0) {
      std::cout << "(step \"" << step.title << "\" ended with status " << stepStatus
                << ")" << std::endl;
      status = stepStatus;
    }
  }
  return status;
}

// Splits a command line into words: blanks separate, single or double
// quotes group, a backslash escapes the next character outside single
// quotes. A "#" at the start of a word begins a comment.
std::vector<std::string> SplitWords(const std::string& iLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (size_t i = 0; i < iLine.size(); ++i) {
    char c = iLine[i];
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else if (c == '\\' && quote == '"' && i + 1 < iLine.size()) {
        word += iLine[++i];
      } else {
        word += c;
      }
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == '\\' && i + 1 < iLine.size()) {
      word += iLine[++i];
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '#' && !inWord) {
      break;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

int RunCommand(const std::string& iFile, bool iKeepGoing, KAVCliContext& ioContext) {
  std::ifstream fileStream;
  std::istream* in = &std::cin;
  if (iFile != "-") {
    fileStream.open(iFile);
    if (!fileStream) {
      std::cerr << "t4711: cannot read " << iFile << std::endl;
      return 1;
    }
    in = &fileStream;
  }
  std::string line;
  int lineNumber = 0;
  int status = 0;
  while (std::getline(*in, line)) {
    ++lineNumber;
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) continue;
    if (words[0] == "t4711") words.erase(words.begin());
    if (words.empty()) continue;
    if (words[0] == "run") {
      std::cerr << "t4711: line " << lineNumber << ": run cannot be nested" << std::endl;
      status = 1;
      if (!iKeepGoing) return status;
      continue;
    }
    if (!ioContext.json) std::cout << "> " << line << std::endl;
    KAVCliContext lineContext;
    lineContext.json = ioContext.json;
    int lineStatus = KAVCliRunWords(words, lineContext);
    if (lineStatus != 0) {
      status = lineStatus;
      std::cerr << "t4711: line " << lineNumber << " ended with status " << lineStatus
                << std::endl;
      if (!iKeepGoing) return status;
    }
  }
  return status;
}

void AddCoreCommands(CLI::App& app, KAVCliContext& ctx) {
  app.add_subcommand("env", "Show which KAVSYMB would be loaded and what each trace switch answers")
      ->callback([&ctx]() { ctx.status = EnvCommand(ctx); });
  app.add_subcommand("check-kernel",
                     "Pre-flight check: find KAVSYMB along STEPLIB and let its resolver bind all 75 routines")
      ->callback([&ctx]() { ctx.status = CheckKernelCommand(ctx); });
  app.add_subcommand("tour", "Walk through every family of the library on the current kernel")
      ->callback([&ctx]() { ctx.status = TourCommand(ctx); });
  auto* run = app.add_subcommand(
      "run", "Execute the commands of FILE (one per line, '-' for standard input) in one process");
  static std::string file;
  static bool keepGoing = false;
  run->add_option("FILE", file, "command file")->required();
  run->add_flag("-k,--keep-going", keepGoing, "go on after a failing line");
  run->callback([&ctx]() { ctx.status = RunCommand(file, keepGoing, ctx); });
}

KAV_CLI_TOUR_STEP(10, "Binding and trace switches", BindingTour);

}  // namespace

void KAVCliBuild(CLI::App& iApp, KAVCliContext& ioContext) {
  iApp.add_flag("--json", ioContext.json, "machine-readable JSON output");
  iApp.require_subcommand(1);
  AddCoreCommands(iApp, ioContext);
  for (KAVCliFamily family : Families()) family(iApp, ioContext);
}

int KAVCliRunWords(const std::vector<std::string>& iWords, KAVCliContext& ioContext) {
  CLI::App app{"t4711: drive the T4711BAS library against the NC kernel named by STEPLIB",
               "t4711"};
  KAVCliBuild(app, ioContext);
  std::vector<std::string> reversed(iWords.rbegin(), iWords.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return ioContext.status;
}

int KAVCliRun(int iArgc, const char* const* iArgv) {
  std::vector<std::string> words;
  for (int i = 1; i < iArgc; ++i) words.push_back(iArgv[i]);
  KAVCliContext context;
  return KAVCliRunWords(words, context);
}
