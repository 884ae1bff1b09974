// KAVMfgBaseGII against the reference kernel's GII session: what reaches
// the kernel (journal, every argument), what lands in the session, how a
// failing call is reported into the session and why that never loops, the
// identifier cache and its index, the ODT, record and batch modes, and what
// any kernel answer leaves the library reading. Traces as whole blocks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "KAVMfgBaseGII.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;
using G = KAVMfgBaseGII;
using Ints = std::vector<int>;

constexpr int kCode = 7777;  // the code every injected failure answers

std::string Value(const char* iName) {
  const char* value = KAV_KERNEL_FN(kavsim_gii_value)(iName);
  return value ? value : "(unknown)";
}
std::string Events() { return KAV_KERNEL_FN(kavsim_gii_events)(); }
int Orders() { return KAV_KERNEL_FN(kavsim_gii_order_count)(); }

// GMIQID asked for iName, as the journal shows it.
std::string Asked(const std::string& iName, int iCode = 0) {
  return "GMIQID " + std::to_string(iName.size()) + " \"" + iName + "\" 0 -> " +
         std::to_string(iCode) + "\n";
}

// What SetGIIError does with code C when nothing else fails and the
// identifier cache is not used: write C into IERZORVEN, record OUTER, order.
std::string Raised(int iCode) {
  return Asked("IERZORVEN") + "GMOKEY 1 1 [2] [" + std::to_string(iCode) +
         "] null [0] null -> 0\n" + Asked("OUTER") +
         Lines({"GMOEVT 2 -> 0", "LBATCH null -> 0", "MRCGII 0 0 -> 0"});
}

// The first iCount lines, each followed by "\n".
std::string Join(const Strings& iLines, size_t iCount) {
  return Lines(Strings(iLines.begin(), iLines.begin() + std::min(iCount, iLines.size())));
}

// GetGIIVariable's outputs, each starting at a value no field gives.
struct FieldRead {
  int type = -1, value = -1;
  double real = -1;
  KAVUnicodeString text{"old"};
  FieldRead& Read(const char* iName, int iField, int iBuffer = 0) {
    G::GetGIIVariable(iName, iField, type, value, real, text, iBuffer);
    return *this;
  }
};

struct Operation {
  const char* name;
  std::function<void(int)> run;  // given the buffer flag
};

