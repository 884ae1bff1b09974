// The binding spine: the module image a resolver reads, the binder's
// STEPLIB walk and its failures, and what a stub passes on first and later
// calls. Anything that binds runs in a child process: binding is once per
// process.
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <unwind.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVReferenceTable.h"
#include "TestSupport.h"

using namespace kavtest;

namespace {

const std::string kModules = KAV_TEST_MODULES_DIR;
const std::string kProbe = kModules + "/probe";
const std::string kUnbinding = kModules + "/unbinding";
const std::string kNoResolver = kModules + "/noresolver";
const std::string kWide = kModules + "/wide";
const std::string kBroken = kModules + "/broken";
const std::string kReference = KAV_TEST_KERNEL_DIR;
const std::string kEmpty = kModules;  // holds no KAVSYMB itself
const std::string kMissing = kModules + "/does-not-exist";

std::string Field(const char* iField) { return std::string(iField, 8); }

// The module that bound GUSEND, by the file its routine lives in.
std::string ModuleOfGusend() {
  Dl_info info{};
  void* routine = *kavModuleImage.table[56].cell;
  if (routine == nullptr || dladdr(routine, &info) == 0) return "?";
  std::string path = info.dli_fname;
  return path.substr(0, path.rfind('/'));
}

int CallGusendAndReport() {
  int handle = 0, ier = 0;
  GUSEND(&handle, &ier);
  std::cout << ModuleOfGusend();
  return 0;
}

}  // namespace

TEST(BindingTest, ImageHeaderLeadsToChainedAttributesThenTable) {
  const KAVModuleHeader& header = kavModuleImage.header;
  EXPECT_EQ(2, header.flags[0]);
  EXPECT_EQ(&header.firstAttribute, header.chainAnchor);
  EXPECT_EQ("BINDER  ", Field(header.binderBlock.name));
  EXPECT_EQ(0x80000000u, header.binderBlock.flags);
  EXPECT_EQ(&header.entryCount, header.binderBlock.entryCount);
  EXPECT_EQ(75, *header.binderBlock.entryCount);
  EXPECT_NE(nullptr, header.binderBlock.binder);
  EXPECT_EQ(nullptr, header.emptyCell);
  // Build stamp: year, point, day of year, hour, point, minutes, point, seconds.
  const std::string stamp(header.buildStamp, 16);
  EXPECT_EQ("...", stamp.substr(4, 1) + stamp[10] + stamp[13]);

  // clang-format off
  struct Record { void* next; char key[8]; int32_t length; char value[1]; };
  const std::pair<const char*, int> kAttributes[] = {
      {"TIMSTAMP", 17}, {"LOGINAME", 8}, {"MDFNAME ", 8}, {"LOADNAME", 8}, {"PRODNAME", 8}};
  // clang-format on
  const Record* record = static_cast<const Record*>(header.firstAttribute);
  const char* end = nullptr;
  for (const auto& [key, length] : kAttributes) {
    SCOPED_TRACE(key);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(record) % 8);
    EXPECT_EQ(key, Field(record->key));
    EXPECT_EQ(length, record->length);
    if (length == 8 && key[0] != 'P') {
      EXPECT_EQ("T4711BAS", Field(record->value));
    }
    end = record->value + record->length;
    record = static_cast<const Record*>(record->next);
  }
  EXPECT_EQ(nullptr, record);
  // The table starts at the next 8-byte boundary after the last record.
  const uintptr_t aligned = (reinterpret_cast<uintptr_t>(end) + 7) & ~uintptr_t(7);
  EXPECT_EQ(aligned, reinterpret_cast<uintptr_t>(&kavModuleImage.table[0]));
  EXPECT_EQ(nullptr, kavModuleImage.resolverCell);
}

TEST(BindingTest, EveryEntryStartsUnboundWithItsResolverFields) {
  const char* const kNames[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) #name,
#include "KAVRoutines.def"
#undef KAV_ROUTINE
  };
  for (int i = 0; i < 75; ++i) {
    const KAVReferenceEntry& entry = kavModuleImage.table[i];
    std::string name = kNames[i];
    SCOPED_TRACE(name);
    name.resize(8, ' ');
    EXPECT_EQ(&kavModuleImage.header.emptyCell, entry.cell);
    EXPECT_EQ(2, entry.kind);
    EXPECT_EQ(name, Field(entry.routine));
    EXPECT_EQ("$$LISTE ", Field(entry.listMarker));
    EXPECT_EQ("R6Q     ", Field(entry.release));
    EXPECT_EQ("       A", Field(entry.flagA));
    EXPECT_EQ(std::string("     \0\0\0", 8), Field(entry.tail));
    EXPECT_NE(' ', entry.loadModule[0]);
    EXPECT_NE(' ', entry.library[0]);
  }
}

