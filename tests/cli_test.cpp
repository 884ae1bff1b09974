// t4711 as a site engineer and a script run it, output compared whole: the
// pre-flight check against kernels that bind everything, nothing, or are
// missing; the exit status of each kind of failure and its message; strict
// numbers; command files in one process, as text and as one JSON document;
// trace lines kept out of JSON; write errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "T4711BASVersion.h"
#include "TestSupport.h"

namespace {

using Outcome = kavtest::ChildResult;

const std::string kModules = KAV_TEST_MODULES_DIR;
const std::string kKernel = KAV_TEST_KERNEL_DIR;
const std::string kReference = "STEPLIB='{KERNEL}'";

// {KERNEL} and {MODULES} stand for this build's directories.
std::string Expand(std::string iText) {
  for (const auto& [key, value] :
       {std::pair<std::string, std::string>{"{KERNEL}", kKernel}, {"{MODULES}", kModules}})
    for (size_t at = iText.find(key); at != std::string::npos; at = iText.find(key, at))
      iText.replace(at, key.size(), value);
  return iText;
}

// Runs t4711 through the shell with the environment prefix and words given
// ({KERNEL}/{MODULES} expanded); standard output and error kept apart.
Outcome RunTool(const std::string& iEnvironment, const std::string& iWords) {
  return kavtest::RunShell(
      Expand(iEnvironment + " " + kavtest::ProgramCommand(KAV_TEST_T4711) + " " + iWords));
}

bool Has(const std::string& iText, const std::string& iPart) {
  return iText.find(iPart) != std::string::npos;
}

struct Case {
  const char* name;
  std::string environment;
  std::string words;
  int status;
  std::string out;
  std::string err;
};

void Check(const Case& iCase) {
  SCOPED_TRACE(iCase.name);
  const Outcome outcome = RunTool(iCase.environment, iCase.words);
  EXPECT_EQ(iCase.status, outcome.status);
  EXPECT_EQ(Expand(iCase.out), outcome.out);
  EXPECT_EQ(Expand(iCase.err), outcome.err);
}

// A time of a Trace Event document as the viewers hold it, in whole
// nanoseconds: a fractional microsecond is no exact double.
long long Ns(const nlohmann::json& iMicroseconds) {
  return std::llround(iMicroseconds.get<double>() * 1000);
}

// What a trace viewer needs of a Trace Event document, or "" when it has
// it: a traceEvents array of objects, each with a name, a phase and
// integer pid/tid; complete events ("X") with a start and a duration of
// zero or more microseconds; metadata events ("M") naming a process or a
// thread in args.name; and, on each track, slices that nest (a slice
// starting inside another ends inside it), which is what lets a viewer
// draw them as a stack. Times are compared in Ns.
std::string TraceEventFault(const nlohmann::json& iDocument) {
  if (!iDocument.is_object() || !iDocument.value("traceEvents", nlohmann::json()).is_array())
    return "no traceEvents array";
  std::map<std::pair<long, long>, std::vector<std::pair<long long, long long>>> tracks;
  for (const nlohmann::json& event : iDocument["traceEvents"]) {
    const std::string shown = event.dump().substr(0, 200);
    const auto field = [&](const char* iKey) { return event.value(iKey, nlohmann::json()); };
    if (!event.is_object() || !field("name").is_string() || !field("ph").is_string() ||
        !field("pid").is_number_integer() || !field("tid").is_number_integer())
      return "event without name, ph, pid or tid: " + shown;
    const std::string phase = event["ph"];
    if (phase == "M") {
      const std::string name = event["name"];
      if ((name != "process_name" && name != "thread_name") ||
          !event["args"].value("name", nlohmann::json()).is_string())
        return "metadata event naming nothing: " + shown;
    } else if (phase == "X") {
      if (!field("ts").is_number() || !field("dur").is_number() || field("dur").get<double>() < 0)
        return "complete event without ts or dur: " + shown;
      tracks[{event["pid"], event["tid"]}].push_back({Ns(event["ts"]), Ns(event["dur"])});
    } else {
      return "phase this document should not use: " + shown;
    }
  }
  for (auto& [track, slices] : tracks) {
    // Outer before inner: by start, then the longer first.
    std::sort(slices.begin(), slices.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second > b.second;
    });
    std::vector<long long> ends;
    for (const auto& [start, duration] : slices) {
      while (!ends.empty() && ends.back() <= start) ends.pop_back();
      if (!ends.empty() && start + duration > ends.back())
        return "a slice at " + std::to_string(start) + " ends past the slice around it";
      ends.push_back(start + duration);
    }
  }
  return "";
}

// The usage error a command asked for in JSON prints: iMessage as a
// JSON document.
std::string UsageJson(const std::string& iMessage) {
  const std::string inJson = std::regex_replace(iMessage, std::regex("\""), "\\\"");
  return "{\n  \"error\": {\n    \"kind\": \"usage\",\n    \"message\": \"" + inJson +
         "\",\n    \"status\": 2\n  }\n}\n";
}

}  // namespace

