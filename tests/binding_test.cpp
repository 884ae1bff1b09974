// The binding spine: the module image a resolver reads, the binder's
// STEPLIB walk and its failures, and what a stub passes on first and later
// calls. Anything that binds runs in a child process: binding is once per
// process.
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "KAVElfCheck.h"
#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVListIndex.h"
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

// Calls GUSEND and prints the module that bound it, by the directory of
// the file its routine lives in.
int CallGusendAndReport() {
  int handle = 0, ier = 0;
  GUSEND(&handle, &ier);
  Dl_info info{};
  void* routine = *kavModuleImage.table[56].cell;
  const bool found = routine != nullptr && dladdr(routine, &info) != 0;
  const std::string path = found ? info.dli_fname : "?";
  std::cout << path.substr(0, path.rfind('/'));
  return 0;
}

void WriteFile(const std::string& iPath, const std::string& iContent) {
  std::ofstream(iPath, std::ios::binary) << iContent;
}

// iScenario, run in a child with iEnv, prints iOut. With iEnded empty it
// returns 0 and writes nothing on standard error; else the binder ends the
// process with status 99 and the line iEnded on standard error.
void ExpectChild(const Environment& iEnv, const std::string& iOut, const std::string& iEnded,
                 const std::function<int()>& iScenario) {
  const ChildResult result = RunInChild(iEnv, iScenario);
  EXPECT_EQ(iEnded.empty() ? 0 : 99, result.status) << result.err;
  EXPECT_EQ(iOut, result.out);
  EXPECT_EQ(iEnded, result.err);
}

std::string SelfPath() {
  char path[4096] = "";
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return std::string(path, length > 0 ? static_cast<size_t>(length) : 0);
}

// Root reads a file of mode 000 through these two capabilities; without
// them in its effective set it is refused like anyone else, so the
// unreadable-file case means the same whoever runs the suite.
void DropFileReadOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return;
  data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  syscall(SYS_capset, &header, data);
}

// The line the binder ends with when iDirectory/KAVSYMB does not load:
// filled with the text dlopen gives for it in a fresh process.
std::string CannotLoad(
    const std::string& iDirectory, const std::function<void()>& iPrepare = [] {}) {
  const std::string module = iDirectory + "/KAVSYMB";
  const ChildResult loaded = RunInChild({}, [&] {
    iPrepare();
    std::cout << (dlopen(module.c_str(), RTLD_LAZY) ? "(loaded)" : dlerror());
    return 0;
  });
  return "KAVSYMB00: cannot load KAVSYMB " + loaded.out + "\n";
}

// A little-endian shared object's ELF header for iMachine, without
// program headers yet.
template <typename Header, typename ProgramHeader>
Header SharedObjectHeader(unsigned char iClass, uint16_t iMachine) {
  Header header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = iClass;
  header.e_ident[EI_DATA] = ELFDATA2LSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_type = ET_DYN;
  header.e_machine = iMachine;
  header.e_version = EV_CURRENT;
  header.e_ehsize = sizeof header;
  header.e_phentsize = sizeof(ProgramHeader);
  return header;
}

// The header of a 32-bit x86 shared object, in a file long enough for any
// loader's first read.
std::string Elf32SharedObject() {
  const auto header = SharedObjectHeader<Elf32_Ehdr, Elf32_Phdr>(ELFCLASS32, EM_386);
  std::string file(reinterpret_cast<const char*>(&header), sizeof header);
  file.resize(1024, '\0');
  return file;
}

// A shared object for this machine with one loadable segment, bytes 0 to
// iSegmentEnd of the file, in a file of iFileSize bytes (its header and
// program header take the first 120).
std::string ElfWithSegment(uint64_t iSegmentEnd, size_t iFileSize) {
  auto header = SharedObjectHeader<Elf64_Ehdr, Elf64_Phdr>(ELFCLASS64, kKAVElfMachine);
  header.e_phoff = sizeof header;
  header.e_phnum = 1;
  Elf64_Phdr segment{};
  segment.p_type = PT_LOAD;
  segment.p_flags = PF_R;
  segment.p_filesz = segment.p_memsz = iSegmentEnd;
  segment.p_align = 4096;
  std::string file(reinterpret_cast<const char*>(&header), sizeof header);
  file.append(reinterpret_cast<const char*>(&segment), sizeof segment);
  file.resize(iFileSize, '\0');
  return file;
}

