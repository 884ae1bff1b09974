// Control of the reference kernel module from tests: the module the binder
// loads along STEPLIB is opened a second time (same handle) and driven
// through its exported control API.
#ifndef ReferenceKernel_h
#define ReferenceKernel_h

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KAVSimControl.h"
#include "TestSupport.h"

namespace kavtest {

class ReferenceKernel {
 public:
  // Back to the site's seed state: kernel data, journal and faults are
  // cleared; the journal is switched on.
  static void Reset();
  // The n-th next call (counted from the last Reset) answers iCode.
  static void FailCall(long iN, int iCode);
  // The n-th and every later call answers iCode.
  static void FailFrom(long iN, int iCode);
  // The n-th call of one routine answers iCode (every later too if iFrom).
  static void FailRoutine(const char* iRoutine, long iN, int iCode, bool iFrom = false);
  // Scripted answers (see kavsim_script_int): argument iArg of the n-th
  // call of iRoutine (every call for n 0) is set after the routine ran, or
  // instead of running it (iFlags kInstead, or true); kOnPurpose lets a
  // count or length claim more than its argument's storage holds.
  static void ScriptInt(const char* iRoutine, long iN, int iArg, int iValue, int iFlags = 0);
  static void ScriptDouble(const char* iRoutine, long iN, int iArg, double iValue, int iFlags = 0);
  static void ScriptText(const char* iRoutine, long iN, int iArg, const std::string& iBytes,
                         int iFlags = 0);
  // Faults and scripted answers dropped.
  static void ClearFaults();
  // Journal lines "NAME args -> code" since the last Reset or ClearJournal.
  static std::string Journal();
  // The same lines with their arguments left out: "NAME -> code".
  static std::string Calls();
  static void ClearJournal();
  static long CallCount();
  static int OpenLists();
  // Any other exported symbol of the module (family control functions).
  static void* Symbol(const char* iName);
  template <typename F>
  static F Function(const char* iName) {
    return reinterpret_cast<F>(Symbol(iName));
  }
  // A routine's address as the module's resolver binds it for a stub, for
  // benchmarks that call the kernel with nothing of the library between.
  static void* Routine(const char* iRoutine);
  // The loaded module's path.
  static std::string ModulePath();
};

// The suites' short name for it.
using Kernel = ReferenceKernel;

// ReferenceKernel::Routine(#NAME) typed by the routine's C declaration
// (KAVLegacyRoutines.h, which the user includes), so that its name and
// prototype are written nowhere else:
//   const auto gusrea = KAV_BOUND_ROUTINE(GUSREA);
#define KAV_BOUND_ROUTINE(NAME) \
  reinterpret_cast<decltype(&NAME)>(::kavtest::ReferenceKernel::Routine(#NAME))

// Flags of a scripted answer.
constexpr int kInstead = KAVSIM_SCRIPT_INSTEAD;
constexpr int kOnPurpose = KAVSIM_SCRIPT_OVERFLOW;

// --- Fault sweeps -----------------------------------------------------------

// The code tests inject: no kernel routine answers it by itself.
constexpr int kInjected = 4242;

// A failing call alone, or that call and every later one.
enum class FaultMode { kOnly, kFrom };

// One run of an anomaly loop, handed to its check.
struct FaultRun {
  FaultMode mode = FaultMode::kOnly;
  long n = 0;  // the failing call, 1 for the run's first call
  int code = kInjected;
  long made = 0;      // kernel calls the run made
  std::string calls;  // ReferenceKernel::Calls() of the run
  std::string out;    // what the run wrote to std::cout
  // False for the last run, which made fewer than n calls.
  bool Faulted() const { return made >= n; }
  // "call 3" or "from call 3", for SCOPED_TRACE.
  std::string Label() const;
};

// The anomaly loop: for each mode, runs iRun with its n-th kernel call
// failing, for n = 1, 2, ... until a run meets no fault, and hands each run
// (the faultless one too) to iCheck. Before each run the kernel is reset,
// iSetUp runs and the journal is cleared; calls are counted from there.
void AnomalyLoop(const std::function<void()>& iSetUp, const std::function<void()>& iRun,
                 const std::function<void(const FaultRun&)>& iCheck,
                 std::vector<FaultMode> iModes = {FaultMode::kOnly, FaultMode::kFrom},
                 int iCode = kInjected);

// A kernel call of an operation's clean run, and what it leaves once it
// succeeded: KernelStep("GNFRC1").Opens(4), KernelStep("GUSREA").Keeps(1).
struct KernelStep {
  KernelStep(const char* iRoutine) : routine(iRoutine) {}  // NOLINT: rows
  KernelStep& Opens(int iLists) {
    opens = iLists;
    return *this;
  }
  KernelStep& Ends(int iLists) {
    ends = iLists;
    return *this;
  }
  KernelStep& Keeps(int iValues) {
    keeps = iValues;
    return *this;
  }
  // A routine without a return code: a fault cannot reach it.
  KernelStep& NoCode() {
    failable = false;
    return *this;
  }
  std::string routine;
  int opens = 0, ends = 0, keeps = 0;
  bool failable = true;
};
using KernelSteps = std::vector<KernelStep>;

// What a run of an operation that stops at its first failing call leaves.
struct Stopped {
  bool failed = false;  // a call failed (the operation keeps run.code)
  std::string calls;    // the journal "NAME -> code" up to the failure
  int open = 0;         // lists the kernel still holds
  int kept = 0;         // values appended before the failure
};
Stopped StoppedAt(const KernelSteps& iSteps, const FaultRun& iRun);

// --- Sweeps over whole operations -------------------------------------------

// What a run of an operation leaves.
struct Left {
  int error = 0;       // the code the operation keeps
  int open = 0;        // lists the kernel still holds
  int kept = 0;        // values appended
  bool banner = true;  // its end banner shows, when traced
  std::string calls;   // the journal "NAME -> code"
};
// An operation that stops at its first failing call, by its clean run;
// iCloses: its end banner shows even after a failure.
Left Stopping(const KernelSteps& iSteps, const FaultRun& iRun, bool iCloses = false);
std::function<Left(const FaultRun&)> Stops(const KernelSteps& iSteps, bool iCloses = false);

struct SweptOperation {
  std::string name;
  std::function<int()> run;  // returns the number of values it appended
  std::function<Left(const FaultRun&)> expect;
  std::string endTitle;  // "": any line "..., end" with blanks after
  std::function<void()> setUp = [] {};
};
// Each operation with each of its calls failing, alone and from there on
// (AnomalyLoop): the code kept (iError), the lists open and the values
// appended are what expect says; traced, the end banner shows as promised;
// untraced, the calls are the promised ones and nothing is printed.
void SweepOperations(const std::vector<SweptOperation>& iOperations,
                     const std::function<int()>& iError, bool iTraced);

// A suite against the reference kernel: each test starts from the site's
// seed state, with what it prints captured for Stdout().
class KernelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReferenceKernel::Reset();
    _capture.Take();
  }
  std::string Stdout() { return _capture.Take(); }
  CoutCapture _capture;
};

}  // namespace kavtest

// A control function of the loaded module, typed by its declaration in
// KAVSimControl.h: KAV_KERNEL_FN(kavsim_open_lists)().
#define KAV_KERNEL_FN(name) (::kavtest::ReferenceKernel::Function<decltype(&name)>(#name))

#endif