TEST(CliTest, CheckKernelReportsWhatAResolverLeavesUnbound) {
  // clang-format off
  const Case cases[] = {
      {"reference kernel", kReference, "check-kernel", 0, "KAVSYMB: {KERNEL}/KAVSYMB\nbound 75 of 75 routines\n", ""},
      {"independent resolver", "STEPLIB='{MODULES}/probe'", "check-kernel", 0,
       "KAVSYMB: {MODULES}/probe/KAVSYMB\nbound 75 of 75 routines\n", ""},
      {"module without resolver", "STEPLIB='{MODULES}/noresolver'", "check-kernel", 99, "", "KAVSYMB00: module KAVSYMB is incorrect\n"},
      {"no module", "STEPLIB='{MODULES}'", "check-kernel", 99, "", "t4711: no KAVSYMB along STEPLIB ({MODULES})\n"}};
  // clang-format on
  for (const Case& c : cases) Check(c);

  // A resolver that binds nothing: every routine is listed, in table order,
  // in the result of a failure.
  const Outcome unbinding = RunTool("STEPLIB='{MODULES}/unbinding'", "--json check-kernel");
  EXPECT_EQ(99, unbinding.status);
  const nlohmann::json failure = nlohmann::json::parse(unbinding.out);
  EXPECT_EQ(99, failure["error"]["status"]);
  const nlohmann::json& report = failure["result"];
  EXPECT_EQ(0, report["bound"]);
  EXPECT_EQ(75, report["routines"]);
  ASSERT_EQ(75u, report["unbound"].size());
  EXPECT_EQ("GNFRC2", report["unbound"][0]);
  EXPECT_EQ("GMOSEL", report["unbound"][74]);
}

// A module that does not load is refused with the very line the binder
// ends the application with: dlopen's words, or the look's for a module
// that would fault inside the loader.
TEST(CliTest, CheckKernelSaysWhatTheBinderSays) {
  kavtest::TempDir truncated;
  truncated.Write("KAVSYMB", kavtest::ReadFile(kKernel + "/KAVSYMB").substr(0, 4096));
  for (const std::string& directory :
       {kModules + "/broken", kModules + "/noresolver", truncated.Path()}) {
    SCOPED_TRACE(directory);
    const std::string stepLib = "STEPLIB='" + directory + "'";
    const Outcome check = RunTool(stepLib, "check-kernel");
    const Outcome binder = RunTool(stepLib, "tables 1");
    EXPECT_EQ(99, check.status);
    EXPECT_EQ(99, binder.status);
    EXPECT_EQ(0u, binder.err.find("KAVSYMB00: ")) << binder.err;
    EXPECT_EQ(binder.err, check.err);
  }
}

// env names the module the binder would load, the switches, the site the
// reference kernel would read and what is wrong with it. Without STEPLIB
// the tool uses the kernel beside it and says that the application would
// not.
TEST(CliTest, EnvNamesTheModuleTheSwitchesAndTheSite) {
  const std::string bundled = std::filesystem::canonical(kKernel);
  // clang-format off
  const struct { std::string environment, key; nlohmann::json value; } cases[] = {
      {"STEPLIB='{MODULES}::{KERNEL}' HOME='{MODULES}/probe' MfgBaseDebug=KAVMfgBaseNLS", "KAVSYMB", Expand("{MODULES}/probe/KAVSYMB")},
      {"MfgBaseDebug=KAVMfgBaseNLS", "GetDebug(KAVMfgBaseNLS)", 1}, {"MfgBaseDebug=KAVMfgBaseNLS", "GetDebug(KAVMfgDictionary)", 0},
      {kReference, "note", nullptr}, {"env -u STEPLIB", "STEPLIB", bundled},
      {"env -u STEPLIB", "note", "STEPLIB was not set: t4711 chose the kernel installed with it (" + bundled +
                                 "); the application itself would exit 99 here"},
      {kReference + " KAVSIM_SITE=''", "KAVSIM_SITE", kKernel + "/site"},
      {kReference + " KAVSIM_SITE='{MODULES}/none'", "KAVSIM_SITE", kModules + "/none (does not exist)"},
      {kReference + " KAVSIM_SITE='{KERNEL}/KAVSYMB'", "KAVSIM_SITE", kKernel + "/KAVSYMB (is not a directory)"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment + " " + c.key);
    const Outcome outcome = RunTool(c.environment, "env --json");
    EXPECT_EQ(0, outcome.status);
    const nlohmann::json env = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(c.value, env.contains(c.key) ? env[c.key] : nullptr);
  }
}

