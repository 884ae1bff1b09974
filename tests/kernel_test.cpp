// The reference kernel's core, reached as the library reaches it (through
// the stubs and the resolver): the list protocol and its codes, fault
// injection, the call journal, and the stand-ins of routines whose family
// the kernel does not implement.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "KAVLegacyRoutines.h"
#include "KAVSimCodes.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

using namespace kavtest;

// Records come back as pushed, in their list's width; each routine answers
// its own code for a bad width, index or handle, and an ended list is gone
// for every routine.
TEST_F(KernelTest, ListsHoldWhatWasPushedAndAnswerTheirCodes) {
  int ints = 0, doubles = 0, texts = 0, ier = -1, width = 0, count = 0;
  int four = 4, eight = 8, wide = 72, five = 5, position = 0, value = 42, read = 0, one = 1;
  double real = 2.5, readReal = 0;
  std::string text = Padded("  DRILL", 72), readText(72, ' ');
  GUSINI(&five, &ints, &ier);
  for (auto [width, handle] : {std::pair{&four, &ints}, {&eight, &doubles}, {&wide, &texts}})
    GUSINI(width, handle, &ier);
  GUSPUS(&ints, &value, &position, &ier);
  GUSPUS(&doubles, &real, &position, &ier);
  for (int i = 0; i < 2; ++i) GUSPUS(&texts, &text[0], &position, &ier);
  GUSINF(&texts, &width, &count, &ier);
  EXPECT_EQ((std::vector<int>{2, 72, 2}), (std::vector<int>{position, width, count}));
  for (int index : {0, 1, 2, -1}) GUSREA(&ints, &index, &read, &ier);
  GUSREA(&doubles, &one, &readReal, &ier);
  GUSREA(&texts, &one, &readText[0], &ier);
  EXPECT_EQ(42, read);
  EXPECT_EQ(2.5, readReal);
  EXPECT_EQ(text, readText);
  for (int* handle : {&ints, &doubles, &texts, &ints}) GUSEND(handle, &ier);
  GUSINF(&ints, &width, &count, &ier);
  GUSREA(&ints, &one, &read, &ier);
  GUSPUS(&ints, &value, &position, &ier);
  EXPECT_EQ(0, Kernel::OpenLists());
  const std::string ok = " -> 0", badIndex = " -> 9002", gone = " -> 9001";
  // clang-format off
  EXPECT_EQ(Lines({"GUSINI -> 9003", "GUSINI" + ok, "GUSINI" + ok, "GUSINI" + ok, "GUSPUS" + ok, "GUSPUS" + ok,
                   "GUSPUS" + ok, "GUSPUS" + ok, "GUSINF" + ok, "GUSREA" + badIndex, "GUSREA" + ok,
                   "GUSREA" + badIndex, "GUSREA" + badIndex, "GUSREA" + ok, "GUSREA" + ok, "GUSEND" + ok,
                   "GUSEND" + ok, "GUSEND" + ok, "GUSEND" + gone, "GUSINF" + gone, "GUSREA" + gone,
                   "GUSPUS" + gone}),
            Kernel::Calls());
  // clang-format on
}

// A faulted call answers the code and does nothing else; counting is over
// every routine, or over one routine's calls.
TEST_F(KernelTest, FaultsReplaceTheChosenCallsOnly) {
  int four = 4, handle = 0, second = 0, ier = 0;
  Kernel::FailCall(2, 77);
  Kernel::FailRoutine("GUSEND", 1, 88);
  GUSINI(&four, &handle, &ier);
  GUSINI(&four, &second, &ier);
  EXPECT_EQ(0, second);
  GUSEND(&handle, &ier);
  EXPECT_EQ(1, Kernel::OpenLists());
  GUSEND(&handle, &ier);
  Kernel::FailFrom(5, 99);
  for (int i = 0; i < 3; ++i) GUSINI(&four, &handle, &ier);
  EXPECT_EQ(Lines({"GUSINI -> 0", "GUSINI -> 77", "GUSEND -> 88", "GUSEND -> 0", "GUSINI -> 99",
                   "GUSINI -> 99", "GUSINI -> 99"}),
            Kernel::Calls());
}

