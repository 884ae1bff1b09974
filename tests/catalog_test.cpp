// Catalog lookups against the reference kernel: what reaches the kernel
// (its journal), what comes back, GetError(), what is left open when a call
// fails, and the trace blocks whole.
//
// The national-name caches live for the whole process, so each NLS test
// works on names of its own (FreshName), added to the kernel: no test
// depends on which ran before it.
#include <gtest/gtest.h>

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

using kavtest::Dashes;
using kavtest::Lines;
using kavtest::ReferenceKernel;
using Strings = std::vector<std::string>;
using NlsFunction = KAVUnicodeString (*)(const KAVUnicodeString&);

constexpr int kInjected = 4242;

std::string Padded(std::string iText, size_t iWidth) {
  iText.resize(iWidth, ' ');
  return iText;
}

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

Strings Join(std::initializer_list<Strings> iParts) {
  Strings lines;
  for (const Strings& part : iParts)
    lines.insert(lines.end(), part.begin(), part.end());
  return lines;
}

class CatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReferenceKernel::Reset();
    _cout = std::make_unique<kavtest::CoutCapture>();
  }
  std::string Stdout() { return _cout->Take(); }

  static void AddTable(int iKind, const std::string& iName) {
    ReferenceKernel::Function<int (*)(int, const char*)>(
        "kavsim_catalog_add_table")(iKind, iName.c_str());
  }
  static void AddName(int iType, const std::string& iStd,
                      const std::string& iNls) {
    ReferenceKernel::Function<int (*)(int, const char*, const char*)>(
        "kavsim_catalog_add_name")(iType, iStd.c_str(), iNls.c_str());
  }
  static Strings Tables(int iKind) {
    std::unique_ptr<KAVListValKAVUnicodeString> tables(
        KAVMfgAPTAndPPTable::GetTables(iKind));
    Strings items;
    for (int i = 1; i <= tables->Size(); ++i)
      items.push_back((*tables)[i].ToStdString());
    return items;
  }

 private:
  std::unique_ptr<kavtest::CoutCapture> _cout;
};

// ---------------------------------------------------------------- tables