// One meaning per exit status, and the message names what was wrong; what
// was done, not what was asked; numbers as JSON numbers.
TEST(CliTest, CommandsEndWithTheirStatusAndMessage) {
  const std::string version = T4711BAS_VERSION_STRING;
  const std::string days = "{\n  \"days\": 29,\n  \"month\": 2,\n  \"year\": 2000\n}\n";
  // clang-format off
  const Case cases[] = {
      {"version", kReference, "--version", 0, "t4711 " + version + " (libT4711BAS " + version + ")\n", ""},
      {"days in a month", kReference, "util days-in-month 2000 2 --json", 0, days, ""},
      {"options anywhere", kReference, "--json util days-in-month 2000 2", 0, days, ""},
      {"the last month", kReference, "util days-in-month 2001 12", 0, "year:  2001\nmonth: 12\ndays:  31\n", ""},
      {"kernel failure", kReference, "tables 99", 1, "", "t4711: GetTables of kind 99 failed: kernel code 9020 (unknown kind of table)\n"},
      {"version in JSON", kReference, "--json --version", 0,
       "{\n  \"libT4711BAS\": \"" + version + "\",\n  \"t4711\": \"" + version + "\"\n}\n", ""},
      {"capture into a missing folder", kReference, "capture '{MODULES}/none/x.png'", 3, "",
       "t4711: cannot write {MODULES}/none/x.png: No such file or directory\n"},
      {"leading zero is decimal", kReference, "tables 010", 1, "",
       "t4711: GetTables of kind 10 failed: kernel code 9020 (unknown kind of table)\n"},
      {"run of a directory", kReference, "run '{KERNEL}'", 3, "", "t4711: cannot read {KERNEL}: it is a directory\n"},
      {"run of a missing file", kReference, "run '{KERNEL}/none'", 3, "", "t4711: cannot read {KERNEL}/none: No such file or directory\n"},
      {"run of a file without lines", kReference, "run /dev/zero", 3, "",
       "t4711: cannot read /dev/zero: line 1 is longer than any command (2097152 bytes)\n"},
      {"no kernel at all", "STEPLIB='{MODULES}'", "dictionary current", 99, "",
       "KAVSYMB00: cannot load KAVSYMB No such file or directory\n"},
      {"write error", kReference, "dictionary classes >/dev/full", 3, "", "t4711: cannot write standard output\n"}};
  // A mistake in the words: status 2, the message after "t4711: " on
  // standard error and, asked for in JSON, as a document on standard
  // output.
  const struct { const char* name; std::string words, message; } mistakes[] = {
      {"unknown command in JSON", "--json frobnicate", "unknown command \"frobnicate\" (run 't4711 --help' for the list)"},
      {"unknown subcommand", "dictionary bogus --json", "unknown command \"dictionary bogus\" (run 't4711 dictionary --help' for the list)"},
      {"tour in JSON", "--json tour", "tour shows commands and their output for people: it has no JSON form (run 't4711 --json run FILE' instead)"},
      {"unknown command", "bogus", "unknown command \"bogus\" (run 't4711 --help' for the list)"},
      {"unknown option", "-V", "unknown option \"-V\" (run 't4711 --help' for the options)"},
      {"capture of another format", "capture pic.jpg", "capture writes PNG: \"pic.jpg\" does not end in .png"},
      {"missing argument", "util split", "PATH is required (run 't4711 util split --help')"},
      {"not a number", "tables abc", "KIND: \"abc\" is not a whole number in range (run 't4711 tables --help')"},
      {"number out of range", "tables 99999999999", "KIND: \"99999999999\" is not a whole number in range (run 't4711 tables --help')"},
      {"empty number", "tables ''", "KIND: an empty text is not a number (run 't4711 tables --help')"},
      {"hexadecimal", "tables 0x10", "KIND: \"0x10\" is not a whole number in range (run 't4711 tables --help')"},
      {"real out of range", "pool field create P 1 X --real 1e999",
       "--real: \"1e999\" is not a number a double holds (run 't4711 pool field create --help')"},
      {"gii int word", "gii set int NBPASS abc", "VALUE: \"abc\" is not a whole number in range"},
      {"gii int empty", "gii set int NBPASS ''", "VALUE: an empty text is not a number"},
      {"gii int real", "gii set int NBPASS 1.5", "VALUE: \"1.5\" is not a whole number in range"},
      {"gii int too big", "gii set int NBPASS 2147483648", "VALUE: \"2147483648\" is not a whole number in range"},
      {"gii element nan", "gii set element OUTIL nan", "VALUE: \"nan\" is not a whole number in range"},
      {"gii real word", "gii set real AVANCE x", "VALUE: \"x\" is not a decimal number"},
      {"pool kind past int", "pool objects TOOLS 4294967297", "KIND: \"4294967297\" is not a whole number in range"},
      {"month 13", "util days-in-month 2000 13", "MONTH: 13 is not a month (1 to 12)"},
      {"not a date", "util day-of-week 2024-13-45", "DATE: \"2024-13-45\" is not a date (YYYY-MM-DD or YYYY-MM-DD-hh.mm.ss.000000)"},
      {"kind out of range", "dictionary create class MfgX --kind 7",
       "--kind: Value 7 not in range 1 to 3 (run 't4711 dictionary create class --help')"},
      {"facet out of range", "dictionary create attribute MFG_X --facet 12=1", "--facet N: 12 is not a facet (1 to 11)"},
      {"facet value", "dictionary create attribute MFG_X --facet 2=x", "--facet VALUE: \"x\" is not a whole number in range"},
      {"value of an int attribute", "dictionary create attribute MFG_X --type 1 --value 1.5",
       "--value \"1.5\" is not a whole number in range"},
      {"nls kind", "nls name 4294967297 MFG_X", "KIND: \"4294967297\" is not a whole number in range"}};
  // clang-format on
  for (const Case& c : cases) Check(c);
  for (const auto& m : mistakes) {
    const std::string out = Has(m.words, "--json") ? UsageJson(m.message) : "";
    Check({m.name, kReference, m.words, 2, out, "t4711: " + m.message + "\n"});
  }
  EXPECT_EQ(RunTool(kReference, "tables --help").out, RunTool(kReference, "help tables").out);

  // A GII name no C text can spell is site damage, said once; gii show
  // shows the session the kernel kept (the two variables errors are
  // raised through) instead of aborting.
  kavtest::TempDir site;
  const std::string session =
      site.Write("gii/session.json",
                 "{\"variables\": [{\"name\": \"NBPASS\", \"fields\": [{\"int\": 3}]},\n"
                 "                {\"name\": \"AB\\u0000CD\", \"fields\": [{\"int\": 1}]}]}\n");
  // clang-format off
  Check({"gii name with a NUL byte", kReference + " KAVSIM_SITE='" + site.Path() + "'", "gii show", 0,
         "variable   id   valued  modified  value\n---------  ---  ------  --------  -----\n"
         "IERZORVEN  101  no      no\nOUTER      102  no      no\n(2 rows)\n"
         "events recorded:          (none)\norders given:             0\n"
         "error variable IERZORVEN: \nerror journal:            (empty)\n",
         "KAVSYMB: site file " + session + ": variables[1].name: a variable name holds a NUL byte (code 9073)\n"});
  // clang-format on
}

