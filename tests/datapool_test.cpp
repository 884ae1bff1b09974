// KAVMfgDataPool against the reference kernel: what reaches the kernel
// (journal), what comes back into the caller's collections, GetError(),
// which lists are left open when a call fails or the kernel answers
// oddly, and the traces and the dump as whole blocks. The bundled site
// seeds the pools TOOLS and RESOURCE.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KAVMfgDataPool.h"
#include "KAVMfgDictionary.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;
using P = KAVMfgDataPool;
using Ints = std::vector<int>;
using Doubles = std::vector<double>;

// Every collection an operation can fill, so that a call takes one line.
struct Out {
  KAVListValKAVUnicodeString names, attributes, texts;
  KAVRawCollint nbValues, types, ints;
  KAVRawColldouble doubles;
  int objectInt = -1;
  void Read(const char* iPool, int iNumber) {
    P::ReadObject(iPool, iNumber, objectInt, names, nbValues, types);
  }
  void Field(const char* iPool, int iNumber, const char* iField) {
    P::ReadField(iPool, iNumber, iField, ints, doubles, texts);
  }
  void Gather(const char* iPool, int iNumber) {
    P::GetValues(iPool, iNumber, attributes, types, nbValues, ints, doubles, texts);
  }
  int Appended() const {
    return names.Size() + texts.Size() + nbValues.Size() + types.Size() + ints.Size() +
           doubles.Size();
  }
};

// The object numbers ListObjects hands back.
Ints Listed(const char* iPool, int iKind) {
  std::unique_ptr<KAVRawCollint> listed(P::ListObjects(iPool, iKind));
  return Values(*listed);
}

using DataPoolTest = KernelTest;

// --- Pools and objects -------------------------------------------------------

// Pool names are cut or padded to 8, never stripped: a leading blank makes
// another pool. The three ints reach GNSCOB in their order.
TEST_F(DataPoolTest, CreatedObjectsAreListedByKindInTheirPool) {
  // clang-format off
  const struct { const char* pool; const char* field; int number, kind; Ints inputs, outputs; } cases[] = {
      {"TOOLS", "TOOLS   ", 7, 2, {1, 2}, {7, 101}}, {"TOOLSXYZ_LONG", "TOOLSXYZ", 3, 1, {3}, {}},
      {" TOOLS", " TOOLS  ", 1, 1, {1}, {}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pool);
    Kernel::Reset();
    P::CreateObject(c.pool, c.number, c.kind, 5);
    EXPECT_EQ(0, P::GetError());
    EXPECT_EQ(c.inputs, Listed(c.pool, 1));
    EXPECT_EQ(c.outputs, Listed(c.pool, 2));
    EXPECT_EQ("GNSCOB \"" + std::string(c.field) + "\" " + std::to_string(c.number) + " " +
                  std::to_string(c.kind) + " 5 -> 0",
              SplitLines(Kernel::Journal()).at(0));
    EXPECT_EQ(0, Kernel::OpenLists());
  }
}

// ReadObject appends (never clears), gives the kind in its int, and ends
// all three lists even when the object has no field.
TEST_F(DataPoolTest, ReadObjectAppendsEachFieldAndItsCounts) {
  P::CreateObject("TOOLS", 9, 2, 0);
  Out o;
  o.Read("TOOLS", 101);
  EXPECT_EQ(2, o.objectInt);
  o.Read("TOOLS", 9);
  EXPECT_EQ(0, P::GetError());
  EXPECT_EQ((Strings{"MFG_TOOL_NUMBER", "MFG_WEAR", "MFG_NB_USES"}), Items(o.names));
  EXPECT_EQ((Ints{1, 3, 1}), Values(o.nbValues));
  EXPECT_EQ((Ints{0, 2, 0}), Values(o.types));
  EXPECT_EQ(0, Kernel::OpenLists());
  Kernel::ClearJournal();
  o.Read("TOOLS", 9);
  EXPECT_EQ(CallLog({"GNSROB", "GUSINF", "GUSEND", "GUSEND", "GUSEND"}), Kernel::Calls());
  EXPECT_EQ(3, o.names.Size());
}

