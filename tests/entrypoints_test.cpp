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

using kavtest::Dashes;
using kavtest::Lines;
using kavtest::RunInChild;
using kavtest::TempDir;

namespace {

std::string Env(const char* iName) {
  const char* value = std::getenv(iName);
  return value ? value : "(unset)";
}

// The four entries cxrv5i may write, one per line.
std::string Entries() {
  return Env("GIIBatchRecordV5") + "\n" + Env("KAVRECORDREPLAY") + "\n" +
         Env("KAVRECORDCAPTURE") + "\n" + Env("KAVUserSettingPath") + "\n" +
         Env("MfgDataInDir") + "\n";
}

std::vector<std::string> Block(const std::string& iLine) {
  const std::string mfg =
      "MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG";
  const std::string blanks(63, ' ');
  return {mfg, mfg, blanks, iLine, blanks, mfg, mfg};
}

}  // namespace

TEST(EntryPointsTest, RecordSetUpPublishesTheRunDirectories) {
  struct Case {
    const char* name;
    kavtest::Environment env;
    std::string recordName;
    const char* group;
    std::string entries;  // GIIBatchRecordV5, REPLAY, CAPTURE, settings, data
  } cases[] = {
      {"user directory",
       {{"ADL_BSF_UDIR", "/u"}},
       "T1",
       "G1",
       "OUI\n/u/MfgInterface.tst/G1/T1\n(unset)\n/u/MfgInterface.tst/G1/T1\n"
       "/u/MfgInterface.tst/G1/T1\n"},
      {"replay beats the user directory",
       {{"ADL_BSF_UDIR", "/u"}, {"GIIBatchRecordV5Replay", "/r"}},
       "T1",
       "G1",
       "OUI\n/r/T1\n(unset)\n/r/T1\n/r/T1\n"},
      {"capture beats replay",
       {{"GIIBatchRecordV5Replay", "/r"}, {"GIIBatchRecordV5Capture", "/c"}},
       " T2 ",
       "  G2",
       "OUI\n(unset)\n/c/T2\n/c/T2\n/c/T2\n"},
      {"empty counts as unset",
       {{"ADL_BSF_UDIR", ""}, {"GIIBatchRecordV5Capture", "/c"}},
       std::string(85, 'n'),
       "G",
       "OUI\n(unset)\n/c/" + std::string(80, 'n') + "\n/c/" +
           std::string(80, 'n') + "\n/c/" + std::string(80, 'n') + "\n"},
      {"nothing set",
       {},
       "T",
       "G",
       "OUI\n(unset)\n(unset)\n(unset)\n(unset)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kavtest::Environment env = {{"ADL_BSF_UDIR", std::nullopt},
                                {"GIIBatchRecordV5Replay", std::nullopt},
                                {"GIIBatchRecordV5Capture", std::nullopt},
                                {"GIIBatchRecordV5", std::nullopt}};
    for (const auto& entry : c.env) env[entry.first] = entry.second;
    const std::string recordName = c.recordName;
    auto result = RunInChild(env, [&] {
      char* data = cxrv5i(recordName.c_str(), c.group);
      const char* published = std::getenv("MfgDataInDir");
      // The returned entry is the one the environment holds.
      const bool same = published == nullptr
                            ? data[0] == '\0'
                            : data + std::strlen("MfgDataInDir=") == published;
      std::cerr << Entries() << same;
      return 0;
    });
    EXPECT_EQ(c.entries + "1", result.err);
  }
}

TEST(EntryPointsTest, RecordSetUpAnnouncesWhateverTheSwitches) {
  auto result = RunInChild({{"ADL_BSF_UDIR", "/u"},
                            {"MfgBaseDebug", std::nullopt},
                            {"GIIBatchRecordV5Replay", std::nullopt},
                            {"GIIBatchRecordV5Capture", std::nullopt}},
                           [] {
                             cxrv5i("T1", "G1");
                             return 0;
                           });
  std::vector<std::string> expected(3, std::string(48, '#'));
  expected.push_back("Repertoire officiel de recherche du capture.rec :G1/T1.");
  const std::string path = "/u/MfgInterface.tst/G1/T1";
  for (const char* line :
       {" RecordV5Dir :KAVRECORDREPLAY=", " SettingsDir :KAVUserSettingPath=",
        " MfgDataInDir :MfgDataInDir="})
    for (int copy = 0; copy < 2; ++copy)
      for (const std::string& blockLine : Block(std::string(line) + path))
        expected.push_back(blockLine);
  EXPECT_EQ(Lines(expected), result.out);
}

TEST(EntryPointsTest, RecordSwitchIsReadOncePerProcess) {
  struct Case {
    const char* name;
    std::optional<std::string> initial;
    bool askFirst;
    const char* answers;  // before cxrv5i (when asked), after
  } cases[] = {
      {"asked before the set-up", std::nullopt, true, "00"},
      {"first asked after the set-up", std::nullopt, false, "1"},
      {"already on", "OUI", true, "11"},
      {"lower case is off", "oui", true, "00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = RunInChild({{"GIIBatchRecordV5", c.initial}}, [&] {
      int mode = -1;
      if (c.askFirst) {
        cxgiiv5(&mode);
        std::cerr << mode;
      }
      cxrv5i("T", "G");
      cxgiiv5(&mode);
      std::cerr << mode;
      return 0;
    });
    EXPECT_EQ(c.answers, result.err);
  }
}

// Cells of missing settings keep what the caller put there (the reader
// leaves them alone); the error output is always 0.
TEST(EntryPointsTest, SettingsQueryReadsSixCellsInOrder) {
  TempDir store;
  store.Write(
      "MFGPROG.txt",
      "KAVMfgPoPg2TabPage.HLTPARTS = 1\nKAVMfgPoPg2TabPage.HLTCHECK = 0\n"
      "KAVMfgPoPg2TabPage.HLTRELIM = -3\nKAVMfgPoPg2TabPage.HLTMACRO = 12\n"
      "KAVMfgPoPg2TabPage.HLTSMART = 1\n");
  setenv("KAVUserSettingPath", store.Path().c_str(), 1);
  int cells[6] = {9, 9, 9, 9, 9, 9};
  int error = 5;
  EXPECT_EQ(0, nqusett(&cells[0], &cells[1], &cells[2], &cells[3], &cells[4],
                       &cells[5], &error));
  EXPECT_EQ(0, error);
  EXPECT_EQ((std::vector<int>{1, 0, -3, 9, 12, 1}),
            std::vector<int>(cells, cells + 6));
  EXPECT_EQ(0, nqusett(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr));
  unsetenv("KAVUserSettingPath");
}

TEST(EntryPointsTest, SettingsQueryTraceListsTheValues) {
  TempDir store;
  store.Write("MFGPROG.txt", "KAVMfgPoPg2TabPage.HLTDRIVE = 7\n");
  auto result = RunInChild({{"KAVUserSettingPath", store.Path()}}, [] {
    int cells[6] = {0, 1, 2, 3, 4, 5}, error = 0;
    nqusett(&cells[0], &cells[1], &cells[2], &cells[3], &cells[4], &cells[5],
            &error);
    return 0;
  });
  EXPECT_EQ(Lines({Dashes(16), "nqusett, Start  ", Dashes(16), Dashes(36),
                   "Valeur Setting Parts 0", "Valeur Setting Check 1",
                   "Valeur Setting Relim 2", "Valeur Setting Drive 7",
                   "Valeur Setting Macro 4", "Valeur Setting Smart 5",
                   "nqusett, End    ", Dashes(36)}),
            result.out);
}
