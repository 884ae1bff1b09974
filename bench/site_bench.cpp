// Reading the reference kernel's site files: a data pool of 1,000, 10,000
// and 100,000 objects read by the first GNSROB after a reset (each run
// reads 100,000 objects in all, so the times compare per object), a
// dictionary member read by GNFLOD (time per MB), and the peak memory of a
// process that reads a pool of 100,000 empty values in a field 1,024
// characters wide, against one that reads a pool of one object. Ratios:
// 100,000 objects / 1,000 objects per object (target at most 1.2x).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "KAVBenchRatios.h"
#include "KAVLegacyRoutines.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using kavtest::ReferenceKernel;

constexpr long kObjectsPerRun = 100000;
constexpr int kDictionaryClasses = 20000;
constexpr int kEmptyValues = 100000;

// A site holding datapool/BENCH.json of iObjects objects, each with a
// real, an int and a text field, as a site's tool pool has them.
std::string PoolSite(const kavtest::TempDir& iSite, long iObjects) {
  std::string text = "{\"pool\": \"BENCH\", \"objects\": [\n";
  for (long i = 1; i <= iObjects; ++i) {
    text +=
        "{\"number\": " + std::to_string(i) +
        ", \"kind\": 1, \"fields\": ["
        "{\"name\": \"MFG_TOOL_DIAM\", \"type\": 2, \"values\": [10.5]}, "
        "{\"name\": \"MFG_NB_USES\", \"type\": 0, \"values\": [3]}, "
        "{\"name\": \"MFG_TOOL_MAT\", \"type\": 3, \"values\": [\"HSS\"]}]}";
    text += i < iObjects ? ",\n" : "\n";
  }
  text += "]}\n";
  iSite.Write("datapool/BENCH.json", text);
  return text;
}

// GNSROB on object 1 after a reset: the kernel reads the whole pool file.
int ReadObjectOne() {
  static const auto gnsrob = KAV_BOUND_ROUTINE(GNSROB);
  char pool[8];
  std::memcpy(pool, "BENCH   ", sizeof pool);
  int number = 1, kind = 0, names = 0, counts = 0, types = 0, ier = -1;
  gnsrob(pool, &number, &kind, &names, &counts, &types, &ier);
  return ier;
}

void BM_ReadPool(benchmark::State& state) {
  const long objects = state.range(0);
  kavtest::TempDir site;
  const size_t bytes = PoolSite(site, objects).size();
  const long reads = kObjectsPerRun / objects;
  for (auto _ : state) {
    for (long i = 0; i < reads; ++i) {
      KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
      KAV_KERNEL_FN(kavsim_journal)(0);
      if (ReadObjectOne() != 0) state.SkipWithError("the pool did not read");
    }
  }
  const double megabytes = static_cast<double>(bytes) * reads / 1e6;
  state.counters["s_per_MB"] = benchmark::Counter(
      megabytes, benchmark::Counter::kIsIterationInvariantRate |
                     benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * kObjectsPerRun);
}
// By the fastest of five runs: the machine is shared, and interference
// only ever adds time.
BENCHMARK(BM_ReadPool)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", KAVBenchFastest);