// clang-format off
// An operation of KAVMfgBaseGII by its name: called with these arguments,
// then the buffer flag.
#define GII_OPERATION(Name, ...) \
  Operation { #Name, [](int b) { G::Name(__VA_ARGS__, b); } }

// Every operation that stops at its first failure and raises it, on a
// variable of the bundled session that it reads or writes successfully.
const std::vector<Operation>& StoppingOperations() {
  static const std::vector<Operation> operations = {
      GII_OPERATION(SetGIIIntVariable, "NBPASS", 5), GII_OPERATION(SetGIIDoubleVariable, "AVANCE", 1.5),
      GII_OPERATION(SetGIIElemVariable, "OUTIL", 3), GII_OPERATION(SetGIIStringVariable, "TITRE", "x"),
      GII_OPERATION(SetGIITextVariable, "COMMENTAIRE", "x"), GII_OPERATION(SetGIIPromptVariable, "INVITE", "x"),
      GII_OPERATION(GetGIIIntVariable, "NBPASS"), GII_OPERATION(GetGIIDoubleVariable, "AVANCE"),
      GII_OPERATION(GetGIIElemVariable, "OUTIL"), GII_OPERATION(GetGIIStringVariable, "TITRE"),
      GII_OPERATION(GetGIITextVariable, "COMMENTAIRE"), GII_OPERATION(GetGIIPromptVariable, "INVITE"),
      GII_OPERATION(GetGIIIntListVariable, "PASSES"), GII_OPERATION(IsValuatedGIIVariable, "NBPASS"),
      GII_OPERATION(UnsetGIIVariable, "NBPASS"), GII_OPERATION(UnsetGIIListVariable, "PASSES"),
      GII_OPERATION(ResetGIIVarModifState, "NBPASS"), GII_OPERATION(SetGIIEventVariable, "NBPASS"),
      GII_OPERATION(SetGIIEventBisVariable, "NBPASS"),
      GII_OPERATION(SetGIIVariable, "MIXTE", KAVRawCollint(0), KAVRawCollint(0), KAVRawColldouble(0), ListOf({})),
      {"GetGIIVariable", [](int b) { FieldRead().Read("MIXTE", 1, b); }}};
  return operations;
}
// clang-format on

class GiiTest : public KernelTest {
 protected:
  void SetUp() override {
    G::ResetGIIIdList();
    KernelTest::SetUp();
  }
  void TearDown() override { G::ResetGIIIdList(); }
};

using GiiModesDeathTest = GiiTest;

// --- Typed variables: the calls as passed and what the session holds -------

TEST_F(GiiTest, WritersPassTheirValuesInKernelForm) {
  const std::string abc = "abc" + std::string(77, ' ');
  const std::string hundred = std::string(60, 'a') + std::string(40, 'b'),
                    cut = hundred.substr(0, 80);
  // clang-format off
  struct Case { const char* what; std::function<void()> write; std::string call; const char* name; std::string value; };
  const Case cases[] = {
      {"int", [] { G::SetGIIIntVariable(" NBPASS ", 42, 0); }, "GMOKEY 101 1 [2] [42] null [0] null", "NBPASS", "int 42"},
      {"real", [] { G::SetGIIDoubleVariable("AVANCE", 0.5, 0); }, "GMOKEY 102 1 [1] null [0.5] [0] null", "AVANCE", "real 0.5"},
      {"element", [] { G::SetGIIElemVariable("OUTIL", 7, 0); }, "GMOSEL 104 7", "OUTIL", "element 7"},
      {"string stripped", [] { G::SetGIIStringVariable("TITRE", "  Carter B  ", 0); }, "GMOKCH 105 1 8 \"Carter B\"",
       "TITRE", "string \"Carter B\""},
      {"text stripped then padded", [] { G::SetGIITextVariable("COMMENTAIRE", "  abc  ", 0); },
       "GMOKEY 103 1 [4] null null [80] \"" + abc + "\"", "COMMENTAIRE", "text \"abc\""},
      {"text cut at 80", [hundred] { G::SetGIITextVariable("COMMENTAIRE", hundred.c_str(), 0); },
       "GMOKEY 103 1 [4] null null [80] \"" + cut + "\"", "COMMENTAIRE", "text \"" + cut + "\""},
      {"prompt as given", [] { G::SetGIIPromptVariable("INVITE", " Outil ? ", 0); }, "GMOPRO 106 \" Outil ? \" 9",
       "INVITE", "prompt \" Outil ? \""}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    c.write();
    EXPECT_EQ(Asked(c.name) + c.call + " -> 0\n", Kernel::Journal());
    EXPECT_EQ(c.value, Value(c.name));
    EXPECT_EQ(1, KAV_KERNEL_FN(kavsim_gii_modified)(c.name));
  }
}

TEST_F(GiiTest, ReadersConvertWhatTheKernelGives) {
  // clang-format off
  struct Case { const char* what; std::function<std::string()> read; std::string journal; std::string result; };
  const Case cases[] = {
      {"int", [] { return std::to_string(G::GetGIIIntVariable("NBPASS", 0)); }, "GMIKEY 101 1 0 0 0 0 null", "3"},
      {"real", [] { return std::to_string(G::GetGIIDoubleVariable("AVANCE", 0)); }, "GMIKEY 102 1 0 0 0 0 null", "0.250000"},
      {"element", [] { return std::to_string(G::GetGIIElemVariable("OUTIL", 0)); }, "GMISEL 104 0 0", "12"},
      {"text stripped", [] { return G::GetGIITextVariable("COMMENTAIRE", 0).ToStdString(); },
       "GMIKEY 103 1 3 0 0 80 buffer", "Ebauche de la poche"},
      {"string", [] { return G::GetGIIStringVariable("TITRE", 0).ToStdString(); }, "GMIKCH 105 1 0 buffer", "Usinage du carter"},
      {"prompt keeps its blanks", [] { return G::GetGIIPromptVariable("INVITE", 0).ToStdString(); },
       "GMIPRO 106 buffer 0", "  Choisir l'outil : "},
      {"valued", [] { return std::to_string(G::IsValuatedGIIVariable("NBPASS", 0)); }, "GMIQVA 101 0", "1"},
      {"not valued", [] { return std::to_string(G::IsValuatedGIIVariable("VIDE", 0)); }, "GMIQVA 109 0", "0"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    const std::string result = c.read();
    const Strings journal = SplitLines(Kernel::Journal());
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ(c.journal + " -> 0", journal[1]);
    EXPECT_EQ(c.result, result);
  }
}

// Only the integers of a list, in order; each value made current first.
TEST_F(GiiTest, IntListReadsEveryValueAndKeepsTheIntegers) {
  EXPECT_EQ("1 3 5", Streamed(G::GetGIIIntListVariable("PASSES", 0)));
  std::string expected = "GMIQID 6 \"PASSES\" 0 -> 0\nGMIPTR 107 0 0 -> 0\n";
  for (int i = 1; i <= 5; ++i)
    expected += "GMOPTR 107 " + std::to_string(i) + " -> 0\nGMIKEY 107 1 0 0 0 0 null -> 0\n";
  EXPECT_EQ(expected, Kernel::Journal());
  EXPECT_EQ("", Streamed(G::GetGIIIntListVariable("REPERES", 0)));
}

// GMORAZ only for a valued variable; nothing raised for one without value.
TEST_F(GiiTest, UnsetErasesOnlyAValue) {
  G::UnsetGIIVariable("VIDE", 0);
  EXPECT_EQ("GMIQID 4 \"VIDE\" 0 -> 0\nGMIQVA 109 0 -> 0\n", Kernel::Journal());
  Kernel::ClearJournal();
  G::UnsetGIIVariable("NBPASS", 0);
  G::UnsetGIIListVariable("PASSES", 0);
  // clang-format off
  EXPECT_EQ(Lines({"GMIQID 6 \"NBPASS\" 0 -> 0", "GMIQVA 101 0 -> 0", "GMORAZ 101 -> 0", "GMIQID 6 \"PASSES\" 0 -> 0",
                   "GMIQVA 107 0 -> 0", "GMORAL 107 -> 0"}), Kernel::Journal());
  // clang-format on
  EXPECT_EQ(0, KAV_KERNEL_FN(kavsim_gii_valued)("NBPASS"));
  EXPECT_EQ("list of 0", Value("PASSES"));
}

TEST_F(GiiTest, SessionControlReachesTheSession) {
  G::ResetGIIVarModifState("NBPASS", 0);
  G::SetGIIEventBisVariable("AVANCE", 0);
  G::SetGIIEventVariable("NBPASS", 0);
  // clang-format off
  EXPECT_EQ(Lines({"GMIQID 6 \"NBPASS\" 0 -> 0", "GMOMDR 101 -> 0", "GMIQID 6 \"AVANCE\" 0 -> 0", "GMOEVT 102 -> 0",
                   "GMIQID 6 \"NBPASS\" 0 -> 0", "GMOEVT 101 -> 0", "LBATCH null -> 0", "MRCGII 0 0 -> 0"}),
            Kernel::Journal());
  // clang-format on
  EXPECT_EQ("AVANCE\nNBPASS\n", Events());
  EXPECT_EQ(1, Orders());
  // In batch the order is not given.
  KAV_KERNEL_FN(kavsim_gii_set_batch)(1);
  Kernel::ClearJournal();
  G::SetGIIOrder();
  EXPECT_EQ("LBATCH null -> 1\n", Kernel::Journal());
  EXPECT_EQ(1, Orders());
}

// --- Generic access ---------------------------------------------------------

TEST_F(GiiTest, SetGIIVariablePassesOneTypeCodePerField) {
  const KAVRawCollint ints = IntsOf({7, 8}), fewTypes = IntsOf({2});
  const KAVRawColldouble reals = DoublesOf({1.5});
  // The last three are surplus, never passed.
  const KAVRawCollint manyTypes = IntsOf({2, 2, 1, 3, 3, 3, 9, 9, 9});
  // clang-format off
  struct Case { const char* what; const KAVRawCollint& types; Strings texts; std::string call; int code; const char* value; };
  const Case cases[] = {
      {"surplus type codes are not passed", manyTypes, {"a", "b", "c"},
       "GMOKEY 108 6 [2,2,1,3,3,3] [7,8,0,0,0,0] [1.5,0,0,0,0,0] [0,0,0,0,0,0] null", 0,
       "int 7, int 8, real 1.5, char \"\", char \"\", char \"\""},
      {"a field without type code goes as 0", fewTypes, {},
       "GMOKEY 108 3 [2,0,0] [7,8,0] [1.5,0,0] [0,0,0] null", 9064, "int 7, real 1.5, char \"abc\""}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    G::SetGIIVariable("MIXTE", c.types, ints, reals, ListOf(c.texts), 0);
    const std::string raised = c.code ? Raised(c.code) : "";
    EXPECT_EQ(Asked("MIXTE") + c.call + " -> " + std::to_string(c.code) + "\n" + raised,
              Kernel::Journal());
    EXPECT_EQ(c.value, Value("MIXTE"));
  }
  // Nothing at all still writes, with nfield 0.
  Kernel::Reset();
  G::SetGIIVariable("VIDE", KAVRawCollint(0), KAVRawCollint(0), KAVRawColldouble(0), ListOf({}), 0);
  EXPECT_EQ("GMIQID 4 \"VIDE\" 0 -> 0\nGMOKEY 109 0 [] [] [] [] null -> 0\n", Kernel::Journal());
}

TEST_F(GiiTest, GetGIIVariableFillsTheOutputsOfTheFieldsType) {
  // clang-format off
  const struct { int field; int type; int value; double real; const char* text; } cases[] = {
      {1, 2, 7, 0.0, ""}, {2, 1, 0, 1.5, ""}, {3, 3, 0, 0.0, "abc"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    const FieldRead read = FieldRead().Read(" MIXTE ", c.field);
    EXPECT_EQ(std::make_tuple(c.type, c.value, c.real),
              std::make_tuple(read.type, read.value, read.real));
    EXPECT_EQ(KAVUnicodeString(c.text), read.text);
  }
  EXPECT_EQ("GMIKEY 108 3 0 0 0 0 buffer -> 0", SplitLines(Kernel::Journal()).back());
  // An unknown name leaves the outputs as they were.
  const FieldRead unknown = FieldRead().Read("NOWHERE", 1);
  EXPECT_EQ(-3, unknown.type + unknown.value + unknown.real);
  EXPECT_EQ(KAVUnicodeString("old"), unknown.text);
}

// --- The identifier cache ----------------------------------------------------

TEST_F(GiiTest, IdentifierComesFromTheCacheOnlyWithBufferFlagOne) {
  const std::string ask = Asked("NBPASS");
  EXPECT_EQ(101, G::GetGIIId("NBPASS", 1));  // no cache yet
  EXPECT_EQ(ask, Kernel::Journal());
  G::SetGIIIdList(ListOf({" NBPASS "}));
  EXPECT_EQ(ask + ask + Asked("IERZORVEN") + Asked("OUTER"), Kernel::Journal());
  // clang-format off
  struct Case { const char* name; int buffer; int id; std::string journal; int cached; };
  const Case cases[] = {
      {"  NBPASS  ", 1, 101, "", 1}, {"OUTER", 1, 2, "", 1}, {"NBPASS", 0, 101, ask, 1}, {"NBPASS", 2, 101, ask, 1},
      {"AVANCE", 1, 102, Asked("AVANCE"), 0}};  // asked, never added
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kernel::ClearJournal();
    EXPECT_EQ(c.id, G::GetGIIId(c.name, c.buffer));
    EXPECT_EQ(c.journal, Kernel::Journal());
    EXPECT_EQ(c.cached, G::IsExistingGIIVariable(c.name, 1));
  }
  G::ResetGIIIdList();
  Kernel::ClearJournal();
  EXPECT_EQ(101, G::GetGIIId("NBPASS", 1));
  EXPECT_EQ(ask, Kernel::Journal());
  EXPECT_EQ(0, G::IsExistingGIIVariable("NBPASS", 1));
}

// A name given twice is cached twice and the first wins; a cached 0 is no
// answer; a second list replaces the first, and the index follows.
TEST_F(GiiTest, CacheKeepsTheFirstOfANameAndFollowsEveryChange) {
  Kernel::ScriptInt("GMIQID", 1, 3, 0);    // NBPASS cached as 0
  Kernel::ScriptInt("GMIQID", 2, 3, 555);  // AVANCE first as 555
  G::SetGIIIdList(ListOf({"NBPASS", "AVANCE", "AVANCE", "OUTER"}));
  EXPECT_EQ(
      Asked("NBPASS") + Asked("AVANCE") + Asked("AVANCE") + Asked("OUTER") + Asked("IERZORVEN"),
      Kernel::Journal());
  Kernel::ClearJournal();
  EXPECT_EQ((Ints{555, 101}), (Ints{G::GetGIIId("AVANCE", 1), G::GetGIIId("NBPASS", 1)}));
  EXPECT_EQ(Asked("NBPASS"), Kernel::Journal());
  G::SetGIIIdList(ListOf({"TITRE"}));
  EXPECT_EQ((Ints{0, 1, 1}),
            (Ints{G::IsExistingGIIVariable("AVANCE", 1), G::IsExistingGIIVariable("TITRE", 1),
                  G::IsExistingGIIVariable("IERZORVEN", 1)}));
  Kernel::ClearJournal();
  // Each name of the second list with its own identifier, from the cache.
  EXPECT_EQ((Ints{105, 1, 2}),
            (Ints{G::GetGIIId("TITRE", 1), G::GetGIIId("IERZORVEN", 1), G::GetGIIId("OUTER", 1)}));
  EXPECT_EQ("", Kernel::Journal());
  EXPECT_EQ(102, G::GetGIIId("AVANCE", 1));
  EXPECT_EQ(Asked("AVANCE"), Kernel::Journal());
}

// The '#' block is printed whatever the switch says; the loop goes on.
TEST_F(GiiTest, SetGIIIdListReportsARefusedNameAndGoesOn) {
  G::SetGIIIdList(ListOf({"NOWHERE", "NBPASS"}));
  const std::string refused = Asked("NOWHERE", 9060) + "GUERJO -> 0\n" + Asked("NBPASS");
  EXPECT_EQ(refused + Asked("IERZORVEN") + Asked("OUTER"), Kernel::Journal());
  EXPECT_EQ(Lines({"", std::string(34, '#'), " Variable NOWHERE", " GMIQID IER 9060",
                   std::string(34, '#'), ""}),
            Stdout());
  EXPECT_EQ("", std::string(KAV_KERNEL_FN(kavsim_gii_error_journal)()));
  Kernel::ClearJournal();
  EXPECT_EQ((Ints{0, 0, 1}),
            (Ints{G::IsExistingGIIVariable("NOWHERE", 1), G::IsExistingGIIVariable("NOWHERE", 0),
                  G::IsExistingGIIVariable(" NBPASS", 0)}));
  EXPECT_EQ(refused, Kernel::Journal());
  EXPECT_EQ("", Stdout());
}

// --- Failures into the session ----------------------------------------------

// A reader meeting a kernel error: the code lands in IERZORVEN, OUTER is
// recorded and the session gets its order.
TEST_F(GiiTest, AFailingCallArrivesInTheSession) {
  EXPECT_EQ(0, G::GetGIIIntVariable("VIDE", 0));
  EXPECT_EQ(Asked("VIDE") + "GMIKEY 109 1 0 0 0 0 null -> 9062\n" + Raised(9062),
            Kernel::Journal());
  EXPECT_EQ("int 9062", Value("IERZORVEN"));
  EXPECT_EQ("OUTER\n", Events());
  EXPECT_EQ(1, Orders());
  // With the cache, the error path uses it too.
  G::SetGIIIdList(ListOf({}));
  Kernel::Reset();
  G::GetGIIIntVariable("VIDE", 1);
  // clang-format off
  EXPECT_EQ(Lines({"GMIQID 4 \"VIDE\" 0 -> 0", "GMIKEY 109 1 0 0 0 0 null -> 9062", "GMOKEY 1 1 [2] [9062] null [0] null -> 0",
                   "GMOEVT 2 -> 0", "LBATCH null -> 0", "MRCGII 0 0 -> 0"}), Kernel::Journal());
  // clang-format on
}

// A session file that could not be loaded leaves only the two variables
// errors are raised through: every operation on any other variable raises
// the file's site code into the session, as a failing call does, and
// nothing reads as a success.
TEST_F(GiiTest, ADamagedSessionFileRaisesItsCodeFromEveryOperation) {
  namespace fs = std::filesystem;
  struct Restore {
    std::string site = KAV_KERNEL_FN(kavsim_site)();
    ~Restore() { KAV_KERNEL_FN(kavsim_set_site)(site.c_str()); }
  } restore;
  // clang-format off
  const auto write = [](std::string iText) { return [iText](const std::string& iPath) { std::ofstream(iPath) << iText; }; };
  const struct { const char* what; std::function<void(const std::string&)> make; int code; } cases[] = {
      {"truncated", write(R"({"variables": [{"name": "NBPASS", "fields": [{"int": 3)"), 9071},
      {"nested too deep", write(R"({"variables": )" + std::string(100, '[') + std::string(100, ']') + "}"), 9072},
      {"a value of the wrong type", write(R"({"variables": [{"name": 101}]})"), 9073},
      {"a directory", [](const std::string& p) { fs::create_directory(p); }, 9070},
      {"a pipe", [](const std::string& p) { mkfifo(p.c_str(), 0600); }, 9070},
      {"unreadable", [&](const std::string& p) { write("{}")(p); chmod(p.c_str(), 0); }, 9070}};
  // clang-format on
  for (const auto& c : cases) {
    if (std::string(c.what) == "unreadable" && geteuid() == 0) continue;  // root reads it all
    TempDir site;
    fs::create_directories(site.Path() + "/gii");
    c.make(site.Path() + "/gii/session.json");
    KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
    for (const Operation& operation : StoppingOperations()) {
      SCOPED_TRACE(std::string(c.what) + ": " + operation.name);
      Kernel::Reset();
      operation.run(0);
      EXPECT_EQ("int " + std::to_string(c.code), Value("IERZORVEN"));
      EXPECT_EQ("OUTER\n", Events());
      EXPECT_EQ(2, KAV_KERNEL_FN(kavsim_gii_variable_count)());
    }
  }
}

// Every call site fails once, in turn: the calls before it are unchanged,
// the failing one is the last of the operation, and the code is raised.
TEST_F(GiiTest, EveryFailingCallIsRaisedAndEndsTheOperation) {
  for (const Operation& operation : StoppingOperations()) {
    Kernel::Reset();
    operation.run(0);
    const Strings clean = SplitLines(Kernel::Journal());
    for (size_t n = 1; n <= clean.size(); ++n) {
      SCOPED_TRACE(std::string(operation.name) + " call " + std::to_string(n));
      Kernel::Reset();
      Kernel::FailCall(static_cast<long>(n), kCode);
      operation.run(0);
      const std::string& line = clean[n - 1];
      if (line.rfind("LBATCH", 0) == 0 || line.rfind("MRCGII", 0) == 0) {
        EXPECT_EQ(Lines(clean), Kernel::Journal());  // no ier
        continue;
      }
      const std::string failed = line.substr(0, line.rfind("-> ")) + "-> 7777\n";
      EXPECT_EQ(Join(clean, n - 1) + failed + Raised(kCode), Kernel::Journal());
    }
  }
}

// The exemptions that keep SetGIIError from calling itself, each where it
// belongs: a failure on IERZORVEN or OUTER is passed over.
TEST_F(GiiTest, FailuresOnTheErrorVariablesAreNotRaised) {
  const Strings clean = SplitLines(Raised(5));
  const std::string rest = Join({clean.begin() + 2, clean.end()}, 4), error = Asked("IERZORVEN");
  const auto raise = [] { G::SetGIIError(5, 0); };
  // clang-format off
  struct Case { const char* what; long failing; std::function<void()> run; std::string journal; };
  const Case cases[] = {
      {"IERZORVEN unknown", 1, raise, Asked("IERZORVEN", kCode) + rest},
      {"IERZORVEN not written", 2, raise, Join(clean, 1) + "GMOKEY 1 1 [2] [5] null [0] null -> 7777\n" + rest},
      {"OUTER unknown", 3, raise, Join(clean, 2) + Asked("OUTER", kCode)},
      {"OUTER not recorded: still ordered", 4, raise, Join(clean, 3) + "GMOEVT 2 -> 7777\nLBATCH null -> 0\nMRCGII 0 0 -> 0\n"},
      {"real writer", 2, [] { G::SetGIIDoubleVariable("IERZORVEN", 1, 0); }, error + "GMOKEY 1 1 [1] null [1] [0] null -> 7777\n"},
      {"text writer", 2, [] { G::SetGIITextVariable("IERZORVEN", "", 0); },
       error + "GMOKEY 1 1 [4] null null [80] \"" + std::string(80, ' ') + "\" -> 7777\n"},
      {"element writer is not exempt", 2, [] { G::SetGIIElemVariable("IERZORVEN", 1, 0); },
       error + "GMOSEL 1 1 -> 7777\n" + Raised(kCode)},
      {"event recorder only for OUTER", 2, [] { G::SetGIIEventBisVariable("IERZORVEN", 0); },
       error + "GMOEVT 1 -> 7777\n" + Raised(kCode)}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    Kernel::FailCall(c.failing, kCode);
    c.run();
    EXPECT_EQ(c.journal, Kernel::Journal());
  }
  // The text reader still returns what the kernel left for IERZORVEN.
  Kernel::Reset();
  Kernel::FailRoutine("GMIKEY", 1, kCode);
  Kernel::ScriptText("GMIKEY", 1, 7, "  boom  ");
  EXPECT_EQ(KAVUnicodeString("boom"), G::GetGIITextVariable("IERZORVEN", 0));
  EXPECT_EQ(2u, SplitLines(Kernel::Journal()).size());
}

// With every call failing from any point on, every operation ends, and
// raising writes IERZORVEN at most once: no failure recurses.
TEST_F(GiiTest, NoFailureRecurses) {
  const Strings cached = {"NBPASS",      "AVANCE", "OUTIL",  "TITRE",
                          "COMMENTAIRE", "INVITE", "PASSES", "MIXTE"};
  for (int buffer : {0, 1}) {
    for (const Operation& operation : StoppingOperations()) {
      for (long from = 1; from <= 12; ++from) {
        SCOPED_TRACE(std::string(operation.name) + " buffer " + std::to_string(buffer) + " from " +
                     std::to_string(from));
        Kernel::Reset();
        if (buffer) G::SetGIIIdList(ListOf(cached));
        Kernel::ClearJournal();
        Kernel::FailFrom(Kernel::CallCount() + from, kCode);
        operation.run(buffer);
        const Strings journal = SplitLines(Kernel::Journal());
        const auto writing = [](const std::string& iLine) {
          return iLine.rfind("GMOKEY 1 ", 0) == 0;
        };
        EXPECT_LE(std::count_if(journal.begin(), journal.end(), writing), 1);
        EXPECT_LE(journal.size(), 16u);
      }
    }
  }
}

// --- Whatever a kernel answers ----------------------------------------------

// The kernel is scripted to claim longer texts than it wrote on purpose;
// what it writes stays inside the 80 characters of the field.
TEST_F(GiiTest, ReturnedLengthsNeverReadOutsideTheBuffer) {
  const std::string full(80, 'x');
  const auto string = [] { return G::GetGIIStringVariable("TITRE", 0).ToStdString(); };
  const auto prompt = [] { return G::GetGIIPromptVariable("INVITE", 0).ToStdString(); };
  const auto field = [] { return FieldRead().Read("MIXTE", 3).text.ToStdString(); };
  // clang-format off
  struct Case { const char* routine; int textArg, lengthArg, length; std::function<std::string()> read; std::string result; };
  const Case cases[] = {
      {"GMIKCH", 4, 3, 1000, string, full},    {"GMIKCH", 4, 3, -5, string, ""},
      {"GMIPRO", 2, 3, INT_MAX, prompt, full}, {"GMIPRO", 2, 3, INT_MIN, prompt, ""},
      {"GMIKEY", 7, 6, 5000, field, full},     {"GMIKEY", 7, 6, -1, field, ""}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.routine) + " " + std::to_string(c.length));
    Kernel::Reset();
    Kernel::ScriptText(c.routine, 1, c.textArg, full + full);  // no terminator
    Kernel::ScriptInt(c.routine, 1, c.lengthArg, c.length, kOnPurpose);
    EXPECT_EQ(c.result, c.read());
  }
}

