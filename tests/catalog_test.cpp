// Catalog lookups against the reference kernel: what reaches the kernel
// (its journal), what comes back, GetError(), what is left open when a call
// fails, and the trace blocks whole.
//
// The national-name caches live for the whole process, so each NLS test
// works on names of its own (FreshName), added to the kernel: no test
// depends on which ran before it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "KAVMfgAPTAndPPTable.h"
#include "KAVMfgBaseNLS.h"
#include "KAVSimCodes.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;
using NlsFunction = KAVUnicodeString (*)(const KAVUnicodeString&);

// A name no other test of this process has used.
std::string FreshName(const std::string& iStem) {
  static int counter = 0;
  return "T" + std::to_string(++counter) + "_" + iStem;
}

std::string Nls(int iType, const std::string& iName) {
  return KAVMfgBaseNLS::GetNlsName(iType, iName.c_str()).ToStdString();
}
std::string Std(int iType, const std::string& iName) {
  return KAVMfgBaseNLS::GetStdName(iType, iName.c_str()).ToStdString();
}

class CatalogTest : public KernelTest {
 protected:
  static void AddTable(int iKind, const std::string& iName) {
    KAV_KERNEL_FN(kavsim_catalog_add_table)(iKind, iName.c_str());
  }
  static void AddName(int iType, const std::string& iStd, const std::string& iNls) {
    KAV_KERNEL_FN(kavsim_catalog_add_name)(iType, iStd.c_str(), iNls.c_str());
  }
  static Strings Tables(int iKind) {
    std::unique_ptr<KAVListValKAVUnicodeString> tables(KAVMfgAPTAndPPTable::GetTables(iKind));
    return Items(*tables);
  }
  // Kind 8 holds "  FIRST " and "SECOND". Each call in turn fails, alone or
  // with every later one: the names read before it stay, the code is kept,
  // the list is ended and the end banner traced only when every call
  // succeeded.
  static void SweepTables(bool iTraced) {
    const KernelStep read = KernelStep("GUSREA").Keeps(1);
    const KernelSteps steps = {KernelStep("GNSLTB").Opens(1), "GUSINF", read, read,
                               KernelStep("GUSEND").Ends(1)};
    const Strings names = {"FIRST", "SECOND"};
    Strings tables;
    const auto check = [&](const FaultRun& iRun) {
      SCOPED_TRACE(iRun.Label());
      const Stopped expected = StoppedAt(steps, iRun);
      const Strings kept(names.begin(), names.begin() + expected.kept);
      EXPECT_EQ(kept, tables);
      EXPECT_EQ(expected.failed ? kInjected : 0, KAVMfgAPTAndPPTable::GetError());
      EXPECT_EQ(expected.calls, iRun.calls);
      EXPECT_EQ(expected.open, Kernel::OpenLists());
      Strings trace = {"itype : 8", " ", iRun.n == 1 ? "ier (gnsltb) : 4242" : "ier (gnsltb) : 0"};
      for (const std::string& name : kept) trace.push_back("Table Name : " + name);
      EXPECT_EQ(iTraced ? Block({Opening(16, "GetTables, start"), trace,
                                 expected.failed ? Strings{} : Closing(15, "GetTables, end ")})
                        : "",
                iRun.out);
    };
    AnomalyLoop(
        [] {
          AddTable(8, "  FIRST ");
          AddTable(8, "SECOND");
        },
        [&] { tables = Tables(8); }, check);
  }
};

// ---------------------------------------------------------------- tables

// Names come back stripped, in the kernel's order, duplicates and blank
// ones included; a full 72-character name is kept whole.
TEST_F(CatalogTest, GetTablesListsEachKind) {
  const std::string full(72, 'F');
  // clang-format off
  const struct { int kind; Strings tables; int error; Strings journal; } cases[] = {
      {3, {"PPWORD_ISO_STANDARD", "PPWORD_COOLANT", "PPWORD_CANNED_CYCLES", "PPWORD_TOOL_CHANGE"}, 0,
       {"GNSLTB 3 0", "GUSINF 1", "GUSREA 1 1", "GUSREA 1 2", "GUSREA 1 3", "GUSREA 1 4", "GUSEND 1"}},
      {4, {}, 0, {"GNSLTB 4 0", "GUSINF 1", "GUSEND 1"}}, {77, {}, KAVSIM_UNKNOWN_TABLE_KIND, {"GNSLTB 77 0"}},
      {9, {"PADDED NAME", full, "DUP", "DUP", ""}, 0, {}}};  // journal not compared
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Kernel::Reset();
    for (const char* name : {"  PADDED NAME   ", full.c_str(), "DUP", "DUP", ""}) AddTable(9, name);
    EXPECT_EQ(c.tables, Tables(c.kind));
    EXPECT_EQ(c.error, KAVMfgAPTAndPPTable::GetError());
    EXPECT_EQ(CallLog(c.journal, c.error), c.journal.empty() ? "" : Kernel::Journal());
    EXPECT_EQ(0, Kernel::OpenLists());
  }
  EXPECT_EQ("", Stdout());
  // Success with a handle of 0 and an empty list: nothing to end.
  Kernel::ScriptInt("GNSLTB", 0, 2, 0);
  for (int arg : {2, 3, 4}) Kernel::ScriptInt("GUSINF", 0, arg, 0, true);
  Kernel::ClearJournal();
  EXPECT_EQ(Strings{}, Tables(3));
  EXPECT_EQ(0, KAVMfgAPTAndPPTable::GetError());
  EXPECT_EQ(CallLog({"GNSLTB", "GUSINF"}), Kernel::Calls());
}