// iModule as another machine's build of it: the same file but for its ELF
// machine (AArch64 on x86-64, x86-64 on AArch64).
std::string ForAnotherMachine(std::string iModule) {
  const uint16_t other = kKAVElfMachine == EM_AARCH64 ? EM_X86_64 : EM_AARCH64;
  std::memcpy(&iModule[offsetof(Elf64_Ehdr, e_machine)], &other, sizeof other);
  return iModule;
}

// Where the first loadable segment of iModule that does not fit in its
// first iSize bytes ends, read from the module's own program headers.
uint64_t FirstLoadEndPast(const std::string& iModule, uint64_t iSize) {
  Elf64_Ehdr header;
  std::memcpy(&header, iModule.data(), sizeof header);
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment;
    std::memcpy(&segment, iModule.data() + header.e_phoff + i * sizeof segment, sizeof segment);
    if (segment.p_type == PT_LOAD && segment.p_offset + segment.p_filesz > iSize)
      return segment.p_offset + segment.p_filesz;
  }
  return 0;
}

template <typename T>
T& ProbeSymbol(const char* iName, const std::string& iModuleDir = kProbe) {
  void* module = dlopen((iModuleDir + "/KAVSYMB").c_str(), RTLD_LAZY | RTLD_NOLOAD);
  void* symbol = module ? dlsym(module, iName) : nullptr;
  if (symbol == nullptr) std::abort();
  return *static_cast<T*>(symbol);
}

typedef double Vector __attribute__((vector_size(16)));
struct WideResult {
  uintptr_t word[4];
};
using WideRoutine = WideResult (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                   uintptr_t, uintptr_t, Vector, Vector, Vector, Vector, Vector,
                                   Vector, Vector, Vector);

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
    SCOPED_TRACE(kNames[i]);
    EXPECT_EQ(&kavModuleImage.header.emptyCell, entry.cell);
    EXPECT_EQ(2, entry.kind);
    EXPECT_EQ(Padded(kNames[i], 8), Field(entry.routine));
    EXPECT_EQ("$$LISTE ", Field(entry.listMarker));
    EXPECT_EQ("R6Q     ", Field(entry.release));
    EXPECT_EQ("       A", Field(entry.flagA));
    EXPECT_EQ(std::string("     \0\0\0", 8), Field(entry.tail));
    EXPECT_NE(' ', entry.loadModule[0]);
    EXPECT_NE(' ', entry.library[0]);
  }
}