// An identifier of 0 with success, a negative or huge count: the library
// stops or skips, and never steps outside what the kernel holds.
TEST_F(GiiTest, OddKernelAnswersAreSurvived) {
  Kernel::ScriptInt("GMIQID", 1, 3, 0);
  G::SetGIIIntVariable("NBPASS", 1, 0);
  EXPECT_EQ(Asked("NBPASS"), Kernel::Journal());

  Kernel::Reset();
  Kernel::ScriptInt("GMIPTR", 1, 3, -4);
  EXPECT_EQ("", Streamed(G::GetGIIIntListVariable("PASSES", 0)));
  EXPECT_EQ(2u, SplitLines(Kernel::Journal()).size());

  Kernel::Reset();
  Kernel::ScriptInt("GMIPTR", 1, 3, INT_MAX);
  EXPECT_EQ("1 3 5", Streamed(G::GetGIIIntListVariable("PASSES", 0)));
  EXPECT_EQ("GMOPTR 107 6 -> 9066", SplitLines(Kernel::Journal())[12]);
  EXPECT_EQ("int 9066", Value("IERZORVEN"));

  Kernel::Reset();
  Kernel::ScriptInt("GMISEL", 1, 2, 44);
  Kernel::FailRoutine("GMISEL", 1, kCode);
  EXPECT_EQ(44, G::GetGIIElemVariable("OUTIL", 0));  // kept after a failure

  // A value beside another type's code is not read.
  Kernel::Reset();
  Kernel::ScriptInt("GMIKEY", 1, 4, 9);
  Kernel::ScriptDouble("GMIKEY", 2, 5, 9.5);
  EXPECT_EQ(0, G::GetGIIIntVariable("AVANCE", 0));
  EXPECT_EQ(0.0, G::GetGIIDoubleVariable("NBPASS", 0));
}