// Run only by the tests below, in a fresh process whose environment names
// the faults and the logs, which the kernel reads once, when it is first
// used: the codes of the first four calls, then many calls more.
TEST(KernelProcess, DISABLED_MakeCalls) {
  int handle = 0, ier = 0, width = 0, count = 0;
  std::cout << "codes:";
  for (int i = 0; i < 20000; ++i) {
    GUSINF(&handle, &width, &count, &ier);
    if (i < 4) std::cout << " " << ier << (i == 3 ? "\n" : "");
  }
  std::cout << "calls made: " << ier << std::endl;
}

namespace {

std::string Named(const std::string& iItem, const std::string& iWhy) {
  return "KAVSYMB: KAVSIM_FAULTS: \"" + iItem + "\" not understood (" + iWhy + "); left out\n";
}

// Runs DISABLED_MakeCalls in a fresh process of this binary, so that the
// kernel reads its settings from iEnv (iInChild runs first, in the forked
// child), and expects it to run to its end (one that waits is ended after
// a minute, status 124), printing iLine, with iErr and nothing else on
// standard error.
void ExpectRan(
    const Environment& iEnv, const std::string& iLine, const std::string& iErr,
    const std::function<void()>& iInChild = [] {}) {
  char self[4096] = {0};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string command = "timeout 60 " + ProgramCommand(self) +
                              " --gtest_also_run_disabled_tests --gtest_brief=1 "
                              "--gtest_filter=KernelProcess.DISABLED_MakeCalls";
  const ChildResult result = RunInChild(iEnv, [&] {
    iInChild();
    return WEXITSTATUS(std::system(command.c_str()));
  });
  EXPECT_EQ(0, result.status);
  EXPECT_NE(std::string::npos, result.out.find(iLine)) << result.out;
  EXPECT_EQ(iErr, result.err);
}

}  // namespace

// Each item of KAVSIM_FAULTS that is not understood is named once on
// standard error and left out; every other item applies as written, its
// calls counted from the start of the process.
TEST(KernelProcess, FaultItemsNotUnderstoodAreNamedOnceAndTheOthersApply) {
  // clang-format off
  const struct { const char* faults; std::string codes, err; } cases[] = {
      {"GNSLTB@1-9020,2=5", "9001 5 9001 9001", Named("GNSLTB@1-9020", "no \"=CODE\"")},
      {"GUSINX@1=5,@1=9020,1=,0=1", "9001 9001 9001 9001",
       Named("GUSINX@1=5", "no routine GUSINX") + Named("@1=9020", "no routine before \"@\"") +
           Named("1=", "no code after \"=\"") +
           Named("0=1", "the call number \"0\" is not a whole number from 1")},
      {"1=99999999999, 2=-7 ,3=1.5", "9001 -7 9001 9001",
       Named("1=99999999999", "the code \"99999999999\" is not an int") +
           Named("3=1.5", "the code \"1.5\" is not an int")},
      {"GUSINF@1#9=5,GUSINF@1#0=5,GUSINF@x#4=5,GUSINF@1#4=abc,GUSINF@1#4=',2',GUSINF@2#4=6",
       "9001 6 9001 9001",
       Named("GUSINF@1#9=5", "GUSINF has no argument \"9\"") + Named("GUSINF@1#0=5", "GUSINF has no argument \"0\"") +
           Named("GUSINF@x#4=5", "the call number \"x\" is not a whole number from 0") +
           Named("GUSINF@1#4=abc", "the value \"abc\" is not an int, a real or a text in single quotes") +
           Named("GUSINF@1#4=',2'", "argument 4 of GUSINF takes no text")},
      {"GUSINF@2=5,3+=6,junk,junk,!GUSINF@4#4=77", "9001 5 6 77", Named("junk", "no \"=CODE\"")}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    ExpectRan({{"KAVSIM_FAULTS", c.faults}}, "codes: " + c.codes + "\n", c.err);
  }
}