TEST_F(CatalogTest, GetTablesListsEachKindOfTheSite) {
  struct Case {
    int kind;
    Strings tables;
    int error;
    std::string journal;
  } cases[] = {
      {3,
       {"PPWORD_ISO_STANDARD", "PPWORD_COOLANT", "PPWORD_CANNED_CYCLES",
        "PPWORD_TOOL_CHANGE"},
       0,
       Lines({"GNSLTB 3 0 -> 0", "GUSINF 1 -> 0", "GUSREA 1 1 -> 0",
              "GUSREA 1 2 -> 0", "GUSREA 1 3 -> 0", "GUSREA 1 4 -> 0",
              "GUSEND 1 -> 0"})},
      {4, {}, 0, Lines({"GNSLTB 4 0 -> 0", "GUSINF 1 -> 0", "GUSEND 1 -> 0"})},
      {77, {}, KAVSIM_UNKNOWN_TABLE_KIND, Lines({"GNSLTB 77 0 -> 9020"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ReferenceKernel::Reset();
    EXPECT_EQ(c.tables, Tables(c.kind));
    EXPECT_EQ(c.error, KAVMfgAPTAndPPTable::GetError());
    EXPECT_EQ(c.journal, ReferenceKernel::Journal());
    EXPECT_EQ(0, ReferenceKernel::OpenLists());
  }
  EXPECT_EQ("", Stdout());
}

TEST_F(CatalogTest, GetTablesReturnsBareNamesInTheKernelsOrder) {
  const std::string full(72, 'F');
  for (const std::string& name : {std::string("  PADDED NAME   "), full,
                                  std::string("DUP"), std::string("DUP"),
                                  std::string()})
    AddTable(9, name);
  EXPECT_EQ((Strings{"PADDED NAME", full, "DUP", "DUP", ""}), Tables(9));
}

// Kind 8 with two names: GNSLTB, GUSINF, GUSREA x2, GUSEND. Each call in
// turn fails: the names read before it stay, the code is kept, and the
// list is ended only when every read succeeded.
struct TableFault {
  long call;
  Strings tables;
  int error;
  Strings calls;
  int openLists;
};

std::vector<TableFault> TableFaults() {
  const std::string failed = " -> " + std::to_string(kInjected);
  const Strings ok = {"GNSLTB -> 0", "GUSINF -> 0", "GUSREA -> 0",
                      "GUSREA -> 0", "GUSEND -> 0"};
  std::vector<TableFault> faults;
  const Strings kept[] = {{}, {}, {}, {"FIRST"}, {"FIRST", "SECOND"}};
  for (long n = 1; n <= 5; ++n) {
    Strings calls(ok.begin(), ok.begin() + n);
    calls.back() = calls.back().substr(0, 6) + failed;
    faults.push_back({n, kept[n - 1], kInjected, calls, n == 1 ? 0 : 1});
  }
  faults.push_back({6, {"FIRST", "SECOND"}, 0, ok, 0});
  return faults;
}

TEST_F(CatalogTest, GetTablesStopsAtTheFailingCall) {
  for (bool from : {false, true}) {
    for (const TableFault& f : TableFaults()) {
      SCOPED_TRACE((from ? "from call " : "call ") + std::to_string(f.call));
      ReferenceKernel::Reset();
      AddTable(8, "FIRST");
      AddTable(8, "SECOND");
      if (from) {
        ReferenceKernel::FailFrom(f.call, kInjected);
      } else {
        ReferenceKernel::FailCall(f.call, kInjected);
      }
      EXPECT_EQ(f.tables, Tables(8));
      EXPECT_EQ(f.error, KAVMfgAPTAndPPTable::GetError());
      EXPECT_EQ(Lines(f.calls), ReferenceKernel::Calls());
      EXPECT_EQ(f.openLists, ReferenceKernel::OpenLists());
    }
  }
}

TEST_F(CatalogTest, GetTablesTraceEndsOnlyWhenEveryCallSucceeded) {
  for (const TableFault& f : TableFaults()) {
    SCOPED_TRACE("call " + std::to_string(f.call));
    ReferenceKernel::Reset();
    AddTable(8, "  FIRST ");
    AddTable(8, "SECOND");
    ReferenceKernel::FailCall(f.call, kInjected);
    Strings expected = {" ", Dashes(16), "GetTables, start", Dashes(16),
                        "itype : 8", " ",
                        "ier (gnsltb) : " +
                            std::to_string(f.call == 1 ? kInjected : 0)};
    for (const std::string& name : f.tables)
      expected.push_back("Table Name : " + name);
    if (f.error == 0)
      expected = Join({expected, {" ", Dashes(15), "GetTables, end ",
                                  Dashes(15), " "}});
    delete KAVMfgAPTAndPPTable::GetTables(8);
    EXPECT_EQ(Lines(expected), Stdout());
  }
}

// ---------------------------------------------------- national names

TEST_F(CatalogTest, GetNlsNameTranslatesEachKindFromTheSite) {
  struct Case {
    int type;
    NlsFunction toNls, toStd;
    std::string std, nls;
    size_t width;
  } cases[] = {
      {1, &KAVMfgBaseNLS::GetAttNlsName, &KAVMfgBaseNLS::GetAttStdName,
       "MFG_FEEDRATE", "Vitesse d'avance", 16},
      {2, &KAVMfgBaseNLS::GetBlkNlsName, &KAVMfgBaseNLS::GetBlkStdName,
       "TOOL_GEOMETRY", "Geometrie de l'outil", 16},
      {3, &KAVMfgBaseNLS::GetClaNlsName, &KAVMfgBaseNLS::GetClaStdName,
       "MfgEndMill", "Outil de fraisage", 32},
      {4, &KAVMfgBaseNLS::GetValNlsName, &KAVMfgBaseNLS::GetValStdName,
       "INWARD SPIRAL", "Spirale vers l'interieur", 32},
  };
  // The site's names reach the kernel the first time this process asks
  // for them only (a repeated run finds them cached).
  static bool firstRun = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.std);
    ReferenceKernel::ClearJournal();
    EXPECT_EQ(c.nls, c.toNls(c.std.c_str()).ToStdString());
    EXPECT_EQ(Padded(c.std, c.width), c.toStd(c.nls.c_str()).ToStdString());
    EXPECT_EQ(firstRun ? Lines({"GNFNL1 " + std::to_string(c.type) + " \"" +
                                Padded(c.std, c.width) + "\" -> 0"})
                       : "",
              ReferenceKernel::Journal());
  }
  firstRun = false;
}

// A key is the name stripped, then padded or cut to its kind's width:
// spellings that differ in blanks around it, or past the width, share it
// and cost one kernel call. A failed answer is cached the same way: the
// first spelling, as it was given.
TEST_F(CatalogTest, GetNlsNameAsksTheKernelOncePerKey) {
  const struct {
    int type;
    bool known;  // the kernel has a national name
    int code;
  } cases[] = {{1, true, 0}, {2, true, 0}, {3, true, 0}, {4, true, 0},
               {1, false, KAVSIM_NO_NLS_NAME}, {3, true, kInjected}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.code));
    const size_t width = c.type <= 2 ? 16 : 32;
    const std::string longName = FreshName("K") + std::string(width, 'X');
    const std::string key = longName.substr(0, width);
    const std::string nls = FreshName("Nom traduit");
    if (c.known) AddName(c.type, key, "  " + nls + "  ");
    if (c.code == kInjected)
      ReferenceKernel::FailCall(ReferenceKernel::CallCount() + 1, c.code);
    ReferenceKernel::ClearJournal();
    const std::string first = " " + key + " ";
    for (const std::string& spelling : {first, key, longName})
      EXPECT_EQ(c.code == 0 ? nls : first, Nls(c.type, spelling));
    EXPECT_EQ(Lines({"GNFNL1 " + std::to_string(c.type) + " \"" + key +
                     "\" -> " + std::to_string(c.code)}),
              ReferenceKernel::Journal());
    if (c.code == 0) {
      EXPECT_EQ(key, Std(c.type, " " + nls));
    }
  }
}

