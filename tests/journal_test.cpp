// The library's journal against the reference kernel's boundary log:
// every routine of the table called through its stub, the two logs equal
// line by line; the JSON form; threads; a journal that cannot be opened or
// written; and the journal off leaving the binding as it always was.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>
#include <utility>
#include <vector>

#include "KAVCallLog.h"
#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVReferenceTable.h"
#include "TestSupport.h"

using kavtest::Environment;
using kavtest::RunInChild;

namespace {

const std::string kReference = KAV_TEST_KERNEL_DIR;

// Arguments for one call of any routine, from its argument column: texts
// "MfgEndMill" and blanks (terminated at the end of their storage, for the
// terminated kinds), ints 2, reals 1.5, list handle 1; storage room for
// the largest output (G7AQRY's 50 x 256 values).
struct Storage {
  alignas(8) char bytes[16][50 * 256 + 8];
};

template <typename T>
T* Fill(char* ioBytes, const kavcall::Arg& iArg, const std::string& iPath) {
  const size_t size = sizeof(Storage::bytes[0]);
  if constexpr (std::is_void_v<T>) {
    return Fill<int>(ioBytes, iArg, iPath);
  } else if constexpr (std::is_same_v<T, char>) {
    std::memset(ioBytes, ' ', size);
    std::memcpy(ioBytes, "MfgEndMill", 10);
    if (iArg.kind == kavcall::Kind::kCString) std::memcpy(ioBytes, iPath.c_str(), iPath.size() + 1);
    ioBytes[size - 1] = '\0';
  } else {
    for (size_t i = 0; i + sizeof(T) <= size; i += sizeof(T)) {
      T value = static_cast<T>(std::is_same_v<T, double> ? 1.5 : 2);
      if (iArg.kind == kavcall::Kind::kHandle) value = 1;
      std::memcpy(ioBytes + i, &value, sizeof value);
    }
  }
  return reinterpret_cast<T*>(ioBytes);
}

// Calls iRoutine, the routine of row iRow, with an argument for each
// column of its row.
template <typename R, typename... A, size_t... I>
void Call(int iRow, R (*iRoutine)(A...), Storage& ioStorage, bool iNullCode,
          const std::string& iPath, std::index_sequence<I...>) {
  const kavcall::Routine& routine = kavcall::kRoutines[iRow];
  const auto arg = [&](auto* iTyped, size_t i) -> decltype(iTyped) {
    using T = std::remove_pointer_t<decltype(iTyped)>;
    const kavcall::Arg& a = routine.args[i];
    if ((iNullCode && a.kind == kavcall::Kind::kCode) || std::string(routine.name) == "LBATCH")
      return nullptr;
    return Fill<T>(ioStorage.bytes[i], a, iPath);
  };
  (void)arg;  // GUERJO has no argument
  iRoutine(arg(static_cast<A>(nullptr), I)...);
}

// Calls every routine once, in table order.
void CallEveryRoutine(bool iNullCode, const std::string& iPath) {
  Storage storage;
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  Call(num - 1, &name, storage, iNullCode, iPath,                  \
       std::make_index_sequence<kavcall::kRoutines[num - 1].argc>{});
#include "KAVRoutines.def"
#undef KAV_ROUTINE
}

// Runs iScenario in a child bound to the reference kernel, journaling to
// iJournal (no journal when none), with iEnv set too.
kavtest::ChildResult Journaled(const std::optional<std::string>& iJournal, Environment iEnv,
                               const std::function<int()>& iScenario) {
  iEnv["STEPLIB"] = kReference;
  iEnv["T4711_JOURNAL"] = iJournal;
  return RunInChild(iEnv, iScenario);
}

// Answers no kernel gives, scripted: counts past the storage and lengths
// past a buffer (on purpose: a trailing "!"), below 0, a list of width 8
// read as a real.
const char kOddAnswers[] =
    "!G7AQRY@1#6=99!,!GMIPRO@1#3=1000!,!GMIKCH@1#3=-5,!GUSINF@1#2=8,"
    "!GUSINF@1#4=0";

}  // namespace

