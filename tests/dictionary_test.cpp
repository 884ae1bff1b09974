// KAVMfgDictionary against the reference kernel: what reaches the kernel
// (journal), what comes back into the caller's collections, GetError(),
// which lists stay open when a call fails, and the traces as whole blocks.
// Every test works on a private copy of the bundled site.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KAVMfgDictionary.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;
using D = KAVMfgDictionary;
using Ints = std::vector<int>;

// Every collection a query can fill, so that a call takes one line.
struct Out {
  KAVListValKAVUnicodeString names, blocks, texts;
  KAVRawCollint ints, statuses;
  KAVRawColldouble doubles;
  int mode = 0, f[11] = {};
  void Attributes(const char* iClass) {
    D::GetAttributes(iClass, mode, names, ints, blocks, statuses);
  }
  void Values(const char* iClass, const char* iAttribute) {
    D::GetAttributeValues(iClass, iAttribute, ints, doubles, texts);
  }
  void Facets(const char* iAttribute) {
    D::GetAttributeFacets(iAttribute, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9],
                          f[10], ints, doubles, texts);
  }
  int Appended() const {
    return names.Size() + blocks.Size() + texts.Size() + ints.Size() + statuses.Size() +
           doubles.Size();
  }
};

class DictionaryTest : public KernelTest {
 protected:
  void SetUp() override {
    // The site the kernel started with, before any test pointed it here.
    static const std::string bundled = KAV_KERNEL_FN(kavsim_site)();
    std::filesystem::copy(bundled, _site.Path(), std::filesystem::copy_options::recursive);
    KAV_KERNEL_FN(kavsim_set_site)(_site.Path().c_str());
    KernelTest::SetUp();
  }

  // Loads iMember (completed) and starts the journal and the output afresh.
  void Start(const char* iMember) {
    D::Load(iMember, 1);
    ASSERT_EQ(0, D::GetError());
    Kernel::ClearJournal();
    Stdout();
  }

  TempDir _site;
};

// --- Loading and state ------------------------------------------------------

// The model comes from the name exactly as given, the member is its first 8
// characters, and a failed load leaves MSPECFR2 the current dictionary.
TEST_F(DictionaryTest, LoadChoosesTheModelFromTheNameAsGiven) {
  // clang-format off
  const struct { const char* name; int complete; const char* model; const char* member; int error; } cases[] = {
      {"MSPECFR2", 0, "MFG SPEC", "MSPECFR2", 0}, {"MVIEWFR2", 1, "MFG VIEW", "MVIEWFR2", 0},
      {"MGEOPFR2", 2, "GEO PACK", "MGEOPFR2", 0},    {" DICOFR2", 1, "NC MODEL", "DICOFR2 ", 0},
      {"  DICOFR2", 1, "NC MODEL", "DICOFR  ", 9011}, {"mspecfr2", 1, "NC MODEL", "mspecfr2", 9011},
      {"MSPECFR2 ", 1, "NC MODEL", "MSPECFR2", 9011}, {"MGEOPFR2XYZ", 0, "NC MODEL", "MGEOPFR2", 9011},
      {"", 1, "NC MODEL", "        ", 9018}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start("MSPECFR2");
    D::Load(c.name, c.complete);
    const bool completed = c.error == 0 && c.complete == 1;
    EXPECT_EQ("GNFLOD \"" + std::string(c.model) + "\" \"" + c.member + "\" -> " +
                  std::to_string(c.error) + "\n" + (completed ? "GNFIDS -> 0\n" : ""),
              Kernel::Journal());
    EXPECT_EQ(c.error, D::GetError());
    EXPECT_EQ(KAVUnicodeString(c.error ? "MSPECFR2" : c.member).Strip(KAVStripBoth, ' '),
              D::GetCurrent());
  }
}

