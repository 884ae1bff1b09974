// Writes the kernel fuzzer's seed corpus into the directory named: every
// operation of the table run against the fuzz kernel in record mode under
// each answer policy below, saved as the program and the answers recorded
// (named <operation>-<policy>), plus a few programs of several operations.
// The policies give the shapes the suites already use against the
// reference kernel (handle 0, count 99, length 1,000, -5, a failing call,
// nothing defined) and a few only a hostile kernel gives.
//
//   kernel_seeds fuzz/corpus/kernel
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVFuzzAnswers.h"
#include "KAVKernelFuzz.h"

namespace {

using kavcall::Kind;

bool Is(const KAVFuzzQuestion& iQuestion, const char* iRoutine, int iArg) {
  return std::strcmp(iQuestion.routine, iRoutine) == 0 && iQuestion.arg == iArg;
}

// A well-behaved kernel: every call succeeds, lists hold two records of
// the width the caller reads, handles are distinct, texts short names.
struct Policy {
  const char* name;
  void (*answer)(const KAVFuzzQuestion&, KAVFuzzAnswer&);
};

std::string gText;  // the text an answer points at, kept until the next

void Plain(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  a.value = 0;
  a.real = 2.5;
  a.end = static_cast<int>(kavfuzz::TextEnd::kBlanks);
  switch (static_cast<Kind>(q.kind)) {
    case Kind::kHandle:
      a.value = q.arg;
      break;
    case Kind::kInt:
    case Kind::kInts:
      if (Is(q, "GUSINF", 2))
        a.value = q.record_width > 0 ? q.record_width : 72;
      else if (Is(q, "GUSINF", 3) || Is(q, "G7AQRY", 6))
        a.value = 2;
      else if (Is(q, "LBATCH", 0))
        a.value = 0;
      else
        a.value = 1;
      break;
    case Kind::kText:
    case Kind::kTexts:
      gText = "NAME";
      break;
    default:
      break;
  }
  if (std::strcmp(q.routine, "GUSREA") == 0 && q.arg == 3 &&
      q.record_width == 4)
    a.value = 7;
  if (Is(q, "GNFNL1", 4) || Is(q, "GMIPRO", 3) || Is(q, "GMIKCH", 3) ||
      Is(q, "DCLVAR", 6))
    a.value = 4;
  if (Is(q, "GMIKEY", 3) || Is(q, "GNFRAT", 4)) a.value = 2;
  a.bytes = gText.c_str();
  a.length = static_cast<int>(gText.size());
}

void Handle0(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind == static_cast<int>(Kind::kHandle)) a.value = 0;
}

void Count99(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (Is(q, "GUSINF", 3) || Is(q, "G7AQRY", 6) || Is(q, "GMIPTR", 3))
    a.value = 99;
}

// Every length and count said is 1,000: more than any buffer holds.
void Length1000(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind == static_cast<int>(Kind::kInt) ||
      q.kind == static_cast<int>(Kind::kInts))
    if (!Is(q, "GUSINF", 3)) a.value = 1000;
}

void Minus5(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind != static_cast<int>(Kind::kCode) &&
      q.kind != static_cast<int>(Kind::kText) &&
      q.kind != static_cast<int>(Kind::kTexts) &&
      q.kind != static_cast<int>(Kind::kDouble))
    a.value = -5;
}

// The second call fails with a code no routine answers by itself.
void Fail2(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind == static_cast<int>(Kind::kCode) && q.call == 2) a.value = 4242;
}

void Nothing9550(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind == static_cast<int>(Kind::kCode)) a.value = 9550;
}

// Texts of every byte to the end of their fields, with no terminator;
// reals that are not numbers; ints at their extremes.
void Wild(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (q.kind == static_cast<int>(Kind::kText) ||
      q.kind == static_cast<int>(Kind::kTexts)) {
    gText.clear();
    for (int i = 0; i < q.width; ++i)
      gText += static_cast<char>(0x80 + (i * 37) % 128);
    gText[0] = '\0';
    a.bytes = gText.c_str();
    a.length = static_cast<int>(gText.size());
    a.end = static_cast<int>(kavfuzz::TextEnd::kRaw);
  }
  if (q.kind == static_cast<int>(Kind::kDouble))
    a.real = std::numeric_limits<double>::quiet_NaN();
  if (q.kind == static_cast<int>(Kind::kInt) && !Is(q, "GUSINF", 3))
    a.value = INT_MAX;
  if (Is(q, "GUSINF", 3)) a.value = 3;
}

// A list that says it holds INT_MAX records; the kernel answers a few
// calls more and then nothing (the stream ends: every later call fails).
void CountMax(const KAVFuzzQuestion& q, KAVFuzzAnswer& a) {
  Plain(q, a);
  if (Is(q, "GUSINF", 3) || Is(q, "GMIPTR", 3)) a.value = INT_MAX;
  if (q.call > 12) a.end = -1;
}

const Policy kPolicies[] = {
    {"plain", Plain},
    {"handle0", Handle0},
    {"count99", Count99},
    {"length1000", Length1000},
    {"minus5", Minus5},
    {"fail2", Fail2},
    {"nothing9550", Nothing9550},
    {"wild", Wild},
    {"countmax", CountMax},
};