// Kernel state lives in the process: a class created on one line of a
// command file is listed on the next, and a failing line stops the run.
TEST(CliTest, RunKeepsKernelStateFromLineToLineAndStopsOnFailure) {
  kavtest::TempDir dir;
  const std::string file = dir.Write("commands.txt",
                                     "# a comment\ndictionary create class MfgCliProbe --kind 2\n"
                                     "t4711 dictionary attributes MfgCliProbe\ntables 99\n"
                                     "dictionary current\n");
  const std::string unterminated = dir.Write("quote.txt", "util quote 'abc\n");
  const std::string nul = dir.Write("nul.txt", std::string("# binary\ntables\0 1\n", 19));
  // clang-format off
  Check({"NUL byte", kReference, "run '" + nul + "'", 3, "", "t4711: cannot read " + nul + ": line 2 holds a NUL byte\n"});
  Check({"text", kReference, "run '" + file + "'", 1, "> dictionary create class MfgCliProbe --kind 2\ncreated class: MfgCliProbe\n"
         "> t4711 dictionary attributes MfgCliProbe\nattribute  version  block  status\n"
         "---------  -------  -----  ------\n(0 rows)\n> tables 99\n",
         "t4711: GetTables of kind 99 failed: kernel code 9020 (unknown kind of table)\n"
         "t4711: line 4 ended with status 1\n"});
  Check({"unterminated quote", kReference, "run '" + unterminated + "'", 2, "",
         "t4711: line 1: unterminated single quote\nt4711: line 1 ended with status 2\n"});
  // clang-format on

  // As JSON: one document, one element per line that ran, traces on
  // standard error.
  const Outcome json = RunTool(kReference + " MfgBaseDebug=ALL", "--json run -k '" + file + "'");
  EXPECT_EQ(1, json.status);
  const nlohmann::json document = nlohmann::json::parse(json.out);
  ASSERT_EQ(4u, document.size());
  EXPECT_EQ("dictionary create class MfgCliProbe --kind 2", document[0]["command"]);
  EXPECT_EQ(0, document[0]["status"]);
  EXPECT_EQ(1, document[2]["status"]);
  EXPECT_EQ(9020, document[2]["error"]["code"]);
  EXPECT_EQ("DICOFR2", document[3]["result"]["current"]);
  EXPECT_TRUE(Has(json.err, "GetTables, start")) << json.err;

  // A line that cannot run is an element of the one document too.
  for (const std::string& bad : {unterminated, nul}) {
    const auto lines =
        nlohmann::json::parse(RunTool(kReference, "--json run '" + bad + "'").out, nullptr, false);
    ASSERT_TRUE(lines.is_array()) << bad;
    EXPECT_EQ(bad == nul ? 3 : 2, lines.back().value("status", 0));
    EXPECT_TRUE(lines.back()["error"].contains("message"));
  }
}