// The journal of a run equals the kernel's own boundary log, times aside,
// for every routine, odd answers included; a few lines pin the format.
TEST(JournalTest, EveryRoutineIsJournaledAsTheKernelLogsIt) {
  kavtest::TempDir dir;
  const std::string journal = dir.Path() + "/journal", calls = dir.Path() + "/calls";
  const std::string grab = dir.Path() + "/grab.gif";
  auto result = Journaled(journal, {{"KAVSIM_CALLS", calls}, {"KAVSIM_FAULTS", kOddAnswers}}, [&] {
    CallEveryRoutine(false, grab);
    CallEveryRoutine(true, grab);
    return 0;
  });
  ASSERT_EQ(0, result.status) << result.err;
  // A record read by a direct call, of a list whose width the journal has
  // not seen, is all the journal cannot show: it was not told the storage.
  // The kernel shows its list's width.
  const std::string logged = std::regex_replace(
      kavtest::ReadFile(calls), std::regex("\nGUSREA 1 2 -> 0 \"MFG_CORNER_RAD  \"\n"),
      "\nGUSREA 1 2 -> 0 record\n");
  const std::string journaled = kavtest::WithoutTimes(kavtest::ReadFile(journal));
  EXPECT_EQ(logged, journaled);
  kavtest::Strings lines = kavtest::SplitLines(journaled);
  ASSERT_EQ(1u + 2u * kavcall::kRoutineCount, lines.size());
  EXPECT_EQ("# t4711 journal, format 2", lines[0]) << "the header names the format";
  lines.erase(lines.begin());
  for (int round = 0; round < 2; ++round)
    for (int row = 0; row < kavcall::kRoutineCount; ++row)
      EXPECT_EQ(0u, lines[round * kavcall::kRoutineCount + row].find(
                        std::string(kavcall::kRoutines[row].name) + " "));
  const auto line = [&](const char* iName, int iRound = 0) {
    return lines[iRound * kavcall::kRoutineCount + kavcall::RowOf(iName)];
  };
  EXPECT_EQ("GNFMC1 \"MfgEndMill      \" 2 \"MfgEndMill      \" 2 -> 9010", line("GNFMC1"));
  EXPECT_EQ("GNFMC1 \"MfgEndMill      \" 2 \"MfgEndMill      \" 2 -> null", line("GNFMC1", 1));
  EXPECT_EQ("LBATCH null -> 0", line("LBATCH"));
  EXPECT_EQ("GUERJO ->", line("GUERJO"));
  EXPECT_EQ("GMOKEY 2 2 [2,2] [2,2] [1.5,1.5] [2,2] \"MfgE\" -> 0", line("GMOKEY"))
      << "a text of the sum of two lengths, 2 + 2";
  EXPECT_EQ("GMIPRO 2 -> 2 \"MfgEndMill" + std::string(70, ' ') + "\" 1000", line("GMIPRO"))
      << "a length past the 80-character buffer shows the 80 characters";
  EXPECT_EQ("GMIKCH 2 2 2 -> 2 -5 \"\"", line("GMIKCH"));
  std::string fifty = "[2";
  for (int i = 1; i < 50; ++i) fifty += ",2";
  const std::string query = line("G7AQRY");
  const size_t lengths = query.find(fifty + "]");
  EXPECT_TRUE(lengths != std::string::npos &&
              query.find(fifty + "]", lengths + 1) != std::string::npos)
      << "a count of 99 shows the 50 items and values the storage holds: " << query;
  EXPECT_TRUE(std::regex_match(line("GUSPUS") + "|" + line("GUSREA", 1),
                               std::regex(R"(GUSPUS 1 [-+.e0-9]+ -> 9001 2\|)"
                                          R"(GUSREA 1 2 -> null [-+.e0-9]+)")))
      << "records of a list GUSINF said is 8 wide show as reals: " << line("GUSPUS") << "|"
      << line("GUSREA", 1);
}