// A log file the kernel cannot open or write is said once on standard
// error and the calls go on. A pipe never holds the application: one with
// no reader is refused at once, and one whose reader goes away costs the
// lines, not the process (no SIGPIPE).
TEST(KernelProcess, LogsThatCannotBeUsedAreSaidOnceAndNeverHoldTheCalls) {
  TempDir dir;
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string missing = "/nonexistent-directory/log";
  const std::pair<std::string, std::string> problems[] = {
      {missing, "cannot open " + missing + ": No such file or directory; going on without it"},
      {fifo, "cannot open " + fifo + ": a pipe with no reader; going on without it"},
      {"/dev/full", "cannot write /dev/full: No space left on device; lines are lost"}};
  for (const std::string setting : {"KAVSIM_LOG", "KAVSIM_CALLS"}) {
    for (const auto& [path, err] : problems) {
      SCOPED_TRACE(setting + "=" + path);
      ExpectRan({{setting, path}}, "calls made: 9001\n", "KAVSYMB: " + setting + ": " + err + "\n");
    }
  }
  // A reader that takes one read and goes away while the kernel writes.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  std::thread once([reader] {
    char line[256];
    for (int tries = 0; tries < 60000 && read(reader, line, sizeof line) <= 0; ++tries)
      usleep(1000);
    close(reader);
  });
  ExpectRan({{"KAVSIM_LOG", fifo}}, "calls made: 9001\n",
            "KAVSYMB: KAVSIM_LOG: cannot write " + fifo + ": Broken pipe; lines are lost\n",
            [reader] { close(reader); });
  once.join();
}

// Texts are journaled with every blank, other bytes escaped, null
// pointers as null; a refused call answers its code and touches nothing
// else.
TEST_F(KernelTest, JournalShowsWhatReachedTheKernel) {
  std::string model = "NC MODEL", member = "A\"\xe9     ", message(80, ' '), prompt(80, 'P');
  int ier = 0, id = 7, length = 80;
  GNFLOD(&model[0], &member[0], &message[0], &ier);
  GMOPRO(&id, &prompt[0], &length, &ier);
  EXPECT_EQ(KAVSIM_GII_UNKNOWN_ID, ier);
  EXPECT_EQ(std::string(80, 'P'), prompt);
  EXPECT_EQ(7 * 1000 + 80, id * 1000 + length);
  EXPECT_EQ(0, LBATCH(nullptr));
  GUERJO();
  EXPECT_EQ(
      Lines({"GNFLOD \"NC MODEL\" \"A\\\"\\xe9     \" -> " + std::to_string(KAVSIM_UNKNOWN_MEMBER),
             "GMOPRO 7 \"" + std::string(80, 'P') + "\" 80 -> " +
                 std::to_string(KAVSIM_GII_UNKNOWN_ID),
             "LBATCH null -> 0", "GUERJO -> 0"}),
      Kernel::Journal());
}

// Scripted answers reach what a well-behaved kernel never says: outputs
// overwritten after the routine ran, or written instead of running it.
TEST_F(KernelTest, ScriptedAnswersOverwriteTheChosenArgumentsOfTheChosenCall) {
  int four = 4, handle = -1, ier = -1;
  Kernel::ScriptInt("GUSINI", 2, 2, 0);         // second call: handle 0
  Kernel::ScriptInt("GUSINI", 3, 3, -7, true);  // third: -7, not run
  GUSINI(&four, &handle, &ier);
  EXPECT_GT(handle, 0);
  int first = handle;
  GUSINI(&four, &handle, &ier);
  EXPECT_EQ(0, handle);
  EXPECT_EQ(0, ier);
  handle = 5;
  GUSINI(&four, &handle, &ier);
  EXPECT_EQ(5, handle);
  EXPECT_EQ(-7, ier);
  EXPECT_EQ(2, Kernel::OpenLists());  // the third call created none
  EXPECT_NE(std::string::npos, Kernel::Journal().find("GUSINI scripted -> -7\n"));

  // Records of any kind, every call (n 0), and the int a routine returns.
  int value = 3, position = 0, one = 1;
  GUSPUS(&first, &value, &position, &ier);
  Kernel::ScriptText("GUSREA", 0, 3, "AB");
  char text[8] = "xxxxxxx";
  GUSREA(&first, &one, text, &ier);
  EXPECT_EQ("AB", std::string(text, 2));
  Kernel::ScriptDouble("GUSREA", 0, 3, 2.5);
  Kernel::ClearFaults();
  int read = 0;
  GUSREA(&first, &one, &read, &ier);
  EXPECT_EQ(3, read);
  Kernel::ScriptInt("LBATCH", 1, 0, 7);
  EXPECT_EQ(7, LBATCH(nullptr));
}

