// Reaches the reference kernel's control API through the module the binder
// loads: dlopen of the same file returns the same handle, so the state
// driven here is the state the library's calls meet. Without STEPLIB, the
// reference kernel of the build tree.
#include "KAVKernelControl.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "KAVResolverABI.h"
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
    found = std::string(KAV_REFERENCE_KERNEL_DIR) + "/KAVSYMB";
  module = dlopen(found.c_str(), RTLD_LAZY);
  if (module == nullptr) {
    std::fprintf(stderr, "kernel control: cannot load %s: %s\n", found.c_str(),
                 dlerror());
    std::abort();
  }
  LoadedPath() = found;
  return module;
}

}  // namespace

void ReferenceKernel::Reset() {
  KAV_KERNEL_FN(kavsim_reset)();
  KAV_KERNEL_FN(kavsim_journal)(1);
}

void ReferenceKernel::FailCall(long iN, int iCode) {
  KAV_KERNEL_FN(kavsim_fail_call)(iN, iCode);
}

void ReferenceKernel::FailFrom(long iN, int iCode) {
  KAV_KERNEL_FN(kavsim_fail_from)(iN, iCode);
}

void ReferenceKernel::FailRoutine(const char* iRoutine, long iN, int iCode,
                                  bool iFrom) {
  KAV_KERNEL_FN(kavsim_fail_routine)(iRoutine, iN, iCode, iFrom);
}

void ReferenceKernel::ScriptInt(const char* iRoutine, long iN, int iArg,
                                int iValue, int iFlags) {
  KAV_KERNEL_FN(kavsim_script_int)(iRoutine, iN, iArg, iValue, iFlags);
}

void ReferenceKernel::ScriptDouble(const char* iRoutine, long iN, int iArg,
                                   double iValue, int iFlags) {
  KAV_KERNEL_FN(kavsim_script_double)(iRoutine, iN, iArg, iValue, iFlags);
}

void ReferenceKernel::ScriptText(const char* iRoutine, long iN, int iArg,
                                 const std::string& iBytes, int iFlags) {
  KAV_KERNEL_FN(kavsim_script_text)
  (iRoutine, iN, iArg, iBytes.data(), static_cast<int>(iBytes.size()), iFlags);
}

void ReferenceKernel::ClearFaults() { KAV_KERNEL_FN(kavsim_clear_faults)(); }

std::string ReferenceKernel::Journal() {
  return KAV_KERNEL_FN(kavsim_journal_text)();
}

std::string ReferenceKernel::Calls() {
  std::istringstream in(Journal());
  std::string line, calls;
  while (std::getline(in, line)) {
    size_t space = line.find(' ');
    size_t arrow = line.rfind(" -> ");
    if (space != std::string::npos && arrow != std::string::npos &&
        space < arrow)
      line = line.substr(0, space) + line.substr(arrow);
    calls += line + "\n";
  }
  return calls;
}

void ReferenceKernel::ClearJournal() { KAV_KERNEL_FN(kavsim_journal_clear)(); }

long ReferenceKernel::CallCount() { return KAV_KERNEL_FN(kavsim_call_count)(); }

int ReferenceKernel::OpenLists() { return KAV_KERNEL_FN(kavsim_open_lists)(); }

void* ReferenceKernel::Routine(const char* iRoutine) {
  void* emptyCell = nullptr;
  KAVReferenceEntry entry = KAVMakeReferenceEntry(&emptyCell, iRoutine, "", "");
  Function<KAVResolverFunction>(kKAVResolverSymbol)(&entry);
  return *entry.cell;
}

void* ReferenceKernel::Symbol(const char* iName) {
  void* symbol = dlsym(Module(), iName);
  if (symbol == nullptr) {
    std::fprintf(stderr, "kernel control: KAVSYMB has no %s\n", iName);
    std::abort();
  }
  return symbol;
}

std::string ReferenceKernel::ModulePath() {
  Module();
  return LoadedPath();
}

}  // namespace kavtest