// --- Modes read once per process --------------------------------------------

// Runs iScenario in a fresh process (the switches are read once per
// process) with iVariable set, and expects it to print iExpected: what the
// scenario printed, its results and the journal of what it did.
void ExpectInFreshProcess(const char* iVariable, const char* iValue,
                          const std::function<std::string()>& iScenario,
                          const std::string& iExpected) {
  ExpectFresh({{iVariable, iValue}}, iExpected, [&] {
    Kernel::Reset();
    const std::string results = iScenario();
    return "results: " + results + "\n" + Kernel::Journal();
  });
}

TEST_F(GiiModesDeathTest, OdtTurnsEveryOperationIntoANoOp) {
  ExpectInFreshProcess(
      "MFGODT", "OUI",
      [] {
        for (const Operation& operation : StoppingOperations()) operation.run(0);
        G::SetGIIError(5, 0);
        G::SetGIIOrder();
        const FieldRead read = FieldRead().Read("MIXTE", 1);
        return std::to_string(G::GetGIIIntVariable("NBPASS", 0)) + " " +
               G::GetGIIPromptVariable("INVITE", 0).ToStdString() + "|" +
               std::to_string(G::IsExistingGIIVariable("NBPASS", 0)) + " " +
               Streamed(G::GetGIIIntListVariable("PASSES", 0)) + "|" + std::to_string(read.type) +
               std::to_string(read.value) + read.text.ToStdString();
      },
      "results: 0 |0 |-1-1old\n");
}