TEST(BindingTest, StepLibShapesFindTheModuleTheWalkPromises) {
  const std::string longElement = "/" + std::string(1100, 'a');
  // clang-format off
  struct Case { const char* name; std::optional<std::string> stepLib, home; std::string loaded; } cases[] = {
      {"empty value searches HOME only", "", kProbe, kProbe},
      {"first directory with a module wins", kProbe + ":" + kReference, kEmpty, kProbe},
      {"directories without a module are passed", kEmpty + ":" + kMissing + ":" + kProbe, kEmpty, kProbe},
      {"leading colon tries HOME first", ":" + kProbe, kReference, kReference},
      {"leading colon then the list", ":" + kProbe, kEmpty, kProbe},
      {"trailing colon tries HOME last", kEmpty + ":", kProbe, kProbe},
      {"doubled colon tries HOME in between", kEmpty + "::" + kProbe, kReference, kReference},
      {"an element too long for the path is skipped", longElement + ":" + kProbe, kEmpty, kProbe},
      {"an empty element without HOME is skipped", ":" + kProbe, std::nullopt, kProbe}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = RunInChild({{"STEPLIB", c.stepLib}, {"HOME", c.home}}, CallGusendAndReport);
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ(c.loaded, result.out);
    EXPECT_EQ("", result.err);
  }
}

TEST(BindingTest, BinderFailuresEndTheProcessWithStatus99) {
  const std::string notFound = "KAVSYMB00: cannot load KAVSYMB No such file or directory\n";
  // dlopen of a module whose segments reach past its end dies of SIGBUS:
  // the binder must refuse it first.
  kavtest::TempDir truncated;
  truncated.Write("KAVSYMB", kavtest::ReadFile(kReference + "/KAVSYMB").substr(0, 4096));
  const std::string cannot = "KAVSYMB00: cannot load KAVSYMB ";
  // The reference module as another machine's build of it: the same file
  // but for its ELF machine field (AArch64 here on x86-64, and the reverse).
  kavtest::TempDir foreign;
  std::string module = kavtest::ReadFile(kReference + "/KAVSYMB");
#if defined(__aarch64__)
  const uint16_t otherMachine = EM_X86_64;
#else
  const uint16_t otherMachine = EM_AARCH64;
#endif
  std::memcpy(&module[offsetof(Elf64_Ehdr, e_machine)], &otherMachine, sizeof otherMachine);
  foreign.Write("KAVSYMB", module);
  // clang-format off
  struct Case {
    const char* name;
    std::optional<std::string> stepLib, home;
    std::string message;  // exact, or the prefix when `prefixOnly`
    bool prefixOnly;
  } cases[] = {
      {"STEPLIB unset", std::nullopt, kProbe, "KAVSYMB00: STEPLIB environment variable not defined\n", false},
      {"nothing found", kEmpty + ":" + kMissing, kEmpty, notFound, false},
      {"empty value and HOME without a module", "", kEmpty, notFound, false},
      {"empty value and HOME unset", "", std::nullopt, notFound, false},
      {"a module that does not load ends the walk", kBroken + ":" + kProbe, kEmpty, cannot + kBroken + "/KAVSYMB", true},
      {"HOME's broken module before a good one", kEmpty + "::" + kProbe, kBroken, cannot + kBroken + "/KAVSYMB", true},
      {"a truncated module", truncated.Path() + ":" + kProbe, kEmpty,
       cannot + truncated.Path() + "/KAVSYMB: truncated: a loadable segment ends at byte ", true},
      {"another machine's module", foreign.Path() + ":" + kProbe, kEmpty, cannot + foreign.Path() + "/KAVSYMB", true},
      {"a module without kavsymb", kNoResolver + ":" + kProbe, kEmpty, "KAVSYMB00: module KAVSYMB is incorrect\n", false},
      {"a resolver that leaves the entry unbound", kUnbinding, kEmpty,
       "KAVSYMB00: routine GUSEND not bound by KAVSYMB\n", false}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = RunInChild({{"STEPLIB", c.stepLib}, {"HOME", c.home}}, CallGusendAndReport);
    EXPECT_EQ(99, result.status);
    EXPECT_EQ("", result.out);
    if (c.prefixOnly) {
      EXPECT_EQ(c.message, result.err.substr(0, c.message.size()));
      EXPECT_EQ('\n', result.err.back());
    } else {
      EXPECT_EQ(c.message, result.err);
    }
  }
}

