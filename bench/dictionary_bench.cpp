// GetClasses over a dictionary of 100,000 classes, against a loop that
// reads the same two kernel lists by calling the kernel routines directly
// (addresses bound by the resolver, as the stubs bind them), with plain
// std::vector results. Both run in the same process on the same kernel;
// the ratio GetClasses / direct loop is printed at the end (target 1.5x).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KAVKernelControl.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDictionary.h"
#include "KAVReferenceTable.h"
#include "KAVRoutineTable.h"

namespace {

constexpr int kClassCount = 100000;
constexpr int kClassWidth = kavcall::Width("GNFLCL", 1);  // its names' list

struct Kernel {
  decltype(&GNFLCL) gnflcl = KAV_BOUND_ROUTINE(GNFLCL);
  decltype(&GUSINF) gusinf = KAV_BOUND_ROUTINE(GUSINF);
  decltype(&GUSREA) gusrea = KAV_BOUND_ROUTINE(GUSREA);
  decltype(&GUSEND) gusend = KAV_BOUND_ROUTINE(GUSEND);
};

// A fresh kernel holding kClassCount classes, message log off.
void Prepare() {
  kavtest::ReferenceKernel::Reset();
  KAV_KERNEL_FN(kavsim_journal)(0);
  KAV_KERNEL_FN(kavsim_dictionary_generate_classes)
  (kClassCount - KAV_KERNEL_FN(kavsim_dictionary_class_count)());
}

void BM_GetClasses(benchmark::State& state) {
  Prepare();
  for (auto _ : state) {
    KAVListValKAVUnicodeString names;
    KAVRawCollint ints;
    KAVMfgDictionary::GetClasses(names, ints);
    if (names.Size() != kClassCount || KAVMfgDictionary::GetError() != 0)
      state.SkipWithError("GetClasses did not read every class");
    benchmark::DoNotOptimize(names);
  }
  state.SetItemsProcessed(state.iterations() * kClassCount);
}
BENCHMARK(BM_GetClasses)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The same lists read with the same calls, stripped into std::string.
void BM_DirectKernelLoop(benchmark::State& state) {
  Prepare();
  static const Kernel kernel;
  for (auto _ : state) {
    std::vector<std::string> names;
    std::vector<int> ints;
    int namesList = 0, intsList = 0, ier = 0, width = 0, count = 0;
    kernel.gnflcl(&namesList, &intsList, &ier);
    kernel.gusinf(&namesList, &width, &count, &ier);
    for (int i = 1; i <= count; ++i) {
      char record[kClassWidth + 1];
      record[kClassWidth] = '\0';
      kernel.gusrea(&namesList, &i, record, &ier);
      if (ier != 0) break;
      int value = 0;
      kernel.gusrea(&intsList, &i, &value, &ier);
      const char* first = record;
      const char* last = record + std::strlen(record);
      while (first < last && *first == ' ') ++first;
      while (last > first && last[-1] == ' ') --last;
      names.emplace_back(first, last);
      ints.push_back(value);
    }
    kernel.gusend(&namesList, &ier);
    kernel.gusend(&intsList, &ier);
    if (static_cast<int>(names.size()) != kClassCount)
      state.SkipWithError("the direct loop did not read every class");
    benchmark::DoNotOptimize(names);
  }
  state.SetItemsProcessed(state.iterations() * kClassCount);
}
BENCHMARK(BM_DirectKernelLoop)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Keeps the median CPU time of each benchmark for the closing ratio (CPU
// time: the machine may be shared, which inflates wall time unevenly).
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(
      const std::vector<benchmark::BenchmarkReporter::Run>& iRuns) override {
    for (const auto& run : iRuns)
      if (!run.error_occurred && run.aggregate_name == "median")
        medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(iRuns);
  }
  std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
  // The library's binder and the kernel's site: the build's own unless
  // the environment names others.
  setenv("STEPLIB", KAV_BENCH_KERNEL_DIR, 0);
  setenv("KAVSIM_SITE", KAV_BENCH_KERNEL_DIR "/site", 0);
  benchmark::Initialize(&argc, argv);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double wrapped = reporter.medians["BM_GetClasses"];
  const double direct = reporter.medians["BM_DirectKernelLoop"];
  if (wrapped > 0 && direct > 0)
    std::printf(
        "\nratio GetClasses / direct kernel loop (CPU): %.2fx (target <= "
        "1.50x: "
        "%s)\n",
        wrapped / direct, wrapped / direct <= 1.5 ? "met" : "MISSED");
  return 0;
}
