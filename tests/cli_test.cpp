// t4711 as a site engineer runs it: the pre-flight check against kernels
// that bind everything, nothing, or are missing; which module env reports;
// a command file run in one process; kernel failures reported with their
// code and a non-zero status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"

namespace {

struct Outcome {
  int status;
  std::string out;
};

// Runs t4711 with the words and environment prefix given, through the
// shell; standard error is folded into the output.
Outcome RunTool(const std::string& iEnvironment, const std::string& iWords) {
  const std::string command =
      iEnvironment + " '" + KAV_TEST_T4711 + "' " + iWords + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[512];
  while (pipe && fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = pipe ? pclose(pipe) : -1;
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

bool Has(const std::string& iText, const std::string& iPart) {
  return iText.find(iPart) != std::string::npos;
}

const std::string kModules = KAV_TEST_MODULES_DIR;
const std::string kKernel = KAV_TEST_KERNEL_DIR;

}  // namespace

TEST(CliTest, CheckKernelReportsWhatAResolverLeavesUnbound) {
  struct Case {
    const char* name;
    std::string stepLib;
    int status;
    std::string expected;
  } cases[] = {
      {"reference kernel", kKernel, 0, "bound 75 of 75 routines"},
      {"independent resolver", kModules + "/probe", 0, "bound 75 of 75 routines"},
      {"resolver binding nothing", kModules + "/unbinding", 1, "75  GMOSEL   left unbound"},
      {"module without resolver", kModules + "/noresolver", 1, "has no resolver kavsymb"},
      {"no module", kModules, 1, "no KAVSYMB along STEPLIB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome outcome = RunTool("STEPLIB='" + c.stepLib + "'", "check-kernel");
    EXPECT_EQ(c.status, outcome.status) << outcome.out;
    EXPECT_TRUE(Has(outcome.out, c.expected)) << outcome.out;
  }
}

TEST(CliTest, EnvNamesTheModuleTheBinderWouldLoadAndTheSwitches) {
  Outcome outcome = RunTool("STEPLIB='" + kModules + "::" + kKernel + "' HOME='" + kModules +
                                "/probe' MfgBaseDebug=KAVMfgBaseNLS",
                            "--json env");
  EXPECT_EQ(0, outcome.status);
  EXPECT_TRUE(Has(outcome.out, "\"KAVSYMB\": \"" + kModules + "/probe/KAVSYMB\"")) << outcome.out;
  EXPECT_TRUE(Has(outcome.out, "\"GetDebug(KAVMfgBaseNLS)\": \"1\""));
  EXPECT_TRUE(Has(outcome.out, "\"GetDebug(KAVMfgDictionary)\": \"0\""));
}

// Kernel state lives in the process: a class created on one line of a
// command file is listed on the next, and a failing line stops the run.
TEST(CliTest, RunKeepsKernelStateFromLineToLineAndStopsOnFailure) {
  kavtest::TempDir dir;
  const std::string file = dir.Write(
      "commands.txt",
      "# a comment\n"
      "dictionary create class MfgCliProbe --kind 1\n"
      "t4711 dictionary classes\n"
      "tables 99\n"
      "dictionary current\n");
  Outcome outcome = RunTool("STEPLIB='" + kKernel + "'", "run '" + file + "'");
  EXPECT_EQ(1, outcome.status);
  EXPECT_TRUE(Has(outcome.out, "MfgCliProbe")) << outcome.out;
  EXPECT_TRUE(Has(outcome.out, "kernel code 9020 (unknown kind of table)")) << outcome.out;
  EXPECT_FALSE(Has(outcome.out, "> dictionary current")) << outcome.out;
}

// pool: an object made and given fields in one run, its values typed by
// the dictionary (MFG_NB_FLUTES is an int attribute of type 1), and an
// unknown object reported as the other families report failures.
TEST(CliTest, PoolValuesCarryDictionaryTypesAndFailuresTheKernelCode) {
  kavtest::TempDir dir;
  const std::string file = dir.Write(
      "pool.txt",
      "pool object create P 4 --kind output\n"
      "pool field create P 4 MFG_NB_FLUTES --int 3\n"
      "pool field create P 4 MFG_WEAR --real 0.5 --real 0.25\n"
      "pool objects P output\n"
      "pool values P 4\n"
      "pool object read P 5\n");
  Outcome outcome = RunTool("STEPLIB='" + kKernel + "'", "--json run '" + file + "'");
  EXPECT_EQ(1, outcome.status);
  for (const char* part : {"\"object\": \"4\"", "\"type\": \"int (1)\"", "\"values\": \"0.5, 0.25\"",
                           "kernel code 9041 (no such object in the pool)"})
    EXPECT_TRUE(Has(outcome.out, part)) << part << "\n" << outcome.out;
}