// A script never writes past what the caller's argument holds, as the
// routine table sizes it: a text is cut to its field (a list record to
// its list's width); a count or a length that sizes another argument is
// cut to that size, unless the script claims more on purpose.
TEST_F(KernelTest, ScriptedAnswersStayInsideTheCallersStorage) {
  constexpr size_t kGuard = 32;
  // The bytes a call leaves in an area of iRoom bytes and a guard after it.
  const auto area = [](size_t iRoom, const std::function<void(char*)>& iCall) {
    std::string bytes(iRoom + kGuard, '#');
    iCall(&bytes[0]);
    return bytes;
  };
  const auto icon = [&](bool iInstead) {
    Kernel::ScriptText("GNDRIC", 1, 2, std::string(200, 'X'), iInstead ? kInstead : 0);
    return area(8, [](char* oIcon) {
      std::string name = Padded("MfgPocketing", 32);
      int ier = -1;
      GNDRIC(&name[0], oIcon, &ier);
    });
  };
  const auto record = [&](int iWidth, const std::function<void()>& iScript) {
    int width = iWidth, handle = 0, position = 0, one = 1, ier = -1;
    std::string value(static_cast<size_t>(iWidth), ' ');
    GUSINI(&width, &handle, &ier);
    GUSPUS(&handle, &value[0], &position, &ier);
    iScript();
    return area(static_cast<size_t>(iWidth),
                [&](char* oRecord) { GUSREA(&handle, &one, oRecord, &ier); });
  };
  const auto path = [&] {
    Kernel::ScriptText("DCLVAR", 1, 5, std::string(1030, 'p'));
    return area(1024, [](char* oPath) {
      char expression[] = "x";
      int length = 1, one = 1, outLength = 0, ier = -1;
      DCLVAR(expression, &length, &one, &one, oPath, &outLength, &ier);
    });
  };
  const auto count = [](int iFlags) {
    Kernel::ScriptInt("G7AQRY", 1, 6, 60, iFlags);
    std::string pool = Padded("KAVPATHS", 27), variable = Padded("KAVPATHS.ICONS", 64),
                type = Padded("STRING", 64), items(50 * 64, ' '), values(50 * 256, ' ');
    int capacity = 50, width = 256, found = 0, ier = -1, itemLengths[50], valueLengths[50];
    G7AQRY(&pool[0], &variable[0], &type[0], &capacity, &width, &found, &items[0], itemLengths,
           &values[0], valueLengths, &ier);
    return std::to_string(found);
  };
  const auto length = [](int iFlags) {
    Kernel::ScriptInt("GMIKEY", 1, 6, 500, iFlags);
    int id = 108, field = 3, type = 0, value = 0, textLength = 80, ier = -1;
    double real = 0;
    char text[80];
    GMIKEY(&id, &field, &type, &value, &real, &textLength, text, &ier);
    return std::to_string(textLength);
  };
  double real = 2.5;
  std::string realBytes(reinterpret_cast<const char*>(&real), sizeof real);
  const std::string guard(kGuard, '#');
  // clang-format off
  const struct { const char* what; std::function<std::string()> run; std::string left; } cases[] = {
      {"a text past its field", [&] { return icon(false); }, std::string(8, 'X') + guard},
      {"a text past its field, instead of the routine", [&] { return icon(true); }, std::string(8, 'X') + guard},
      {"a text past a field of 1,024", path, std::string(1024, 'p') + guard},
      {"a real into a record of an int list", [&] { return record(4, [] { Kernel::ScriptDouble("GUSREA", 1, 3, 2.5); }); },
       realBytes.substr(0, 4) + guard},
      {"an int into a record of a real list", [&] { return record(8, [] { Kernel::ScriptInt("GUSREA", 1, 3, 7); }); },
       std::string("\x07\0\0\0", 4) + "    " + guard},
      {"a text past a record of 72", [&] { return record(72, [] { Kernel::ScriptText("GUSREA", 1, 3, std::string(100, 'T')); }); },
       std::string(72, 'T') + guard},
      {"a count past the capacity", [&] { return count(0); }, "50"},
      {"a count past the capacity, on purpose", [&] { return count(kOnPurpose); }, "60"},
      {"a text length past its field", [&] { return length(0); }, "80"},
      {"a text length past its field, on purpose", [&] { return length(kOnPurpose); }, "500"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    EXPECT_EQ(c.left, c.run());
  }
}

// PLSGRAB replaces a file only with a complete image, and never removes or
// changes anything it did not create: a directory, a device, a pipe, or an
// old image when the new one cannot be written whole.
TEST(KernelProcess, CaptureNeverDestroysWhatItDidNotCreate) {
  namespace fs = std::filesystem;
  // clang-format off
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;  // what is at the target
    rlim_t sizeLimit;                              // 0: none
    int code;
    Strings remains;  // the directory after the call, in order
  } cases[] = {
      {"nothing", [](const std::string&) {}, 0, 0, {"image.png:file:png"}},
      {"old image", [](const std::string& p) { std::ofstream(p) << "old"; }, 0, 0, {"image.png:file:png"}},
      {"old image, new one cut short", [](const std::string& p) { std::ofstream(p) << "old"; }, 100, 9030, {"image.png:file:old"}},
      {"directory", [](const std::string& p) { fs::create_directory(p); }, 0, 9030, {"image.png:other:"}},
      {"pipe", [](const std::string& p) { mkfifo(p.c_str(), 0600); }, 0, 9030, {"image.png:other:"}},
      {"device", [](const std::string& p) { mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 7)); }, 0, 9030,
       {"image.png:other:"}},
      {"link to an old image", [](const std::string& p) { std::ofstream(p + ".old") << "old"; fs::create_symlink("image.png.old", p); },
       0, 0, {"image.png.old:file:png", "image.png:link:"}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.Path() + "/image.png";
    if (std::string(c.name) == "device" && geteuid() != 0) continue;  // mknod needs root
    c.make(path);
    const ChildResult result = RunInChild({}, [&] {
      if (c.sizeLimit != 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{c.sizeLimit, c.sizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      int mode = 1, ier = -1;
      std::string writable = path;
      PLSGRAB(&writable[0], &mode, &ier);
      return ier == 9030 ? 1 : ier;
    });
    EXPECT_EQ(c.code == 0 ? 0 : 1, result.status) << result.err;
    Strings entries;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      const fs::file_status status = fs::symlink_status(entry.path());
      const std::string kind = fs::is_symlink(status)        ? "link:"
                               : fs::is_regular_file(status) ? "file:"
                                                             : "other:";
      std::string content;
      if (kind == "file:") content = ReadFile(entry.path().string());
      if (content.compare(0, 4, "\x89PNG") == 0) content = "png";
      entries.push_back(entry.path().filename().string() + ":" + kind + content);
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(c.remains, entries);
  }
}

// An application may misuse the kernel from several threads at once; its
// routines run one at a time, so the catalog's first read after a reset
// and the list store stay whole and every thread reads its own list.
TEST_F(KernelTest, RoutinesCalledFromEightThreadsKeepTheKernelWhole) {
  constexpr int kThreads = 8, kRounds = 30;
  for (int round = 0; round < kRounds; ++round) {
    Kernel::Reset();  // the catalog is read again on first use
    std::atomic<int> waiting{kThreads}, whole{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        --waiting;
        while (waiting.load() > 0) std::this_thread::yield();
        int kind = 1, handle = 0, ier = -1, width = 0, count = 0;
        GNSLTB(&kind, &handle, &ier);
        GUSINF(&handle, &width, &count, &ier);
        char first[72] = {0};
        int one = 1;
        GUSREA(&handle, &one, first, &ier);
        GUSEND(&handle, &ier);
        if (ier == 0 && count == 5 && std::string(first, 17) == "APT_MILLING_3AXIS") ++whole;
      });
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(kThreads, whole.load()) << "round " << round;
  }
  EXPECT_EQ(0, Kernel::OpenLists());
}

// The code table in docs/kernel.md is the one of KAVSimCodes.def, row for
// row; the kernel explains each of its codes and no other.
TEST_F(KernelTest, CodesAreDocumentedAndExplained) {
  std::string expected = "| code | meaning |\n|---|---|\n";
  const auto explain = KAV_KERNEL_FN(kavsim_explain);
#define KAVSIM_CODE(name, code, meaning)                              \
  expected += "| " + std::to_string(code) + " | " + meaning + " |\n"; \
  EXPECT_STREQ(meaning, explain(code));
#include "KAVSimCodes.def"
#undef KAVSIM_CODE
  for (int unknown : {-1, 1, 9000, 9998, 10000}) EXPECT_EQ(nullptr, explain(unknown));
  const std::string doc = ReadFile(KAV_TEST_SOURCE_DIR "/docs/kernel.md");
  const size_t start = doc.find("| code | meaning |\n");
  const size_t end = doc.find("\n\n", start);
  EXPECT_EQ(expected, start == std::string::npos ? "" : doc.substr(start, end + 1 - start))
      << "docs/kernel.md: the table of codes must read as expected";
}
