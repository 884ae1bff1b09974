// The kernel-answer fuzzer's harness, shared by the libFuzzer target, the
// corpus replay and the seed generator.
//
// An input is a program and the kernel's answers:
//   byte 0         the program's length L (0 to 255)
//   bytes 1..L     the program: an operation (a byte, taken modulo the
//                  number of operations), then one byte per argument,
//                  each choosing from that argument's small table
//   the rest       the answer stream the fuzz kernel decodes
//                  (kernel/KAVFuzzAnswers.h)
// Operations run one after the other until the program ends. After each
// the harness checks what it returned against what the kernel answered,
// and that the national-name and GII caches agree with their indexes; any
// disagreement aborts, as a sanitizer report does.
#ifndef KAVKernelFuzz_h
#define KAVKernelFuzz_h

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KAVFuzzControl.h"

namespace kavfuzz {

class Program {
 public:
  Program(const uint8_t* iData, size_t iSize) : _data(iData), _size(iSize) {}
  bool Done() const { return _at >= _size; }
  // The next byte; 0 once the program has ended.
  uint8_t Byte() { return _at < _size ? _data[_at++] : 0; }
  template <typename T, size_t N>
  const T& Pick(const T (&iTable)[N]) {
    return iTable[Byte() % N];
  }

 private:
  const uint8_t* _data;
  size_t _size;
  size_t _at = 0;

 public:
  size_t Used() const { return _at < _size ? _at : _size; }
};

struct Operation {
  const char* name;
  void (*run)(Program&);
  // False for the few operations the table holds for the caches they
  // read (GetStdName, ResetGIIIdList), which never call the kernel, and
  // for kavsybnd, which calls its resolver only.
  bool reachesKernel;
};

// Every public operation that reaches the kernel, in one table (the C
// entry points cxgiiv5, cxrv5i and nqusett call no kernel routine). New
// operations go at the end, so that the seeds, which name operations by
// their position, keep their meaning.
extern const Operation kOperations[];
extern const int kOperationCount;

// Once per process: STEPLIB names the fuzz kernel, which is loaded and
// its controls looked up; trace output is left where it goes.
void Start();
// One input: the library's process-wide state is forgotten, the kernel
// takes the answers, the program runs.
void RunInput(const uint8_t* iData, size_t iSize);
// The library's process-wide state forgotten: the national-name caches,
// the GII identifier cache and event flag, the declarative's interface
// answers.
void ForgetState();
// The program alone, against whatever the kernel was told to answer;
// oStepEnds, when given, receives where each operation's bytes end.
void RunProgram(const uint8_t* iProgram, size_t iSize,
                std::vector<size_t>* oStepEnds = nullptr);

// Per operation, the runs in which it reached the kernel (or ran, for the
// operations that never call it).
const long* Reached();
// "reached N of M operations" and the names of those never reached;
// returns the number never reached.
int ReportReached(std::string& oText);

// Control of the fuzz kernel (kernel/KAVFuzzControl.h) through dlsym.
struct KernelControl {
  void (*answer)(const unsigned char*, size_t);
  void (*record)(KAVFuzzPolicy);
  const unsigned char* (*recorded)(size_t*);
  long (*calls)();
  long (*reads)();
};
const KernelControl& Kernel();

}  // namespace kavfuzz

#endif