TEST_F(GiiModesDeathTest, RecordModeOrdersOncePerRecordedEvent) {
  // A box of 37 columns, each line framed by " #" and "# ".
  Strings box = {" " + std::string(35, '#') + " "};
  // clang-format off
  for (const char* line : {"", "ATTENTION", "=========", "", " SetGIIOrder Demande et aucun", " SetGIIEvent(Bis)Variable",
                           " enregistre !", "", " On ne fait pas mrcgii car ca", " va planter MAGISTRALEMENT", "", "",
                           "   VERIFIER LA VALIDITE", "   DE LA REQUETE  (VISU ?)", ""})
    box.push_back(" #" + Padded(std::string(" ") + line, 33) + "# ");
  // clang-format on
  box.push_back(box.front());
  ExpectInFreshProcess(
      "GIIBatchRecordV5", "OUI",
      [] {
        G::SetGIIOrder();
        G::SetGIIEventBisVariable("NBPASS", 0);
        G::SetGIIOrder();
        G::SetGIIOrder();
        G::SetGIIEventVariable("AVANCE", 0);
        return std::to_string(Orders());
      },
      Lines(box) + Lines(box) + "results: 2\n" +
          Lines({"GMIQID 6 \"NBPASS\" 0 -> 0", "GMOEVT 101 -> 0", "MRCGII 0 0 -> 0",
                 "GMIQID 6 \"AVANCE\" 0 -> 0", "GMOEVT 102 -> 0", "MRCGII 0 0 -> 0"}));
}

