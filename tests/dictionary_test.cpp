// KAVMfgDictionary against the reference kernel: what reaches the kernel
// (journal), what comes back into the caller's collections, GetError(),
// which lists stay open when a call fails, and the traces as whole blocks.
// Every test works on a private copy of the bundled site.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "KAVMfgDictionary.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

using kavtest::CoutCapture;
using kavtest::Dashes;
using kavtest::Lines;
using kavtest::ReferenceKernel;

namespace {

using Strings = std::vector<std::string>;

Strings Names(const KAVListValKAVUnicodeString& iList) {
  Strings names;
  for (int i = 1; i <= iList.Size(); ++i)
    names.push_back(iList[i].CastToCharPtr());
  return names;
}

std::vector<int> Ints(const KAVRawCollint& iInts) {
  std::vector<int> values;
  for (int i = 1; i <= iInts.Size(); ++i) values.push_back(iInts[i]);
  return values;
}

std::vector<double> Doubles(const KAVRawColldouble& iDoubles) {
  std::vector<double> values;
  for (int i = 1; i <= iDoubles.Size(); ++i) values.push_back(iDoubles[i]);
  return values;
}

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The site the kernel started with, before any test pointed it here.
    static const std::string bundled =
        ReferenceKernel::Function<const char* (*)()>("kavsim_site")();
    std::filesystem::copy(bundled, _site.Path(),
                          std::filesystem::copy_options::recursive);
    ReferenceKernel::Function<void (*)(const char*)>("kavsim_set_site")(
        _site.Path().c_str());
    ReferenceKernel::Reset();
    _capture.Take();
  }

  // Loads iMember (completed) and starts the journal afresh.
  static void Start(const char* iMember) {
    KAVMfgDictionary::Load(iMember, 1);
    ASSERT_EQ(0, KAVMfgDictionary::GetError());
    ReferenceKernel::ClearJournal();
  }

  std::string Stdout() { return _capture.Take(); }

  kavtest::TempDir _site;
  CoutCapture _capture;
};

// --- Loading and state ------------------------------------------------------

TEST_F(DictionaryTest, LoadChoosesTheModelFromTheNameAsGiven) {
  struct Case {
    const char* name;
    int complete;
    std::string journal;
    int error;
  };
  const Case cases[] = {
      {"MSPECFR2", 0, Lines({"GNFLOD \"MFG\x20SPEC\" \"MSPECFR2\" -> 0"}), 0},
      {"MVIEWFR2", 1,
       Lines({"GNFLOD \"MFG VIEW\" \"MVIEWFR2\" -> 0", "GNFIDS -> 0"}), 0},
      {"MGEOPFR2", 2, Lines({"GNFLOD \"GEO PACK\" \"MGEOPFR2\" -> 0"}), 0},
      {" DICOFR2", 1,
       Lines({"GNFLOD \"NC MODEL\" \"DICOFR2 \" -> 0", "GNFIDS -> 0"}), 0},
      {"  DICOFR2", 1, Lines({"GNFLOD \"NC MODEL\" \"DICOFR  \" -> 9011"}),
       9011},
      {"mspecfr2", 1, Lines({"GNFLOD \"NC MODEL\" \"mspecfr2\" -> 9011"}),
       9011},
      {"MSPECFR2 ", 1, Lines({"GNFLOD \"NC MODEL\" \"MSPECFR2\" -> 9011"}),
       9011},
      {"MGEOPFR2XYZ", 0, Lines({"GNFLOD \"NC MODEL\" \"MGEOPFR2\" -> 9011"}),
       9011},
      {"", 1, Lines({"GNFLOD \"NC MODEL\" \"        \" -> 9018"}), 9018},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceKernel::Reset();
    KAVMfgDictionary::Load(c.name, c.complete);
    EXPECT_EQ(c.journal, ReferenceKernel::Journal());
    EXPECT_EQ(c.error, KAVMfgDictionary::GetError());
  }
}

TEST_F(DictionaryTest, FailedLoadKeepsTheCurrentDictionary) {
  Start("MSPECFR2");
  KAVMfgDictionary::Load("NOSUCH", 1);
  EXPECT_EQ(9011, KAVMfgDictionary::GetError());
  EXPECT_EQ(KAVUnicodeString("MSPECFR2"), KAVMfgDictionary::GetCurrent());
}

