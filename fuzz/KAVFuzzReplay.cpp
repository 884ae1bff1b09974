// Runs a fuzz target's inputs once each, without libFuzzer: every file
// named and every file under each directory named (in name order). Built
// with the target's LLVMFuzzerTestOneInput by any compiler, so the test
// suite replays the committed corpus and every finding's reproducer under
// the sanitizers of its build.
//
// Standard output (the library's trace lines) goes to /dev/null; the name
// of each input goes to standard error before it runs, so a sanitizer
// report or a failed check follows the name of the input that caused it.
// As libFuzzer's -malloc_limit_mb ends a run, one allocation of more than
// 1 GB ends the replay: through the sanitizers' allocation hook when there
// is one, else by the limit of the address space.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* iData, size_t iSize);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* ioArgc,
                                                          char*** ioArgv);
// A target may report on the whole replay; its answer is the exit status.
extern "C" __attribute__((weak)) int KAVFuzzReplayEnd();
extern "C" __attribute__((weak)) int __sanitizer_install_malloc_and_free_hooks(
    void (*iMalloc)(const volatile void*, size_t),
    void (*iFree)(const volatile void*));

namespace {

constexpr size_t kMostAllocation = size_t{1} << 30;

void OnMalloc(const volatile void*, size_t iSize) {
  if (iSize <= kMostAllocation) return;
  std::fprintf(stderr, "replay: out-of-memory (malloc(%zu))\n", iSize);
  std::abort();
}

void LimitAllocations() {
  if (__sanitizer_install_malloc_and_free_hooks != nullptr) {
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, nullptr);
    return;
  }
  const rlimit limit{kMostAllocation, kMostAllocation};
  setrlimit(RLIMIT_AS, &limit);
}

}  // namespace

int main(int argc, char** argv) {
  LimitAllocations();
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (!std::filesystem::is_directory(path)) {
      inputs.push_back(path);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(path))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  std::fflush(stdout);
  const int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
  for (const auto& input : inputs) {
    std::fprintf(stderr, "replaying %s\n", input.c_str());
    std::ifstream file(input, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", input.c_str());
      return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                           bytes.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return KAVFuzzReplayEnd != nullptr ? KAVFuzzReplayEnd() : 0;
}
