// Different classes on different threads at once. Each class keeps its
// own unsynchronised statics and stays on one thread, but all of them
// share the binder, the trace-switch cache and the kernel. Each round
// runs in a fresh process, so every routine is still unbound and every
// cache empty when eight threads are let go together. Run under the tsan
// preset too, where any race in the shared machinery is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "KAVEntryPoints.h"
#include "KAVMfgAPTAndPPTable.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgBaseNLS.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgUtilities.h"
#include "TestSupport.h"

namespace {

constexpr int kRounds = 20;

std::string Tables() {
  KAVListValKAVUnicodeString* tables = KAVMfgAPTAndPPTable::GetTables(1);
  const std::string answer = std::to_string(tables ? tables->Size() : -1) + " " +
                             std::to_string(KAVMfgAPTAndPPTable::GetError());
  delete tables;
  return answer;
}

std::string Classes() {
  KAVListValKAVUnicodeString names;
  KAVRawCollint ints;
  KAVMfgDictionary::GetClasses(names, ints);
  return std::to_string(names.Size() > 0 && names.Size() == ints.Size()) + " " +
         std::to_string(KAVMfgDictionary::GetError());
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
      [] {
        int recordMode = -1;
        cxgiiv5(&recordMode);
        return std::to_string(recordMode);
      },
      [] { return std::to_string(GetGIIRV5()); },
      [] { return std::to_string(GetMfgODT()) + std::to_string(GetPerfo("KAVMfgNone")); },
      [] { return std::to_string(GetDebug("KAVMfgNone")); },
  };
  const std::string expected = "5 0|1 0|Profondeur|0|1|1|10|1|";
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const kavtest::ChildResult result =
        kavtest::RunInChild({{"MfgBaseDebug", "KAVMfgNone"},
                             {"MfgBasePerfo", std::nullopt},
                             {"GIIBatchRecordV5", "OUI"},
                             {"MFGODT", "OUI"}},
                            [&] {
                              std::atomic<int> waiting{static_cast<int>(work.size())};
                              std::vector<std::string> answers(work.size());
                              std::vector<std::thread> threads;
                              for (size_t i = 0; i < work.size(); ++i)
                                threads.emplace_back([&, i] {
                                  --waiting;
                                  while (waiting.load() > 0) std::this_thread::yield();
                                  answers[i] = work[i]();
                                });
                              for (std::thread& thread : threads) thread.join();
                              for (const std::string& answer : answers)
                                std::printf("%s|", answer.c_str());
                              return 0;
                            });
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(expected, result.out);
    EXPECT_EQ("", result.err);
  }
}