// The JSON-lines form carries the same calls, one object each.
TEST(JournalTest, JsonLinesHoldOneObjectPerCall) {
  kavtest::TempDir dir;
  const std::string journal = dir.Path() + "/journal.json";
  auto result = Journaled("json:" + journal, {}, [&] {
    CallEveryRoutine(false, dir.Path() + "/grab.gif");
    return 0;
  });
  ASSERT_EQ(0, result.status) << result.err;
  const kavtest::Strings lines = kavtest::SplitLines(kavtest::ReadFile(journal));
  ASSERT_EQ(1u + kavcall::kRoutineCount, lines.size());
  EXPECT_EQ(R"({"journal":"t4711","format":2})", lines[0]);
  for (int row = 0; row < kavcall::kRoutineCount; ++row) {
    const std::string& text = lines[row + 1];
    const auto line = nlohmann::json::parse(text, nullptr, false);
    ASSERT_TRUE(line.is_object()) << text;
    const kavcall::Routine& routine = kavcall::kRoutines[row];
    int inputs = 0, outputs = 0;
    for (int i = 0; i < routine.argc; ++i) {
      inputs += routine.args[i].flow != kavcall::Flow::kOut;
      outputs += routine.args[i].flow != kavcall::Flow::kIn &&
                 routine.args[i].kind != kavcall::Kind::kCode;
    }
    EXPECT_EQ(routine.name, line.value("routine", ""));
    EXPECT_EQ(inputs, line["in"].size()) << text;
    EXPECT_EQ(outputs, line["out"].size()) << text;
    EXPECT_TRUE(line["ns"].is_number_integer()) << text;
  }
}

// Lines of several threads never mix: each is whole, and none is lost.
TEST(JournalTest, ThreadsWriteWholeLines) {
  kavtest::TempDir dir;
  const std::string journal = dir.Path() + "/journal";
  constexpr int kThreads = 4, kCalls = 300;
  auto result = Journaled(journal, {}, [] {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([t] {
        for (int i = 0; i < kCalls; ++i) {
          int width = t % 2 ? 4 : 8, handle = 0, ier = 0;
          GUSINI(&width, &handle, &ier);
          GUSEND(&handle, &ier);
        }
      });
    for (std::thread& thread : threads) thread.join();
    return 0;
  });
  ASSERT_EQ(0, result.status) << result.err;
  // A thread's ordinal follows its outputs, but for the first thread's.
  const std::regex whole(R"((?:GUSINI [48] -> 0 [0-9]+|GUSEND [0-9]+ -> 0))"
                         R"(( @[2-4])? \([0-9]+ ns\))");
  const kavtest::Strings lines = kavtest::SplitLines(kavtest::ReadFile(journal));
  std::map<std::string, int> byThread;  // every line but the header, by the thread it names
  for (size_t i = 1; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, whole)) << lines[i];
    ++byThread[match[1].str()];
  }
  const int n = 2 * kCalls;  // a GUSINI and a GUSEND each
  EXPECT_EQ((std::map<std::string, int>{{"", n}, {" @2", n}, {" @3", n}, {" @4", n}}), byThread)
      << "each thread's calls carry its ordinal";
}

// A journal that cannot be opened, or written, is reported once on
// standard error; the calls go on and answer as ever. A FIFO nobody reads
// fails at once instead of holding the first call.
TEST(JournalTest, AJournalThatFailsIsReportedOnceAndCallsGoOn) {
  kavtest::TempDir dir;
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
  // clang-format off
  const struct { std::string journal, report; } cases[] = {
      {"/nonexistent-directory/journal",
       "T4711 journal: cannot open /nonexistent-directory/journal: No such file or directory; going on without it\n"},
      {"/dev/full", "T4711 journal: cannot write /dev/full: No space left on device; lines are lost\n"},
      {fifo, "T4711 journal: cannot open " + fifo + ": a pipe with no reader; going on without it\n"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.journal);
    auto result = Journaled(c.journal, {}, [] {
      alarm(10);
      int width = 4, handle = 0, ier = -1;
      GUSINI(&width, &handle, &ier);
      GUSEND(&handle, &ier);
      return ier == 0 && handle > 0 ? 0 : 1;
    });
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(c.report, result.err);
  }
}

// A pipe whose reader has gone: the write that fails raises SIGPIPE, which
// would end the application. It is reported once and the calls go on; the
// application's signal mask is as it was, the signal the write raised is
// not left pending, and one the application had pending itself stays.
TEST(JournalTest, APipeWithoutReaderNeverEndsTheApplication) {
  for (const bool applicationBlocks : {false, true}) {
    SCOPED_TRACE(applicationBlocks ? "blocked and pending before" : "default");
    kavtest::TempDir dir;
    const std::string fifo = dir.Path() + "/fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
    auto result = Journaled(fifo, {}, [&] {
      sigset_t pipe, before, after, pending;
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      if (applicationBlocks) {
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        raise(SIGPIPE);
      }
      pthread_sigmask(SIG_BLOCK, nullptr, &before);
      const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
      int width = 4, handle = 0, ier = -1;
      GUSINI(&width, &handle, &ier);  // opens the journal, one line read
      close(reader);
      GUSEND(&handle, &ier);
      GUSINI(&width, &handle, &ier);
      pthread_sigmask(SIG_BLOCK, nullptr, &after);
      sigpending(&pending);
      std::cout << (ier == 0 ? "calls answer" : "calls fail") << ", mask "
                << (sigismember(&before, SIGPIPE) == sigismember(&after, SIGPIPE) ? "kept"
                                                                                  : "changed")
                << ", " << (sigismember(&pending, SIGPIPE) ? "pending" : "none pending");
      return 0;
    });
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(applicationBlocks ? "calls answer, mask kept, pending"
                                : "calls answer, mask kept, none pending",
              result.out);
    EXPECT_EQ("T4711 journal: cannot write " + fifo + ": Broken pipe; lines are lost\n",
              result.err);
  }
}