TEST_F(CatalogTest, GetTablesStopsAtTheFailingCall) { SweepTables(false); }

TEST_F(CatalogTest, GetTablesTraceEndsOnlyWhenEveryCallSucceeded) { SweepTables(true); }

// ---------------------------------------------------- national names

TEST_F(CatalogTest, GetNlsNameTranslatesEachKindFromTheSite) {
  // clang-format off
  using N = KAVMfgBaseNLS;
  const struct { NlsFunction toNls, toStd; std::string std, nls; size_t width; } cases[] = {
      {&N::GetAttNlsName, &N::GetAttStdName, "MFG_FEEDRATE", "Vitesse d'avance", 16},
      {&N::GetBlkNlsName, &N::GetBlkStdName, "TOOL_GEOMETRY", "Geometrie de l'outil", 16},
      {&N::GetClaNlsName, &N::GetClaStdName, "MfgEndMill", "Outil de fraisage", 32},
      {&N::GetValNlsName, &N::GetValStdName, "INWARD SPIRAL", "Spirale vers l'interieur", 32}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.std);
    EXPECT_EQ(c.nls, c.toNls(c.std.c_str()).ToStdString());
    EXPECT_EQ(Padded(c.std, c.width), c.toStd(c.nls.c_str()).ToStdString());
  }
}

// A key is the name stripped, then padded or cut to its kind's width:
// spellings that differ in blanks around it, or past the width, share it
// and cost one kernel call. A failed answer is cached the same way: the
// first spelling, as it was given.
TEST_F(CatalogTest, GetNlsNameAsksTheKernelOncePerKey) {
  // clang-format off
  // known: the kernel has a national name
  const struct { int type; bool known; int code; } cases[] = {{1, true, 0}, {2, true, 0}, {3, true, 0}, {4, true, 0},
                        {1, false, KAVSIM_NO_NLS_NAME}, {3, true, kInjected}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.code));
    const size_t width = c.type <= 2 ? 16 : 32;
    const std::string longName = FreshName("K") + std::string(width, 'X');
    const std::string key = longName.substr(0, width);
    const std::string nls = FreshName("Nom traduit");
    if (c.known) AddName(c.type, key, "  " + nls + "  ");
    if (c.code == kInjected) Kernel::FailCall(Kernel::CallCount() + 1, c.code);
    Kernel::ClearJournal();
    const std::string first = " " + key + " ";
    for (const std::string& spelling : {first, key, longName})
      EXPECT_EQ(c.code == 0 ? nls : first, Nls(c.type, spelling));
    EXPECT_EQ(CallLog({"GNFNL1 " + std::to_string(c.type) + " \"" + key + "\""}, c.code),
              Kernel::Journal());
    EXPECT_EQ(c.code == 0 ? key : Padded(" " + nls, width), Std(c.type, " " + nls));
  }
}

