// Reaches the reference kernel's control API through the module the binder
// loads: dlopen of the same file returns the same handle, so the state
// driven here is the state the library's calls meet.
#include "ReferenceKernel.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "KAVResolverABI.h"
#include "KAVSimControl.h"
#include "KAVStepLib.h"
#include "TestSupport.h"

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
    std::fprintf(stderr, "test support: cannot load %s: %s\n", found.c_str(), dlerror());
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

void ReferenceKernel::FailCall(long iN, int iCode) { KAV_KERNEL_FN(kavsim_fail_call)(iN, iCode); }

void ReferenceKernel::FailFrom(long iN, int iCode) { KAV_KERNEL_FN(kavsim_fail_from)(iN, iCode); }

void ReferenceKernel::FailRoutine(const char* iRoutine, long iN, int iCode, bool iFrom) {
  KAV_KERNEL_FN(kavsim_fail_routine)(iRoutine, iN, iCode, iFrom);
}

void ReferenceKernel::ScriptInt(const char* iRoutine, long iN, int iArg, int iValue, int iFlags) {
  KAV_KERNEL_FN(kavsim_script_int)(iRoutine, iN, iArg, iValue, iFlags);
}

void ReferenceKernel::ScriptDouble(const char* iRoutine, long iN, int iArg, double iValue,
                                   int iFlags) {
  KAV_KERNEL_FN(kavsim_script_double)(iRoutine, iN, iArg, iValue, iFlags);
}

void ReferenceKernel::ScriptText(const char* iRoutine, long iN, int iArg, const std::string& iBytes,
                                 int iFlags) {
  KAV_KERNEL_FN(kavsim_script_text)
  (iRoutine, iN, iArg, iBytes.data(), static_cast<int>(iBytes.size()), iFlags);
}

void ReferenceKernel::ClearFaults() { KAV_KERNEL_FN(kavsim_clear_faults)(); }

std::string ReferenceKernel::Journal() { return KAV_KERNEL_FN(kavsim_journal_text)(); }

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
    std::fprintf(stderr, "test support: KAVSYMB has no %s\n", iName);
    std::abort();
  }
  return symbol;
}

std::string ReferenceKernel::ModulePath() {
  Module();
  return LoadedPath();
}

std::string FaultRun::Label() const {
  return (mode == FaultMode::kFrom ? "from call " : "call ") + std::to_string(n);
}

void AnomalyLoop(const std::function<void()>& iSetUp, const std::function<void()>& iRun,
                 const std::function<void(const FaultRun&)>& iCheck, std::vector<FaultMode> iModes,
                 int iCode) {
  // A run never makes this many calls: past it the operation loops.
  constexpr long kMostCalls = 100000;
  for (FaultMode mode : iModes) {
    FaultRun run;
    run.mode = mode;
    run.code = iCode;
    do {
      ++run.n;
      ReferenceKernel::Reset();
      iSetUp();
      ReferenceKernel::ClearJournal();
      const long before = ReferenceKernel::CallCount();
      (mode == FaultMode::kFrom ? ReferenceKernel::FailFrom : ReferenceKernel::FailCall)(
          before + run.n, iCode);
      {
        CoutCapture capture;
        iRun();
        run.out = capture.Take();
      }
      run.made = ReferenceKernel::CallCount() - before;
      run.calls = ReferenceKernel::Calls();
      ReferenceKernel::ClearFaults();
      iCheck(run);
    } while (run.Faulted() && run.n < kMostCalls);
  }
}

Stopped StoppedAt(const KernelSteps& iSteps, const FaultRun& iRun) {
  Stopped stopped;
  for (size_t i = 0; i < iSteps.size(); ++i) {
    const KernelStep& step = iSteps[i];
    const long call = static_cast<long>(i) + 1;
    const bool hit = iRun.mode == FaultMode::kFrom ? call >= iRun.n : call == iRun.n;
    if (hit && step.failable) {
      stopped.failed = true;
      stopped.calls += step.routine + " -> " + std::to_string(iRun.code) + "\n";
      return stopped;
    }
    stopped.calls += step.routine + " -> 0\n";
    stopped.open += step.opens - step.ends;
    stopped.kept += step.keeps;
  }
  return stopped;
}

Left Stopping(const KernelSteps& iSteps, const FaultRun& iRun, bool iCloses) {
  const Stopped stopped = StoppedAt(iSteps, iRun);
  return {stopped.failed ? iRun.code : 0, stopped.open, stopped.kept, iCloses || !stopped.failed,
          stopped.calls};
}

std::function<Left(const FaultRun&)> Stops(const KernelSteps& iSteps, bool iCloses) {
  return [=](const FaultRun& iRun) { return Stopping(iSteps, iRun, iCloses); };
}

namespace {

// An end title: a line with a comma, ending in "end" and blanks.
bool HasEndTitle(const std::string& iOut) {
  for (const std::string& line : SplitLines(iOut)) {
    const size_t last = line.find_last_not_of(' ');
    if (last != std::string::npos && last >= 3 && line.compare(last - 2, 3, "end") == 0 &&
        line.find(',') != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace

void SweepOperations(const std::vector<SweptOperation>& iOperations,
                     const std::function<int()>& iError, bool iTraced) {
  for (const SweptOperation& operation : iOperations) {
    int kept = 0;
    const auto check = [&](const FaultRun& iRun) {
      SCOPED_TRACE(operation.name + ", " + iRun.Label());
      const Left expected = operation.expect(iRun);
      EXPECT_EQ(expected.error, iError());
      EXPECT_EQ(expected.open, ReferenceKernel::OpenLists());
      EXPECT_EQ(expected.kept, kept);
      if (!iTraced) {
        EXPECT_EQ(expected.calls, iRun.calls);
        EXPECT_EQ("", iRun.out);
      } else if (operation.endTitle.empty()) {
        EXPECT_EQ(expected.banner, HasEndTitle(iRun.out)) << iRun.out;
      } else {
        EXPECT_EQ(expected.banner,
                  iRun.out.find("\n" + operation.endTitle + "\n") != std::string::npos)
            << iRun.out;
      }
    };
    AnomalyLoop(
        operation.setUp, [&] { kept = operation.run(); }, check);
  }
}

}  // namespace kavtest
