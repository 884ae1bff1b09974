// t4711: the command-line tool. When STEPLIB is unset it points it at the
// reference kernel installed with the tool, so that the tool works out of
// the box, and says so; the library itself never does this.
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <string>

#include "KAVCliInternal.h"

#ifndef KAV_INSTALLED_KERNEL_DIR
#define KAV_INSTALLED_KERNEL_DIR "../lib/t4711"
#endif

namespace {

bool HasKernel(const std::string& iDirectory) {
  return access((iDirectory + "/KAVSYMB").c_str(), F_OK) == 0;
}

// The kernel beside the tool: <tool dir>/kernel in the build tree, else
// <tool dir>/KAV_INSTALLED_KERNEL_DIR (relative to the installed tool).
void PointStepLibAtBundledKernel() {
  if (std::getenv("STEPLIB") != nullptr) return;
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return;
  self[length] = '\0';
  std::string toolDir = self;
  toolDir = toolDir.substr(0, toolDir.rfind('/'));
  for (const std::string& candidate :
       {toolDir + "/kernel", toolDir + "/" + KAV_INSTALLED_KERNEL_DIR}) {
    if (HasKernel(candidate)) {
      char resolved[PATH_MAX];
      const std::string directory =
          realpath(candidate.c_str(), resolved) ? resolved : candidate;
      setenv("STEPLIB", directory.c_str(), 1);
      KAVCliNoteBundledKernel(directory);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe is a write error the tool reports, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  PointStepLibAtBundledKernel();
  return KAVCliRun(argc, argv);
}