namespace {

template <typename T>
T& ProbeSymbol(const char* iName, const std::string& iModuleDir = kProbe) {
  void* module = dlopen((iModuleDir + "/KAVSYMB").c_str(), RTLD_LAZY | RTLD_NOLOAD);
  void* symbol = module ? dlsym(module, iName) : nullptr;
  if (symbol == nullptr) std::abort();
  return *static_cast<T*>(symbol);
}

}  // namespace

// The search runs once: a routine's first call after the first bind goes
// straight to the resolver, whatever STEPLIB says by then, and a routine
// binds on its first call only.
TEST(BindingTest, SearchRunsOnceAndEachRoutineBindsOnce) {
  auto result = RunInChild({{"STEPLIB", kProbe}}, [] {
    int handle = 0, ier = 0, width = 0, count = 0;
    GUSEND(&handle, &ier);
    setenv("STEPLIB", kBroken.c_str(), 1);
    GUSINF(&handle, &width, &count, &ier);
    GUSEND(&handle, &ier);
    GUSINF(&handle, &width, &count, &ier);
    std::cout << ProbeSymbol<int>("probe_resolver_calls") << " "
              << ProbeSymbol<long>("probe_calls");
    return 0;
  });
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ("2 4", result.out);
}

// Arguments past the sixth (x86-64) or the eighth (AArch64) travel on the
// caller's stack; the unbound path saves registers below them around the
// binder call and must leave them, and the stack arguments, exactly as
// the caller set them. With the journal on, a
// thunk sits between the stub and the routine: it too hands every argument
// on unchanged and the routine's return value back.
TEST(BindingTest, LongArgumentListsArriveUnchangedOnFirstAndLaterCalls) {
  kavtest::TempDir dir;
  for (const bool journaled : {false, true}) {
    auto result = RunInChild(
        {{"STEPLIB", kProbe},
         {"T4711_JOURNAL",
          journaled ? std::optional<std::string>(dir.Path() + "/journal") : std::nullopt}},
        [] {
          int c[14] = {0};
          char t[3][64] = {{0}};
          const auto arrived = [](const char* iRoutine, std::vector<void*> iSent) {
            const uintptr_t* got = &ProbeSymbol<uintptr_t>("probe_arguments");
            for (size_t i = 0; i < iSent.size(); ++i)
              if (got[i] != reinterpret_cast<uintptr_t>(iSent[i]))
                std::cout << iRoutine << " argument " << i + 1 << " differs\n";
          };
          for (int round = 0; round < 2; ++round) {
            // clang-format off
            GNFRAT(t[0], c, c + 1, c + 2, c + 3, c + 4, c + 5, c + 6, c + 7, c + 8, c + 9, c + 10, c + 11, c + 12);
            arrived("GNFRAT", {t[0], c, c + 1, c + 2, c + 3, c + 4, c + 5, c + 6, c + 7, c + 8, c + 9, c + 10, c + 11,
                               c + 12});
            G7AQRY(t[0], t[1], t[2], c, c + 1, c + 2, t[1] + 8, c + 3, t[2] + 8, c + 4, c + 5);
            arrived("G7AQRY", {t[0], t[1], t[2], c, c + 1, c + 2, t[1] + 8, c + 3, t[2] + 8, c + 4, c + 5});
            // clang-format on
            if (LBATCH(nullptr) != ProbeSymbol<long>("probe_calls"))
              std::cout << "LBATCH's return value differs\n";
          }
          return 0;
        });
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.out) << (journaled ? "journaled" : "plain");
  }
  std::ifstream journal(dir.Path() + "/journal");
  EXPECT_EQ(6, std::count(std::istreambuf_iterator<char>(journal), {}, '\n'))
      << "the journaled round wrote one line per call";
}

