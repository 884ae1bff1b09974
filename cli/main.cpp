// t4711: the command-line tool. When STEPLIB is unset it points it at the
// reference kernel bundled beside the tool, so that the tool works out of
// the box; the library itself never does this.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "KAVCli.h"

namespace {

bool HasKernel(const std::string& iDirectory) {
  return access((iDirectory + "/KAVSYMB").c_str(), F_OK) == 0;
}

// The bundled kernel: <tool dir>/kernel (build tree), then
// <tool dir>/../lib/t4711 (installed), then the build-time location.
void PointStepLibAtBundledKernel() {
  if (std::getenv("STEPLIB") != nullptr) return;
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string toolDir = ".";
  if (length > 0) {
    self[length] = '\0';
    toolDir = self;
    toolDir = toolDir.substr(0, toolDir.rfind('/'));
  }
  for (const std::string& candidate :
       {toolDir + "/kernel", toolDir + "/../lib/t4711", std::string(KAV_BUNDLED_KERNEL_DIR)}) {
    if (HasKernel(candidate)) {
      setenv("STEPLIB", candidate.c_str(), 1);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  PointStepLibAtBundledKernel();
  return KAVCliRun(argc, argv);
}