// Batch is the kernel's answer, asked at every order; the site sets it.
TEST_F(GiiModesDeathTest, BatchFromTheSiteKeepsTheOrderBack) {
  TempDir site;
  site.Write("gii/session.json", R"({"batch": 1, "variables": [{"name": "OUTER", "id": 2}]})");
  ExpectInFreshProcess(
      "KAVTEST_UNUSED", "",
      [&site] {
        KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
        Kernel::Reset();
        G::SetGIIEventVariable("OUTER", 0);
        const int orders = Orders();
        std::filesystem::remove_all(site.Path());  // this process ends without unwinding
        return std::to_string(orders);
      },
      "results: 0\nGMIQID 5 \"OUTER\" 0 -> 0\nGMOEVT 2 -> 0\nLBATCH null -> 1\n");
}

// --- Traces -----------------------------------------------------------------

// clang-format off
Strings Banner(int iDashes, const std::string& iTitle, const Strings& iValues = {}) {
  return Concat({{kBlank, Dashes(iDashes), iTitle}, iValues, {Dashes(iDashes), kBlank}});
}

// GetGIIId asking the kernel (or the cache when iCached).
Strings IdTrace(const std::string& iName, int iId, bool iCached = false) {
  const std::string id = std::to_string(iId);
  const Strings asked = {"varnam, lg : " + iName + " " + std::to_string(iName.size()), "gmiqid, ier, jeton : 0 " + id};
  return Concat({Banner(38, "GetGIIId, start"), iCached ? Strings{"J'utilise le buffer", "Victoire"} : asked,
                 Banner(38, "GetGIIId, end ID = " + id)});
}