TEST_F(CatalogTest, GetStdNameAnswersFromWhatWasTranslated) {
  const std::string first = FreshName("FIRST"), second = FreshName("SECOND");
  const std::string shared = FreshName("Meme nom");
  const std::string never = FreshName("Jamais traduit");
  const std::string longName = FreshName("L") + std::string(40, 'Y');
  AddName(4, first, shared);
  AddName(4, second, shared);
  Nls(4, second);
  Nls(4, first);
  ReferenceKernel::ClearJournal();
  struct Case {
    int type;
    std::string given, expected;
  } cases[] = {
      {4, "  " + shared + " ", Padded(second, 32)},  // first translated wins
      {4, " " + never, Padded(" " + never, 32)},
      {1, longName, longName.substr(0, 16)},
      {3, shared, Padded(shared, 32)},  // another kind's cache
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Std(c.type, c.given));
  EXPECT_EQ("", ReferenceKernel::Journal());
}

// Blank names and type codes without a cache answer what was given,
// untouched, and reach neither the kernel nor a cache.
TEST_F(CatalogTest, NamesOutsideTheCachesComeBackUnchanged) {
  const std::string name = FreshName("  ANY NAME ");
  const std::pair<int, std::string> cases[] = {
      {1, ""}, {3, "    "}, {4, " "}, {0, name}, {5, name}, {-1, name}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " '" + c.second + "'");
    EXPECT_EQ(c.second, Nls(c.first, c.second));
    EXPECT_EQ(c.second, Std(c.first, c.second));
  }
  EXPECT_EQ("", ReferenceKernel::Journal());
}

// Thousands of names through both indexes, twice: each lookup must find
// the entry cached for it, however far the lists have grown.
TEST_F(CatalogTest, CachesStayExactAsTheyGrow) {
  const std::string prefix = FreshName("G");
  ReferenceKernel::Function<int (*)(int, int, const char*)>(
      "kavsim_catalog_generate_names")(3, 3000, prefix.c_str());
  char name[64];
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 3000; ++i) {
      std::snprintf(name, sizeof name, "%s%06d", prefix.c_str(), i);
      ASSERT_EQ(std::string("Nom ") + name, Nls(3, name));
      ASSERT_EQ(Padded(name, 32), Std(3, std::string("Nom ") + name));
    }
  }
  EXPECT_EQ(3000, ReferenceKernel::CallCount());
}

// Where a cached entry sits depends on what the process cached before:
// "indice : #" stands for the position traced, which must be 1 or more.
std::string WithPosition(Strings iLines, const std::string& iOut) {
  const size_t at = iOut.find("indice : ");
  if (at == std::string::npos) return Lines(iLines);
  const std::string traced = iOut.substr(at, iOut.find('\n', at) - at);
  for (std::string& line : iLines)
    if (line == "indice : #" && std::atoi(traced.c_str() + 9) >= 1)
      line = traced;
  return Lines(iLines);
}

TEST_F(CatalogTest, GetNlsNameTraceShowsEachPath) {
  const std::string cls = FreshName("CLASS"), att = FreshName("ATT");
  const std::string lost = FreshName("LOST");
  AddName(3, cls, "Classe traduite");
  AddName(1, att, "  Attribut traduit  ");
  const auto start = [](int iType, const std::string& iName) {
    return Strings{" ", "KAVMfgBaseNLS::GetNlsName, Start",
                   "type : " + std::to_string(iType), "name : " + iName, " "};
  };
  const auto end = [](const std::string& iResult) {
    return Strings{" ", "Name : " + iResult, "KAVMfgBaseNLS::GetNlsName, End",
                   " "};
  };
  struct Case {
    int type;
    std::string given;
    Strings lines;
  } cases[] = {
      {3, cls,
       Join({start(3, cls),
             {"my_name : " + Padded(cls, 32), "indice : 0", "avant gnfnl1",
              "gnfnl1 (ier): 0", "Name : Classe traduite"},
             end("Classe traduite")})},
      {3, " " + cls,
       Join({start(3, " " + cls), {"my_name : " + Padded(cls, 32), "indice : #"},
             end("Classe traduite")})},
      {1, att,
       Join({start(1, att),
             {"my_name : " + Padded(att, 16), "indice : 0", "gnfnl1 (ier): 0",
              "Name : Attribut traduit"},
             end("Attribut traduit")})},
      {4, lost + " ",
       Join({start(4, lost + " "),
             {"my_name : " + Padded(lost, 32), "indice : 0", "avant gnfnl1",
              "gnfnl1 (ier): " + std::to_string(KAVSIM_NO_NLS_NAME)},
             end(lost + " ")})},
      {2, "  ", Join({start(2, "  "), end("  ")})},
      {5, " X ",
       Join({start(5, " X "), {"my_name : X", "indice : 0"}, end(" X ")})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    Nls(c.type, c.given);
    const std::string out = Stdout();
    EXPECT_EQ(WithPosition(c.lines, out), out);
  }
}

}  // namespace