// Command files of the families, run with -k: what their output and
// messages hold and must not hold.
// - pool: an object made and given fields in one run, its values typed by
//   the dictionary (MFG_NB_FLUTES is an int attribute of type 1), each
//   attribute with its own values even when the dictionary types an
//   integer field real (MFG_TOOL_DIAM), a real read as the double nearest
//   to what was written (not rounded twice), and an unknown object
//   reported as the other families report failures;
// - declarative: the variable readers keep an old failure, yet a later line
//   succeeds; the tour's icon is a file of the bundled site;
// - gii: a failure goes into the session, not to the caller: the tool learns
//   of it from the session's error event, reports the code the error
//   variable took, and the session shows where it went.
TEST(CliTest, FamilyCommandFilesReportOnlyTheirOwnFailures) {
  // clang-format off
  const struct { const char* name; std::string lines; std::vector<std::string> has, hasNot; } cases[] = {
      {"pool", "pool object create P 4 --kind output\npool field create P 4 MFG_NB_FLUTES --int 3\n"
       "pool field create P 4 MFG_WEAR --real 0.5 --real 0.25\npool objects P output\npool values P 4\n"
       "pool object create TOOLS 9\npool field create TOOLS 9 MFG_TOOL_DIAM --int 5\n"
       "pool field create TOOLS 9 MFG_SPEEDS --real 800\npool values TOOLS 9\n"
       "pool field create P 4 MFG_X --real 1.0000000000000001110231494954629083427022351315827108919620513916015625\n"
       "pool field read P 4 MFG_X\npool object read P 5\n",
       {"\"object\": 4", "\"type\": \"int (1)\"", "\"values\": \"0.5, 0.25\"", "\"values\": \"5\"",
        "\"note\": \"integers in the kernel, real (2) in the dictionary\"", "\"values\": \"800\"",
        "\"value\": 1.0000000000000002", "kernel code 9041 (no object of this number in the pool)"},
       {"\"values\": \"0\""}},
      {"declarative", "declarative integer ICONS KAVPATHS\ndeclarative integer DEPTH KAVPATHS\n"
       "declarative icon MfgPocketing --site-icons\n",
       {"kernel code 9053 (the declarative variable is not of the type asked)", "line 1 ended with status 1",
        "value:    3", "/declarative/icons/POCKET.gif\nfile exists: yes"}, {"line 2 ended"}},
      {"gii", "gii set int NBPASS 8\ngii get int VIDE\ngii get int NBPASS --cache\ngii show\n",
       {"kernel code 9062 (the GII variable holds no value)", "line 2 ended with status 1", "NBPASS    int   8",
        "events recorded:          OUTER", "orders given:             1", "error variable IERZORVEN: int 9062",
        "error journal:            GMIKEY 9062"}, {"line 3 ended"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kavtest::TempDir dir;
    const std::string file = dir.Write("commands.txt", c.lines);
    const Outcome outcome =
        RunTool(kReference + " KAVSIM_SITE='{KERNEL}/site'",
                (c.name[0] == 'p' ? "--json run -k '" : "run -k '") + file + "'");
    EXPECT_EQ(1, outcome.status);
    const std::string all = outcome.out + outcome.err;
    for (const std::string& part : c.has) EXPECT_TRUE(Has(all, part)) << part << "\n" << all;
    for (const std::string& part : c.hasNot) EXPECT_FALSE(Has(all, part)) << part << "\n" << all;
  }
}

// The tour runs every family through the library's wrappers: its journal
// is the reference kernel's boundary log, call for call, times aside.
// Its last step summarizes that journal, named as one word whatever its
// path holds; a journal that is not a regular file (a FIFO someone reads)
// is not read back, which would wait for ever on the tour's own writes.
TEST(CliTest, TheTourJournalsEveryFamilyAsTheKernelLogsIt) {
  kavtest::TempDir dir;
  const std::string journal = dir.Path() + "/the tour's journal";
  const Outcome tour = RunTool(
      kReference + " T4711_JOURNAL=\"" + journal + "\" KAVSIM_CALLS='" + dir.Path() + "/calls'",
      "tour");
  ASSERT_EQ(0, tour.status) << tour.err;
  const std::string calls = kavtest::ReadFile(dir.Path() + "/calls");
  EXPECT_EQ(calls, kavtest::WithoutTimes(kavtest::ReadFile(journal)));
  for (const char* routine : {"\nGNFRC1 ", "\nGNSLTB ", "\nGNFNL1 ", "\nGNSROB ", "\nGMOKEY ",
                              "\nDCLQUV ", "\nGNFRSB ", "\nPLSGRAB ", "\nNFPTSYM "})
    EXPECT_TRUE(Has(calls, routine)) << routine;
  EXPECT_TRUE(Has(tour.out, "$ t4711 journal '" + dir.Path() + "/the tour'\\''s journal'\n"));
  EXPECT_TRUE(Has(tour.out, "\n" + dir.Path() + "/the tour's journal: ")) << tour.out;

  // The same journal as a picture: a document trace viewers accept, one
  // slice per call, the calls working on one list set under one slice.
  const std::string picture = dir.Path() + "/trace.json";
  const Outcome drawn =
      RunTool(kReference, "journal \"" + journal + "\" --trace-events '" + picture + "'");
  ASSERT_EQ(0, drawn.status) << drawn.err;
  const nlohmann::json trace = nlohmann::json::parse(kavtest::ReadFile(picture), nullptr, false);
  EXPECT_EQ("", TraceEventFault(trace));
  // Every line of the tour's journal but its header is a call: an
  // operation's calls are the lines from its first, and each lies within
  // the operation's slice.
  std::map<long, nlohmann::json> callAt;
  std::vector<nlohmann::json> operations;
  for (const nlohmann::json& event : trace["traceEvents"]) {
    if (event.value("cat", "") == "kernel call") callAt[event["args"]["line"]] = event;
    if (event.value("cat", "") == "operation") operations.push_back(event);
  }
  EXPECT_EQ(static_cast<size_t>(std::count(calls.begin(), calls.end(), '\n')) - 1, callAt.size());
  EXPECT_LT(0u, operations.size());
  for (const nlohmann::json& operation : operations) {
    const long first = operation["args"]["first line"], count = operation["args"]["calls"];
    for (long line = first; line < first + count; ++line) {
      const nlohmann::json& call = callAt[line];
      EXPECT_LE(Ns(operation["ts"]), Ns(call["ts"])) << operation << call;
      EXPECT_LE(Ns(call["ts"]) + Ns(call["dur"]), Ns(operation["ts"]) + Ns(operation["dur"]))
          << operation << call;
    }
  }

  // A thread's calls go on a track of their own, from 0 on its time axis.
  const std::string threaded =
      dir.Write("threaded.txt",
                "# t4711 journal, format 2\nGUSINF 1 -> 0 16 2 (10 ns)\n"
                "GUSINF 7 -> 0 72 3 @2 (20 ns)\nGUSINF 1 -> 0 16 2 (30 ns)\n");
  ASSERT_EQ(
      0, RunTool(kReference, "journal '" + threaded + "' --trace-events '" + picture + "'").status);
  const nlohmann::json tracks = nlohmann::json::parse(kavtest::ReadFile(picture), nullptr, false);
  EXPECT_EQ("", TraceEventFault(tracks));
  using Tracks = std::map<long, std::pair<long long, long long>>;  // line -> tid, start in ns
  Tracks trackOf;
  for (const nlohmann::json& event : tracks["traceEvents"])
    if (event.value("cat", "") == "kernel call")
      trackOf[event["args"]["line"]] = {event["tid"], Ns(event["ts"])};
  EXPECT_EQ((Tracks{{2, {1, 0}}, {3, {2, 0}}, {4, {1, 10}}}), trackOf);

  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const Outcome piped = RunTool("timeout 60 cat '" + fifo + "' >/dev/null & " + kReference +
                                    " T4711_JOURNAL='" + fifo + "' timeout 60",
                                "tour");
  EXPECT_EQ(0, piped.status);
  EXPECT_TRUE(Has(piped.out, "The journal goes to " + fifo + ": nothing to show here.\n"));
  // The reader may have come after the journal gave up on the FIFO: a
  // writer opened and closed now ends it.
  close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
}

// The summary: calls and time per routine, failures by code with their
// first line, lists a call opened that no GUSEND ended; the JSON lines of
// the same calls summarize the same.
TEST(CliTest, JournalSummaryCountsCallsFailuresAndListsLeftOpen) {
  kavtest::TempDir dir;
  const std::string text =
      dir.Write("text",
                "GUSINI 8 -> 0 5 (100 ns)\nGNFRC2 \"MfgDrilling\" \"MFG_X\" -> 9014 0 0 (300 ns)\n"
                "GUSEND 5 -> 0 (50 ns)\nGNFLCL -> 0 6 7 (1000 ns)\nGUSEND 6 -> 0 (50 ns)\n"
                "not a journal line\nGNFRC2 \"MfgDrilling\" \"MFG_Y\" -> 9014 0 0 (200 ns)\n"
                "GUSEND 7 -> 9001 (40 ns)\n");
  const std::string json = dir.Path() + "/json";
  std::ofstream(json) << "{\"routine\":\"GUSINI\",\"in\":[8],\"code\":0,\"out\":[5],\"ns\":100}\n"
                         "{\"routine\":\"GNFRC2\",\"in\":[\"MfgDrilling\",\"MFG_X\"],\"code\":9014,"
                         "\"out\":[0,0],\"ns\":300}\n"
                         "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":0,\"out\":[],\"ns\":50}\n"
                         "{\"routine\":\"GNFLCL\",\"in\":[],\"code\":0,\"out\":[6,7],\"ns\":1000}\n"
                         "{\"routine\":\"GUSEND\",\"in\":[6],\"code\":0,\"out\":[],\"ns\":50}\n"
                         "{\"routine\":\"NOSUCH\"}\n"
                         "{\"routine\":\"GNFRC2\",\"in\":[\"MfgDrilling\",\"MFG_Y\"],\"code\":9014,"
                         "\"out\":[0,0],\"ns\":200}\n"
                         "{\"routine\":\"GUSEND\",\"in\":[7],\"code\":9001,\"out\":[],\"ns\":40}\n";
  const std::string summary =
      ": 7 calls of 4 routines, 1740 ns in the kernel\n"
      "lines not understood: 1 (the first: line 6)\n\nroutine  calls  failures  ns    ns per call\n"
      "-------  -----  --------  ----  -----------\nGNFLCL   1      0         1000  1000\n"
      "GNFRC2   2      2         500   250\nGUSEND   3      1         140   46\n"
      "GUSINI   1      0         100   100\n(4 rows)\n\nfailures by code\n"
      "code  calls  first line  first routine\n----  -----  ----------  -------------\n"
      "9001  1      8           GUSEND\n9014  2      2           GNFRC2\n(2 rows)\n\n"
      "lists opened and never ended\nhandle  opened by  line\n------  ---------  ----\n"
      "7       GNFLCL     4\n(1 row)\n";
  for (const std::string& file : {text, json}) {
    const Outcome outcome = RunTool(kReference, "journal '" + file + "'");
    EXPECT_EQ(0, outcome.status) << outcome.err;
    EXPECT_EQ(file + summary, outcome.out);
  }
  const auto document = nlohmann::json::parse(
      RunTool(kReference, "--json journal '" + text + "'").out, nullptr, false);
  EXPECT_EQ(7, document.value("calls", 0));
  EXPECT_EQ(9001, document["failures"][0].value("code", 0));
  EXPECT_EQ(7, document["lists never ended"][0].value("handle", 0));
  // clang-format off
  Check({"no such journal", kReference, "journal '" + dir.Path() + "/none'", 3, "",
         "t4711: cannot read " + dir.Path() + "/none: No such file or directory\n"});
  Check({"journal of a directory", kReference, "journal '" + dir.Path() + "'", 3, "",
         "t4711: cannot read " + dir.Path() + ": it is a directory\n"});
  Check({"no journal line", kReference, "journal '" + dir.Write("passwd", "root:x:0:0\r\n\n") + "'", 3, "",
         "t4711: " + dir.Path() + "/passwd holds no journal line (2 lines, none understood)\n"});
  // clang-format on
}

// A journal from elsewhere may hold anything: a line the journal could
// not have written is counted as not understood, and the summary neither
// crashes, wraps its totals nor takes a damaged line for a call.
TEST(CliTest, JournalSummaryCountsLinesItCannotTrustAsNotUnderstood) {
  const std::string good = "GUSEND 5 -> 0 (50 ns)\n", most = "9223372036854775807";
  // clang-format off
  const struct { const char* name; std::string lines, header; } cases[] = {
      {"JSON nested 100,000 deep", "{\"routine\":\"GUSINF\",\"in\":[" + std::string(100000, '[') +
       std::string(100000, ']') + "],\"code\":0,\"out\":[16,2],\"ns\":1}\n" + good,
       "1 calls of 1 routines, 50 ns in the kernel\nlines not understood: 1 (the first: line 1)"},
      {"times the total cannot hold", "GUSINF 1 -> 0 16 2 (" + most + " ns)\nGUSINF 1 -> 0 16 2 (" + most + " ns)\n",
       "1 calls of 1 routines, " + most + " ns in the kernel\nlines not understood: 1 (the first: line 2)"},
      {"JSON times the total cannot hold",
       "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":0,\"out\":[],\"ns\":" + most + "}\n" + good +
       "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":0,\"out\":[],\"ns\":18446744073709551615}\n",
       "1 calls of 1 routines, " + most + " ns in the kernel\nlines not understood: 2 (the first: line 2)"},
      {"CRLF", good + "GUSINF 1 -> 0 16 2 (100 ns)\r\nGUSINF 1 -> 0 16 2 (100 ns)\r\n",
       "1 calls of 1 routines, 50 ns in the kernel\nlines not understood: 2 (the first: line 2)"},
      {"shape", good + "GUSINF 1 -> 0 16 2 3 (100 ns)\nGUSINF 1 -> 0 16 (100 ns)\nGUSINF 1 -> 0 16 2 (-5 ns)\n"
       "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":\"x\",\"out\":[],\"ns\":1}\n"
       "{\"routine\":\"GUSEND\",\"in\":[5,6],\"code\":0,\"out\":[],\"ns\":1}\n",
       "1 calls of 1 routines, 50 ns in the kernel\nlines not understood: 5 (the first: line 2)"},
      {"headers and threads", "# t4711 journal, format 2\n" + good + "GUSEND 5 -> 0 @2 (50 ns)\n"
       "GUSEND 5 -> 0 @1 (50 ns)\nGUSEND 5 -> 0 @x (50 ns)\n{\"journal\":\"t4711\",\"format\":2}\n"
       "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":0,\"out\":[],\"thread\":3,\"ns\":50}\n"
       "{\"routine\":\"GUSEND\",\"in\":[5],\"code\":0,\"out\":[],\"thread\":\"3\",\"ns\":50}\n",
       "3 calls of 1 routines, 150 ns in the kernel\nlines not understood: 3 (the first: line 4)"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kavtest::TempDir dir;
    const std::string file = dir.Write("journal", c.lines);
    const Outcome outcome = RunTool(kReference, "journal '" + file + "'");
    EXPECT_EQ(0, outcome.status) << outcome.err;
    EXPECT_EQ(file + ": " + c.header, outcome.out.substr(0, outcome.out.find("\n\n")));
  }
}

// The reference kernel under site files and settings it cannot use: each
// is said on standard error, the command ends with the kernel's code, and
// nothing hangs or reads as a success.
TEST(CliTest, KernelFilesAndSettingsItCannotUseAreSaidAndNeverHang) {
  kavtest::TempDir dir;
  const std::string site = dir.Path() + "/site", fifo = dir.Path() + "/fifo";
  std::filesystem::copy(kKernel + "/site", site, std::filesystem::copy_options::recursive);
  std::ofstream(site + "/gii/session.json") << R"({"variables": [)";
  std::filesystem::remove(site + "/datapool/TOOLS.json");
  mkfifo((site + "/datapool/TOOLS.json").c_str(), 0600);
  mkfifo(fifo.c_str(), 0600);
  const std::string onSite = kReference + " KAVSIM_SITE='" + site + "' timeout 60";
  const std::string session =
      "KAVSYMB: site file " + site +
      "/gii/session.json: parse error at line 1, column 16: syntax error while parsing value - "
      "unexpected end of input; expected '[', '{', or a literal (code 9071)\n";
  const std::string notJson = "failed: kernel code 9071 (a site file is not JSON)\n";
  const std::string tables =
      "position  table\n--------  -------------------\n1         APT_MILLING_3AXIS\n"
      "2         APT_MILLING_5AXIS\n3         APT_TURNING\n4         APT_DRILLING_CYCLES\n"
      "5         APT_MINOR_WORDS\n(5 rows)\n";
  // clang-format off
  const Case cases[] = {
      {"a damaged GII session, read", onSite, "gii get int NBPASS", 1,
       "variable  kind  value\n--------  ----  -----\nNBPASS    int   0\n(1 row)\n",
       session + "t4711: gii get int, reported into the GII session, " + notJson},
      {"a damaged GII session, written", onSite, "gii set int NBPASS 5", 1, "",
       session + "t4711: gii set int, reported into the GII session, " + notJson},
      {"a pipe as a pool file", onSite, "pool object read TOOLS 1", 1, "",
       "KAVSYMB: site file " + site + "/datapool/TOOLS.json: cannot be read: it is a pipe (code 9070)\n"
       "t4711: pool object read failed: kernel code 9070 (a site file exists but cannot be read "
       "(a directory, a pipe, a device, no permission))\n"},
      {"a scripted icon longer than its field", kReference + " KAVSIM_FAULTS=\"GNDRIC@1#2='" + std::string(200, 'X') + "'\"",
       "declarative icon MfgPocketing --site-icons", 0,
       "class:       MfgPocketing\nicon path:   {KERNEL}/site/declarative/icons/XXXXXXXX.gif\nfile exists: no\n", ""},
      {"logs that cannot be opened, fault items not understood",
       kReference + " KAVSIM_LOG='" + fifo + "' KAVSIM_CALLS='" + dir.Path() +
           "/none/calls' KAVSIM_FAULTS='GNSLTB@1-9020,1=99999999999,GNSLTB@2=9020' timeout 60",
       "tables 1", 0, tables,
       "KAVSYMB: KAVSIM_FAULTS: \"GNSLTB@1-9020\" not understood (no \"=CODE\"); left out\n"
       "KAVSYMB: KAVSIM_FAULTS: \"1=99999999999\" not understood (the code \"99999999999\" is not an int); left out\n"
       "KAVSYMB: KAVSIM_LOG: cannot open " + fifo + ": a pipe with no reader; going on without it\n"
       "KAVSYMB: KAVSIM_CALLS: cannot open " + dir.Path() + "/none/calls: No such file or directory; going on without it\n"}};
  // clang-format on
  for (const Case& c : cases) Check(c);
}