TEST_F(GiiTest, TraceOfARaisedErrorNestsEveryOperation) {
  G::GetGIIIntVariable("VIDE", 0);
  EXPECT_EQ(Block({
      Banner(38, "GetGIIIntVariable, start", {"variable : VIDE"}), IdTrace("VIDE", 109), {"ier gmikey : 9062"},
      Banner(38, "SetGIIError, start", {"ier : 9062"}),
      Banner(38, "SetGIIIntVariable, start", {"variable : IERZORVEN", "value    : 9062"}), IdTrace("IERZORVEN", 1),
      {"ier gmokey : 0"}, Banner(22, "SetGIIIntVariable, end"),
      Banner(38, "SetGIIEventVariable, start", {"variable : OUTER"}), IdTrace("OUTER", 2), {"gmoevt, ier : 0"},
      Banner(18, "SetGIIOrder, start"), Banner(16, "SetGIIOrder, end"), Banner(38, "SetGIIEventVariable, end"),
      Banner(38, "SetGIIError, end")}),
      Stdout());
}

TEST_F(GiiTest, TraceOfTheCacheAndItsLookups) {
  G::SetGIIIdList(ListOf({"NBPASS"}));
  G::GetGIIId(" NBPASS", 1);
  G::IsExistingGIIVariable("AVANCE", 1);
  G::ResetGIIIdList();
  EXPECT_EQ(Block({
      Banner(38, "SetGIIIdList, start"),
      {"NBPASS est memorise : 101", "IERZORVEN est memorise : 1", "OUTER est memorise : 2"},
      Banner(38, "SetGIIIdList, end"), IdTrace("NBPASS", 101, true),
      {"J'utilise le buffer", "", std::string(31, '#'), "# ResetGIIIdList, DONE        #", std::string(31, '#'), ""}}),
      Stdout());
}

