// ListDirectory on a directory of 100,000 files and 10 subdirectories,
// against ls run as a child process on the same directory in the same run:
// "ls -fa" (no sorting) and "LC_ALL=C ls -a" (sorted), output to /dev/null.
// A walk that stats every entry is measured too, as the cost the entry
// types save. The ratios to both ls runs are printed at the end; before
// timing, the lists are checked to be exactly those of the stat walk.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "KAVMfgUtilities.h"
#include "TestSupport.h"

extern char** environ;

namespace {

constexpr int kFiles = 100000;
constexpr int kSubdirectories = 10;
const unsigned long kBoth =
    KAVMfgUtilities::kListFiles | KAVMfgUtilities::kListDirectories;

const std::string& Directory() {
  static kavtest::TempDir root;
  static std::string directory;
  if (directory.empty()) {
    directory = root.Path() + "/listing";
    mkdir(directory.c_str(), 0755);
    char name[32];
    for (int i = 0; i < kFiles; ++i) {
      std::snprintf(name, sizeof name, "/part%06d.ncl", (i * 7919) % kFiles);
      close(open((directory + name).c_str(), O_CREAT | O_WRONLY, 0644));
    }
    for (int i = 0; i < kSubdirectories; ++i)
      mkdir((directory + "/program" + std::to_string(i)).c_str(), 0755);
  }
  return directory;
}

void StatEveryEntry(const std::string& iDirectory,
                    KAVListValKAVUnicodeString* oLists) {
  DIR* directory = opendir(iDirectory.c_str());
  if (directory == nullptr) return;
  while (struct dirent* entry = readdir(directory)) {
    struct stat info;
    if (stat((iDirectory + "/" + entry->d_name).c_str(), &info) != 0) continue;
    if (S_ISREG(info.st_mode)) oLists[0].Append(entry->d_name);
    if (S_ISDIR(info.st_mode)) oLists[1].Append(entry->d_name);
  }
  closedir(directory);
  oLists[1].QuickSort(KAVMfgUtilities::CompareStrings);
  oLists[0].QuickSort(KAVMfgUtilities::CompareStrings);
}

bool SameLists(const KAVListValKAVUnicodeString* iA,
               const KAVListValKAVUnicodeString* iB) {
  for (int k = 0; k < 2; ++k) {
    if (iA[k].Size() != iB[k].Size()) return false;
    for (int i = 1; i <= iA[k].Size(); ++i)
      if (iA[k][i] != iB[k][i]) return false;
  }
  return true;
}

void RunLs(const std::vector<const char*>& iArguments, bool iCLocale) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  std::vector<char*> argv;
  for (const char* argument : iArguments)
    argv.push_back(const_cast<char*>(argument));
  argv.push_back(const_cast<char*>(Directory().c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (std::string(*entry).rfind("LC_ALL=", 0) != 0) env.push_back(*entry);
  if (iCLocale) env.push_back("LC_ALL=C");
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(&entry[0]);
  envp.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, "ls", &actions, nullptr, argv.data(), envp.data()) ==
      0)
    waitpid(child, nullptr, 0);
  posix_spawn_file_actions_destroy(&actions);
}

void BM_ListDirectory(benchmark::State& state) {
  const KAVUnicodeString directory = Directory().c_str();
  for (auto _ : state) {
    KAVListValKAVUnicodeString lists[2];
    benchmark::DoNotOptimize(
        KAVMfgUtilities::ListDirectory(directory, lists, kBoth));
  }
}

void BM_StatEveryEntry(benchmark::State& state) {
  for (auto _ : state) {
    KAVListValKAVUnicodeString lists[2];
    StatEveryEntry(Directory(), lists);
    benchmark::DoNotOptimize(lists[0].Size());
  }
}

void BM_LsUnsorted(benchmark::State& state) {
  for (auto _ : state) RunLs({"ls", "-fa"}, false);
}

void BM_LsSortedCLocale(benchmark::State& state) {
  for (auto _ : state) RunLs({"ls", "-a"}, true);
}

BENCHMARK(BM_ListDirectory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatEveryEntry)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LsUnsorted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LsSortedCLocale)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's real time per iteration for the ratios: ls does
// its work in a child process, which this process's CPU time never sees.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& iRuns) override {
    ConsoleReporter::ReportRuns(iRuns);
    for (const Run& run : iRuns)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        times[run.run_name.function_name] = run.GetAdjustedRealTime();
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  KAVListValKAVUnicodeString listed[2], statted[2];
  const int count =
      KAVMfgUtilities::ListDirectory(Directory().c_str(), listed, kBoth);
  StatEveryEntry(Directory(), statted);
  std::printf(
      "ListDirectory: %d files, %d directories; identical to stat of every "
      "entry: %s\n",
      count, listed[1].Size(), SameLists(listed, statted) ? "yes" : "NO");
  if (!SameLists(listed, statted)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* iOf, const char* iTo, double iTarget) {
    if (reporter.times.count(iOf) == 0 || reporter.times.count(iTo) == 0)
      return;
    const double value = reporter.times[iOf] / reporter.times[iTo];
    std::printf("ratio %s / %s: %.2fx", iOf, iTo, value);
    if (iTarget > 0)
      std::printf(" (target <= %.2fx: %s)", iTarget,
                  value <= iTarget ? "met" : "MISSED");
    std::printf("\n");
  };
  ratio("BM_ListDirectory", "BM_LsUnsorted", 2.0);
  ratio("BM_ListDirectory", "BM_LsSortedCLocale", 0.5);
  ratio("BM_StatEveryEntry", "BM_LsUnsorted", 0);
  benchmark::Shutdown();
  return 0;
}