// A refused call leaves only the kernel's code: nothing appended, no list
// left open. With no dictionary every query is refused.
TEST_F(DictionaryTest, RefusedCallsLeaveOnlyTheKernelsCode) {
  Out o;
  const auto add = [](const char* iAttribute) {
    D::SetCurrentClass("MfgTool", 0);
    D::AddAttribute(iAttribute, 1, "G", 0);
  };
  // clang-format off
  const struct { const char* what; bool unloaded; std::function<void()> call; int error; } cases[] = {
      {"GetClasses", true, [&] { D::GetClasses(o.names, o.ints); }, 9010},
      {"GetAllAttributes", true, [&] { D::GetAllAttributes(o.names, o.ints); }, 9010},
      {"GetAttributes", true, [&] { o.Attributes("MfgTool"); }, 9010},
      {"GetAttributeValues", true, [&] { o.Values("MfgTool", "MFG_TOOL_MAT"); }, 9010},
      {"GetAttributeFacets", true, [&] { o.Facets("MFG_TOOL_MAT"); }, 9010},
      {"SetCurrentClass", true, [] { D::SetCurrentClass("MfgTool", 0); }, 9010},
      {"Store", true, [] { D::Store("EMPTY"); }, 9010},
      {"add with no current class", false, [] { D::AddAttribute("MFG_DEPTH", 1, "G", 0); }, 9015},
      {"select unknown class", false, [] { D::SetCurrentClass("MfgNothing", 0); }, 9013},
      {"create existing class", false, [] { D::CreateClass("MfgTool", 2, "", 1); }, 9016},
      {"create under unknown parent", false, [] { D::CreateClass("MfgNew", 2, "MfgNothing", 1); }, 9013},
      {"add unknown attribute", false, [&] { add("MFG_NOTHING"); }, 9014},
      {"add attribute twice", false, [&] { add("MFG_TOOL_DIAM"); }, 9016}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    if (c.unloaded) D::Unload();
    c.call();
    EXPECT_EQ(c.error, D::GetError());
    EXPECT_EQ(0, Kernel::OpenLists());
    EXPECT_EQ(c.unloaded, D::GetCurrent() == "");
  }
  EXPECT_EQ(0, o.Appended());
}

// A stored member loads again after a kernel restart. Names and values are
// bytes: names and texts that are not UTF-8 and reals that are not finite
// come back as they were, and a later Store still works.
TEST_F(DictionaryTest, StoreAndLoadKeepEveryByteAndEveryReal) {
  const double reals[] = {std::nan(""),           HUGE_VAL, -HUGE_VAL, -0.0, 4.9e-324,
                          1.7976931348623157e308, 0.1};
  const std::string real = "MFG_\xe9P", text = "MFG_\xc9T", block = "BLOC\xe9";
  const Strings texts = {"\xe9t\xe9 \xff", "\xc3\xa9t\xc3\xa9"};  // Latin-1, UTF-8
  Out in;
  for (double value : reals) in.doubles.Append(value);
  for (const std::string& value : texts) in.texts.Append(value.c_str());
  D::CreateAttribute(real.c_str(), 1, 1, 2, 1, 0, 0, 1, 0, 0, 0, 0, in.ints, in.doubles, in.texts);
  D::CreateAttribute(text.c_str(), 1, 1, 3, 1, 0, 0, 1, 0, 0, 0, 0, in.ints, in.doubles, in.texts);
  D::CreateClass("MfgThreadMilling", 1, "MfgOperation", 1);
  D::AddAttribute("MFG_TAP_PITCH", 1, "CYCLE", 1);
  D::CreateClass("Mfg\xe9tape", 1, "MfgOperation", 1);
  D::AddAttribute(real.c_str(), 1, block.c_str(), 1);
  for (int i = 0; i < 2; ++i) {
    D::Store("MYDICO3 and more");  // cut to 8 first
    ASSERT_EQ(0, D::GetError());
  }
  EXPECT_TRUE(std::filesystem::exists(_site.Path() + "/dictionary/MYDICO3.json"));

  Kernel::Reset();  // a new session: only the site remains
  Start("MYDICO3");
  auto bits = [](const KAVRawColldouble& iValues) {
    Strings hex;
    for (double value : Values(iValues)) {
      char text[40];
      std::snprintf(text, sizeof text, "%a", value);
      hex.push_back(text);
    }
    return hex;
  };
  Out back;
  back.Facets(real.c_str());
  EXPECT_EQ(bits(in.doubles), bits(back.doubles));
  back.Facets(text.c_str());
  EXPECT_EQ(texts, Items(back.texts));
  back.mode = 1;
  back.Attributes("Mfg\xe9tape");
  EXPECT_EQ(real, Items(back.names).back());
  EXPECT_EQ(block, Items(back.blocks).back());
  Out milling;
  milling.mode = 1;
  milling.Attributes("MfgThreadMilling");
  EXPECT_EQ((Strings{"MFG_COMMENT", "MFG_COOLANT", "MFG_FEEDRATE", "MFG_SPINDLE", "MFG_TAP_PITCH"}),
            Items(milling.names));
  EXPECT_EQ("CYCLE", Items(milling.blocks).back());
}

