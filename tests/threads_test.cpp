// Different classes on different threads at once. Each class keeps its
// own unsynchronised statics and stays on one thread, but all of them
// share the binder, the trace-switch cache and the kernel. Each round
// runs in a fresh process, so every routine is still unbound and every
// cache empty when eight threads are let go together. Run under the tsan
// preset too, where any race in the shared machinery is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KAVEntryPoints.h"
#include "KAVMfgAPTAndPPTable.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgBaseNLS.h"
#include "KAVMfgDataPool.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgUtilities.h"
#include "TestSupport.h"

namespace {

constexpr int kRounds = 20;

std::string Tables() {
  const std::unique_ptr<KAVListValKAVUnicodeString> tables(KAVMfgAPTAndPPTable::GetTables(1));
  return std::to_string(tables ? tables->Size() : -1) + " " +
         std::to_string(KAVMfgAPTAndPPTable::GetError());
}

std::string Classes() {
  KAVListValKAVUnicodeString names;
  KAVRawCollint ints;
  KAVMfgDictionary::GetClasses(names, ints);
  return std::to_string(names.Size() > 0 && names.Size() == ints.Size()) + " " +
         std::to_string(KAVMfgDictionary::GetError());
}

std::string RecordMode() {
  int recordMode = -1;
  cxgiiv5(&recordMode);
  return std::to_string(recordMode);
}

// Runs each of iWork on a thread of its own, all let go together once
// every thread is up; their answers in the order of iWork.
std::vector<std::string> AllAtOnce(const std::vector<std::function<std::string()>>& iWork) {
  std::atomic<int> waiting{static_cast<int>(iWork.size())};
  std::vector<std::string> answers(iWork.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < iWork.size(); ++i)
    threads.emplace_back([&, i] {
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();
      answers[i] = iWork[i]();
    });
  for (std::thread& thread : threads) thread.join();
  return answers;
}

}  // namespace

TEST(ThreadsTest, EightThreadsBindAndUseDifferentClassesAtOnce) {
  kavtest::TempDir dir;
  const std::string image = dir.Path() + "/image.png";
  const std::vector<std::function<std::string()>> work = {
      Tables,
      Classes,
      [] { return std::string(KAVMfgBaseNLS::GetAttNlsName("MFG_DEPTH").CastToCharPtr()); },
      [&] { return std::to_string(KAVMfgUtilities::CaptImage(image.c_str())); },
      RecordMode,
      [] { return std::to_string(GetGIIRV5()); },
      [] { return std::to_string(GetMfgODT()) + std::to_string(GetPerfo("KAVMfgNone")); },
      [] { return std::to_string(GetDebug("KAVMfgNone")); }};
  const kavtest::Environment switches = {{"MfgBaseDebug", "KAVMfgNone"},
                                         {"MfgBasePerfo", std::nullopt},
                                         {"GIIBatchRecordV5", "OUI"},
                                         {"MFGODT", "OUI"}};
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const kavtest::ChildResult result = kavtest::RunInChild(switches, [&] {
      for (const std::string& answer : AllAtOnce(work)) std::printf("%s|", answer.c_str());
      return 0;
    });
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("5 0|1 0|Profondeur|0|1|1|10|1|", result.out);
    EXPECT_EQ("", result.err);
  }
}

// The data pool asks the dictionary for the type of its integer fields, so
// a data pool on one thread and the dictionary on another share the
// dictionary's error number unless the data pool keeps its queries' codes
// to itself. Here every query of the data pool fails (object 101's integer
// fields are unknown to the dictionary) and every one of the dictionary's
// thread succeeds: that thread must never read a code it did not get, the
// data pool's thread reads its own, and the main thread, once both are
// done, the dictionary's last code, though the data pool asked last.
TEST(ThreadsTest, TheDataPoolsDictionaryQueriesStayOnItsThread) {
  constexpr int kCalls = 200;
  const kavtest::ChildResult result = kavtest::RunInChild({{"MfgBaseDebug", std::nullopt}}, [] {
    std::atomic<bool> dictionaryDone{false};
    const auto pool = [&] {
      for (int i = 0; i < kCalls || !dictionaryDone.load(); ++i) {
        KAVListValKAVUnicodeString attributes, texts;
        KAVRawCollint types, nbValues, ints;
        KAVRawColldouble doubles;
        KAVMfgDataPool::GetValues("TOOLS", 101, attributes, types, nbValues, ints, doubles, texts);
      }
      return std::to_string(KAVMfgDictionary::GetError());
    };
    const auto dictionary = [&] {
      int strayCodes = 0;
      for (int i = 0; i < kCalls; ++i) {
        int f[11] = {};
        KAVRawCollint ints;
        KAVRawColldouble doubles;
        KAVListValKAVUnicodeString texts;
        KAVMfgDictionary::GetAttributeFacets("MFG_NB_FLUTES", f[0], f[1], f[2], f[3], f[4], f[5],
                                             f[6], f[7], f[8], f[9], f[10], ints, doubles, texts);
        if (KAVMfgDictionary::GetError() != 0) ++strayCodes;
      }
      dictionaryDone = true;
      return std::to_string(strayCodes);
    };
    const std::vector<std::string> codes = AllAtOnce({pool, dictionary});
    std::printf("%s %s %d", codes[1].c_str(), codes[0].c_str(), KAVMfgDictionary::GetError());
    return 0;
  });
  ASSERT_EQ(0, result.status) << result.err;
  EXPECT_EQ("0 9014 0", result.out);
  EXPECT_EQ("", result.err);
}
