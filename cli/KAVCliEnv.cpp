// t4711 env and t4711 check-kernel: which KAVSYMB the binder would load and
// what the trace switches answer; a site's pre-flight check of its kernel.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "KAVCliInternal.h"
#include "KAVElfCheck.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVResolverABI.h"
#include "KAVStepLib.h"

namespace {

// The routines every kernel must bind, in reference-table order.
struct Routine {
  int number;
  const char* name;
  const char* module;
  const char* library;
};
const Routine kRoutines[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  {num, #name, #module, #library},
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};
constexpr int kRoutineCount = sizeof kRoutines / sizeof *kRoutines;

std::string StepLibText() {
  const char* stepLib = std::getenv("STEPLIB");
  return stepLib ? stepLib : "(not set)";
}

// Said whenever t4711 chose its own kernel: the application, which never
// does, would stop at its first kernel call.
std::string BundledNote() {
  return "STEPLIB was not set: t4711 chose the kernel installed with it (" +
         KAVCliBundledKernel() + "); the application itself would exit 99 here";
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
  if (::stat(directory.c_str(), &info) != 0)
    return directory + " (does not exist)";
  if (!S_ISDIR(info.st_mode)) return directory + " (is not a directory)";
  DIR* entries = ::opendir(directory.c_str());
  if (entries == nullptr) return directory + " (cannot be read)";
  int count = 0;
  while (const dirent* entry = ::readdir(entries))
    if (std::strcmp(entry->d_name, ".") != 0 &&
        std::strcmp(entry->d_name, "..") != 0)
      ++count;
  ::closedir(entries);
  return count == 0 ? directory + " (is empty)" : directory;
}

std::string Setting(const char* iName, const char* iUnset) {
  const char* value = std::getenv(iName);
  return value != nullptr ? value : iUnset;
}

int EnvCommand(KAVCliContext& ioContext) {
  const std::string module = KAVCliModuleAlongStepLib();
  static const char* const kTraceKeys[] = {
      "KAVMfgAPTAndPPTable", "KAVMfgBaseGII",     "KAVMfgBaseNLS",
      "KAVMfgDataPool",      "KAVMfgDeclarative", "KAVMfgDictionary",
      "KAVMfgUtilities",     "KAVMfgPoPg2TabPage"};
  std::vector<std::pair<std::string, KAVCliCell>> fields = {
      {"STEPLIB", StepLibText()}};
  if (!KAVCliBundledKernel().empty()) fields.push_back({"note", BundledNote()});
  fields.insert(
      fields.end(),
      {{"KAVSYMB", module.empty() ? "(not found along STEPLIB)" : module},
       {"KAVSIM_SITE", SiteDirectoryField(module)},
       {"T4711_JOURNAL", Setting("T4711_JOURNAL", "(unset: no journal)")},
       {"MfgBaseDebug", KAVMfgBaseAnalysisStatic::ReadDebug().CastToCharPtr()},
       {"MfgBasePerfo", KAVMfgBaseAnalysisStatic::ReadPerfo().CastToCharPtr()},
       {"MFGODT", KAVMfgBaseAnalysisStatic::ReadODT().CastToCharPtr()},
       {"GIIBatchRecordV5",
        KAVMfgBaseAnalysisStatic::ReadGIIRV5().CastToCharPtr()}});
  for (const char* key : kTraceKeys)
    fields.push_back({std::string("GetDebug(") + key + ")", GetDebug(key)});
  for (const char* key : kTraceKeys)
    fields.push_back({std::string("GetPerfo(") + key + ")", GetPerfo(key)});
  fields.push_back({"GetMfgODT()", GetMfgODT()});
  fields.push_back({"GetGIIRV5()", GetGIIRV5()});
  KAVCliPrintFields(ioContext, fields);
  return module.empty() ? kKAVCliNoKernel : 0;
}

// Loads KAVSYMB as the binder would, failing with the binder's own lines,
// and lets its resolver bind every routine in throwaway entries made
// exactly as the library makes its own.
int CheckKernelCommand(KAVCliContext& ioContext) {
  if (!KAVCliBundledKernel().empty())
    std::cerr << "t4711: " << BundledNote() << std::endl;
  const std::string module = KAVCliModuleAlongStepLib();
  if (module.empty()) {
    std::cerr << "t4711: no KAVSYMB along STEPLIB (" << StepLibText() << ")"
              << std::endl;
    return kKAVCliNoKernel;
  }
  char refusal[kKAVRefusalSize];
  const char* reason = "";
  void* handle =
      KAVOpenModule(module.c_str(), RTLD_LAZY | RTLD_LOCAL, refusal, &reason);
  if (handle == nullptr) {
    std::fprintf(stderr, kKAVCannotLoadFormat, reason);
    return kKAVCliNoKernel;
  }
  auto resolver =
      reinterpret_cast<KAVResolverFunction>(dlsym(handle, kKAVResolverSymbol));
  if (resolver == nullptr) {
    std::fputs(kKAVModuleIncorrect, stderr);
    return kKAVCliNoKernel;
  }
  std::vector<KAVCliRow> unbound;
  int bound = 0;
  for (const Routine& routine : kRoutines) {
    void* emptyCell = nullptr;
    KAVReferenceEntry entry = KAVMakeReferenceEntry(
        &emptyCell, routine.name, routine.module, routine.library);
    resolver(&entry);
    const bool ok = emptyCell == nullptr && entry.cell != nullptr &&
                    entry.cell != &emptyCell && *entry.cell != nullptr;
    if (ok) {
      ++bound;
    } else {
      unbound.push_back({routine.number, routine.name,
                         emptyCell != nullptr ? "wrote into the empty cell"
                                              : "left unbound"});
    }
  }
  if (ioContext.json) {
    nlohmann::json report = {
        {"module", module}, {"bound", bound}, {"routines", kRoutineCount}};
    report["unbound"] = nlohmann::json::array();
    for (const auto& row : unbound) report["unbound"].push_back(row[1].Json());
    KAVCliPrintJson(report);
  } else {
    std::cout << "KAVSYMB: " << module << "\n"
              << "bound " << bound << " of " << kRoutineCount << " routines"
              << std::endl;
    if (!unbound.empty())
      KAVCliPrintTable(ioContext, {"#", "routine", "problem"}, unbound);
  }
  return unbound.empty() ? 0 : kKAVCliNoKernel;
}

const char* const kBindingTour[] = {
    "# Kernel routines are bound on their first call, through the resolver of",
    "# the first KAVSYMB found along STEPLIB.",
    "env",
    "check-kernel",
};
KAV_CLI_TOUR_STEP(10, "Binding and trace switches", kBindingTour);

}  // namespace

std::string KAVCliModuleAlongStepLib() {
  const char* stepLib = std::getenv("STEPLIB");
  if (stepLib == nullptr) return std::string();
  char path[kKAVPathBufferSize];
  if (!KAVFindOnStepLib(stepLib, std::getenv("HOME"), path))
    return std::string();
  return path;
}

std::string KAVCliKernelSiteDirectory() {
  const char* site = std::getenv("KAVSIM_SITE");
  if (site != nullptr && *site != '\0') return site;
  const std::string module = KAVCliModuleAlongStepLib();
  return module.empty() ? std::string("site")
                        : module.substr(0, module.rfind('/') + 1) + "site";
}

void KAVCliAddEnvCommands(CLI::App& iApp, KAVCliContext& ioContext) {
  iApp.add_subcommand("env",
                      "Show which KAVSYMB would be loaded and what each trace "
                      "switch answers")
      ->callback([&ioContext] { ioContext.status = EnvCommand(ioContext); });
  iApp.add_subcommand(
          "check-kernel",
          "Pre-flight check: find KAVSYMB along STEPLIB and let its "
          "resolver bind all 75 routines")
      ->callback(
          [&ioContext] { ioContext.status = CheckKernelCommand(ioContext); });
}