// The walk binds from the first directory along STEPLIB that holds a
// KAVSYMB (an empty element stands for HOME), or ends the process with
// status 99 and one line on standard error.
TEST(BindingTest, StepLibDecidesWhichModuleBindsOrWhyTheProcessEnds) {
  const std::string longElement = "/" + std::string(1100, 'a');
  const std::string notFound = "KAVSYMB00: cannot load KAVSYMB No such file or directory\n";
  // clang-format off
  struct Case { const char* name; std::optional<std::string> stepLib, home; std::string loaded, ended = ""; } cases[] = {
      {"empty value searches HOME only", "", kProbe, kProbe},
      {"first directory with a module wins", kProbe + ":" + kReference, kEmpty, kProbe},
      {"directories without a module are passed", kEmpty + ":" + kMissing + ":" + kProbe, kEmpty, kProbe},
      {"leading colon tries HOME first", ":" + kProbe, kReference, kReference},
      {"leading colon then the list", ":" + kProbe, kEmpty, kProbe},
      {"trailing colon tries HOME last", kEmpty + ":", kProbe, kProbe},
      {"doubled colon tries HOME in between", kEmpty + "::" + kProbe, kReference, kReference},
      {"an element too long for the path is skipped", longElement + ":" + kProbe, kEmpty, kProbe},
      {"an empty element without HOME is skipped", ":" + kProbe, std::nullopt, kProbe},
      {"STEPLIB unset", std::nullopt, kProbe, "", "KAVSYMB00: STEPLIB environment variable not defined\n"},
      {"nothing found", kEmpty + ":" + kMissing, kEmpty, "", notFound},
      {"empty value and HOME without a module", "", kEmpty, "", notFound},
      {"empty value and HOME unset", "", std::nullopt, "", notFound},
      {"a module that does not load ends the walk", kBroken + ":" + kProbe, kEmpty, "", CannotLoad(kBroken)},
      {"HOME's broken module before a good one", kEmpty + "::" + kProbe, kBroken, "", CannotLoad(kBroken)},
      {"a module without kavsymb", kNoResolver + ":" + kProbe, kEmpty, "", "KAVSYMB00: module KAVSYMB is incorrect\n"},
      {"a resolver that leaves the entry unbound", kUnbinding, kEmpty, "",
       "KAVSYMB00: routine GUSEND not bound by KAVSYMB\n"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectChild({{"STEPLIB", c.stepLib}, {"HOME", c.home}}, c.loaded, c.ended, CallGusendAndReport);
  }
}

// A KAVSYMB that exists but does not load ends the process with dlopen's
// own words; only what would fault inside the loader (a loadable segment or
// the program headers past the end of the file) is refused before, in a
// line of the same shape. Each module lies alone in its directory.
TEST(BindingTest, AModuleThatDoesNotLoadEndsWithTheLoadersWords) {
  const std::string reference = ReadFile(kReference + "/KAVSYMB");
  // clang-format off
  struct Case {
    const char* name;
    std::function<void(const std::string& iModule)> make;
    std::string refusal = "";               // "": dlopen's own text is the message
    std::function<void()> prepare = [] {};  // in the child, before the first call
  } cases[] = {
      {"a file too short", [](auto& m) { WriteFile(m, std::string(35, 'x')); }},
      {"a text file", [](auto& m) { WriteFile(m, std::string(200, 't') + "\n"); }},
      {"an ELF file of another class (32-bit)", [](auto& m) { WriteFile(m, Elf32SharedObject()); }},
      {"another machine's module", [&](auto& m) { WriteFile(m, ForAnotherMachine(reference)); }},
      {"an executable", [](auto& m) { EXPECT_EQ(0, symlink(SelfPath().c_str(), m.c_str())); }},
      {"a directory named KAVSYMB", [](auto& m) { mkdir(m.c_str(), 0755); }},
      {"an unreadable file", [&](auto& m) { WriteFile(m, reference); chmod(m.c_str(), 0); }, "", DropFileReadOverride},
      {"a truncated module", [&](auto& m) { WriteFile(m, reference.substr(0, 4096)); },
       "truncated: a loadable segment ends at byte " + std::to_string(FirstLoadEndPast(reference, 4096)) +
       " of a 4096-byte file"},
      {"a segment ending one byte past the file", [](auto& m) { WriteFile(m, ElfWithSegment(300, 299)); },
       "truncated: a loadable segment ends at byte 300 of a 299-byte file"},
      {"a segment ending at the end of the file", [](auto& m) { WriteFile(m, ElfWithSegment(300, 300)); }},
      {"program headers past the end", [](auto& m) { WriteFile(m, ElfWithSegment(300, 300).substr(0, 100)); },
       "program headers past the end of the file"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string module = dir.Path() + "/KAVSYMB";
    c.make(module);
    const std::string message =
        c.refusal.empty() ? CannotLoad(dir.Path(), c.prepare)
                          : "KAVSYMB00: cannot load KAVSYMB " + module + ": " + c.refusal + "\n";
    EXPECT_EQ(0u, message.find("KAVSYMB00: cannot load KAVSYMB " + module + ": ")) << message;
    ExpectChild({{"STEPLIB", dir.Path() + ":" + kProbe}}, "", message, [&] {
      c.prepare();
      return CallGusendAndReport();
    });
  }
}

// A FIFO named KAVSYMB has no writer: opening it for reading as the loader
// does would wait for one for ever. The look must come back at once.
TEST(BindingTest, TheLookNeverWaitsOnAFifo) {
  TempDir dir;
  const std::string fifo = dir.Path() + "/KAVSYMB";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
  ExpectChild({}, "[]", "", [&] {
    alarm(10);
    char why[kKAVWhySize];
    KAVLookAtModule(fifo.c_str(), why, sizeof why);
    std::cout << "[" << why << "]";
    return 0;
  });
}

// The search runs once: a routine's first call after the first bind goes
// straight to the resolver, whatever STEPLIB says by then, and a routine
// binds on its first call only. The binder called directly for an entry
// that is already bound hands it to the resolver all the same.
TEST(BindingTest, SearchRunsOnceAndEachRoutineBindsOnce) {
  ExpectChild({{"STEPLIB", kProbe}}, "2 4 1 3", "", [] {
    int handle = 0, ier = 0, width = 0, count = 0;
    GUSEND(&handle, &ier);
    setenv("STEPLIB", kBroken.c_str(), 1);
    GUSINF(&handle, &width, &count, &ier);
    GUSEND(&handle, &ier);
    GUSINF(&handle, &width, &count, &ier);
    std::cout << ProbeSymbol<int>("probe_resolver_calls") << " "
              << ProbeSymbol<long>("probe_calls");
    KAVReferenceEntry* gusend = &kavModuleImage.table[56];
    const bool same = kavModuleImage.header.binderBlock.binder(gusend) == gusend;
    std::cout << " " << same << " " << ProbeSymbol<int>("probe_resolver_calls");
    return 0;
  });
}

// Arguments past the sixth (x86-64) or the eighth (AArch64) travel on the
// caller's stack; the unbound path saves registers below them around the
// binder call and must leave them, and the stack arguments, exactly as
// the caller set them. With the journal on, a
// thunk sits between the stub and the routine: it too hands every argument
// on unchanged and the routine's return value back.
TEST(BindingTest, LongArgumentListsArriveUnchangedOnFirstAndLaterCalls) {
  TempDir dir;
  for (const bool journaled : {false, true}) {
    SCOPED_TRACE(journaled ? "journaled" : "plain");
    const std::optional<std::string> path = dir.Path() + "/journal";
    const Environment env = {{"STEPLIB", kProbe},
                             {"T4711_JOURNAL", journaled ? path : std::nullopt}};
    ExpectChild(env, "", "", [] {
      int c[14] = {0};
      char t[3][64] = {{0}};
      // Calls the routine and names each argument that did not arrive as sent.
      const auto call = [](const char* iName, auto iRoutine, auto... iArguments) {
        iRoutine(iArguments...);
        const void* sent[] = {iArguments...};
        const uintptr_t* got = &ProbeSymbol<uintptr_t>("probe_arguments");
        for (size_t i = 0; i < sizeof...(iArguments); ++i)
          if (got[i] != reinterpret_cast<uintptr_t>(sent[i]))
            std::cout << iName << " argument " << i + 1 << " differs\n";
      };
      for (int round = 0; round < 2; ++round) {
        // clang-format off
        call("GNFRAT", GNFRAT, t[0], c, c + 1, c + 2, c + 3, c + 4, c + 5, c + 6, c + 7, c + 8, c + 9, c + 10, c + 11, c + 12);
        call("G7AQRY", G7AQRY, t[0], t[1], t[2], c, c + 1, c + 2, t[1] + 8, c + 3, t[2] + 8, c + 4, c + 5);
        // clang-format on
        if (LBATCH(nullptr) != ProbeSymbol<long>("probe_calls"))
          std::cout << "LBATCH's return value differs\n";
      }
      return 0;
    });
  }
  std::ifstream journal(dir.Path() + "/journal");
  EXPECT_EQ(1 + 6, std::count(std::istreambuf_iterator<char>(journal), {}, '\n'))
      << "the journaled round wrote its header and one line per call";
}

// A stub does not know its routine's prototype. Besides pointers, a call
// can pass vectors (doubles) in q0-q7 and the address of a result returned
// in memory in x8 (AArch64), or that address in %rdi (x86-64): the first
// call, through the binder, must hand them on as a later call does. Only
// the AArch64 stubs promise the vector registers; the x86-64 ones keep the
// integer registers, which is all a kernel routine takes.
TEST(BindingTest, VectorsAndResultAddressPassTheFirstCall) {
  constexpr bool kVectorsKept = kKAVElfMachine == EM_AARCH64;
  ExpectChild({{"STEPLIB", kWide}}, "", "", [] {
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
}

// A debugger, or backtrace() inside the resolver, unwinds from the binder
// through the stub's first-call frame into the function that called the
// routine, and on through that function's own callers.
TEST(BindingTest, ResolverStackShowsTheCallerBeneathTheStub) {
  ExpectChild({{"STEPLIB", kProbe}}, "kavsybnd GUSEND caller then the caller's callers", "",
              WalkFromTheResolverToTheCaller);
}

// A call to a bound routine reads its cell and jumps: the reference kernel
// binds every one of the 75 rows.
TEST(BindingTest, ReferenceKernelBindsEveryRoutine) {
  ExpectChild({{"STEPLIB", kReference}}, "0 1", "", [] {
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
}

// The library exports its public interface only: a kernel module that
// exports routine names cannot interpose the stubs, and nothing internal
// (stubs, module image, trace writer, the cache checks and resets of the
// fuzzing harness, which the version script's KAVMfg* would otherwise
// take) is reachable from outside. The wrappers' type information and
// vtables are interface too: without them a user's class derived from a
// wrapper, or a typeid of one, does not link.
TEST(BindingTest, LibraryExportsItsInterfaceOnly) {
  void* library = dlopen(KAV_TEST_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
  ASSERT_NE(nullptr, library);
  for (const char* name :
       {"kavsybnd", "cxgiiv5", "cxrv5i", "nqusett", "_Z8GetDebugPKc", "_ZTI16KAVMfgDictionary",
        "_ZTS16KAVMfgDictionary", "_ZTV16KAVMfgDictionary"}) {
    EXPECT_NE(nullptr, dlsym(library, name)) << name;
  }
  for (const char* name :
       {"GUSREA", "GNFLOD", "GMOSEL", "kavModuleImage", "_ZN8KAVTrace5BlankEv",
        "_ZN13KAVKernelList4InfoERiS0_S0_S0_", "_ZN13KAVMfgBaseNLS9Internals6ForgetEv",
        "_ZN13KAVMfgBaseGII9Internals11CacheAgreesEv",
        "_ZN17KAVMfgDeclarative9Internals6ForgetEv"}) {
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
  EXPECT_STREQ("YYYY", records.Record(3).CastToCharPtr());
  for (int outside : {0, 4, -1})
    EXPECT_EQ("|", records.Record(outside) + "|" + records.Record(outside, 4));

  KAVKernelText text(KAVUnicodeString(" NAME "));
  EXPECT_EQ(6, text.Length());
  EXPECT_EQ(std::string(" NAME "), std::string(text.Data(), 6));
}

// The index follows its list whatever happened to it since the last
// lookup, and never answers a position whose entry is not the text.
TEST(ListIndexTest, FollowsItsListAndNeverAnswersAStaleHit) {
  // clang-format off
  struct Case { const char* name; KAVListValKAVUnicodeString after; const char* text; int expected; } cases[] = {
      {"first of two equal entries", ListOf({"A", "B", "A"}), "A", 1},
      {"appended since", ListOf({"A", "B", "C", "D"}), "D", 4},
      {"shortened past the hit", ListOf({"A"}), "B", 0},
      {"shortened, then grown back", ListOf({"A", "X", "B"}), "B", 3},
      {"shortened, then grown by a new text", ListOf({"A", "D"}), "D", 2},
      {"hit changed in place", ListOf({"A", "X", "C"}), "B", 0},
      {"hit moved later", ListOf({"A", "X", "C", "B"}), "B", 4},
      {"emptied", ListOf({}), "A", 0}};
  // clang-format on
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    KAVListIndex index;
    KAVListValKAVUnicodeString list = ListOf({"A", "B", "C"});
    ASSERT_EQ(2, index.Locate(list, "B"));
    list = c.after;
    EXPECT_EQ(c.expected, index.Locate(list, c.text));
    EXPECT_TRUE(index.Agrees(list));
  }
}
