// Trace switches and the trace writer. The switches are read once per
// process, so each case runs in a child with its environment set first.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVTrace.h"
#include "TestSupport.h"

using namespace kavtest;

TEST(DiagnosticsTest, DebugSwitchMatchesWholeColonSeparatedElements) {
  // answers: Dictionary, DataPool, BaseNLS, ""
  // clang-format off
  struct Case { const char* name; std::optional<std::string> value; const char* answers; } cases[] = {
      {"unset", std::nullopt, "0000"}, {"empty", "", "0000"}, {"one class", "KAVMfgDictionary", "1000"},
      {"two classes", "KAVMfgDataPool:KAVMfgDictionary", "1100"}, {"ALL", "ALL", "1111"},
      {"ALL among others", "KAVMfgX:ALL", "1111"}, {"lower case matches nothing", "kavmfgdictionary:all", "0000"},
      {"a blank after the colon is part of the element", "KAVMfgDataPool: KAVMfgDictionary", "0100"},
      {"a prefix is not the class", "KAVMfgDict", "0000"}, {"a longer word is not the class", "KAVMfgDictionaryX", "0000"},
      {"trailing colon adds no element", "KAVMfgBaseNLS:", "0010"},
      {"leading colon gives an empty element", ":KAVMfgBaseNLS", "0011"},
      {"doubled colon gives an empty element", "KAVMfgBaseNLS::KAVMfgDataPool", "0111"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectFresh({{"MfgBaseDebug", c.value}}, c.answers, [] {
      std::string answers;
      for (const char* name : {"KAVMfgDictionary", "KAVMfgDataPool", "KAVMfgBaseNLS", ""})
        answers += GetDebug(name) ? '1' : '0';
      return answers;
    });
  }
}

TEST(DiagnosticsTest, PerfoOdtAndRecordSwitchesCompareTheWholeValue) {
  // answers: Perfo(Dictionary), Perfo(DataPool), ODT, GIIRV5
  // clang-format off
  struct Case { const char* name; std::optional<std::string> perfo, odt, record; const char* answers; } cases[] = {
      {"all unset", std::nullopt, std::nullopt, std::nullopt, "0000"},
      {"one class and OUI", "KAVMfgDictionary", "OUI", "OUI", "1011"}, {"ALL", "ALL", "NON", "oui", "1100"},
      {"a list names no class", "KAVMfgDictionary:KAVMfgDataPool", "OUI ", "OUIOUI", "0000"},
      {"empty values", "", "", "", "0000"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectFresh({{"MfgBasePerfo", c.perfo}, {"MFGODT", c.odt}, {"GIIBatchRecordV5", c.record}},
                c.answers, [] {
                  return Streamed(GetPerfo("KAVMfgDictionary")) +
                         Streamed(GetPerfo("KAVMfgDataPool")) + Streamed(GetMfgODT()) +
                         Streamed(GetGIIRV5());
                });
  }
}

TEST(DiagnosticsTest, SwitchesAreReadOnceAndKeptForTheProcess) {
  const Environment first = {{"MfgBaseDebug", std::nullopt},
                             {"MFGODT", "OUI"},
                             {"MfgBasePerfo", "ALL"},
                             {"GIIBatchRecordV5", std::nullopt}};
  ExpectFresh(first, "01100110|OUI||", [] {
    std::cout << GetDebug("KAVMfgDictionary") << GetMfgODT() << GetPerfo("X") << GetGIIRV5();
    setenv("MfgBaseDebug", "ALL", 1);
    setenv("MFGODT", "NON", 1);
    setenv("MfgBasePerfo", "", 1);
    setenv("GIIBatchRecordV5", "OUI", 1);
    std::cout << GetDebug("KAVMfgDictionary") << GetMfgODT() << GetPerfo("X") << GetGIIRV5() << "|"
              << KAVMfgBaseAnalysisStatic::ReadODT() << "|" << KAVMfgBaseAnalysisStatic::ReadDebug()
              << "|";
    return std::string();
  });
}

TEST(DiagnosticsTest, TraceWriterLaysOutBannersAndLabelledLines) {
  CoutCapture capture;
  KAVTrace::Open(KAVOpening::Heading(16), "GetTables, start");
  KAVTrace::Line("itype : ", 3);
  KAVTrace::Blank();
  KAVTrace::Line("Table Name : ", KAVUnicodeString("APT1"));
  KAVTrace::Line("label : ", static_cast<const char*>(nullptr));
  KAVTrace::Line("value : ", 2.5);
  KAVTrace::Dashes(0);
  KAVTrace::Close(KAVClosing::Framed(15), "GetTables, end ");
  EXPECT_EQ(Block({Opening(16, "GetTables, start"),
                   {"itype : 3", " ", "Table Name : APT1", "label : ", "value : 2.5", ""},
                   Closing(15, "GetTables, end ")}),
            capture.Take());
}

// Each named shape leaves out its own parts of the one layout and puts its
// lines at its own place: an opening's beside or under its title, a
// closing's above it.
TEST(DiagnosticsTest, BannerShapesKeepTheirPartsAndPlaceTheirLines) {
  const KAVUnicodeString pool("TOOLS");
  const KAVListValKAVUnicodeString none;
  const auto open = [&](const KAVOpening& iShape) {
    KAVTrace::Open(iShape, "T", {{"n : ", 3}, {"s : ", pool}, {"r : ", 0.5}});
  };
  const auto close = [&](const KAVClosing& iShape) {
    KAVTrace::Close(iShape, "T", {{"c : ", "x"}, {"l : ", none}, "text"});
  };
  const Strings in = {"n : 3", "s : TOOLS", "r : 0.5"}, out = {"c : x", "l : ", "text"};
  // clang-format off
  struct Case { const char* name; std::function<void()> print; Strings expected; } cases[] = {
      {"Listed", [&] { open(KAVOpening::Listed(3)); }, Concat({{" ", "---", "T", "---"}, in, {" "}})},
      {"Framed", [&] { open(KAVOpening::Framed(3)); }, Concat({{" ", "---", "T"}, in, {"---", " "}})},
      {"Heading", [&] { open(KAVOpening::Heading(3)); }, Concat({{" ", "---", "T"}, in, {"---"}})},
      {"Bare opening", [&] { open(KAVOpening::Bare(3)); }, Concat({{"---", "T"}, in, {"---"}})},
      {"Undashed opening", [&] { open(KAVOpening::Undashed()); }, Concat({{" ", "T"}, in, {" "}})},
      {"Framed closing", [&] { close(KAVClosing::Framed(3)); }, Concat({{" ", "---"}, out, {"T", "---", " "}})},
      {"Footing", [&] { close(KAVClosing::Footing(3, 2)); }, Concat({{"---"}, out, {"T", "--", " "}})},
      {"Bare closing", [&] { close(KAVClosing::Bare(3)); }, Concat({{"---"}, out, {"T", "---"}})},
      {"Undashed closing", [&] { close(KAVClosing::Undashed()); }, Concat({{" "}, out, {"T", " "}})},
      {"no lines", [&] { KAVTrace::Open(KAVOpening::Listed(0), "T"); }, {" ", "", "T", "", " "}},
      {"a labelled title", [&] { KAVTrace::Close(KAVClosing::Framed(2), {"end ID = ", 7}); },
       {" ", "--", "end ID = 7", "--", " "}},
      {"lines printed as they come",
       [&] { KAVTrace::Close(KAVClosing::Framed(2), "T", [] { KAVTrace::Line("m : ", 1); }); },
       {" ", "--", "m : 1", "T", "--", " "}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CoutCapture capture;
    c.print();
    EXPECT_EQ(Lines(c.expected), capture.Take());
  }
}

// An operation's trace prints through its switch only; what the operation
// asks of it while off costs no line, a closing's late lines included.
TEST(DiagnosticsTest, OperationTracePrintsOnlyWhileItsSwitchIsOn) {
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on);
    CoutCapture capture;
    int asked = 0;
    const KAVOperationTrace trace(on);
    trace.Open(KAVOpening::Listed(2), "T", {{"i : ", 1}});
    trace.Line("code : ", 0);
    trace.Text("ok");
    trace.Blank();
    trace.Dashes(1);
    trace.Close(KAVClosing::Framed(2), "E", [&] { ++asked; });
    EXPECT_EQ(on ? Lines({" ", "--", "T", "--", "i : 1", " ", "code : 0", "ok", " ", "-", " ", "--",
                          "E", "--", " "})
                 : "",
              capture.Take());
    EXPECT_EQ(on ? 1 : 0, asked);
    EXPECT_EQ(on, static_cast<bool>(trace));
  }
}
