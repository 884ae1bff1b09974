// Reaches the reference kernel's control API through the module the binder
// loads: dlopen of the same file returns the same handle, so the state
// driven here is the state the library's calls meet.
#include "ReferenceKernel.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "KAVSimControl.h"
#include "KAVStepLib.h"

namespace kavtest {
namespace {

std::string& LoadedPath() {
  static std::string path;
  return path;
}

void* Module() {
  static void* module = nullptr;
  if (module != nullptr) return module;
  char path[kKAVPathBufferSize];
  const char* stepLib = std::getenv("STEPLIB");
  std::string found;
  if (stepLib && KAVFindOnStepLib(stepLib, std::getenv("HOME"), path))
    found = path;
  else
    found = std::string(KAV_TEST_KERNEL_DIR) + "/KAVSYMB";
  module = dlopen(found.c_str(), RTLD_LAZY);
  if (module == nullptr) {
    std::fprintf(stderr, "test support: cannot load %s: %s\n", found.c_str(),
                 dlerror());
    std::abort();
  }
  LoadedPath() = found;
  return module;
}

template <typename F>
F Get(const char* iName) {
  void* symbol = dlsym(Module(), iName);
  if (symbol == nullptr) {
    std::fprintf(stderr, "test support: KAVSYMB has no %s\n", iName);
    std::abort();
  }
  return reinterpret_cast<F>(symbol);
}

}  // namespace

void ReferenceKernel::Reset() {
  Get<decltype(&kavsim_reset)>("kavsim_reset")();
  Get<decltype(&kavsim_journal)>("kavsim_journal")(1);
}

void ReferenceKernel::FailCall(long iN, int iCode) {
  Get<decltype(&kavsim_fail_call)>("kavsim_fail_call")(iN, iCode);
}

void ReferenceKernel::FailFrom(long iN, int iCode) {
  Get<decltype(&kavsim_fail_from)>("kavsim_fail_from")(iN, iCode);
}

void ReferenceKernel::FailRoutine(const char* iRoutine, long iN, int iCode,
                                  bool iFrom) {
  Get<decltype(&kavsim_fail_routine)>("kavsim_fail_routine")(iRoutine, iN,
                                                            iCode, iFrom);
}

void ReferenceKernel::ScriptInt(const char* iRoutine, long iN, int iArg,
                                int iValue, bool iInstead) {
  KAV_KERNEL_FN(kavsim_script_int)(iRoutine, iN, iArg, iValue, iInstead);
}

void ReferenceKernel::ScriptDouble(const char* iRoutine, long iN, int iArg,
                                   double iValue, bool iInstead) {
  KAV_KERNEL_FN(kavsim_script_double)(iRoutine, iN, iArg, iValue, iInstead);
}

void ReferenceKernel::ScriptText(const char* iRoutine, long iN, int iArg,
                                 const std::string& iBytes, bool iInstead) {
  KAV_KERNEL_FN(kavsim_script_text)
  (iRoutine, iN, iArg, iBytes.data(), static_cast<int>(iBytes.size()), iInstead);
}

void ReferenceKernel::ClearFaults() {
  Get<decltype(&kavsim_clear_faults)>("kavsim_clear_faults")();
}

std::string ReferenceKernel::Journal() {
  return Get<decltype(&kavsim_journal_text)>("kavsim_journal_text")();
}

std::string ReferenceKernel::Calls() {
  std::istringstream in(Journal());
  std::string line, calls;
  while (std::getline(in, line)) {
    size_t space = line.find(' ');
    size_t arrow = line.rfind(" -> ");
    if (space != std::string::npos && arrow != std::string::npos && space < arrow)
      line = line.substr(0, space) + line.substr(arrow);
    calls += line + "\n";
  }
  return calls;
}

void ReferenceKernel::ClearJournal() {
  Get<decltype(&kavsim_journal_clear)>("kavsim_journal_clear")();
}

long ReferenceKernel::CallCount() {
  return Get<decltype(&kavsim_call_count)>("kavsim_call_count")();
}

int ReferenceKernel::OpenLists() {
  return Get<decltype(&kavsim_open_lists)>("kavsim_open_lists")();
}

void* ReferenceKernel::Symbol(const char* iName) { return Get<void*>(iName); }

std::string ReferenceKernel::ModulePath() {
  Module();
  return LoadedPath();
}

}  // namespace kavtest
