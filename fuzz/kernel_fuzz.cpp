// libFuzzer target: every public operation that reaches the kernel, run
// against the fuzz kernel, which answers from the input (KAVKernelFuzz.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "KAVKernelFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kavfuzz::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* iData, size_t iSize) {
  kavfuzz::RunInput(iData, iSize);
  return 0;
}

// The corpus replay asks which operations the inputs reached.
extern "C" int KAVFuzzReplayEnd() {
  std::string report;
  const int missing = kavfuzz::ReportReached(report);
  std::fputs(report.c_str(), stderr);
  return missing == 0 ? 0 : 1;
}
