// The C entry points: record/replay set-up through the environment, the
// record switch read once per process, and the settings query. What is
// decided once per process runs in a child with its environment set first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "KAVEntryPoints.h"
#include "TestSupport.h"

using namespace kavtest;

namespace {

// Runs nqusett in a child whose settings store holds iStore: first on
// six cells and an error cell holding 10 to 16, then on null cells.
// Standard error gets the first result, then the seven cells as the call
// left them.
kavtest::ChildResult QuerySettings(const std::string& iStore) {
  TempDir store;
  store.Write("MFGPROG.txt", iStore);
  return RunInChild({{"KAVUserSettingPath", store.Path()}}, [] {
    int c[7] = {10, 11, 12, 13, 14, 15, 16};
    std::cerr << nqusett(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6]);
    for (int cell : c) std::cerr << ' ' << cell;
    return nqusett(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  });
}

}  // namespace

// The five entries cxrv5i may write, each followed by a blank, "-" when
// unset: GIIBatchRecordV5, KAVRECORDREPLAY, KAVRECORDCAPTURE,
// KAVUserSettingPath, MfgDataInDir. The data entry it returns must be the
// one the environment holds. The three directories are set or unset ({})
// in every child.
TEST(EntryPointsTest, RecordSetUpPublishesTheRunDirectories) {
  const std::string u = "/u/MfgInterface.tst/G1/T1", r = "/r/" + std::string(80, 'n');
  // clang-format off
  struct Case { const char* name; std::optional<std::string> user, replay, capture; std::string recordName, group, entries; }
  cases[] = {
      {"user directory", "/u", {}, {}, " T1 ", "  G1", "OUI " + u + " - " + u + " " + u},
      {"replay beats the user directory", "/u", "/r", {}, "T1", "G1", "OUI /r/T1 - /r/T1 /r/T1"},
      {"capture beats replay", {}, "/r", "/c", "T2", "G2", "OUI - /c/T2 /c/T2 /c/T2"},
      {"empty counts as unset", {}, "/r", "", std::string(85, 'n'), "G", "OUI " + r + " - " + r + " " + r},
      {"nothing set", {}, {}, {}, "T", "G", "OUI - - - -"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto scenario = [&] {
      const char* data = cxrv5i(c.recordName.c_str(), c.group.c_str());
      for (const char* name : {"GIIBatchRecordV5", "KAVRECORDREPLAY", "KAVRECORDCAPTURE",
                               "KAVUserSettingPath", "MfgDataInDir"})
        std::cerr << (std::getenv(name) ? std::getenv(name) : "-") << ' ';
      const char* held = std::getenv("MfgDataInDir");
      std::cerr << (held ? data + std::strlen("MfgDataInDir=") == held : data[0] == '\0');
      return 0;
    };
    const kavtest::Environment env = {{"ADL_BSF_UDIR", c.user},
                                      {"GIIBatchRecordV5Replay", c.replay},
                                      {"GIIBatchRecordV5Capture", c.capture},
                                      {"GIIBatchRecordV5", std::nullopt}};
    EXPECT_EQ(c.entries + " 1", RunInChild(env, scenario).err);
  }
}

TEST(EntryPointsTest, RecordSetUpAnnouncesWhateverTheSwitches) {
  auto result = RunInChild({{"ADL_BSF_UDIR", "/u"},
                            {"MfgBaseDebug", std::nullopt},
                            {"GIIBatchRecordV5Replay", std::nullopt},
                            {"GIIBatchRecordV5Capture", std::nullopt}},
                           [] { return cxrv5i("T1", "G1") == nullptr ? 1 : 0; });
  const std::string mfg = "MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG";
  const std::string blanks(63, ' '), path = "/u/MfgInterface.tst/G1/T1";
  std::vector<std::string> expected(3, std::string(48, '#'));
  expected.push_back("Repertoire officiel de recherche du capture.rec :G1/T1.");
  for (const char* label : {" RecordV5Dir :KAVRECORDREPLAY=", " SettingsDir :KAVUserSettingPath=",
                            " MfgDataInDir :MfgDataInDir="})
    for (int copy = 0; copy < 2; ++copy)
      expected.insert(expected.end(), {mfg, mfg, blanks, label + path, blanks, mfg, mfg});
  EXPECT_EQ(Lines(expected), result.out);
}

TEST(EntryPointsTest, RecordSwitchIsReadOncePerProcess) {
  // answers: before cxrv5i (when asked), after
  // clang-format off
  struct Case { const char* name; std::optional<std::string> initial; bool askFirst; const char* answers; } cases[] = {
      {"asked before the set-up", std::nullopt, true, "00"}, {"first asked after the set-up", std::nullopt, false, "1"},
      {"already on", "OUI", true, "11"}, {"lower case is off", "oui", true, "00"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = RunInChild({{"GIIBatchRecordV5", c.initial}}, [&] {
      int mode = -1;
      if (c.askFirst) cxgiiv5(&mode), std::cerr << mode;
      cxrv5i("T", "G");
      cxgiiv5(&mode);
      std::cerr << mode;
      return 0;
    });
    EXPECT_EQ(c.answers, result.err);
  }
}

// A missing setting (Drive) leaves its cell as the caller filled it; the
// error cell is always 0.
TEST(EntryPointsTest, SettingsQueryReadsSixCellsInOrder) {
  auto result = QuerySettings(
      "KAVMfgPoPg2TabPage.HLTPARTS = 1\nKAVMfgPoPg2TabPage.HLTCHECK = 0\n"
      "KAVMfgPoPg2TabPage.HLTRELIM = -3\nKAVMfgPoPg2TabPage.HLTMACRO = 12\n"
      "KAVMfgPoPg2TabPage.HLTSMART = 6\n");
  EXPECT_EQ(0, result.status);
  EXPECT_EQ("0 1 0 -3 13 12 6 0", result.err);
}

// Null cells are read into scratch cells, whose values are traced: the
// trace never reads through a null cell.
TEST(EntryPointsTest, SettingsQueryTraceListsTheValues) {
  const auto query = [](std::vector<int> iValues) {
    std::vector<std::string> lines = {Dashes(16), "nqusett, Start  ", Dashes(16), Dashes(36)};
    const char* names[] = {"Parts", "Check", "Relim", "Drive", "Macro", "Smart"};
    for (int i = 0; i < 6; ++i)
      lines.push_back(std::string("Valeur Setting ") + names[i] + " " + std::to_string(iValues[i]));
    lines.insert(lines.end(), {"nqusett, End    ", Dashes(36)});
    return Lines(lines);
  };
  EXPECT_EQ(query({10, 11, 12, 7, 14, 15}) + query({0, 0, 0, 7, 0, 0}),
            QuerySettings("KAVMfgPoPg2TabPage.HLTDRIVE = 7\n").out);
}
