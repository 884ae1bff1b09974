// Round trips: a command journaled on a kernel, then run again with
// `t4711 replay` against the replay kernel, prints the same and journals
// the same calls; a site's failure (faults, scripted answers) comes back;
// a program that asks something else is told where; a journal of another
// kernel (a small one of the tests' own) replays too.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

const std::string kKernel = KAV_TEST_KERNEL_DIR;
const std::string kTiny = std::string(KAV_TEST_MODULES_DIR) + "/tiny";

// A scratch directory holding `t4711`, a script that runs this build's
// tool (behind the emulator when the build is for another machine), so
// that `t4711 replay` can run it as its command.
class Bench : public kavtest::TempDir {
 public:
  Bench() {
    const std::string script =
        Write("t4711", "#!/bin/sh\nexec " + kavtest::ProgramCommand(KAV_TEST_T4711) + " \"$@\"\n");
    chmod(script.c_str(), 0755);
  }
  std::string Path(const std::string& iName) const { return TempDir::Path() + "/" + iName; }
  // Runs t4711 with iWords on the kernel in iKernel, journaling to
  // iJournal ("json:" for the JSON form), with iEnvironment before it.
  kavtest::ChildResult Record(const std::string& iKernel, const std::string& iJournal,
                              const std::string& iWords,
                              const std::string& iEnvironment = "") const {
    return kavtest::RunShell(iEnvironment + " STEPLIB='" + iKernel + "' KAVSIM_SITE='" + kKernel +
                             "/site' T4711_JOURNAL='" + iJournal + "' '" + Path("t4711") + "' " +
                             iWords);
  }
  // Replays iJournal under t4711 running iWords, journaling to iAgain.
  kavtest::ChildResult Replay(const std::string& iJournal, const std::string& iAgain,
                              const std::string& iWords) const {
    return kavtest::RunShell("KAVSIM_SITE='" + kKernel + "/site' T4711_JOURNAL='" + iAgain + "' '" +
                             Path("t4711") + "' replay '" + iJournal + "' -- '" + Path("t4711") +
                             "' " + iWords);
  }
  // Records iWords into journal (iForm "json:" for the JSON form), then
  // replays that under the same words, journaling into again.
  struct Trip {
    kavtest::ChildResult recorded, replayed;
    std::string journal, again;  // both files' text
  };
  Trip RoundTrip(const std::string& iKernel, const std::string& iForm, const std::string& iWords,
                 const std::string& iEnvironment = "") const {
    // A braced list runs its parts in order: record, replay, then read.
    return {Record(iKernel, iForm + Path("journal"), iWords, iEnvironment),
            Replay(Path("journal"), iForm + Path("again"), iWords),
            kavtest::ReadFile(Path("journal")), kavtest::ReadFile(Path("again"))};
  }
};

// What a kernel said of its codes: the replay kernel knows no site's.
std::string WithoutExplanations(const std::string& iErr) {
  return std::regex_replace(iErr, std::regex("(kernel code [0-9]+) \\([^)]*\\)"), "$1");
}

// The calls of iJournal, every line but its header.
long Calls(const std::string& iJournal) {
  return static_cast<long>(kavtest::SplitLines(iJournal).size()) - 1;
}

// What replay says last when it replayed every call of iJournal.
std::string Summary(const std::string& iJournal) {
  return "t4711 replay: " + std::to_string(Calls(iJournal)) +
         " calls replayed, 0 divergences, 0 calls left unreplayed\n";
}

// The replay ran as recorded: the same status and output, the messages
// with the replay's summary after them, and the same calls journaled.
void ExpectSameRun(const Bench::Trip& iTrip) {
  EXPECT_EQ(iTrip.recorded.status, iTrip.replayed.status) << iTrip.replayed.err;
  EXPECT_EQ(iTrip.recorded.out, iTrip.replayed.out);
  EXPECT_EQ(WithoutExplanations(iTrip.recorded.err) + Summary(iTrip.journal), iTrip.replayed.err);
  EXPECT_EQ(kavtest::WithoutTimes(iTrip.journal), kavtest::WithoutTimes(iTrip.again));
}

}  // namespace

