// The suites' fault sweeps and fixture over the reference kernel, whose
// control (ReferenceKernel, KAV_KERNEL_FN) is KAVKernelControl.h.
#ifndef ReferenceKernel_h
#define ReferenceKernel_h

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KAVKernelControl.h"
#include "TestSupport.h"

namespace kavtest {

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
// iSetUp runs and the message log is cleared; calls are counted from there.
void AnomalyLoop(const std::function<void()>& iSetUp, const std::function<void()>& iRun,
                 const std::function<void(const FaultRun&)>& iCheck,
                 std::vector<FaultMode> iModes = {FaultMode::kOnly, FaultMode::kFrom},
                 int iCode = kInjected);

// A kernel call of an operation's clean run, and what it leaves once it
// succeeded: KernelStep("GNFRC1").Opens(4), KernelStep("GUSREA").Keeps(1).
struct KernelStep {
  KernelStep(const char* iRoutine) : routine(iRoutine) {}  // NOLINT: rows
  KernelStep& Opens(int iLists) { return Set(opens, iLists); }
  KernelStep& Ends(int iLists) { return Set(ends, iLists); }
  KernelStep& Keeps(int iValues) { return Set(keeps, iValues); }
  // A routine without a return code: a fault cannot reach it.
  KernelStep& NoCode() { return Set(failable, false); }
  std::string routine;
  int opens = 0, ends = 0, keeps = 0;
  bool failable = true;

 private:
  template <typename T>
  KernelStep& Set(T& oField, T iValue) {
    oField = iValue;
    return *this;
  }
};
using KernelSteps = std::vector<KernelStep>;

// What a run of an operation that stops at its first failing call leaves.
struct Stopped {
  bool failed = false;  // a call failed (the operation keeps run.code)
  std::string calls;    // the message log "NAME -> code" up to the failure
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
  std::string calls;   // the message log "NAME -> code"
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

#endif