namespace {

typedef double Vector __attribute__((vector_size(16)));
struct WideResult {
  uintptr_t word[4];
};
using WideRoutine = WideResult (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                   uintptr_t, uintptr_t, Vector, Vector, Vector, Vector, Vector,
                                   Vector, Vector, Vector);

}  // namespace

// A stub does not know its routine's prototype. Besides pointers, a call
// can pass vectors (doubles) in q0-q7 and the address of a result returned
// in memory in x8 (AArch64), or that address in %rdi (x86-64): the first
// call, through the binder, must hand them on as a later call does. Only
// the AArch64 stubs promise the vector registers; the x86-64 ones keep the
// integer registers, which is all a kernel routine takes.
TEST(BindingTest, VectorsAndResultAddressPassTheFirstCall) {
#if defined(__aarch64__)
  constexpr bool kVectorsKept = true;
#else
  constexpr bool kVectorsKept = false;
#endif
  auto result = RunInChild({{"STEPLIB", kWide}}, [] {
    // The prototypes differ on purpose: cast through void (*)(), as
    // -Wcast-function-type asks of a deliberate cast.
    const auto routine = reinterpret_cast<WideRoutine>(reinterpret_cast<void (*)()>(&GNFRST));
    for (int call = 1; call <= 2; ++call) {
      uintptr_t sent[8];
      double halves[16];
      for (int i = 0; i < 8; ++i) sent[i] = 0x1000u * call + i;
      for (int i = 0; i < 16; ++i) halves[i] = call + i / 16.0;
      Vector v[8];
      std::memcpy(v, halves, sizeof v);
      const WideResult got = routine(sent[0], sent[1], sent[2], sent[3], sent[4], sent[5], sent[6],
                                     sent[7], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
      const uintptr_t* arguments = &ProbeSymbol<uintptr_t>("probe_arguments", kWide);
      const double* vectors = &ProbeSymbol<double>("probe_vectors", kWide);
      const uintptr_t expected[4] = {sent[0], sent[1], sent[7], static_cast<uintptr_t>(call)};
      if (std::memcmp(got.word, expected, sizeof expected) != 0)
        std::cout << "call " << call << ": result differs\n";
      if (std::memcmp(arguments, sent, sizeof sent) != 0)
        std::cout << "call " << call << ": integer arguments differ\n";
      if (kVectorsKept && std::memcmp(vectors, halves, sizeof halves) != 0)
        std::cout << "call " << call << ": vectors differ\n";
    }
    return 0;
  });
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ("", result.out);
}

namespace {

// The function holding return address iReturn, as the unwinder finds it.
const void* Holder(void* iReturn) {
  return _Unwind_FindEnclosingFunction(static_cast<char*>(iReturn) - 1);
}

// Calls GUSEND for the first time, then reads the stack the resolver saw:
// names the three frames from the binder's down, and tells whether the
// frames below them are this function's own callers.
__attribute__((noinline)) int WalkFromTheResolverToTheCaller() {
  void* own[64];
  const int ownDepth = backtrace(own, 64);
  int handle = 0, ier = 0;
  GUSEND(&handle, &ier);
  void* const* seen = &ProbeSymbol<void*>("probe_backtrace");
  const int depth = ProbeSymbol<int>("probe_backtrace_depth");
  const std::pair<const void*, const char*> kNames[] = {
      {reinterpret_cast<const void*>(kavModuleImage.header.binderBlock.binder), "kavsybnd"},
      {reinterpret_cast<const void*>(&GUSEND), "GUSEND"},
      {reinterpret_cast<const void*>(&WalkFromTheResolverToTheCaller), "caller"}};
  int at = 0;
  while (at < depth && Holder(seen[at]) != kNames[0].first) ++at;
  for (int i = at; i < at + 3 && i < depth; ++i) {
    const char* name = "?";
    for (const auto& [function, text] : kNames)
      if (Holder(seen[i]) == function) name = text;
    std::cout << name << " ";
  }
  // Our own backtrace starts with this function's frame (after a
  // sanitizer's interceptor, if any); the next few frames suffice, as
  // either buffer may be cut short of main.
  int mine = 0;
  while (mine < ownDepth && Holder(own[mine]) != kNames[2].first) ++mine;
  const int below = at + 3, compared = std::min(8, ownDepth - mine - 1);
  const bool same = compared > 0 && depth - below >= compared &&
                    std::equal(seen + below, seen + below + compared, own + mine + 1);
  std::cout << (same ? "then the caller's callers" : "then other frames");

  return 0;
}

}  // namespace

// A debugger, or backtrace() inside the resolver, unwinds from the binder
// through the stub's first-call frame into the function that called the
// routine, and on through that function's own callers.
TEST(BindingTest, ResolverStackShowsTheCallerBeneathTheStub) {
  auto result = RunInChild({{"STEPLIB", kProbe}}, WalkFromTheResolverToTheCaller);
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ("kavsybnd GUSEND caller then the caller's callers", result.out);
}

// A call to a bound routine reads its cell and jumps: the reference kernel
// binds every one of the 75 rows.
TEST(BindingTest, ReferenceKernelBindsEveryRoutine) {
  auto result = RunInChild({{"STEPLIB", kReference}}, [] {
    int handle = 0, ier = 0;
    GUSEND(&handle, &ier);  // loads the module and its resolver
    int unbound = 0;
    for (KAVReferenceEntry& entry : kavModuleImage.table) {
      if (entry.cell == &kavModuleImage.header.emptyCell) kavModuleImage.resolverCell(&entry);
      if (entry.cell == &kavModuleImage.header.emptyCell || *entry.cell == nullptr) ++unbound;
    }
    std::cout << unbound << " " << (kavModuleImage.header.emptyCell == nullptr);
    return 0;
  });
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ("0 1", result.out);
}

// The library exports its public interface only: a kernel module that
// exports routine names cannot interpose the stubs, and nothing internal
// (stubs, module image, trace writer) is reachable from outside.
TEST(BindingTest, LibraryExportsItsInterfaceOnly) {
  void* library = dlopen(KAV_TEST_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
  ASSERT_NE(nullptr, library);
  for (const char* name : {"kavsybnd", "cxgiiv5", "cxrv5i", "nqusett", "_Z8GetDebugPKc"}) {
    EXPECT_NE(nullptr, dlsym(library, name)) << name;
  }
  for (const char* name : {"GUSREA", "GNFLOD", "GMOSEL", "kavModuleImage", "_ZN8KAVTrace5BlankEv",
                           "_ZN13KAVKernelList4InfoERiS0_S0_S0_"}) {
    EXPECT_EQ(nullptr, dlsym(library, name)) << name;
  }
  dlclose(library);
}

// Whatever length a kernel returns, reading a kernel-form text stays inside
// its storage: lengths are clamped to 0..capacity, records past the array
// read as empty, and a field without a terminator ends at its width.
TEST(KernelFormTest, ReturnedLengthsNeverReadOutsideTheirStorage) {
  // clang-format off
  struct Row { int length, capacity, clamped; };
  for (const Row& row : {Row{-5, 80, 0}, Row{1000, 80, 80}, Row{10, 80, 10}, Row{0, 0, 0}, Row{5, -1, 0}, Row{80, 80, 80}})
    EXPECT_EQ(row.clamped, KAVClampLength(row.length, row.capacity)) << row.length << " in " << row.capacity;
  // clang-format on

  KAVKernelField field(KAVUnicodeString("AB"), 4);
  std::memset(field.Data(), 'X', 4);  // the kernel filled it, no terminator
  EXPECT_STREQ("XXXX", field.Text().CastToCharPtr());
  EXPECT_STREQ("XXXX", field.Prefix(1000).CastToCharPtr());
  EXPECT_STREQ("", field.Prefix(-5).CastToCharPtr());

  KAVKernelRecords records(3, 4);
  std::memset(records.Data(), 'Y', 12);
  std::memcpy(records.Data() + 4, "AB\0C", 4);
  EXPECT_STREQ("YYYY", records.Record(1).CastToCharPtr());
  EXPECT_STREQ("AB", records.Record(2).CastToCharPtr());
  EXPECT_EQ(4, records.Record(2, 99).GetLengthInChar());
  EXPECT_STREQ("YY", records.Record(3, 2).CastToCharPtr());
  for (int outside : {0, 4, -1})
    EXPECT_EQ("|", records.Record(outside) + "|" + records.Record(outside, 4));

  KAVKernelText text(KAVUnicodeString(" NAME "));
  EXPECT_EQ(6, text.Length());
  EXPECT_EQ(std::string(" NAME "), std::string(text.Data(), 6));
}
