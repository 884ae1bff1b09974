// Fault sweeps over the reference kernel (its control: KAVKernelControl).
#include "ReferenceKernel.h"

#include "TestSupport.h"

namespace kavtest {

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
