// What a line of `t4711 run FILE` costs, and that it costs the same in a
// long file as in a short one: a file of 1,000 and one of 10,000 lines
// cycling through commands of several families (the GII ones record an
// event or raise an error into the session, so the kernel's session
// grows with the file), each run in a child process whose CPU time is
// taken per line.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "KAVBenchRatios.h"

namespace {

const char* const kLines[] = {
    "util quote abc",
    "tables 1",
    "dictionary current",
    "pool values TOOLS 1",
    "gii set int NBPASS 5",
    "gii get int VIDE",
    "gii event NBPASS --no-order",
    "nls name class MfgDrilling",
    "declarative integer DEPTH KAVPATHS",
};

std::string gDirectory;

std::string CommandFile(int iLines) {
  const std::string path =
      gDirectory + "/commands-" + std::to_string(iLines) + ".txt";
  std::ofstream out(path);
  const int kinds = sizeof kLines / sizeof *kLines;
  for (int i = 0; i < iLines; ++i) out << kLines[i % kinds] << '\n';
  return path;
}

// The child's CPU time (user and system), per line of the file.
void BM_RunFile(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string file = CommandFile(lines);
  char stepLib[] = "STEPLIB=" KAV_BENCH_REFERENCE_KERNEL;
  char* env[] = {stepLib, nullptr};
  char* argv[] = {const_cast<char*>(KAV_BENCH_T4711), const_cast<char*>("run"),
                  const_cast<char*>("-k"), const_cast<char*>(file.c_str()),
                  nullptr};
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    if (posix_spawn(&pid, KAV_BENCH_T4711, &actions, nullptr, argv, env) == 0)
      wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    // -k: the failing GII line makes the run end with status 1.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
      state.SkipWithError("t4711 run failed");
    const double seconds =
        usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    state.SetIterationTime(seconds / lines);
  }
}

}  // namespace

BENCHMARK(BM_RunFile)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2)
    ->UseManualTime();

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  gDirectory = std::string(tmp && *tmp ? tmp : "/tmp") + "/cli_bench-XXXXXX";
  if (mkdtemp(&gDirectory[0]) == nullptr) return 1;
  KAVBenchRatios ratios;
  ratios.Add("run: a line of 10,000 / a line of 1,000",
             "BM_RunFile/10000/iterations:2/manual_time",
             "BM_RunFile/1000/iterations:2/manual_time", 1.2,
             /*iRealTime=*/true);
  const int status = ratios.RunAll(argc, argv);
  for (const int lines : {1000, 10000})
    unlink(
        (gDirectory + "/commands-" + std::to_string(lines) + ".txt").c_str());
  rmdir(gDirectory.c_str());
  return status;
}