TEST_F(DictionaryTest, LoadDefaultUnloadsOnlyWhenAnotherMemberIsCurrent) {
  struct Case {
    const char* current;
    std::string calls;
  };
  const Case cases[] = {
      {"DICOFR2", Lines({"GNFINF -> 0"})},
      {"MSPECFR2", Lines({"GNFINF -> 0", "GNFRST -> 0", "GNFZDS -> 0",
                          "GNFLOD -> 0", "GNFIDS -> 0"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    ReferenceKernel::Reset();
    Start(c.current);
    KAVMfgDictionary::LoadDefault();
    EXPECT_EQ(c.calls, ReferenceKernel::Calls());
    EXPECT_EQ(0, KAVMfgDictionary::GetError());
    EXPECT_EQ(KAVUnicodeString("DICOFR2"), KAVMfgDictionary::GetCurrent());
  }
}

TEST_F(DictionaryTest, UnloadedDictionaryAnswersEveryQueryWithNoDictionary) {
  KAVMfgDictionary::Unload();
  ASSERT_EQ(0, KAVMfgDictionary::GetError());
  EXPECT_EQ(KAVUnicodeString(""), KAVMfgDictionary::GetCurrent());
  KAVListValKAVUnicodeString names, blocks;
  KAVRawCollint ints, statuses;
  KAVRawColldouble doubles;
  int mode = 0, f[11] = {};
  const std::vector<std::pair<const char*, std::function<void()>>> queries = {
      {"GetClasses", [&] { KAVMfgDictionary::GetClasses(names, ints); }},
      {"GetAllAttributes",
       [&] { KAVMfgDictionary::GetAllAttributes(names, ints); }},
      {"GetAttributes",
       [&] {
         KAVMfgDictionary::GetAttributes("MfgTool", mode, names, ints, blocks,
                                         statuses);
       }},
      {"GetAttributeValues",
       [&] {
         KAVMfgDictionary::GetAttributeValues("MfgTool", "MFG_TOOL_MAT", ints,
                                              doubles, names);
       }},
      {"GetAttributeFacets",
       [&] {
         KAVMfgDictionary::GetAttributeFacets(
             "MFG_TOOL_MAT", f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7],
             f[8], f[9], f[10], ints, doubles, names);
       }},
      {"SetCurrentClass",
       [&] { KAVMfgDictionary::SetCurrentClass("MfgTool", 0); }},
      {"Store", [&] { KAVMfgDictionary::Store("EMPTY"); }},
  };
  for (const auto& query : queries) {
    SCOPED_TRACE(query.first);
    query.second();
    EXPECT_EQ(9010, KAVMfgDictionary::GetError());
  }
  EXPECT_EQ(0, names.Size() + ints.Size() + blocks.Size() + doubles.Size());
  EXPECT_EQ(0, ReferenceKernel::OpenLists());
}

TEST_F(DictionaryTest, StoredMemberLoadsAgainAfterAKernelRestart) {
  KAVMfgDictionary::CreateClass("MfgThreadMilling", 1, "MfgOperation", 1);
  KAVMfgDictionary::AddAttribute("MFG_TAP_PITCH", 1, "CYCLE", 1);
  KAVMfgDictionary::Store("MYDICO2 and more");  // cut to 8 first
  ASSERT_EQ(0, KAVMfgDictionary::GetError());
  EXPECT_EQ(Lines({"GNFCCL -> 0", "GNFMC1 -> 0", "GNFZTR -> 0"}),
            ReferenceKernel::Calls());
  EXPECT_TRUE(
      std::filesystem::exists(_site.Path() + "/dictionary/MYDICO2.json"));

  ReferenceKernel::Reset();  // a new session: only the site remains
  KAVMfgDictionary::Load("MYDICO2", 1);
  ASSERT_EQ(0, KAVMfgDictionary::GetError());
  EXPECT_EQ(KAVUnicodeString("MYDICO2"), KAVMfgDictionary::GetCurrent());
  int mode = 1;
  KAVListValKAVUnicodeString names, blocks;
  KAVRawCollint versions, statuses;
  KAVMfgDictionary::GetAttributes("MfgThreadMilling", mode, names, versions,
                                  blocks, statuses);
  EXPECT_EQ((Strings{"MFG_COMMENT", "MFG_COOLANT", "MFG_FEEDRATE",
                     "MFG_SPINDLE", "MFG_TAP_PITCH"}),
            Names(names));
  EXPECT_EQ("CYCLE", Names(blocks).back());
}

// --- Queries ----------------------------------------------------------------

TEST_F(DictionaryTest, GetAttributesAppendsAfterWhatTheCollectionsHold) {
  KAVListValKAVUnicodeString names, blocks;
  KAVRawCollint versions, statuses;
  struct Case {
    int mode;
    Strings names;
  };
  const Case cases[] = {
      {0, {"MFG_NB_FLUTES", "MFG_CORNER_RAD"}},
      {1,
       {"MFG_TOOL_NUMBER", "MFG_TOOL_MAT", "MFG_TOOL_DIAM", "MFG_COMMENT",
        "MFG_NB_FLUTES", "MFG_CORNER_RAD"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    names.RemoveAll(1);
    blocks.RemoveAll(1);
    versions.RemoveAll(1);
    statuses.RemoveAll(1);
    names.Append("kept");
    versions.Append(-1);
    ReferenceKernel::ClearJournal();
    int mode = c.mode;
    KAVMfgDictionary::GetAttributes("  MfgEndMill  ", mode, names, versions,
                                    blocks, statuses);
    EXPECT_EQ(0, KAVMfgDictionary::GetError());
    Strings expected{"kept"};
    expected.insert(expected.end(), c.names.begin(), c.names.end());
    EXPECT_EQ(expected, Names(names));
    EXPECT_EQ(static_cast<int>(c.names.size()) + 1, versions.Size());
    EXPECT_EQ(-1, versions[1]);
    EXPECT_EQ(static_cast<int>(c.names.size()), statuses.Size());
    EXPECT_EQ("TOOL_GEOMETRY", Names(blocks).back());
    EXPECT_EQ(0, ReferenceKernel::OpenLists());
    EXPECT_EQ(0u, ReferenceKernel::Journal().find(
                      "GNFRC1 \"MfgEndMill" + std::string(22, ' ') + "\" " +
                      std::to_string(c.mode) + " -> 0\n"));
  }
}

TEST_F(DictionaryTest, ValueQueriesReadEachValueTypeBack) {
  struct Case {
    const char* klass;
    const char* attribute;
    int error;
    std::vector<int> ints;
    std::vector<double> doubles;
    Strings texts;
  };
  const Case cases[] = {
      {"MfgDrilling", "MFG_CYCLE_TYPE", 0, {81, 82, 83}, {}, {}},
      {"MfgHole", "MFG_THREADED", 0, {0, 1}, {}, {}},
      {"MfgPocketing", "MFG_FEEDRATE", 0, {}, {0.05, 0.1, 0.2, 0.4}, {}},
      {"MfgFacing", "MFG_PATTERN", 0, {}, {}, {"ZIG ZAG", "ONE WAY"}},
      {"MfgPocketing", "MFG_GEOM_REF", 0, {}, {}, {}},  // width 16: no values
      {"MfgPocketing", "MFG_TAP_PITCH", 9014, {}, {}, {}},
      {"MfgNothing", "MFG_DEPTH", 9013, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.klass) + "/" + c.attribute);
    KAVRawCollint ints;
    KAVRawColldouble doubles;
    KAVListValKAVUnicodeString texts;
    KAVMfgDictionary::GetAttributeValues(c.klass, c.attribute, ints, doubles,
                                         texts);
    EXPECT_EQ(c.error, KAVMfgDictionary::GetError());
    EXPECT_EQ(c.ints, Ints(ints));
    EXPECT_EQ(c.doubles, Doubles(doubles));
    EXPECT_EQ(c.texts, Names(texts));
    EXPECT_EQ(0, ReferenceKernel::OpenLists());
  }
}

TEST_F(DictionaryTest, GetAttributeFacetsFillsFacetsAndValuesByType) {
  struct Case {
    const char* attribute;
    int error, type;
    size_t ints, doubles, texts;
  };
  const Case cases[] = {
      {"MFG_NB_LEVELS", 0, 0, 5, 0, 0}, {"MFG_NB_FLUTES", 0, 1, 4, 0, 0},
      {"MFG_SPINDLE", 0, 2, 0, 5, 0},   {"MFG_COOLANT", 0, 3, 0, 0, 4},
      {"MFG_GEOM_REF", 0, 4, 0, 0, 0},  {"MFG_UNKNOWN", 9014, -7, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    int f[11] = {-7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7};
    KAVRawCollint ints;
    KAVRawColldouble doubles;
    KAVListValKAVUnicodeString texts;
    KAVMfgDictionary::GetAttributeFacets(c.attribute, f[0], f[1], f[2], f[3],
                                         f[4], f[5], f[6], f[7], f[8], f[9],
                                         f[10], ints, doubles, texts);
    EXPECT_EQ(c.error, KAVMfgDictionary::GetError());
    EXPECT_EQ(c.type, f[2]);
    EXPECT_EQ(c.ints, Ints(ints).size());
    EXPECT_EQ(c.doubles, Doubles(doubles).size());
    EXPECT_EQ(c.texts, Names(texts).size());
    EXPECT_EQ(0, ReferenceKernel::OpenLists());
  }
}

TEST_F(DictionaryTest, ListQueriesReadEveryClassAndAttribute) {
  KAVListValKAVUnicodeString classes, attributes;
  KAVRawCollint kinds, numbers;
  KAVMfgDictionary::GetClasses(classes, kinds);
  KAVMfgDictionary::GetAllAttributes(attributes, numbers);
  EXPECT_EQ(0, KAVMfgDictionary::GetError());
  ASSERT_EQ(19, classes.Size());
  EXPECT_EQ("MfgProfileContouring",
            Names(classes)[3]);  // 20 characters, kept whole
  EXPECT_EQ(19, kinds.Size());
  EXPECT_EQ(21, attributes.Size());
  EXPECT_EQ(101, numbers[1]);
  EXPECT_EQ(0, ReferenceKernel::OpenLists());
}

// --- Editing ----------------------------------------------------------------

TEST_F(DictionaryTest, CreatedAttributeSendsOnlyTheValuesOfItsType) {
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  ints.Append(7);
  doubles.Append(2.5);
  texts.Append("   RIGHT HAND");
  texts.Append(
      KAVUnicodeString(std::string(70, 'L') + "ABCDEF"));  // 76: first 72 count
  struct Case {
    const char* name;
    int type;
    std::string journal;
  };
  const std::string longText = std::string(70, 'L') + "AB";
  const Case cases[] = {
      {"MFG_REAL", 2,
       Lines({"GUSINI 8 0 -> 0", "GUSPUS 1 2.5 -> 0",
              "GNFCAT \"MFG_REAL        \" [1,1,2,1,0,0,1,0,0,0,0] 1 -> 0",
              "GUSEND 1 -> 0"})},
      {"MFG_TEXT", 3,
       Lines({"GUSINI 72 0 -> 0",
              "GUSPUS 1 \"RIGHT HAND" + std::string(62, ' ') + "\" -> 0",
              "GUSPUS 1 \"" + longText + "\" -> 0",
              "GNFCAT \"MFG_TEXT        \" [1,1,3,1,0,0,1,0,0,0,0] 1 -> 0",
              "GUSEND 1 -> 0"})},
      {"MFG_OTHER", 6,
       Lines({"GUSINI 4 0 -> 0",
              "GNFCAT \"MFG_OTHER       \" [1,1,6,1,0,0,1,0,0,0,0] 1 -> 0",
              "GUSEND 1 -> 0"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceKernel::Reset();
    KAVMfgDictionary::CreateAttribute(c.name, 1, 1, c.type, 1, 0, 0, 1, 0, 0, 0,
                                      0, ints, doubles, texts);
    EXPECT_EQ(0, KAVMfgDictionary::GetError());
    EXPECT_EQ(c.journal, ReferenceKernel::Journal());
  }
  int f[11];
  KAVRawCollint readInts;
  KAVRawColldouble readDoubles;
  KAVListValKAVUnicodeString readTexts;
  KAVMfgDictionary::CreateAttribute("MFG_TEXT", 1, 1, 3, 1, 0, 0, 1, 0, 0, 0, 0,
                                    ints, doubles, texts);
  KAVMfgDictionary::GetAttributeFacets(" MFG_TEXT", f[0], f[1], f[2], f[3],
                                       f[4], f[5], f[6], f[7], f[8], f[9],
                                       f[10], readInts, readDoubles, readTexts);
  EXPECT_EQ((Strings{"RIGHT HAND", longText}), Names(readTexts));
}

TEST_F(DictionaryTest, EditingRoutinesRefuseWhatTheDictionaryCannotTake) {
  struct Case {
    const char* what;
    std::function<void()> edit;
    int error;
  };
  const Case cases[] = {
      {"add with no current class",
       [] { KAVMfgDictionary::AddAttribute("MFG_DEPTH", 1, "G", 0); }, 9015},
      {"select unknown class",
       [] { KAVMfgDictionary::SetCurrentClass("MfgNothing", 0); }, 9013},
      {"create existing class",
       [] { KAVMfgDictionary::CreateClass("MfgTool", 2, "", 1); }, 9016},
      {"create under unknown parent",
       [] { KAVMfgDictionary::CreateClass("MfgNew", 2, "MfgNothing", 1); },
       9013},
      {"add unknown attribute",
       [] {
         KAVMfgDictionary::SetCurrentClass("MfgTool", 0);
         KAVMfgDictionary::AddAttribute("MFG_NOTHING", 1, "G", 0);
       },
       9014},
      {"add attribute twice",
       [] {
         KAVMfgDictionary::SetCurrentClass("MfgTool", 0);
         KAVMfgDictionary::AddAttribute("MFG_TOOL_DIAM", 1, "G", 0);
       },
       9016},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReferenceKernel::Reset();
    c.edit();
    EXPECT_EQ(c.error, KAVMfgDictionary::GetError());
  }
}

// --- Failing kernel calls ---------------------------------------------------

// One operation run against every possible failing call. `calls` is the
// journal of a clean run; `open[n-1]` the lists left open when call n fails.
struct FaultScenario {
  const char* name;
  const char* member;  // loaded first
  std::function<void()> setUp;
  std::function<void()> run;
  Strings calls;
  std::vector<int> open;
  const char* endTitle;
};

std::vector<FaultScenario> FaultScenarios() {
  static KAVListValKAVUnicodeString names, blocks;
  static KAVRawCollint ints, statuses;
  static KAVRawColldouble doubles;
  static int mode, f[11];
  auto none = [] {};
  using D = KAVMfgDictionary;
  // clang-format off
  return {
      {"Load", "MSPECFR2", none, [] { D::Load("MVIEWFR2", 1); },
       {"GNFLOD", "GNFIDS"}, {0, 0}, "Load, end "},
      {"Store", "MGEOPFR2", none, [] { D::Store("COPY"); },
       {"GNFZTR"}, {0}, "Store, end "},
      {"Unload", "MGEOPFR2", none, [] { D::Unload(); },
       {"GNFRST", "GNFZDS"}, {0, 0}, "KAVMfgDictionary::Unload, end  "},
      {"LoadDefault", "MSPECFR2", none, [] { D::LoadDefault(); },
       {"GNFINF", "GNFRST", "GNFZDS", "GNFLOD", "GNFIDS"}, {0, 0, 0, 0, 0},
       "KAVMfgDictionary::LoadDefault, end "},
      {"GetAttributes", "MGEOPFR2", none,
       [] { D::GetAttributes("MfgGeoCircle", mode, names, ints, blocks, statuses); },
       {"GNFRC1", "GUSINF", "GUSREA", "GUSREA", "GUSREA", "GUSREA",
        "GUSEND", "GUSEND", "GUSEND", "GUSEND"},
       {0, 4, 4, 4, 4, 4, 4, 3, 2, 1}, "KAVMfgDictionary::GetAttributes, end"},
      {"GetAttributeValues", "MGEOPFR2", none,
       [] { D::GetAttributeValues("MfgGeoPlane", "MFG_GEO_KIND", ints, doubles, names); },
       {"GNFRC2", "GUSINF", "GUSREA", "GUSREA", "GUSREA", "GUSREA", "GUSEND"},
       {0, 1, 1, 1, 1, 1, 1}, "KAVMfgDictionary::GetAttributeValues, end"},
      {"GetAttributeFacets", "MGEOPFR2", none,
       [] { D::GetAttributeFacets("MFG_GEO_KIND", f[0], f[1], f[2], f[3], f[4], f[5],
                                  f[6], f[7], f[8], f[9], f[10], ints, doubles, names); },
       {"GNFRAT", "GUSINF", "GUSREA", "GUSREA", "GUSREA", "GUSREA", "GUSEND"},
       {0, 1, 1, 1, 1, 1, 1}, "KAVMfgDictionary::GetAttributeFacets, end"},
      {"SetCurrentClass", "MGEOPFR2", none,
       [] { D::SetCurrentClass("MfgGeoPlane", 0); },
       {"GNFMCL"}, {0}, "SetCurrentClass, end"},
      {"CreateClass", "MGEOPFR2", none,
       [] { D::CreateClass("MfgGeoLine", 6, "", 1); },
       {"GNFCCL"}, {0}, "KAVMfgDictionary::CreateClass, end"},
      {"CreateAttribute", "MGEOPFR2", none,
       [] {
         KAVRawCollint values;
         values.Append(3);
         values.Append(4);
         D::CreateAttribute("MFG_SIDES", 406, 1, 0, 1, 0, 0, 1, 0, 6, 406, 0, values,
                            doubles, names);
       },
       {"GUSINI", "GUSPUS", "GUSPUS", "GNFCAT", "GUSEND"}, {0, 1, 1, 1, 1},
       "KAVMfgDictionary::CreateAttribute, end"},
      {"AddAttribute", "MGEOPFR2", [] { D::SetCurrentClass("MfgGeoPlane", 0); },
       [] { D::AddAttribute("MFG_X", 1, "COORDINATES", 1); },
       {"GNFMC1"}, {0}, "KAVMfgDictionary::AddAttribute, end"},
  };
  // clang-format on
}

// Fails call n of the scenario (counting from its first call) with 4242.
std::string RunWithFault(const FaultScenario& iScenario, size_t iN,
                         CoutCapture& ioCapture) {
  ReferenceKernel::Reset();
  KAVMfgDictionary::Load(iScenario.member, 1);
  iScenario.setUp();
  ReferenceKernel::ClearJournal();
  ReferenceKernel::FailCall(
      ReferenceKernel::CallCount() + static_cast<long>(iN), 4242);
  ioCapture.Take();
  iScenario.run();
  return ioCapture.Take();
}

TEST_F(DictionaryTest, EachFailingCallStopsTheOperationThere) {
  for (const FaultScenario& s : FaultScenarios()) {
    for (size_t n = 1; n <= s.calls.size(); ++n) {
      SCOPED_TRACE(std::string(s.name) + " failing call " + std::to_string(n));
      RunWithFault(s, n, _capture);
      std::string expected;
      const bool answers = s.calls[n - 1] != "GNFINF";  // no ier: cannot fail
      for (size_t i = 0; i < (answers ? n : s.calls.size()); ++i)
        expected +=
            s.calls[i] + (answers && i + 1 == n ? " -> 4242\n" : " -> 0\n");
      EXPECT_EQ(expected, ReferenceKernel::Calls());
      EXPECT_EQ(answers ? 4242 : 0, KAVMfgDictionary::GetError());
      EXPECT_EQ(s.open[n - 1], ReferenceKernel::OpenLists());
    }
  }
}

TEST_F(DictionaryTest, EachFailingCallTraceHasNoEndBanner) {
  for (const FaultScenario& s : FaultScenarios()) {
    for (size_t n = 1; n <= s.calls.size(); ++n) {
      SCOPED_TRACE(std::string(s.name) + " failing call " + std::to_string(n));
      const std::string trace = RunWithFault(s, n, _capture);
      const bool ended = trace.find(std::string("\n") + s.endTitle + "\n") !=
                         std::string::npos;
      EXPECT_EQ(s.calls[n - 1] == "GNFINF", ended);
    }
  }
}

TEST_F(DictionaryTest, FailingReadKeepsWhatWasAppendedBeforeIt) {
  // MfgGeoCircle has one attribute: calls 3 to 6 read its name, version,
  // block and status in that order.
  const std::vector<int> kept[] = {
      {0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}, {1, 1, 1, 0}};
  for (int n = 3; n <= 6; ++n) {
    SCOPED_TRACE(n);
    ReferenceKernel::Reset();
    Start("MGEOPFR2");
    ReferenceKernel::FailCall(ReferenceKernel::CallCount() + n, 4242);
    int mode = 0;
    KAVListValKAVUnicodeString names, blocks;
    KAVRawCollint versions, statuses;
    KAVMfgDictionary::GetAttributes("MfgGeoCircle", mode, names, versions,
                                    blocks, statuses);
    EXPECT_EQ(kept[n - 3], (std::vector<int>{names.Size(), versions.Size(),
                                             blocks.Size(), statuses.Size()}));
    EXPECT_EQ(4242, KAVMfgDictionary::GetError());
  }
}

// GetClasses and GetAllAttributes leave the loop on a failing name read but
// still end both lists; the int read's code is not looked at.
TEST_F(DictionaryTest, ListQueriesEndBothListsWhateverFails) {
  struct Case {
    size_t failing;
    int error, open;
    size_t appended;
  };
  // MGEOPFR2: 3 classes, 5 attributes. Calls: create, GUSINF, name/int
  // reads in pairs, GUSEND names, GUSEND ints.
  const Case classes[] = {{1, 4242, 0, 0}, {2, 4242, 2, 0}, {3, 0, 0, 0},
                          {4, 0, 0, 3},    {7, 0, 0, 2},    {9, 0, 1, 3},
                          {10, 4242, 1, 3}};
  for (bool attributes : {false, true}) {
    for (const Case& c : classes) {
      const size_t failing =
          attributes && c.failing >= 9 ? c.failing + 4 : c.failing;
      SCOPED_TRACE(
          (attributes ? "GetAllAttributes call " : "GetClasses call ") +
          std::to_string(failing));
      ReferenceKernel::Reset();
      Start("MGEOPFR2");
      ReferenceKernel::FailCall(
          ReferenceKernel::CallCount() + static_cast<long>(failing), 4242);
      KAVListValKAVUnicodeString names;
      KAVRawCollint ints;
      if (attributes)
        KAVMfgDictionary::GetAllAttributes(names, ints);
      else
        KAVMfgDictionary::GetClasses(names, ints);
      EXPECT_EQ(c.error, KAVMfgDictionary::GetError());
      EXPECT_EQ(c.open, ReferenceKernel::OpenLists());
      const size_t total = attributes ? 5 : 3;
      EXPECT_EQ(c.appended == 3 ? total : c.appended, Names(names).size());
      EXPECT_EQ(Names(names).size(), Ints(ints).size());
    }
  }
}

// --- Traces -----------------------------------------------------------------

// Banners as the operations print them: a blank line, dashes, the title,
// dashes (and a closing blank line after an end title).
Strings Opening(int iDashes, const std::string& iTitle) {
  return {" ", Dashes(iDashes), iTitle, Dashes(iDashes)};
}
Strings Closing(int iDashes, const std::string& iTitle) {
  return {" ", Dashes(iDashes), iTitle, Dashes(iDashes), " "};
}
std::string Block(std::initializer_list<Strings> iParts) {
  Strings lines;
  for (const Strings& part : iParts)
    lines.insert(lines.end(), part.begin(), part.end());
  return Lines(lines);
}

// clang-format off
TEST_F(DictionaryTest, LoadingTraces) {
  Start("MSPECFR2");
  Stdout();
  KAVMfgDictionary::Load("MGEOPFR2", 1);
  KAVMfgDictionary::Store("MGEOPFR3");
  KAVMfgDictionary::LoadDefault();
  KAVMfgDictionary::GetCurrent();
  KAVMfgDictionary::LoadDefault();
  EXPECT_EQ(Block({
      Opening(13, "Load, start"), {"Name : MGEOPFR2", " "},
      {"ier (gnflod) 0", "ier (gnfids) 0"},
      Closing(10, "Load, end "),
      Opening(13, "Store, start"), {"Name : MGEOPFR3", " "},
      {"ier (gnfztr) 0"},
      Closing(10, "Store, end "),
      Opening(13, "KAVMfgDictionary::LoadDefault, start"), {" "},
      {"Name courant : GEO PACK", "Member courant : MGEOPFR2"},
      Opening(13, "KAVMfgDictionary::Unload, start"), {" "},
      {"ier (gnfrst) 0", "ier (gnfzds) 0"},
      Closing(13, "KAVMfgDictionary::Unload, end  "),
      {"ier (gnflod) 0", "ier (gnfids) 0"},
      {" ", Dashes(10), "Name courant : NC MODEL", "Member courant : DICOFR2",
       "KAVMfgDictionary::LoadDefault, end ", Dashes(10), " "},
      Opening(13, "KAVMfgDictionary::GetCurrent, start"), {" "},
      {"Name courant : NC MODEL", "Member courant : DICOFR2"},
      Closing(10, "KAVMfgDictionary::GetCurrent, end "),
      Opening(13, "KAVMfgDictionary::LoadDefault, start"), {" "},
      {"Name courant : NC MODEL", "Member courant : DICOFR2",
       "Default dico deja charge !"},
      {" ", Dashes(10), "Name courant : NC MODEL", "Member courant : DICOFR2",
       "KAVMfgDictionary::LoadDefault, end ", Dashes(10), " "}}),
      Stdout());
}

TEST_F(DictionaryTest, QueryTraces) {
  Start("MGEOPFR2");
  Stdout();
  int mode = 0, f[11];
  KAVListValKAVUnicodeString names, blocks;
  KAVRawCollint ints, statuses;
  KAVRawColldouble doubles;
  KAVMfgDictionary::GetAttributes("MfgGeoCircle", mode, names, ints, blocks, statuses);
  KAVMfgDictionary::GetAttributeValues(" MfgGeoPoint", "MFG_X", ints, doubles, names);
  KAVMfgDictionary::GetAttributeFacets("MFG_GEO_KIND", f[0], f[1], f[2], f[3], f[4], f[5],
                                       f[6], f[7], f[8], f[9], f[10], ints, doubles, names);
  KAVMfgDictionary::GetClasses(names, ints);
  EXPECT_EQ(Block({
      Opening(20, "KAVMfgDictionary::GetAttributes, start"), {"classe : MfgGeoCircle", " "},
      {"gnfrc1(ier) : 0", "nb attrs : 1", " ", "attr : MFG_RADIUS", "version : 1",
       "block : COORDINATES", "status : 1"},
      Closing(18, "KAVMfgDictionary::GetAttributes, end"),
      Opening(41, "KAVMfgDictionary::GetAttributeValues, start"),
      {"ClassName :  MfgGeoPoint", "AttrName  : MFG_X", " ",
       "Clas  : MfgGeoPoint" + std::string(21, ' '), "Attr  : MFG_X" + std::string(11, ' '),
       "gnfrc2(ier) : 0", "ilon : 8", "nb attrs : 0"},
      Closing(41, "KAVMfgDictionary::GetAttributeValues, end"),
      Opening(25, "KAVMfgDictionary::GetAttributeFacets, start"), {" "},
      {"gnfrat(ier) : 0", "Str : POINT", "Str : LINE", "Str : CIRCLE", "Str : PLANE"},
      Closing(23, "KAVMfgDictionary::GetAttributeFacets, end"),
      Opening(20, "KAVMfgDictionary::GetClasses, start"), {" "},
      {"gnflcl(ier) : 0", "NbClass : 3",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrClass : MfgGeoPoint",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrClass : MfgGeoCircle",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrClass : MfgGeoPlane"},
      Closing(17, "KAVMfgDictionary::GetClasses, end")}),
      Stdout());
}

TEST_F(DictionaryTest, ValueAndListTraces) {
  Start("MVIEWFR2");
  Stdout();
  KAVListValKAVUnicodeString names;
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVMfgDictionary::GetAttributeValues("MfgViewToolpath", "MFG_VISIBLE", ints, doubles, names);
  KAVMfgDictionary::GetAllAttributes(names, ints);
  EXPECT_EQ(Block({
      Opening(41, "KAVMfgDictionary::GetAttributeValues, start"),
      {"ClassName : MfgViewToolpath", "AttrName  : MFG_VISIBLE", " ",
       "Clas  : MfgViewToolpath" + std::string(17, ' '),
       "Attr  : MFG_VISIBLE" + std::string(5, ' '),
       "gnfrc2(ier) : 0", "ilon : 4", "nb attrs : 4", "intval : 0", "intval : 1"},
      Closing(41, "KAVMfgDictionary::GetAttributeValues, end"),
      Opening(41, "KAVMfgDictionary::GetAllAttributes, start"), {" "},
      {"gnflat(ier) : 0", "NbAtt : 3",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_COLOR",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_VISIBLE",
       "gusrea(ier) : 0", "gusrea(ier) : 0", "StrAtt : MFG_LINE_TYPE"},
      Closing(17, "KAVMfgDictionary::GetAllAttributes, end")}),
      Stdout());
}

TEST_F(DictionaryTest, FailingClassReadShowsOnlyInTheTrace) {
  Start("MGEOPFR2");
  Stdout();
  ReferenceKernel::FailCall(ReferenceKernel::CallCount() + 5, 4242);  // 2nd name
  KAVListValKAVUnicodeString names;
  KAVRawCollint ints;
  KAVMfgDictionary::GetClasses(names, ints);
  EXPECT_EQ(0, KAVMfgDictionary::GetError());
  EXPECT_EQ(Block({
      Opening(20, "KAVMfgDictionary::GetClasses, start"), {" "},
      {"gnflcl(ier) : 0", "NbClass : 3", "gusrea(ier) : 0", "gusrea(ier) : 0",
       "StrClass : MfgGeoPoint", "gusrea(ier) : 4242"},
      Closing(17, "KAVMfgDictionary::GetClasses, end")}),
      Stdout());
}

TEST_F(DictionaryTest, EditingTraces) {
  Start("MGEOPFR2");
  Stdout();
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  doubles.Append(0.5);
  KAVMfgDictionary::CreateClass("MfgGeoLine", 6, "", 1);
  KAVMfgDictionary::CreateAttribute("MFG_LENGTH", 406, 1, 2, 1, 1, 1, 1, 0, 6, 406, 0, ints,
                                    doubles, texts);
  KAVMfgDictionary::SetCurrentClass("MfgGeoLine", 0);
  KAVMfgDictionary::AddAttribute(" MFG_LENGTH", 2, "DEFINITION ", 1);
  KAVMfgDictionary::SetCurrentClass("MfgGeoNothing", 0);
  EXPECT_EQ(Block({
      Opening(18, "CreateClass, start"), {" "},
      {"ier (gnfccl) : 0"},
      Closing(16, "KAVMfgDictionary::CreateClass, end"),
      Opening(25, "KAVMfgDictionary::CreateAttribute, start"), {" "},
      {"gnfcat(ier) : 0"},
      Closing(20, "KAVMfgDictionary::CreateAttribute, end"),
      Opening(22, "KAVMfgDictionary::SetCurrentClass, start"), {" "},
      Closing(20, "SetCurrentClass, end"),
      Opening(19, "KAVMfgDictionary::AddAttribute, start"),
      {"attribute :  MFG_LENGTH", "version   : 2", "block     : DEFINITION ",
       "status    : 1", " ", "ier (gnfmc1) : 0"},
      Closing(17, "KAVMfgDictionary::AddAttribute, end"),
      Opening(22, "KAVMfgDictionary::SetCurrentClass, start"), {" "}}),
      Stdout());
  EXPECT_EQ(9013, KAVMfgDictionary::GetError());
}
// clang-format on

}  // namespace
