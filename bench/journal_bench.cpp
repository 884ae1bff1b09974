// What the library's journal costs when it is on: a journaled call
// through a stub (the routine is the one-increment stand-in, the journal a
// file in TMPDIR) against a plain call of the same routine through a
// function pointer, the fastest of several repetitions each; and the whole
// t4711 tour on the reference kernel with and without the journal. With
// the journal off nothing changes: binding_bench measures that path.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "KAVBenchRatios.h"
#include "KAVLegacyRoutines.h"

extern "C" void kav_bench_target(int*, int*);  // from the PLT library

extern char** environ;

namespace {

std::string gJournal;

void BM_PlainCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  void (*volatile pointer)(int*, int*) = &kav_bench_target;
  void (*target)(int*, int*) = pointer;
  for (auto _ : state) target(&counter, &unused);
  benchmark::DoNotOptimize(counter);
}

void BM_JournaledCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  GUSEND(&counter, &unused);  // binds the stub, opens the journal
  for (auto _ : state) GUSEND(&counter, &unused);
  benchmark::DoNotOptimize(counter);
  truncate(gJournal.c_str(), 0);  // keeps the file small between runs
}

#if defined(KAV_BENCH_T4711)  // built with t4711
// One `t4711 tour` in a child process, its output thrown away.
void Tour(benchmark::State& state, bool iJournaled) {
  const std::string stepLib = "STEPLIB=" KAV_BENCH_REFERENCE_KERNEL;
  const std::string journal = "T4711_JOURNAL=" + gJournal + ".tour";
  for (auto _ : state) {
    std::vector<char*> env = {const_cast<char*>(stepLib.c_str())};
    if (iJournaled) env.push_back(const_cast<char*>(journal.c_str()));
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(KAV_BENCH_T4711),
                    const_cast<char*>("tour"), nullptr};
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, KAV_BENCH_T4711, &actions, nullptr, argv,
                    env.data()) == 0)
      waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) state.SkipWithError("t4711 tour failed");
  }
  unlink((gJournal + ".tour").c_str());
}
void BM_Tour(benchmark::State& state) { Tour(state, false); }
void BM_TourJournaled(benchmark::State& state) { Tour(state, true); }
#endif

}  // namespace

BENCHMARK(BM_PlainCall)
    ->Repetitions(7)
    ->ComputeStatistics("min", KAVBenchFastest);
BENCHMARK(BM_JournaledCall)
    ->Repetitions(7)
    ->ComputeStatistics("min", KAVBenchFastest);
#if defined(KAV_BENCH_T4711)
BENCHMARK(BM_Tour)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TourJournaled)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
#endif

int main(int argc, char** argv) {
  // Stub calls here reach the stand-in kernel beside this program, and
  // are journaled into a file of TMPDIR.
  const char* tmp = std::getenv("TMPDIR");
  gJournal = std::string(tmp && *tmp ? tmp : "/tmp") + "/journal_bench-XXXXXX";
  const int fd = mkstemp(&gJournal[0]);
  if (fd < 0) return 1;
  close(fd);
  setenv("STEPLIB", KAV_BENCH_STANDIN_KERNEL, 1);
  setenv("T4711_JOURNAL", gJournal.c_str(), 1);
  KAVBenchRatios ratios;
  ratios.AddDifference("journaled call - plain call (2000 ns at most)",
                       "BM_JournaledCall/repeats:7", "BM_PlainCall/repeats:7",
                       2000);
  ratios.AddDifference("tour journaled - tour",
                       "BM_TourJournaled/iterations:3/real_time",
                       "BM_Tour/iterations:3/real_time");
  const int status = ratios.RunAll(argc, argv);
  unlink(gJournal.c_str());
  return status;
}
