// t4711 replay FILE -- COMMAND...: runs a command against the replay
// kernel (the KAVSYMB installed beside the reference kernel, in replay/),
// which answers every kernel call from the journal FILE, and ends with a
// summary on standard error. The replay kernel appends its tallies to a
// report file at exit (T4711_REPLAY_REPORT), one line per process that
// loaded it: calls replayed, divergences, calls past the end, calls left,
// and 1 when it refused the journal.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVCli.h"

#ifndef KAV_INSTALLED_KERNEL_DIR
#define KAV_INSTALLED_KERNEL_DIR "../lib/t4711"
#endif

namespace {

// Statuses of its own, past the tool's others: the command's own status
// is what a replay that went as recorded ends with.
constexpr int kDiverged = 4;
constexpr int kLeftOver = 5;

// The replay kernel's directory: <tool dir>/replay in the build tree, else
// beside the installed reference kernel.
std::string ReplayKernelDirectory() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return std::string();
  self[length] = '\0';
  std::string toolDir = self;
  toolDir = toolDir.substr(0, toolDir.rfind('/'));
  for (const std::string& candidate :
       {toolDir + "/replay",
        toolDir + "/" + KAV_INSTALLED_KERNEL_DIR + "/replay"}) {
    char resolved[PATH_MAX];
    if (access((candidate + "/KAVSYMB").c_str(), R_OK) == 0)
      return realpath(candidate.c_str(), resolved) ? resolved : candidate;
  }
  return std::string();
}

// The calls a journal holds, or -1 when it does not begin with the header
// of the format the replay kernel reads (oWhy says why).
long CallLines(const std::string& iFile, std::string& oWhy) {
  std::ifstream in(iFile);
  if (!in) {
    oWhy = std::string("cannot read it: ") + std::strerror(errno);
    return -1;
  }
  const std::string text = kavcall::Header(false), json = kavcall::Header(true);
  long calls = 0;
  bool headed = false;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    if (!headed && line + '\n' != text && line + '\n' != json) {
      oWhy = "it does not begin with the header of a journal of format " +
             std::to_string(kavcall::kFormat) + " (\"" +
             text.substr(0, text.size() - 1) +
             "\"): a journal written before it, or not a journal";
      return -1;
    }
    if (headed) ++calls;
    headed = true;
  }
  if (!headed) {
    oWhy = "it is empty";
    return -1;
  }
  return calls;
}

struct Tallies {
  long replayed = 0, diverged = 0, pastTheEnd = 0, left = 0;
  bool refused = false, reported = false;
};

Tallies ReadReport(const std::string& iFile) {
  Tallies tallies;
  std::ifstream in(iFile);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    long replayed = 0, diverged = 0, pastTheEnd = 0, left = 0;
    int refused = 0;
    if (!(words >> replayed >> diverged >> pastTheEnd >> left >> refused))
      continue;
    tallies.reported = true;
    tallies.replayed += replayed;
    tallies.diverged += diverged;
    tallies.pastTheEnd += pastTheEnd;
    tallies.left += left;
    tallies.refused = tallies.refused || refused != 0;
  }
  return tallies;
}

// Runs iCommand with iEnvironment added; its exit status, 128 + the signal
// that ended it, or 127 when it could not be run.
int RunCommand(
    const std::vector<std::string>& iCommand,
    const std::vector<std::pair<std::string, std::string>>& iEnvironment) {
  std::cout.flush();
  std::cerr.flush();
  const pid_t child = fork();
  if (child < 0) {
    std::cerr << "t4711 replay: cannot start " << iCommand[0] << ": "
              << std::strerror(errno) << std::endl;
    return 127;
  }
  if (child == 0) {
    for (const auto& [name, value] : iEnvironment)
      setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& word : iCommand)
      argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    const std::string message = "t4711 replay: cannot run " + iCommand[0] +
                                ": " + std::strerror(errno) + "\n";
    const ssize_t written =
        write(STDERR_FILENO, message.data(), message.size());
    (void)written;
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 127;
}

std::string TempReport() {
  const char* tmp = std::getenv("TMPDIR");
  std::string path =
      (tmp && *tmp ? tmp : "/tmp") + std::string("/t4711-replay-XXXXXX");
  const int fd = mkstemp(path.data());
  if (fd < 0) return std::string();
  close(fd);
  return path;
}

int Replay(const std::string& iFile, const std::vector<std::string>& iCommand) {
  if (iCommand.empty())
    return KAVCliUsageError(
        "replay: no command after the journal (t4711 replay FILE -- COMMAND...)");
  std::string why;
  const long calls = CallLines(iFile, why);
  if (calls < 0) return KAVCliInputError(iFile + ": " + why + "; not replayed");
  const std::string kernel = ReplayKernelDirectory();
  if (kernel.empty()) {
    std::cerr << "t4711 replay: no replay kernel (replay/KAVSYMB) beside "
                 "t4711 or the kernel installed with it"
              << std::endl;
    return kKAVCliNoKernel;
  }
  char resolved[PATH_MAX];
  const std::string journal =
      realpath(iFile.c_str(), resolved) ? resolved : iFile;
  const std::string report = TempReport();
  if (report.empty())
    return KAVCliInputError("cannot make a report file for the replay: " +
                            std::string(std::strerror(errno)));
  const int status = RunCommand(iCommand, {{"STEPLIB", kernel},
                                           {"T4711_REPLAY", journal},
                                           {"T4711_REPLAY_REPORT", report}});
  Tallies tallies = ReadReport(report);
  unlink(report.c_str());
  // A command that never called the kernel left every call unreplayed.
  if (!tallies.reported) tallies.left = calls;
  if (tallies.refused) {
    std::cerr << "t4711 replay: the replay kernel refused " << iFile
              << std::endl;
    return kKAVCliInput;
  }
  const long divergences = tallies.diverged + tallies.pastTheEnd;
  std::cerr << "t4711 replay: " << tallies.replayed << " calls replayed, "
            << divergences << " divergences";
  if (tallies.pastTheEnd != 0)
    std::cerr << " (" << tallies.pastTheEnd << " past the end)";
  std::cerr << ", " << tallies.left << " calls left unreplayed" << std::endl;
  if (divergences != 0) return kDiverged;
  if (tallies.left != 0) return kLeftOver;
  return status;
}

void AddReplayCommands(CLI::App& app, KAVCliContext& ctx) {
  struct Options {
    std::string file;
    std::vector<std::string> command;
  };
  auto& options = ctx.Options<Options>();
  auto* replay = app.add_subcommand(
      "replay",
      "Run COMMAND against a kernel that answers from the journal FILE "
      "(written with T4711_JOURNAL=FILE or json:FILE); exits with the "
      "command's status, 4 on a divergence, 5 when calls are left over");
  replay->add_option("FILE", options.file, "journal file")->required();
  replay->add_option("COMMAND", options.command,
                     "the command to run, after --");
  replay->callback(
      [&ctx, &options] { ctx.status = Replay(options.file, options.command); });
}
KAV_CLI_FAMILY(AddReplayCommands);

}  // namespace