TEST_F(GiiTest, TraceOfBorrowedTitlesAndGenericAccess) {
  G::SetGIIElemVariable("OUTIL", 4, 0);
  G::SetGIIEventBisVariable("OUTIL", 0);
  G::ResetGIIVarModifState("OUTIL", 0);
  FieldRead().Read("MIXTE", 3);
  G::SetGIIVariable("MIXTE", IntsOf({2}), IntsOf({9}), KAVRawColldouble(0), ListOf({}), 0);
  const Strings outil = {"variable : OUTIL"};
  EXPECT_EQ(Block({
      Banner(38, "SetGIIIntVariable, start", {"variable : OUTIL", "value    : 4"}), IdTrace("OUTIL", 104),
      {"ier gmosel : 0"}, Banner(22, "SetGIIIntVariable, end"),
      Banner(38, "SetGIIEventVariable, start", outil), IdTrace("OUTIL", 104), {"gmoevt, ier : 0"},
      Banner(38, "SetGIIEventVariable, end"),
      Banner(38, "ResetGIIVarModifState,           start", outil), IdTrace("OUTIL", 104), {"gmomdr, ier : 0"},
      Banner(38, "ResetGIIVarModifState,             end"),
      Banner(21, "GetGIIVariable, start", {"variable : MIXTE", "champs   : 3"}), IdTrace("MIXTE", 108),
      {"ier gmikey : 0", " ", "StrVal : abc"}, Banner(19, "GetGIIVariable, end"),
      Banner(21, "SetGIIVariable, start", {"variable : MIXTE"}), IdTrace("MIXTE", 108),
      {"Nombre de valeurs de type entier = 1", "nfield = 1", "ier gmokey : 0"}, Banner(19, "SetGIIVariable, end")}),
      Stdout());
}
// clang-format on

}  // namespace