// A Store that cannot put its file in place answers its code and leaves
// the site as it was: no temporary file beside the target.
TEST_F(DictionaryTest, FailedStoreLeavesNothingBehind) {
  namespace fs = std::filesystem;
  const fs::path directory = _site.Path() + "/dictionary";
  fs::create_directory(directory / "MYDICO4.json");
  const auto entries = [&] {
    Strings names;
    for (const auto& entry : fs::directory_iterator(directory))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const Strings before = entries();
  D::Store("MYDICO4");
  EXPECT_EQ(9017, D::GetError());
  EXPECT_EQ(before, entries());
}

// --- Queries ----------------------------------------------------------------

TEST_F(DictionaryTest, GetAttributesAppendsAfterWhatTheCollectionsHold) {
  // clang-format off
  const std::pair<int, Strings> cases[] = {
      {0, {"kept", "MFG_NB_FLUTES", "MFG_CORNER_RAD"}},
      {1, {"kept", "MFG_TOOL_NUMBER", "MFG_TOOL_MAT", "MFG_TOOL_DIAM", "MFG_COMMENT", "MFG_NB_FLUTES",
           "MFG_CORNER_RAD"}}};
  // clang-format on
  for (const auto& [mode, names] : cases) {
    SCOPED_TRACE(mode);
    Out o;
    o.names.Append("kept");
    o.ints.Append(-1);
    o.mode = mode;
    Kernel::ClearJournal();
    o.Attributes("  MfgEndMill  ");
    EXPECT_EQ(0, D::GetError());
    EXPECT_EQ(names, Items(o.names));
    EXPECT_EQ((Ints{-1, o.names.Size(), o.names.Size() - 1}),
              (Ints{o.ints[1], o.ints.Size(), o.statuses.Size()}));
    EXPECT_EQ(0, Kernel::OpenLists());
    EXPECT_EQ(0u, Kernel::Journal().find("GNFRC1 \"MfgEndMill" + std::string(22, ' ') + "\" " +
                                         std::to_string(mode) + " -> 0\n"));
  }
}

// Values come back into the collection of their type: GetAttributeValues
// goes by the list's record width, GetAttributeFacets by facet 3, which it
// hands back with the other facets.
TEST_F(DictionaryTest, ValueQueriesReadEachValueTypeBack) {
  // clang-format off
  // klass: none for the facets of the attribute. MFG_GEOM_REF has width 16.
  struct Case { const char* klass; const char* attribute; int error, type; Ints ints; std::vector<double> doubles; Strings texts; };
  const Case cases[] = {
      {"MfgDrilling", "MFG_CYCLE_TYPE", 0, 0, {81, 82, 83}, {}, {}}, {"MfgHole", "MFG_THREADED", 0, 0, {0, 1}, {}, {}},
      {"MfgPocketing", "MFG_FEEDRATE", 0, 0, {}, {0.05, 0.1, 0.2, 0.4}, {}},
      {"MfgFacing", "MFG_PATTERN", 0, 0, {}, {}, {"ZIG ZAG", "ONE WAY"}}, {"MfgPocketing", "MFG_GEOM_REF", 0, 0, {}, {}, {}},
      {"MfgPocketing", "MFG_TAP_PITCH", 9014, 0, {}, {}, {}}, {"MfgNothing", "MFG_DEPTH", 9013, 0, {}, {}, {}},
      {nullptr, "MFG_NB_LEVELS", 0, 0, {1, 2, 3, 4, 5}, {}, {}}, {nullptr, "MFG_NB_FLUTES", 0, 1, {2, 3, 4, 6}, {}, {}},
      {nullptr, "MFG_SPINDLE", 0, 2, {}, {800, 1500, 3000, 6000, 12000}, {}},
      {nullptr, "MFG_COOLANT", 0, 3, {}, {}, {"FLOOD", "MIST", "THROUGH TOOL", "NONE"}},
      {nullptr, "MFG_GEOM_REF", 0, 4, {}, {}, {}}, {nullptr, "MFG_UNKNOWN", 9014, 0, {}, {}, {}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    Out o;
    c.klass ? o.Values(c.klass, c.attribute) : o.Facets(c.attribute);
    EXPECT_EQ(c.error, D::GetError());
    EXPECT_EQ(c.type, o.f[2]);
    EXPECT_EQ(c.ints, Values(o.ints));
    EXPECT_EQ(c.doubles, Values(o.doubles));
    EXPECT_EQ(c.texts, Items(o.texts));
    EXPECT_EQ(0, Kernel::OpenLists());
  }
}

TEST_F(DictionaryTest, ListQueriesReadEveryClassAndAttribute) {
  Out classes, attributes;
  D::GetClasses(classes.names, classes.ints);
  D::GetAllAttributes(attributes.names, attributes.ints);
  EXPECT_EQ(0, D::GetError());
  EXPECT_EQ((Ints{19, 19, 21, 21, 101, 0}),
            (Ints{classes.names.Size(), classes.ints.Size(), attributes.names.Size(),
                  attributes.ints.Size(), attributes.ints[1], Kernel::OpenLists()}));
  EXPECT_EQ("MfgProfileContouring", Items(classes.names).at(3));  // whole
}

// Answers a well-behaved kernel never gives. A list handle of 0 with
// success (GUSINF then answers an empty list) is never ended and the query
// ends with code 0; a count of 5 where values come in pairs reads records
// 1, 3 and 5; a negative code stops Load like any other.
TEST_F(DictionaryTest, ScriptedKernelAnswers) {
  // clang-format off
  struct Case { std::string what; std::function<void()> script; std::function<void(Out&)> run; int error; Strings calls; Ints ints = {}; };
  // clang-format on
  // iRoutine answers success with a handle of 0 at each of iArgs.
  const auto handlesZero = [](const char* iRoutine, Ints iArgs, std::function<void(Out&)> iRun) {
    const auto script = [=] {
      for (int arg : iArgs) Kernel::ScriptInt(iRoutine, 1, arg, 0);
      for (int arg : {2, 3, 4}) Kernel::ScriptInt("GUSINF", 1, arg, 0, true);
    };
    return Case{std::string(iRoutine) + ", handles 0", script, iRun, 0, {iRoutine, "GUSINF"}};
  };
  // clang-format off
  const Case cases[] = {
      handlesZero("GNFRC1", {3, 4, 5, 6}, [](Out& o) { o.Attributes("MfgEndMill"); }),
      handlesZero("GNFRC2", {4}, [](Out& o) { o.Values("MfgDrilling", "MFG_CYCLE_TYPE"); }),
      handlesZero("GNFRAT", {13}, [](Out& o) { o.Facets("MFG_NB_FLUTES"); }),
      handlesZero("GNFLCL", {1, 2}, [](Out& o) { D::GetClasses(o.names, o.ints); }),
      handlesZero("GNFLAT", {1, 2}, [](Out& o) { D::GetAllAttributes(o.names, o.ints); }),
      {"GetAttributeValues, odd count", [] { Kernel::ScriptInt("GUSINF", 1, 3, 5); },
       [](Out& o) { o.Values("MfgDrilling", "MFG_CYCLE_TYPE"); }, 0,
       {"GNFRC2", "GUSINF", "GUSREA", "GUSREA", "GUSREA", "GUSEND"}, {81, 82, 83}},
      {"Load, negative code", [] { Kernel::ScriptInt("GNFLOD", 0, 4, -7); },
       [](Out&) { D::Load("MVIEWFR2", 1); }, -7, {"GNFLOD"}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    Start("DICOFR2");
    c.script();
    Out o;
    c.run(o);
    EXPECT_EQ(c.error, D::GetError());
    EXPECT_EQ(CallLog(c.calls), Kernel::Calls());
    EXPECT_EQ(c.ints, Values(o.ints));
    EXPECT_EQ(c.ints.size(), static_cast<size_t>(o.Appended()));
  }
}

// --- Editing ----------------------------------------------------------------

// The list of possible values takes the collection facet 3 names. A text is
// cut to 72 characters before its blanks are stripped, so characters past
// the 72nd never count; the kernel keeps the values as sent.
TEST_F(DictionaryTest, CreatedAttributeSendsOnlyTheValuesOfItsType) {
  Out in;
  in.ints = IntsOf({7});
  in.doubles = DoublesOf({2.5});
  in.texts.Append("   RIGHT HAND");
  in.texts.Append(KAVUnicodeString("  " + std::string(70, 'L') + "ABCDEF"));
  const std::string longText(70, 'L');
  // clang-format off
  // calls: the values list's, before GNFCAT and GUSEND.
  const struct { const char* name; int type; Strings calls; } cases[] = {
      {"MFG_REAL", 2, {"GUSINI 8 0", "GUSPUS 1 2.5"}}, {"MFG_OTHER", 6, {"GUSINI 4 0"}},
      {"MFG_TEXT", 3, {"GUSINI 72 0", "GUSPUS 1 \"RIGHT HAND" + std::string(62, ' ') + "\"",
                       "GUSPUS 1 \"" + longText + "  \""}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Kernel::Reset();
    D::CreateAttribute(c.name, 1, 1, c.type, 1, 0, 0, 1, 0, 0, 0, 0, in.ints, in.doubles, in.texts);
    EXPECT_EQ(0, D::GetError());
    const std::string created = "GNFCAT \"" + Padded(c.name, 16) + "\" [1,1," +
                                std::to_string(c.type) + ",1,0,0,1,0,0,0,0] 1";
    EXPECT_EQ(CallLog(Concat({c.calls, {created, "GUSEND 1"}})), Kernel::Journal());
  }
  Out back;
  back.Facets(" MFG_TEXT");
  EXPECT_EQ((Strings{"RIGHT HAND", longText}), Items(back.texts));
}

TEST_F(DictionaryTest, AddAttributeSendsVersionBlockAndStatus) {
  D::SetCurrentClass("MfgDrilling", 0);
  Kernel::ClearJournal();
  D::AddAttribute(" MFG_TAP_PITCH", 7, "THREAD ", 5);
  EXPECT_EQ("GNFMC1 \"MFG_TAP_PITCH   \" 7 \"THREAD          \" 5 -> 0\n", Kernel::Journal());
}

// --- Failing kernel calls ---------------------------------------------------

// Every operation with each call failing, alone and with every later one:
// whichever call fails, the operation stops there. GNFINF has no code and
// cannot fail: the operation then runs to its end banner.
std::vector<SweptOperation> Operations() {
  static const KAVRawCollint sides = IntsOf({3, 4});  // CreateAttribute's
  const KernelStep read = KernelStep("GUSREA").Keeps(1);
  const KernelStep end = KernelStep("GUSEND").Ends(1);
  const KernelStep info = KernelStep("GNFINF").NoCode();
  const KernelSteps reload = {info, "GNFRST", "GNFZDS", "GNFLOD", "GNFIDS"};
  // clang-format off
  const struct { const char* name; const char* member; std::function<void(Out&)> run; KernelSteps steps; const char* endTitle; } rows[] = {
      {"Load", "MSPECFR2", [](Out&) { D::Load("MVIEWFR2", 1); }, {"GNFLOD", "GNFIDS"}, "Load, end "},
      {"Store", "MGEOPFR2", [](Out&) { D::Store("COPY"); }, {"GNFZTR"}, "Store, end "},
      {"Unload", "MGEOPFR2", [](Out&) { D::Unload(); }, {"GNFRST", "GNFZDS"}, "KAVMfgDictionary::Unload, end  "},
      {"LoadDefault", "MSPECFR2", [](Out&) { D::LoadDefault(); }, reload, "KAVMfgDictionary::LoadDefault, end "},
      // Same model as the default: only the member decides that it is not loaded.
      {"LoadDefault from another member of the model", "DICOUSR1", [](Out&) { D::LoadDefault(); }, reload,
       "KAVMfgDictionary::LoadDefault, end "},
      {"LoadDefault when loaded", "DICOFR2", [](Out&) { D::LoadDefault(); }, {info},
       "KAVMfgDictionary::LoadDefault, end "},
      {"GetAttributes", "MGEOPFR2", [](Out& o) { o.Attributes("MfgGeoCircle"); },
       {KernelStep("GNFRC1").Opens(4), "GUSINF", read, read, read, read, end, end, end, end},
       "KAVMfgDictionary::GetAttributes, end"},
      {"GetAttributeValues", "MGEOPFR2", [](Out& o) { o.Values("MfgGeoPlane", "MFG_GEO_KIND"); },
       {KernelStep("GNFRC2").Opens(1), "GUSINF", read, read, read, read, end},
       "KAVMfgDictionary::GetAttributeValues, end"},
      {"GetAttributeFacets", "MGEOPFR2", [](Out& o) { o.Facets("MFG_GEO_KIND"); },
       {KernelStep("GNFRAT").Opens(1), "GUSINF", read, read, read, read, end},
       "KAVMfgDictionary::GetAttributeFacets, end"},
      {"SetCurrentClass", "MGEOPFR2", [](Out&) { D::SetCurrentClass("MfgGeoPlane", 0); }, {"GNFMCL"},
       "SetCurrentClass, end"},
      {"CreateClass", "MGEOPFR2", [](Out&) { D::CreateClass("MfgGeoLine", 6, "", 1); }, {"GNFCCL"},
       "KAVMfgDictionary::CreateClass, end"},
      {"CreateAttribute", "MGEOPFR2",
       [](Out& o) { D::CreateAttribute("MFG_SIDES", 406, 1, 0, 1, 0, 0, 1, 0, 6, 406, 0, sides, o.doubles, o.texts); },
       {KernelStep("GUSINI").Opens(1), "GUSPUS", "GUSPUS", "GNFCAT", end}, "KAVMfgDictionary::CreateAttribute, end"},
      {"AddAttribute", "MGEOPFR2", [](Out&) { D::AddAttribute("MFG_X", 1, "COORDINATES", 1); }, {"GNFMC1"},
       "KAVMfgDictionary::AddAttribute, end"}};
  // clang-format on
  std::vector<SweptOperation> operations;
  for (const auto& row : rows) {
    const std::string member = row.member, name = row.name;
    operations.push_back(
        {name, AppendedBy<Out>(row.run), Stops(row.steps), row.endTitle, [member, name] {
           D::Load(member.c_str(), 1);
           if (name == "AddAttribute") D::SetCurrentClass("MfgGeoPlane", 0);
         }});
  }
  return operations;
}

// Traced, LoadDefault's closing report asks GNFINF once more: the calls are
// compared on the untraced run only.
void SweepAll(bool iTraced) { SweepOperations(Operations(), D::GetError, iTraced); }

TEST_F(DictionaryTest, EachFailingCallStopsTheOperationThere) { SweepAll(false); }

TEST_F(DictionaryTest, EachFailingCallTraceHasNoEndBanner) { SweepAll(true); }

// GetClasses and GetAllAttributes leave the loop on a failing name read but
// still end both lists; the int read's code is not looked at.
TEST_F(DictionaryTest, ListQueriesEndBothListsWhateverFails) {
  struct Left {
    int error, open, appended;
  };
  for (bool attributes : {false, true}) {
    // MGEOPFR2: 3 classes, 5 attributes. Calls: create, GUSINF, a name and
    // an int read per item, GUSEND names, GUSEND ints.
    const long items = attributes ? 5 : 3, firstEnd = 3 + 2 * items;
    std::optional<Out> o;
    const auto check = [&](const FaultRun& iRun) {
      SCOPED_TRACE((attributes ? "GetAllAttributes " : "GetClasses ") + iRun.Label());
      const bool from = iRun.mode == FaultMode::kFrom;
      const int item = static_cast<int>(iRun.n - 3) / 2;  // read's item, from 0
      const bool name = iRun.n % 2 == 1;
      Left left = {0, 0, static_cast<int>(items)};
      if (iRun.n <= 2)  // create, GUSINF: nothing to end
        left = {iRun.code, iRun.n == 1 ? 0 : 2, 0};
      else if (iRun.n < firstEnd && from)  // a name read fails, then the ends
        left = {iRun.code, 2, item + (name ? 0 : 1)};
      else if (iRun.n < firstEnd && name)
        left.appended = item;
      else if (iRun.n >= firstEnd && iRun.Faulted())
        left = {iRun.n == firstEnd && !from ? 0 : iRun.code, iRun.n == firstEnd && from ? 2 : 1,
                left.appended};
      EXPECT_EQ(left.error, D::GetError());
      EXPECT_EQ(left.open, Kernel::OpenLists());
      EXPECT_EQ(left.appended, o->names.Size());
      EXPECT_EQ(o->names.Size(), o->ints.Size());
    };
    AnomalyLoop([] { D::Load("MGEOPFR2", 1); },
                [&] {
                  o.emplace();
                  (attributes ? D::GetAllAttributes : D::GetClasses)(o->names, o->ints);
                },
                check);
  }
}

// --- Traces -----------------------------------------------------------------

// clang-format off
TEST_F(DictionaryTest, LoadingTraces) {
  Start("MSPECFR2");
  D::Load("MGEOPFR2", 1);
  D::Store("MGEOPFR3");
  D::LoadDefault();
  D::GetCurrent();
  D::LoadDefault();
  const Strings defaultEnd = {" ", Dashes(10), "Name courant : NC MODEL", "Member courant : DICOFR2",
                              "KAVMfgDictionary::LoadDefault, end ", Dashes(10), " "};
  EXPECT_EQ(Block({
      Opening(13, "Load, start"), {"Name : MGEOPFR2", " ", "ier (gnflod) 0", "ier (gnfids) 0"},
      Closing(10, "Load, end "),
      Opening(13, "Store, start"), {"Name : MGEOPFR3", " ", "ier (gnfztr) 0"}, Closing(10, "Store, end "),
      Opening(13, "KAVMfgDictionary::LoadDefault, start"),
      {" ", "Name courant : GEO PACK", "Member courant : MGEOPFR2"},
      Opening(13, "KAVMfgDictionary::Unload, start"), {" ", "ier (gnfrst) 0", "ier (gnfzds) 0"},
      Closing(13, "KAVMfgDictionary::Unload, end  "), {"ier (gnflod) 0", "ier (gnfids) 0"}, defaultEnd,
      Opening(13, "KAVMfgDictionary::GetCurrent, start"),
      {" ", "Name courant : NC MODEL", "Member courant : DICOFR2"}, Closing(10, "KAVMfgDictionary::GetCurrent, end "),
      Opening(13, "KAVMfgDictionary::LoadDefault, start"),
      {" ", "Name courant : NC MODEL", "Member courant : DICOFR2", "Default dico deja charge !"}, defaultEnd}),
      Stdout());
}

// A failing class-name read shows only in the trace: the lists are still
// ended, so the code left is GUSEND's.
TEST_F(DictionaryTest, QueryTraces) {
  Start("MGEOPFR2");
  Out o;
  o.Attributes("MfgGeoCircle");
  o.Facets("MFG_GEO_KIND");
  D::GetClasses(o.names, o.ints);
  Kernel::FailCall(Kernel::CallCount() + 5, 4242);  // 2nd name
  D::GetClasses(o.names, o.ints);
  EXPECT_EQ(0, D::GetError());
  const Strings firstClass = {"gnflcl(ier) : 0", "NbClass : 3", "gusrea(ier) : 0", "gusrea(ier) : 0",
                              "StrClass : MfgGeoPoint"};
  EXPECT_EQ(Block({
      Opening(20, "KAVMfgDictionary::GetAttributes, start"), {"classe : MfgGeoCircle", " ", "gnfrc1(ier) : 0",
       "nb attrs : 1", " ", "attr : MFG_RADIUS", "version : 1", "block : COORDINATES", "status : 1"},
      Closing(18, "KAVMfgDictionary::GetAttributes, end"),
      Opening(25, "KAVMfgDictionary::GetAttributeFacets, start"),
      {" ", "gnfrat(ier) : 0", "Str : POINT", "Str : LINE", "Str : CIRCLE", "Str : PLANE"},
      Closing(23, "KAVMfgDictionary::GetAttributeFacets, end"),
      Opening(20, "KAVMfgDictionary::GetClasses, start"), {" "}, firstClass,
      {"gusrea(ier) : 0", "gusrea(ier) : 0", "StrClass : MfgGeoCircle",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrClass : MfgGeoPlane"},
      Closing(17, "KAVMfgDictionary::GetClasses, end"),
      Opening(20, "KAVMfgDictionary::GetClasses, start"), {" "}, firstClass, {"gusrea(ier) : 4242"},
      Closing(17, "KAVMfgDictionary::GetClasses, end")}),
      Stdout());

  Start("MVIEWFR2");
  o.Values(" MfgViewToolpath", "MFG_VISIBLE");
  D::GetAllAttributes(o.names, o.ints);
  EXPECT_EQ(Block({
      Opening(41, "KAVMfgDictionary::GetAttributeValues, start"),
      {"ClassName :  MfgViewToolpath", "AttrName  : MFG_VISIBLE", " ",
       "Clas  : MfgViewToolpath" + std::string(17, ' '), "Attr  : MFG_VISIBLE" + std::string(5, ' '),
       "gnfrc2(ier) : 0", "ilon : 4", "nb attrs : 4", "intval : 0", "intval : 1"},
      Closing(41, "KAVMfgDictionary::GetAttributeValues, end"),
      Opening(41, "KAVMfgDictionary::GetAllAttributes, start"),
      {" ", "gnflat(ier) : 0", "NbAtt : 3", "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_COLOR",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_VISIBLE",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_LINE_TYPE"},
      Closing(17, "KAVMfgDictionary::GetAllAttributes, end")}),
      Stdout());
}

TEST_F(DictionaryTest, EditingTraces) {
  Start("MGEOPFR2");
  Out in;
  in.doubles = DoublesOf({0.5});
  D::CreateClass("MfgGeoLine", 6, "", 1);
  D::CreateAttribute("MFG_LENGTH", 406, 1, 2, 1, 1, 1, 1, 0, 6, 406, 0, in.ints, in.doubles, in.texts);
  D::SetCurrentClass("MfgGeoLine", 0);
  D::AddAttribute(" MFG_LENGTH", 2, "DEFINITION ", 1);
  D::SetCurrentClass("MfgGeoNothing", 0);
  EXPECT_EQ(Block({
      Opening(18, "CreateClass, start"), {" ", "ier (gnfccl) : 0"}, Closing(16, "KAVMfgDictionary::CreateClass, end"),
      Opening(25, "KAVMfgDictionary::CreateAttribute, start"), {" ", "gnfcat(ier) : 0"},
      Closing(20, "KAVMfgDictionary::CreateAttribute, end"),
      Opening(22, "KAVMfgDictionary::SetCurrentClass, start"), {" "}, Closing(20, "SetCurrentClass, end"),
      Opening(19, "KAVMfgDictionary::AddAttribute, start"),
      {"attribute :  MFG_LENGTH", "version   : 2", "block     : DEFINITION ", "status    : 1", " ", "ier (gnfmc1) : 0"},
      Closing(17, "KAVMfgDictionary::AddAttribute, end"),
      Opening(22, "KAVMfgDictionary::SetCurrentClass, start"), {" "}}),
      Stdout());
  EXPECT_EQ(9013, D::GetError());
}
// clang-format on

}  // namespace