// Refused requests leave only the kernel's code: nothing appended, no list
// open, and ListObjects still hands a collection back.
TEST_F(DataPoolTest, RefusedRequestsLeaveOnlyTheKernelsCode) {
  Out o;
  Ints listed;
  // clang-format off
  const struct { const char* what; std::function<void()> call; int error; } cases[] = {
      {"delete unknown pool", [] { P::DeleteDataPool("NOPOOL"); }, 9040},
      {"object twice", [] { P::CreateObject("TOOLS", 1, 1, 0); }, 9043},
      {"object of kind 3", [] { P::CreateObject("TOOLS", 5, 3, 0); }, 9044},
      {"object in a blank pool", [] { P::CreateObject("", 5, 1, 0); }, 9018},
      {"read unknown object", [&] { o.Read("TOOLS", 77); }, 9041},
      {"read in unknown pool", [&] { o.Read("tools", 1); }, 9040},
      {"delete unknown object", [] { P::DeleteObject("TOOLS", 77); }, 9041},
      {"list kind 0", [&] { listed = Listed("TOOLS", 0); }, 9044},
      {"list unknown pool", [&] { listed = Listed("NOPOOL", 1); }, 9040},
      {"field on missing object", [] { P::CreateIntField("TOOLS", 77, 0, "MFG_X", 1); }, 9041},
      {"blank field name", [] { P::CreateIntField("TOOLS", 1, 0, "  ", 1); }, 9018},
      {"read unknown field", [&] { o.Field("TOOLS", 1, "MFG_NOTHING"); }, 9042},
      {"values of unknown object", [&] { o.Gather("TOOLS", 77); }, 9041}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    c.call();
    EXPECT_EQ(c.error, P::GetError());
    // CreateIntField's list stays open when GNSCFI refuses it.
    EXPECT_EQ(std::string(c.what).find("field ") != std::string::npos ? 1 : 0, Kernel::OpenLists());
    EXPECT_EQ(Ints{}, listed);
  }
  EXPECT_EQ(0, o.Appended());
  EXPECT_EQ(-1, o.objectInt);
}

// Deleting forgets, Initialize brings the site's pools back.
TEST_F(DataPoolTest, DeletedObjectsAndPoolsComeBackWithInitialize) {
  P::DeleteObject("TOOLS", 1);
  P::DeleteDataPool("RESOURCE");
  EXPECT_EQ((Ints{2}), Listed("TOOLS", 1));
  EXPECT_EQ(Ints{}, Listed("RESOURCE", 1));
  EXPECT_EQ(9040, P::GetError());
  P::Initialize();
  EXPECT_EQ((Ints{1, 2}), Listed("RESOURCE", 1));
  EXPECT_EQ(3, P::ReadIntField("TOOLS", 101, "MFG_NB_USES"));
}

// A damaged pool file is read whole or not at all: every routine of the
// family answers its site code until the next reset, Initialize included.
TEST_F(DataPoolTest, DamagedSiteFileRefusesEveryDataPoolRoutine) {
  struct Restore {
    std::string site = KAV_KERNEL_FN(kavsim_site)();
    ~Restore() { KAV_KERNEL_FN(kavsim_set_site)(site.c_str()); }
  } restore;
  // clang-format off
  const struct { const char* what; const char* text; int error; } cases[] = {
      {"not JSON", R"({"pool": "P", )", 9071},
      {"field name not a text", R"({"pool": "P", "objects": [{"number": 1, "kind": 1, "fields": [{"name": 5}]}]})", 9073},
      {"text in an int field", R"({"pool": "P", "objects": [{"number": 1, "kind": 1, "fields": [{"name": "N", "type": 0, "values": ["x"]}]}]})", 9073},
      {"kind 3", R"({"pool": "P", "objects": [{"number": 1, "kind": 3}]})", 9074},
      {"object twice", R"({"pool": "P", "objects": [{"number": 1, "kind": 1}, {"number": 1, "kind": 2}]})", 9074},
      {"width 0", R"({"pool": "P", "objects": [{"number": 1, "kind": 1, "fields": [{"name": "N", "width": 0}]}]})", 9074}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir site;
    site.Write("datapool/P.json", c.text);
    KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
    P::Initialize();
    EXPECT_EQ(c.error, P::GetError());
    P::CreateObject("TOOLS", 5, 1, 0);
    EXPECT_EQ(c.error, P::GetError());
    Listed("P", 1);
    EXPECT_EQ(c.error, P::GetError());
  }
}