// Each family's commands, as a site would run them (failures on purpose
// included: `run -k` goes on past them), in either journal form.
TEST(ReplayTest, EveryFamilyReplaysAsItRan) {
  // clang-format off
  const struct { const char* family; bool json; std::vector<std::string> lines; } cases[] = {
      {"catalog", false, {"tables 1", "tables 2", "tables 99", "nls name class MfgEndMill MfgDrilling",
       "nls name attribute MFG_FEEDRATE MFG_X", "nls std class Percage 'Outil de fraisage'"}},
      {"dictionary", true, {"dictionary current", "dictionary classes", "dictionary attributes MfgPocketing --inherited",
       "dictionary values MfgPocketing MFG_PATTERN", "dictionary create class MfgThreadMilling --kind 1 --parent MfgOperation",
       "dictionary add attribute MfgThreadMilling MFG_TAP_PITCH --block CYCLE --status 1", "dictionary attributes MfgThreadMilling",
       "dictionary load MSPECFR2 --complete", "dictionary values MfgSpecMachine MFG_NB_FLUTES"}},
      {"declarative", false, {"declarative load", "declarative toolpath-storage", "declarative unwanted MfgPocketing",
       "declarative defaults MfgPocketing", "declarative values MfgPocketing MFG_PATTERN", "declarative macros MfgPocketing APPROACH",
       "declarative tools MfgPocketing", "declarative switch symbol 1 MfgPocketing START", "declarative switch replay MfgPocketing",
       "declarative vortis '$KAVMFG.VORTIS.PATH'", "declarative unwanted MfgTapping"}},
      {"datapool", true, {"pool objects TOOLS input", "pool object create TOOLS 3 --kind input",
       "pool field create TOOLS 3 MFG_TOOL_NUMBER --int 21", "pool field create TOOLS 3 MFG_TOOL_DIAM --real 8.125",
       "pool field create TOOLS 3 MFG_TOOL_MAT --text CARBIDE", "pool field create TOOLS 3 MFG_SPEEDS --real 800 --real 0.1",
       "pool object read TOOLS 3", "pool values TOOLS 3", "pool field read TOOLS 3 MFG_SPEEDS", "pool object delete TOOLS 2",
       "pool dump TOOLS"}},
      {"gii", false, {"gii set int NBPASS 5", "gii get int NBPASS", "gii set real AVANCE 0.1", "gii get real AVANCE",
       "gii set text COMMENTAIRE '  Finition de la poche  '", "gii get text COMMENTAIRE", "gii set prompt INVITE ' Outil ? '",
       "gii get prompt INVITE", "gii get intlist PASSES", "gii set-fields MIXTE --types 2 1 --ints 9 --reals 2.5",
       "gii get-field MIXTE 2", "gii id NBPASS --cache"}},
      {"utilities", true, {"capture {DIR}/picture.png"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.family);
    Bench bench;
    std::string commands;
    for (const std::string& line : c.lines)
      commands += std::regex_replace(line, std::regex("\\{DIR\\}"), bench.Path("")) + "\n";
    const std::string file = bench.Write("commands", commands);
    const Bench::Trip trip =
        bench.RoundTrip(kKernel, c.json ? "json:" : "", "run -k '" + file + "'");
    ASSERT_GT(Calls(trip.journal), 0) << trip.recorded.err;
    ExpectSameRun(trip);
  }
}

// A site's kernel that fails (a fault, a scripted answer past the
// caller's storage, an odd record width): the same failure under replay.
TEST(ReplayTest, ASitesFailureReproduces) {
  // clang-format off
  const struct { const char* faults; const char* words; int status; } cases[] = {
      {"KAVSIM_FAULTS=GNSLTB@1=9020", "tables 1", 1}, {"KAVSIM_FAULTS=GUSREA@2=9002", "tables 2", 1},
      {"KAVSIM_FAULTS=GUSINF@1#2=5000", "tables 1", 0},
      {"KAVSIM_FAULTS=\"GNFNL1@1#3='Fraise \\\"a\\\" b\\\\c'\"", "nls name class MfgEndMill", 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    Bench bench;
    const Bench::Trip trip = bench.RoundTrip(kKernel, "", c.words, c.faults);
    EXPECT_EQ(c.status, trip.recorded.status) << trip.recorded.err;
    ExpectSameRun(trip);
  }
}

// The tour with a scratch directory of its own names the same paths each
// run, so every call replays and the replay journals the same calls. What
// it prints is the same from the first family to the GII step (its first
// step names STEPLIB, the replay kernel's); from there on the tour reads
// what only the reference kernel's control functions tell (the session's
// errors: its GII step ends with status 1 here), the clock, and the
// picture PLSGRAB wrote, which replay does not write again.
TEST(ReplayTest, TheTourReplaysEveryCall) {
  Bench bench;
  const std::string tour = "tour --scratch '" + bench.Path("scratch") + "'";
  const auto recorded = bench.Record(kKernel, bench.Path("journal"), tour);
  ASSERT_EQ(0, recorded.status) << recorded.err;
  ASSERT_EQ(0, std::rename(bench.Path("journal").c_str(), bench.Path("recorded").c_str()));
  const auto replayed = bench.Replay(bench.Path("recorded"), bench.Path("journal"), tour);
  EXPECT_EQ(1, replayed.status) << replayed.err;
  const auto families = [](const std::string& iOut) {
    const size_t from = iOut.find("\n== Catalog lookups");
    return from == std::string::npos ? "" : iOut.substr(from, iOut.find("\n== GII session") - from);
  };
  EXPECT_NE("", families(recorded.out));
  EXPECT_EQ(families(recorded.out), families(replayed.out));
  const std::string journal = kavtest::ReadFile(bench.Path("recorded"));
  EXPECT_EQ(kavtest::WithoutTimes(journal),
            kavtest::WithoutTimes(kavtest::ReadFile(bench.Path("journal"))));
  EXPECT_NE(std::string::npos, replayed.err.find(Summary(journal))) << replayed.err;
}

// What replay says when the program does not run as the journal: another
// input (the line and argument named), a call past the end, calls left,
// and journals it refuses; each with its status.
TEST(ReplayTest, ADivergenceIsReportedWhereItHappens) {
  // clang-format off
  const struct { const char* name; std::string recorded, replayed; int status; std::vector<std::string> has; } cases[] = {
      {"other input", "nls name class MfgEndMill", "nls name class MfgDrilling", 4,
       {" line 2: GNFNL1 argument 2 is \"MfgDrilling                     \", the journal has "
        "\"MfgEndMill                      \"; answered 9990\n",
        "t4711 replay: 0 calls replayed, 1 divergences, 0 calls left unreplayed\n"}},
      {"other routine", "tables 1", "nls name class MfgEndMill", 4,
       {" line 2: the program calls GNFNL1, the journal has GNSLTB; answered 9990\n",
        "0 calls replayed, 1 divergences, 8 calls left unreplayed\n"}},
      {"past the end", "nls name class MfgEndMill", "nls name class MfgEndMill MfgDrilling", 4,
       {": GNFNL1 of thread 1 comes after the 1 calls the journal holds for it; answered 9991\n",
        "1 calls replayed, 1 divergences (1 past the end), 0 calls left unreplayed\n"}},
      {"left over", "nls name class MfgEndMill MfgDrilling", "nls name class MfgEndMill", 5,
       {"1 calls replayed, 0 divergences, 1 calls left unreplayed\n"}},
      {"no kernel call", "tables 1", "util sort b a", 5, {"0 calls replayed, 0 divergences, 8 calls left unreplayed\n"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    bench.Record(kKernel, bench.Path("journal"), c.recorded);
    const auto replayed = bench.Replay(bench.Path("journal"), bench.Path("again"), c.replayed);
    EXPECT_EQ(c.status, replayed.status) << replayed.err;
    for (const std::string& part : c.has)
      EXPECT_NE(std::string::npos, replayed.err.find(part)) << part << "\n" << replayed.err;
  }
}

// A journal without the header (written before it existed, or not a
// journal) is refused before the command runs; the replay kernel, loaded
// without t4711, says so once and answers 9992.
TEST(ReplayTest, AJournalWithoutItsHeaderIsRefused) {
  Bench bench;
  const std::string old = bench.Write("old", "GNSLTB 1 -> 0 1 (5 ns)\n");
  const auto refused = bench.Replay(old, bench.Path("again"), "tables 1");
  EXPECT_EQ(3, refused.status);
  EXPECT_EQ("t4711: " + old +
                ": it does not begin with the header of a journal of format 2 (\"# t4711 journal, "
                "format 2\"): a journal written before it, or not a journal; not replayed\n",
            refused.err);
  EXPECT_EQ("", refused.out);

  const std::string other = bench.Write("other", "# t4711 journal, format 3\n");
  const auto direct =
      kavtest::RunShell("STEPLIB='" + std::string(KAV_TEST_REPLAY_DIR) + "' T4711_REPLAY='" +
                        other + "' '" + bench.Path("t4711") + "' tables 1");
  EXPECT_EQ(1, direct.status);
  EXPECT_NE(std::string::npos,
            direct.err.find("T4711 replay: " + other +
                            ": a journal of format 3; this kernel replays format 2; it is not "
                            "replayed, every call answers 9992\n"))
      << direct.err;
}

// A journal of another kernel replays: this one is the tests' own, in C,
// and answers a record with a byte outside ASCII.
TEST(ReplayTest, AJournalOfAnyKernelReplays) {
  for (const char* form : {"", "json:"}) {
    SCOPED_TRACE(form);
    Bench bench;
    const Bench::Trip trip = bench.RoundTrip(kTiny, form, "tables 1");
    ASSERT_EQ(0, trip.recorded.status) << trip.recorded.err;
    EXPECT_EQ("", trip.recorded.err);
    EXPECT_NE(std::string::npos, trip.recorded.out.find("TINY_TABLE_")) << trip.recorded.out;
    ExpectSameRun(trip);
  }
}