// A member of kDictionaryClasses classes of 20 attributes each, loaded by
// GNFLOD after a reset.
void BM_LoadDictionary(benchmark::State& state) {
  kavtest::TempDir site;
  std::string text =
      "{\"model\": \"NC MODEL\", \"member\": \"BIG\", "
      "\"attributes\": [";
  for (int a = 0; a < 20; ++a)
    text += std::string(a ? ", " : "") + "{\"name\": \"MFG_A" +
            std::to_string(a) +
            "\", \"facets\": [1,0,3,0,0,0,0,0,0,0,0], "
            "\"values\": [\"ONE\", \"TWO\"]}";
  text += "], \"classes\": [\n";
  for (int c = 0; c < kDictionaryClasses; ++c) {
    text += std::string(c ? ",\n" : "") + "{\"name\": \"MfgClass" +
            std::to_string(c) +
            "\", \"kind\": 1, \"parent\": \"\", "
            "\"version\": 1, \"attributes\": [";
    for (int a = 0; a < 20; ++a)
      text += std::string(a ? ", " : "") + "{\"name\": \"MFG_A" +
              std::to_string(a) +
              "\", \"version\": 1, \"block\": \"GENERAL\", "
              "\"status\": 0}";
    text += "]}";
  }
  text += "\n]}\n";
  site.Write("dictionary/BIG.json", text);
  static const auto gnflod = KAV_BOUND_ROUTINE(GNFLOD);
  for (auto _ : state) {
    KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
    KAV_KERNEL_FN(kavsim_journal)(0);
    char model[8], member[8], message[80];
    std::memcpy(model, "NC MODEL", sizeof model);
    std::memcpy(member, "BIG     ", sizeof member);
    int ier = -1;
    gnflod(model, member, message, &ier);
    if (ier != 0) state.SkipWithError("the dictionary did not load");
  }
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["s_per_MB"] =
      benchmark::Counter(static_cast<double>(text.size()) / 1e6,
                         benchmark::Counter::kIsIterationInvariantRate |
                             benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reads every value of field MFG_WIDE of object 1 of pool BENCH in the
// site iSite, as a fresh process run with --read-wide-pool SITE does, and
// prints the peak of its resident memory in kB (VmHWM: of this program's
// memory alone, where the rusage of a child counts what it forked from).
int ReadWideField(const char* iSite) {
  KAV_KERNEL_FN(kavsim_set_site)(iSite);
  KAV_KERNEL_FN(kavsim_journal)(0);
  const auto gnsrfi = KAV_BOUND_ROUTINE(GNSRFI);
  const auto gusinf = KAV_BOUND_ROUTINE(GUSINF);
  const auto gusrea = KAV_BOUND_ROUTINE(GUSREA);
  char pool[8], field[16], record[1024];
  std::memcpy(pool, "BENCH   ", sizeof pool);
  std::memset(field, ' ', sizeof field);
  std::memcpy(field, "MFG_WIDE", 8);
  int number = 1, list = 0, width = 0, count = 0, ier = -1;
  gnsrfi(pool, &number, field, &list, &ier);
  gusinf(&list, &width, &count, &ier);
  for (int i = 1; i <= count && ier == 0; ++i) gusrea(&list, &i, record, &ier);
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, 6, "VmHWM:") == 0)
      std::printf("%ld\n", std::atol(line.c_str() + 6));
  return ier == 0 ? 0 : 1;
}

// The peak resident memory, in MB, of a fresh process that reads the wide
// field of the pool in iSite.
double PeakOfReading(const std::string& iSite) {
  const std::string command = "'/proc/" + std::to_string(getpid()) +
                              "/exe' --read-wide-pool '" + iSite + "'";
  FILE* child = popen(command.c_str(), "r");
  long kilobytes = -1;
  if (child == nullptr || std::fscanf(child, "%ld", &kilobytes) != 1)
    kilobytes = -1;
  if (child != nullptr && pclose(child) != 0) kilobytes = -1;
  return kilobytes < 0 ? -1 : static_cast<double>(kilobytes) / 1024;
}

// A pool file of one field 1,024 characters wide holding iValues empty
// texts; its size in bytes.
size_t WidePool(const kavtest::TempDir& iSite, int iValues) {
  std::string text =
      "{\"pool\": \"BENCH\", \"objects\": [{\"number\": 1, \"kind\": 1, "
      "\"fields\": [{\"name\": \"MFG_WIDE\", \"type\": 3, \"width\": 1024, "
      "\"values\": [";
  for (int i = 0; i < iValues; ++i) text += i ? ", \"\"" : "\"\"";
  text += "]}]}]}\n";
  iSite.Write("datapool/BENCH.json", text);
  return text.size();
}

void BM_PeakMemoryOfAWidePool(benchmark::State& state) {
  kavtest::TempDir small, wide;
  WidePool(small, 1);
  const size_t bytes = WidePool(wide, kEmptyValues);
  double baseline = 0, peak = 0;
  for (auto _ : state) {
    baseline = PeakOfReading(small.Path());
    peak = PeakOfReading(wide.Path());
    if (baseline < 0 || peak < 0) state.SkipWithError("a reading child failed");
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["peak_MB"] = peak;
  state.counters["baseline_MB"] = baseline;
  state.counters["growth_per_file_byte"] =
      (peak - baseline) * 1024 * 1024 / static_cast<double>(bytes);
}
BENCHMARK(BM_PeakMemoryOfAWidePool)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  setenv("STEPLIB", KAV_BENCH_KERNEL_DIR, 0);
  if (argc == 3 && std::strcmp(argv[1], "--read-wide-pool") == 0)
    return ReadWideField(argv[2]);
  // Freed memory stays with the process, so that a big read, like a small
  // one, runs in memory it touched before: the ratios measure the reader,
  // not the system's first touch of fresh pages.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  KAVBenchRatios ratios;
  ratios.Add("pool of 100,000 / 1,000 objects, per object",
             "BM_ReadPool/100000/repeats:5", "BM_ReadPool/1000/repeats:5", 1.2);
  ratios.Add("pool of 10,000 / 1,000 objects, per object",
             "BM_ReadPool/10000/repeats:5", "BM_ReadPool/1000/repeats:5", 1.2);
  return ratios.RunAll(argc, argv);
}