// --- Fields ------------------------------------------------------------------

// The first collection holding a value decides the list; texts go padded
// or cut to 72 and come back stripped; all empty still creates the field.
TEST_F(DataPoolTest, CreatedFieldsSendTheFirstKindGivenAndReadBack) {
  const KAVRawCollint ints = IntsOf({5, -6}), none;
  const KAVRawColldouble doubles = DoublesOf({2.5}), noDoubles;
  const std::string longText = "  " + std::string(70, 'L');
  const KAVListValKAVUnicodeString texts = ListOf({longText + "CUT", " RIGHT HAND "}), noTexts;
  // clang-format off
  const struct { const char* name; const KAVRawCollint& i; const KAVRawColldouble& d;
                 const KAVListValKAVUnicodeString& t; Strings calls; Ints ints; Doubles doubles; Strings texts; } cases[] = {
      {"MFG_BOTH", ints, doubles, texts, {"GUSINI 4 0", "GUSPUS 1 5", "GUSPUS 1 -6"}, {5, -6}, {}, {}},
      {"MFG_REAL", none, doubles, texts, {"GUSINI 8 0", "GUSPUS 1 2.5"}, {}, {2.5}, {}},
      {"MFG_TEXT", none, noDoubles, texts, {"GUSINI 72 0", "GUSPUS 1 \"" + longText + "\"",
       "GUSPUS 1 \" RIGHT HAND" + std::string(61, ' ') + "\""}, {}, {}, {std::string(70, 'L'), "RIGHT HAND"}},
      {"MFG_EMPTY", none, noDoubles, noTexts, {"GUSINI 72 0"}, {}, {}, {}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Kernel::Reset();
    P::CreateField("TOOLS", 2, 9, c.name, c.i, c.d, c.t);
    EXPECT_EQ(0, P::GetError());
    const std::string created = "GNSCFI \"TOOLS   \" 2 9 \"" + Padded(c.name, 16) + "\" 1";
    EXPECT_EQ(CallLog(Concat({c.calls, {created, "GUSEND 1"}})), Kernel::Journal());
    Out o;
    o.ints.Append(99);  // emptied first
    o.Field("TOOLS", 2, c.name);
    EXPECT_EQ(c.ints, Values(o.ints));
    EXPECT_EQ(c.doubles, Values(o.doubles));
    EXPECT_EQ(c.texts, Items(o.texts));
    EXPECT_EQ(0, Kernel::OpenLists());
  }
}

// The single-value forms give the first value of their kind, else 0, 0.0
// or "", whatever the field holds (width 16 holds nothing readable).
TEST_F(DataPoolTest, SingleValueReadersGiveTheFirstValueOfTheirKind) {
  P::CreateStrField("TOOLS", 2, 3, "MFG_NOTE", "");
  P::CreateDblField("TOOLS", 2, 2, "MFG_TOOL_DIAM", 7.25);  // created again
  // clang-format off
  const struct { int object; const char* field; int i; double d; const char* text; int error; } cases[] = {
      {101, "MFG_WEAR", 0, 0.02, "", 0},          {1, "MFG_TOOL_MAT", 0, 0, "CARBIDE", 0},
      {1, "MFG_TOOL_NUMBER", 12, 0, "", 0},       {1, "MFG_TOOL_CODE", 0, 0, "", 0},
      {1, "MFG_COMMENT", 0, 0, "", 0},            {2, "MFG_NOTE", 0, 0, "", 0},
      {2, "MFG_TOOL_DIAM", 0, 7.25, "", 0},       {2, "MFG_WEAR", 0, 0, "", 9042}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(c.i, P::ReadIntField("TOOLS", c.object, c.field));
    EXPECT_EQ(c.d, P::ReadDblField("TOOLS", c.object, c.field));
    EXPECT_EQ(KAVUnicodeString(c.text), P::ReadStrField("TOOLS", c.object, c.field));
    EXPECT_EQ(c.error, P::GetError());
  }
  Out o;
  o.Read("TOOLS", 2);
  EXPECT_EQ((Ints{1, 1, 1, 1, 1, 1}), Values(o.nbValues));  // MFG_NOTE: one blank text
  EXPECT_EQ(2, o.types[3]);
}

// --- Value gathering ---------------------------------------------------------

struct GatherCase {
  const char* what;
  int object;
  Strings attributes;  // in; for an empty list, what it holds afterwards
  Ints types, nbValues, ints;
  Doubles doubles;
  Strings texts;
  int dictionaryError;  // the last facet query's, or the previous row's
};

// The same answers traced (field by field) and untraced (through the index).
void CheckGathering() {
  // clang-format off
  const GatherCase cases[] = {
      {"all fields but the skipped", 1, {"MFG_TOOL_NUMBER", "MFG_NB_FLUTES", "MFG_TOOL_DIAM", "MFG_CORNER_RAD",
       "MFG_TOOL_MAT", "MFG_COMMENT", "MFG_TOOL_CODE"}, {0, 1, 2, 2, 3, 0, 0}, {1, 1, 1, 1, 1, 0, 0}, {12, 4},
       {10, 0.5}, {"CARBIDE"}, 0},
      {"named twice, blanks, missing, skipped name", 1, {"MFG_TOOL_DIAM", "MFG_NOPE", " MFG_TOOL_MAT",
       "MFG_TOOL_DIAM", "MFG_TOOL_NATURE"}, {2, 0, 0, 2, 3}, {1, 0, 0, 1, 1}, {}, {10, 10}, {"END MILL"}, 0},
      {"integer the dictionary lacks", 101, {"MFG_TOOL_NUMBER", "MFG_WEAR", "MFG_NB_USES"},
       {0, 2, 0}, {1, 3, 1}, {12, 3}, {0.02, 0.05, 0.11}, {}, 9014}};
  // clang-format on
  for (const GatherCase& c : cases) {
    SCOPED_TRACE(c.what);
    Out o;
    if (std::string(c.what).find("all") != 0)
      for (const std::string& name : c.attributes) o.attributes.Append(name.c_str());
    o.texts.Append("stale");
    o.Gather("TOOLS", c.object);
    EXPECT_EQ(0, P::GetError());
    EXPECT_EQ(c.attributes, Items(o.attributes));
    EXPECT_EQ(c.types, Values(o.types));
    EXPECT_EQ(c.nbValues, Values(o.nbValues));
    EXPECT_EQ(c.ints, Values(o.ints));
    EXPECT_EQ(c.doubles, Values(o.doubles));
    EXPECT_EQ(c.texts, Items(o.texts));
    EXPECT_EQ(0, Kernel::OpenLists());
    EXPECT_EQ(c.dictionaryError, KAVMfgDictionary::GetError());
  }
}

TEST_F(DataPoolTest, GetValuesGathersFivePackedOutputs) { CheckGathering(); }
TEST_F(DataPoolTest, GetValuesTracedGathersTheSame) { CheckGathering(); }

// --- Kernel answers a well-behaved kernel never gives ------------------------

// A handle of 0 with success is never ended; a record width other than 4,
// 8 and 72 reads nothing; counts below 0 read nothing and counts past the
// list read until the kernel refuses an index. None of it breaks anything.
TEST_F(DataPoolTest, OddKernelAnswersAreSurvived) {
  // clang-format off
  const struct { const char* what; std::function<void()> script; Strings calls; int error, open; Doubles values; } cases[] = {
      {"handle 0", [] { Kernel::ScriptInt("GNSRFI", 1, 4, 0); Kernel::ScriptInt("GUSINF", 1, 3, 0, true); },
       {"GNSRFI", "GUSINF"}, 0, 1, {}},
      {"width 16", [] { Kernel::ScriptInt("GUSINF", 1, 2, 16); }, {"GNSRFI", "GUSINF", "GUSEND"}, 0, 0, {}},
      {"width -8", [] { Kernel::ScriptInt("GUSINF", 1, 2, -8); }, {"GNSRFI", "GUSINF", "GUSEND"}, 0, 0, {}},
      {"count -5", [] { Kernel::ScriptInt("GUSINF", 1, 3, -5); }, {"GNSRFI", "GUSINF", "GUSEND"}, 0, 0, {}},
      {"count past the list", [] { Kernel::ScriptInt("GUSINF", 1, 3, 1 << 30); },
       {"GNSRFI", "GUSINF", "GUSREA", "GUSREA", "GUSREA", "GUSREA"}, 9002, 1, {0.02, 0.05, 0.11}},
      {"negative code", [] { Kernel::ScriptInt("GUSREA", 2, 4, -1, true); },
       {"GNSRFI", "GUSINF", "GUSREA", "GUSREA"}, -1, 1, {0.02}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Kernel::Reset();
    c.script();
    Out o;
    o.Field("TOOLS", 101, "MFG_WEAR");
    EXPECT_EQ(CallLog(c.calls, c.error), Kernel::Calls());
    EXPECT_EQ(c.error, P::GetError());
    EXPECT_EQ(c.open, Kernel::OpenLists());
    EXPECT_EQ(c.values, Values(o.doubles));
  }
  // A text record without blanks or terminator, and object numbers from
  // a list whose handle came back 0.
  Kernel::Reset();
  Kernel::ScriptText("GUSREA", 1, 3, std::string(72, 'X'));
  EXPECT_EQ(KAVUnicodeString(std::string(72, 'X').c_str()),
            P::ReadStrField("TOOLS", 1, "MFG_TOOL_MAT"));
  Kernel::ScriptInt("GNSXOB", 1, 3, 0);
  EXPECT_EQ(Ints{}, Listed("TOOLS", 1));
  EXPECT_EQ(9001, P::GetError());  // the kernel knows no list 0
}

// --- Failing kernel calls ----------------------------------------------------

// Every operation with each call failing, alone and with every later one.
std::vector<SweptOperation> Operations() {
  static const KAVRawCollint two = IntsOf({3, 4});
  static const KAVRawColldouble none;
  static const KAVListValKAVUnicodeString noTexts;
  const KernelStep read = KernelStep("GUSREA").Keeps(1);
  const KernelStep end = KernelStep("GUSEND").Ends(1);
  // clang-format off
  const struct { const char* name; std::function<void(Out&)> run; KernelSteps steps; const char* endTitle; } rows[] = {
      {"Initialize", [](Out&) { P::Initialize(); }, {"GNSCTS"}, "Initialize, end  "},
      {"DeleteDataPool", [](Out&) { P::DeleteDataPool("TOOLS"); }, {"GNSEDP"}, "DeleteDataPool, end  "},
      {"CreateObject", [](Out&) { P::CreateObject("TOOLS", 3, 1, 0); }, {"GNSCOB"}, "CreateObject, end  "},
      {"DeleteObject", [](Out&) { P::DeleteObject("TOOLS", 2); }, {"GNSEOB"}, "DeleteObject, end  "},
      {"ReadObject", [](Out& o) { o.Read("RESOURCE", 2); },
       {KernelStep("GNSROB").Opens(3), "GUSINF", read, read, read, read, read, read, read, read, read, end, end, end},
       "ReadObject, end  "},
      {"ListObjects", [](Out& o) { std::unique_ptr<KAVRawCollint> l(P::ListObjects("TOOLS", 1)); o.ints.Append(*l); },
       {KernelStep("GNSXOB").Opens(1), "GUSINF", read, read, end}, "ListObjects, end  "},
      {"CreateField", [](Out&) { P::CreateField("TOOLS", 2, 0, "MFG_X", two, none, noTexts); },
       {KernelStep("GUSINI").Opens(1), "GUSPUS", "GUSPUS", "GNSCFI", end}, "CreateField, end "},
      {"ReadField", [](Out& o) { o.Field("RESOURCE", 2, "MFG_CYCLE_TYPE"); },
       {KernelStep("GNSRFI").Opens(1), "GUSINF", read, read, read, end}, "ReadField, end "}};
  // clang-format on
  std::vector<SweptOperation> operations;
  for (const auto& row : rows)
    operations.push_back({row.name, AppendedBy<Out>(row.run), Stops(row.steps), row.endTitle});
  return operations;
}

void SweepAll(bool iTraced) { SweepOperations(Operations(), P::GetError, iTraced); }

TEST_F(DataPoolTest, EachFailingCallStopsTheOperationThere) { SweepAll(false); }
TEST_F(DataPoolTest, EachFailingCallTraceHasNoEndBanner) { SweepAll(true); }

// Where call n of a clean run falls: the run cut into segments, one per
// list-making call (GNSROB 3 lists, GNSXOB, GNSRFI and the dictionary's
// GNFRAT 1 each). Gives what stays open when call n fails first, whether
// it is the dictionary's (whose failures the data pool does not look
// at), and how many fields had their value list ended before it.
struct Segment {
  bool dictionary = false;
  int open = 0;
  int fieldsRead = 0;
  bool dataPoolCallAfter = false;
};
Segment SegmentOf(const Strings& iCalls, size_t iFailing) {
  Segment segment;
  int lists = 0, ended = 0;
  bool field = false;
  for (size_t i = 0; i < iCalls.size(); ++i) {
    const std::string& call = iCalls[i];
    const bool creating = call.rfind("GUS", 0) != 0;
    if (i >= iFailing) {
      if (creating && call != "GNFRAT") segment.dataPoolCallAfter = true;
      continue;
    }
    if (creating) {
      lists = call == "GNSROB" ? 3 : 1;
      ended = 0;
      field = call == "GNSRFI";
      segment.dictionary = call == "GNFRAT";
      segment.open = 0;
    } else {
      segment.open = lists - ended;
      if (call == "GUSEND") ++ended;
      if (call == "GUSEND" && field && i + 1 < iFailing) ++segment.fieldsRead;
    }
  }
  return segment;
}

Strings CallItems(const std::string& iCalls) {
  Strings names;
  for (const std::string& line : SplitLines(iCalls))
    names.push_back(line.substr(0, line.find(' ')));
  return names;
}

// GetValues and DumpDataPool with each call failing, alone and with every
// later one. GetValues stops at a data pool failure with its entries
// parallel; a dictionary failure only leaves that query's list open (and,
// when every later call fails too, the next field's read stops it). The
// dump never stops: it keeps both titles and its closing banner, and
// names no object or field a clean dump would not (a field whose counts
// were not read prints them as 0).
void GatherAndDumpSweep(bool iTraced) {
  for (bool dump : {false, true}) {
    std::optional<Out> o;
    const auto run = [&] {
      o.emplace();
      if (dump) return P::DumpDataPool("TOOLS");
      o->Gather("TOOLS", 1);
    };
    Kernel::Reset();
    CoutCapture capture;  // the clean run's; each faulty run's is AnomalyLoop's
    run();
    const std::string cleanOut = capture.Take();
    const Out clean = *o;
    const Strings cleanCalls = CallItems(Kernel::Calls());
    const auto check = [&](const FaultRun& iRun) {
      SCOPED_TRACE(std::string(dump ? "DumpDataPool, " : "GetValues, ") + iRun.Label());
      if (!iRun.Faulted()) {
        EXPECT_EQ(cleanOut, iRun.out);
        return;
      }
      const Segment segment = SegmentOf(cleanCalls, static_cast<size_t>(iRun.n));
      const Strings calls = CallItems(iRun.calls);
      ASSERT_GE(calls.size(), static_cast<size_t>(iRun.n));
      EXPECT_EQ(Strings(cleanCalls.begin(), cleanCalls.begin() + iRun.n - 1),
                Strings(calls.begin(), calls.begin() + iRun.n - 1));
      EXPECT_EQ(segment.open, Kernel::OpenLists());
      if (dump) {
        EXPECT_NE(std::string::npos, iRun.out.find("Dump of Data Pool Output Objects \n"));
        EXPECT_EQ(iTraced, iRun.out.find("\nDumpDataPool, End   \n") != std::string::npos);
        size_t from = 0;
        for (const std::string& line : SplitLines(iRun.out))
          if (from != std::string::npos &&
              (line.rfind("      Name", 0) == 0 || line.rfind("   Object Number", 0) == 0) &&
              (from = cleanOut.find(line, from)) != std::string::npos)
            ++from;
        EXPECT_NE(std::string::npos, from);
        return;
      }
      const bool stops =
          !segment.dictionary || (iRun.mode == FaultMode::kFrom && segment.dataPoolCallAfter);
      EXPECT_EQ(stops ? iRun.code : 0, P::GetError());
      EXPECT_EQ(!segment.dictionary, calls.size() == static_cast<size_t>(iRun.n));
      EXPECT_EQ(iTraced && !stops, iRun.out.find("\nGetValues, end\n") != std::string::npos);
      EXPECT_EQ(stops ? segment.fieldsRead : clean.types.Size(), o->types.Size());
      EXPECT_EQ(o->types.Size(), o->nbValues.Size());
    };
    AnomalyLoop([] {}, run, check);
  }
}

TEST_F(DataPoolTest, GetValuesAndDumpEndAsPromisedWhateverCallFails) { GatherAndDumpSweep(false); }
TEST_F(DataPoolTest, GetValuesAndDumpTraceEndAsPromisedWhateverCallFails) {
  GatherAndDumpSweep(true);
}

// --- Traces and the dump -----------------------------------------------------

// clang-format off
TEST_F(DataPoolTest, ObjectAndFieldTraces) {
  P::CreateObject("TRACE", 1, 1, 0);
  P::CreateIntField("TRACE", 1, 0, "MFG_THREADED", 1);
  P::ReadDblField("TRACE", 1, "MFG_THREADED");
  P::DeleteObject("TRACE", 4);
  const Strings readField = {"Pool   : TRACE", "Numobj : 1", "Field  : MFG_THREADED", " ", "ier (gnsrfi) : 0",
                             "Field Type is Integer", "Field Value : 1"};
  EXPECT_EQ(Block({
      Opening(20, "CreateObject, start"), {" ", "ier (gnscob) : 0"}, Closing(17, "CreateObject, end  "),
      Opening(20, "CreateIntField, start"), {" "}, Opening(20, "CreateField, start"), {" ", "ier (gnscfi) : 0"},
      Closing(17, "CreateField, end "), Closing(20, "CreateIntField, end "),
      Opening(20, "ReadDblField, start"), {"Pool   : TRACE", "Numobj : 1", "Field  : MFG_THREADED", " "},
      Opening(20, "ReadField, start"), readField, Closing(17, "ReadField, end "),
      {" ", "Value : 0", Dashes(20), "ReadDblField, end ", Dashes(20), " "},
      Opening(20, "DeleteObject, start"), {" ", "ier (gnseob) : 9041"}}),
      Stdout());

  Out o;
  o.Gather("TRACE", 1);
  o.attributes.Append("MFG_X");
  o.attributes.Append("MFG_THREADED");
  o.Gather("TRACE", 1);
  const Strings readObject = Concat({Opening(20, "ReadObject, start"),
      {" ", "ier (gnsrob) : 0", "field : MFG_THREADED    ", "type  : 0", "nbval : 1"},
      Closing(17, "ReadObject, end  ")});
  const Strings gathered = Concat({Opening(20, "ReadField, start"), readField, Closing(17, "ReadField, end "),
      Opening(25, "KAVMfgDictionary::GetAttributeFacets, start"), {" ", "gnfrat(ier) : 0", "i4 : 0", "i4 : 1"},
      Closing(23, "KAVMfgDictionary::GetAttributeFacets, end"), {"type : 1", "Integer Field, NbVals : 1"}});
  EXPECT_EQ(Block({
      Opening(20, "GetValues, start"), {"Pool    : TRACE", "Numobj  : 1", "ListAtt : ", " "}, readObject,
      {"No Specified List Of Attributes", " ", "Field : MFG_THREADED"}, gathered, Closing(16, "GetValues, end"),
      Opening(20, "GetValues, start"), {"Pool    : TRACE", "Numobj  : 1", "ListAtt : MFG_THREADED MFG_X MFG_THREADED",
      " "}, readObject,
      {"Search For List Of Attributes", "Attribute : MFG_THREADED---", "  ", "Field : MFG_THREADED---"}, gathered,
      {"Attribute : MFG_X---", "  ", "Field : MFG_THREADED---", "Unvaluated Attribute",
       "Attribute : MFG_THREADED---", "  ", "Field : MFG_THREADED---"}, gathered,
      Closing(16, "GetValues, end")}),
      Stdout());

  // A kernel writing a name record past its 16 characters: traced, the
  // record is shown as read, up to its width.
  Kernel::Reset();
  Kernel::ScriptText("GUSREA", 1, 3, std::string(40, 'N'));
  Out longNames;
  longNames.Read("TOOLS", 101);
  EXPECT_NE(std::string::npos, Stdout().find("\nfield : " + std::string(16, 'N') + "\n"));
}

// The dump prints whether traced or not; tracing adds the banners and the
// traces of the operations it calls.
void CheckDump(const std::string& iOut, bool iTraced) {
  auto traced = [iTraced](Strings iLines) { return iTraced ? iLines : Strings{}; };
  const Strings listEnd = traced(Closing(17, "ListObjects, end  "));
  EXPECT_EQ(Block({
      traced(Opening(20, "DumpDataPool, Start ")), traced({"Pool   : DUMP", " "}),
      Opening(32, "Dump of Data Pool Input Objects "), {" "},
      traced(Opening(20, "ListObjects, start")), traced({" ", "ier (gnsxob) : 0"}), listEnd,
      {" ", "Number of Objects : 1"},
      traced(Opening(20, "ReadObject, start")),
      traced({" ", "ier (gnsrob) : 0", "field : MFG_A           ", "type  : 2", "nbval : 1",
              "field : MFG_B           ", "type  : 3", "nbval : 2"}),
      traced(Closing(17, "ReadObject, end  ")),
      {" ", "   Object Number   : 3", "   Number of Field : 2",
       " ", "      Name of Field    : MFG_A", "      Type of Values   : 2", "      Number of Values : 1",
       " ", "      Name of Field    : MFG_B", "      Type of Values   : 3", "      Number of Values : 2"},
      Opening(32, "Dump of Data Pool Output Objects "), {" "},
      traced(Opening(20, "ListObjects, start")), traced({" ", "ier (gnsxob) : 0"}), listEnd,
      {" ", "Number of Objects : 0"},
      traced(Closing(20, "DumpDataPool, End   "))}),
      iOut);
}
// clang-format on

void RunDump(CoutCapture& ioCapture, bool iTraced) {
  P::CreateObject("DUMP", 3, 1, 2);
  P::CreateDblField("DUMP", 3, 2, "MFG_A", 1.5);
  P::CreateField("DUMP", 3, 3, "MFG_B", KAVRawCollint(), KAVRawColldouble(), ListOf({"X", "Y"}));
  ioCapture.Take();
  P::DumpDataPool("DUMP");
  CheckDump(ioCapture.Take(), iTraced);
}

TEST_F(DataPoolTest, DumpPrintsUntraced) { RunDump(_capture, false); }
TEST_F(DataPoolTest, DumpTracePrintsBanners) { RunDump(_capture, true); }

}  // namespace