const Policy* gPolicy = nullptr;

// A policy that answers success forever would make a loop without end
// (a list variable of INT_MAX values, say): every recording ends after
// this many calls, as a fuzzed stream runs out.
constexpr long kMostCalls = 600;

void Answer(const KAVFuzzQuestion* iQuestion, KAVFuzzAnswer* oAnswer) {
  if (iQuestion->call > kMostCalls) {
    oAnswer->end = -1;
    return;
  }
  gPolicy->answer(*iQuestion, *oAnswer);
}

// Runs the program under the policy; the input that replays it.
std::string Record(const std::string& iProgram, const Policy& iPolicy,
                   std::vector<size_t>* oStepEnds = nullptr) {
  gPolicy = &iPolicy;
  kavfuzz::ForgetState();
  kavfuzz::Kernel().record(Answer);
  kavfuzz::RunProgram(reinterpret_cast<const uint8_t*>(iProgram.data()),
                      iProgram.size(), oStepEnds);
  size_t size = 0;
  const unsigned char* answers = kavfuzz::Kernel().recorded(&size);
  return std::string(1, static_cast<char>(iProgram.size())) + iProgram +
         std::string(reinterpret_cast<const char*>(answers), size);
}

int OperationIndex(const char* iName) {
  for (int i = 0; i < kavfuzz::kOperationCount; ++i)
    if (std::strcmp(kavfuzz::kOperations[i].name, iName) == 0) return i;
  std::fprintf(stderr, "kernel_seeds: no operation %s\n", iName);
  std::exit(2);
}

// An operation and its argument bytes (each picks from its table), cut
// to the bytes the operation reads; arguments not given take the first
// entry of their table.
std::string Step(const char* iOperation, std::vector<int> iArguments = {}) {
  std::string step(1, static_cast<char>(OperationIndex(iOperation)));
  for (int argument : iArguments) step += static_cast<char>(argument);
  step.append(32, '\0');
  std::vector<size_t> ends;
  Record(step, kPolicies[0], &ends);
  return step.substr(0, ends.empty() ? step.size() : ends.front());
}

std::string FileName(const std::string& iOperation, const char* iVariant) {
  std::string name;
  for (char c : iOperation) name += c == ':' ? '-' : c;
  while (name.find("--") != std::string::npos)
    name.replace(name.find("--"), 2, "-");
  return name + "-" + iVariant;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kernel_seeds DIRECTORY\n");
    return 2;
  }
  const std::string directory = argv[1];
  kavfuzz::Start();
  int written = 0;
  const auto write = [&](const std::string& iName, const std::string& iInput) {
    std::ofstream file(directory + "/" + iName,
                       std::ios::binary | std::ios::trunc);
    file << iInput;
    if (!file) {
      std::fprintf(stderr, "kernel_seeds: cannot write %s/%s\n",
                   directory.c_str(), iName.c_str());
      std::exit(1);
    }
    ++written;
  };
  for (int i = 0; i < kavfuzz::kOperationCount; ++i) {
    const char* name = kavfuzz::kOperations[i].name;
    std::set<std::string> seen;
    for (const Policy& policy : kPolicies) {
      const std::string input = Record(Step(name), policy);
      if (seen.insert(input).second) write(FileName(name, policy.name), input);
    }
    // Empty names, int 1, buffer 1; then 1,000-character names and 1,000.
    write(FileName(name, "args-empty"),
          Record(Step(name, std::vector<int>(24, 1)), kPolicies[0]));
    write(FileName(name, "args-long"),
          Record(Step(name, std::vector<int>(24, 12)), kPolicies[0]));
  }
  // The caches across operations: names cached, then looked up.
  const std::vector<std::pair<const char*, std::string>> programs = {
      {"gii-cache", Step("KAVMfgBaseGII::SetGIIIdList", {2}) +
                        Step("KAVMfgBaseGII::GetGIIId", {0, 1}) +
                        Step("KAVMfgBaseGII::IsExistingGIIVariable", {4, 1}) +
                        Step("KAVMfgBaseGII::SetGIIIdList", {0}) +
                        Step("KAVMfgBaseGII::GetGIIId", {4, 1})},
      {"nls-cache", Step("KAVMfgBaseNLS::GetNlsName", {1, 0}) +
                        Step("KAVMfgBaseNLS::GetNlsName", {1, 3}) +
                        Step("KAVMfgBaseNLS::GetStdName", {1, 0}) +
                        Step("KAVMfgBaseNLS::GetAttStdName", {0})},
      {"datapool-dump", Step("KAVMfgDataPool::ListObjects", {9, 1}) +
                            Step("KAVMfgDataPool::DumpDataPool", {9}) +
                            Step("KAVMfgDataPool::GetValues", {9, 1, 0})},
  };
  for (const auto& program : programs)
    for (const Policy& policy : kPolicies)
      write(std::string("program-") + program.first + "-" + policy.name,
            Record(program.second, policy));
  std::fprintf(stderr, "kernel_seeds: %d inputs written\n", written);
  return 0;
}