// GNFNL1's length counts the characters of the 80-character field that
// make the name. A length past the field is read as the field, one below
// zero as nothing: 2 billion once had the name padded to that length,
// which no process can allocate.
TEST_F(CatalogTest, GetNlsNameReadsNoMoreThanItsFieldWhateverLengthTheKernelSays) {
  // clang-format off
  const struct { int length; std::string expected; } cases[] = {
      {-5, ""}, {0, ""}, {3, "Nom"}, {5, "Nom t"}, {80, "Nom traduit"}, {1000, "Nom traduit"}, {INT_MAX, "Nom traduit"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string name = FreshName("LENGTH");
    AddName(1, name, "Nom traduit");
    Kernel::ScriptInt("GNFNL1", 0, 4, c.length);
    EXPECT_EQ(c.expected, Nls(1, name));
    Kernel::ClearFaults();
  }
}

// GetStdName never calls the kernel. Blank names and type codes without a
// cache answer what was given, untouched, and reach no cache.
TEST_F(CatalogTest, GetStdNameAnswersFromWhatWasTranslated) {
  const std::string first = FreshName("FIRST"), second = FreshName("SECOND");
  const std::string shared = FreshName("Meme nom");
  const std::string never = FreshName("Jamais traduit");
  const std::string longName = FreshName("L") + std::string(40, 'Y');
  const std::string any = FreshName("  ANY NAME ");
  AddName(4, first, shared);
  AddName(4, second, shared);
  Nls(4, second);
  Nls(4, first);
  Kernel::ClearJournal();
  // clang-format off
  const struct { int type; std::string given, expected; } cases[] = {
      {4, "  " + shared + " ", Padded(second, 32)},  // first translated wins
      {4, " " + never, Padded(" " + never, 32)}, {1, longName, longName.substr(0, 16)},
      {3, shared, Padded(shared, 32)},  // another kind's cache
      {1, "", ""}, {3, "    ", "    "}, {4, " ", " "}, {0, any, any}, {5, any, any}, {-1, any, any}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " '" + c.given + "'");
    EXPECT_EQ(c.expected, Std(c.type, c.given));
    if (c.given == c.expected) {  // outside every cache: GetNlsName too
      EXPECT_EQ(c.given, Nls(c.type, c.given));
    }
  }
  EXPECT_EQ("", Kernel::Journal());
}

// Thousands of names through both indexes, twice: each lookup must find
// the entry cached for it, however far the lists have grown.
TEST_F(CatalogTest, CachesStayExactAsTheyGrow) {
  const std::string prefix = FreshName("G");
  KAV_KERNEL_FN(kavsim_catalog_generate_names)(3, 3000, prefix.c_str());
  char name[64];
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 3000; ++i) {
      std::snprintf(name, sizeof name, "%s%06d", prefix.c_str(), i);
      ASSERT_EQ(std::string("Nom ") + name, Nls(3, name));
      ASSERT_EQ(Padded(name, 32), Std(3, std::string("Nom ") + name));
    }
  }
  EXPECT_EQ(3000, Kernel::CallCount());
}

// Where a cached entry sits depends on what the process cached before:
// "indice : #" stands for the position traced, which must be 1 or more.
std::string WithPosition(Strings iLines, const std::string& iOut) {
  const size_t at = iOut.find("indice : ");
  const int traced = at == std::string::npos ? 0 : std::atoi(&iOut[at + 9]);
  for (std::string& line : iLines)
    if (line == "indice : #" && traced >= 1) line = "indice : " + std::to_string(traced);
  return Lines(iLines);
}

TEST_F(CatalogTest, GetNlsNameTraceShowsEachPath) {
  const std::string cls = FreshName("CLASS"), att = FreshName("ATT");
  const std::string lost = FreshName("LOST");
  AddName(3, cls, "Classe traduite");
  AddName(1, att, "  Attribut traduit  ");
  const std::string noName = std::to_string(KAVSIM_NO_NLS_NAME);
  // clang-format off
  // middle: after "name :"
  const struct { int type; std::string given; Strings middle; std::string result; } cases[] = {
      {3, cls, {"my_name : " + Padded(cls, 32), "indice : 0", "avant gnfnl1", "gnfnl1 (ier): 0",
                "Name : Classe traduite"}, "Classe traduite"},
      {3, " " + cls, {"my_name : " + Padded(cls, 32), "indice : #"}, "Classe traduite"},
      {1, att, {"my_name : " + Padded(att, 16), "indice : 0", "gnfnl1 (ier): 0", "Name : Attribut traduit"},
       "Attribut traduit"},
      {4, lost + " ", {"my_name : " + Padded(lost, 32), "indice : 0", "avant gnfnl1",
                       "gnfnl1 (ier): " + noName}, lost + " "},
      {2, "  ", {}, "  "}, {5, " X ", {"my_name : X", "indice : 0"}, " X "}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    Nls(c.type, c.given);
    const std::string out = Stdout();
    Strings lines = {" ", "KAVMfgBaseNLS::GetNlsName, Start", "type : " + std::to_string(c.type),
                     "name : " + c.given, " "};
    lines.insert(lines.end(), c.middle.begin(), c.middle.end());
    lines.insert(lines.end(), {" ", "Name : " + c.result, "KAVMfgBaseNLS::GetNlsName, End", " "});
    EXPECT_EQ(WithPosition(lines, out), out);
  }
}

}  // namespace