// A kernel may answer any width for a list: the journal shows no more of a
// record than the storage the library gave it (an int, a 72-character
// text), and the kernel's boundary log no more than its list's width.
// The widths are learned from GUSINI (width, then handle) and GUSINF; the
// two logs share their formatter, so the lines are also written out here.
TEST(JournalTest, ARecordShowsNoMoreThanItsStorage) {
  kavtest::TempDir dir;
  const std::string journal = dir.Path() + "/journal", calls = dir.Path() + "/calls";
  const kavtest::Environment faults = {{"KAVSIM_CALLS", calls},
                                       {"KAVSIM_FAULTS", "GUSINF@1#2=72,GUSINF@2#2=5000"}};
  auto result = Journaled(journal, faults, [] {
    int ier = 0, ints = 0, texts = 0, width = 0, count = 0;
    KAVKernelList::Start(4, ints, ier);
    KAVKernelList::PushInt(ints, 5, ier);
    KAVKernelList::Start(72, texts, ier);
    KAVKernelList::PushText(texts, "MfgEndMill", ier);
    KAVKernelList::Info(ints, width, count, ier);
    KAVKernelList::ReadInt(ints, 1, ier);
    KAVKernelList::Info(texts, width, count, ier);
    KAVKernelList::ReadText(texts, 1, 72, ier);
    return 0;
  });
  ASSERT_EQ(0, result.status) << result.err;
  const std::string text = "\"MfgEndMill" + std::string(62, ' ') + "\"";
  EXPECT_EQ(kavtest::Lines({"# t4711 journal, format 2", "GUSINI 4 -> 0 1", "GUSPUS 1 5 -> 0 1",
                            "GUSINI 72 -> 0 2", "GUSPUS 2 " + text + " -> 0 1",
                            "GUSINF 1 -> 0 72 1", "GUSREA 1 1 -> 0 \"\\x05\\x00\\x00\\x00\"",
                            "GUSINF 2 -> 0 5000 1", "GUSREA 2 1 -> 0 " + text}),
            kavtest::WithoutTimes(kavtest::ReadFile(journal)));
  EXPECT_EQ(kavtest::ReadFile(calls), kavtest::WithoutTimes(kavtest::ReadFile(journal)));
}

// Off, a bound entry leads to the cell the kernel answered, as it always
// did; on, it leads to a cell of the library, and the kernel's cell still
// holds the kernel's routine.
TEST(JournalTest, OnlyTheJournalMovesAnEntryAndNeverTheKernelsCell) {
  for (const bool on : {false, true}) {
    auto result = Journaled(on ? std::optional<std::string>("/dev/null") : std::nullopt, {}, [] {
      int handle = 0, ier = 0;
      GUSEND(&handle, &ier);
      void* kernel = dlopen((kReference + "/KAVSYMB").c_str(), RTLD_LAZY | RTLD_NOLOAD);
      auto resolve = reinterpret_cast<KAVResolverFunction>(dlsym(kernel, "kavsymb"));
      void* empty = nullptr;
      KAVReferenceEntry probe = KAVMakeReferenceEntry(&empty, "GUSEND", "NCLIST", "NCBASLIB");
      resolve(&probe);
      const KAVReferenceEntry& entry = kavModuleImage.table[kavcall::RowOf("GUSEND")];
      std::cout << (entry.cell == probe.cell ? "kernel's cell" : "own cell") << ", "
                << (*entry.cell == *probe.cell ? "kernel's routine" : "another routine");
      return 0;
    });
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ(on ? "own cell, another routine" : "kernel's cell, kernel's routine", result.out);
  }
}
