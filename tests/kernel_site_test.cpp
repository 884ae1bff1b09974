// The reference kernel's site files as a person edits them by hand: every
// damaged file gives the reading routine a site code and one message on
// standard error naming the file and the place; a missing, empty or
// non-directory site is said once. Each case runs in a child process so
// that its standard error is its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "KAVLegacyRoutines.h"
#include "KAVSimCodes.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

using namespace kavtest;

namespace {

int Tables() {
  int kind = 1, handle = 0, ier = -1;
  GNSLTB(&kind, &handle, &ier);
  return ier;
}

int NationalName() {
  int type = 1, length = 0, ier = -1;
  std::string name = Padded("MFG_DEPTH", 16), national(80, ' ');
  GNFNL1(&type, &name[0], &national[0], &length, &ier);
  return ier;
}

int LoadMember() {
  std::string model = "NC MODEL", member = "BROKEN  ", message(80, ' ');
  int ier = -1;
  GNFLOD(&model[0], &member[0], &message[0], &ier);
  return ier;
}

int Complete() {
  int ier = -1;
  GNFIDS(&ier);
  return ier;
}

int ListTools() {
  std::string pool = Padded("TOOLS", 8);
  int kind = 1, handle = 0, ier = -1;
  GNSXOB(&pool[0], &kind, &handle, &ier);
  return ier;
}

int GiiId() {
  char name[] = "NBPASS";
  int length = 6, id = 0, ier = -1;
  GMIQID(&length, name, &id, &ier);
  return ier;
}

int MainPoolLoaded() {
  std::string pool = Padded("KAVMFG", 27);
  int loaded = 0, ier = -1;
  DCLPLE(&pool[0], &loaded, &ier);
  return ier;
}

// Runs iCall twice against the site iDirectory in a child; the child
// prints both codes. A child that waits (on a pipe) dies within a minute.
ChildResult TwoCalls(const std::string& iDirectory, const std::function<int()>& iCall) {
  return RunInChild({}, [&] {
    alarm(60);
    KAV_KERNEL_FN(kavsim_set_site)(iDirectory.c_str());
    const int first = iCall();
    const int second = iCall();
    std::printf("%d %d\n", first, second);
    return 0;
  });
}

// Both calls of iCall against iSite answer iCode, and standard error holds
// the one message naming the file at iPath and what is wrong with it.
void ExpectRefused(const std::string& iSite, const std::function<int()>& iCall,
                   const std::string& iPath, const std::string& iWhat, int iCode) {
  const ChildResult result = TwoCalls(iSite, iCall);
  const std::string code = std::to_string(iCode);
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ(code + " " + code + "\n", result.out);
  EXPECT_EQ("KAVSYMB: site file " + iPath + ": " + iWhat + " (code " + code + ")\n", result.err);
}

std::string Deep(int iLevels) {
  return "{\"kinds\":" + std::string(iLevels, '[') + std::string(iLevels, ']') + "}";
}

}  // namespace

TEST(KernelSiteTest, DamagedFilesGiveTheirCodeAndOneMessage) {
  const std::string tables = "catalog/tables.json";
  const std::string member = "dictionary/BROKEN.json";
  const std::string seed = "dictionary/DICOFR2.json";
  const std::string pool = "datapool/P.json", declarative = "declarative/declarative.json";
  const std::string tool = R"({"number": 1, "kind": 1, "fields": [{"name": "MFG_TOOL_DIAM"}, )";
  // clang-format off
  struct Case {
    std::string file, content; std::function<int()> call; int code; std::string what;
    std::string otherFile = "", otherContent = "";  // read before `file`
  };
  const Case cases[] = {
      {tables, R"({"kinds":[{"kind":1,"title":null,"tables":["A"]}]})", Tables, 9073,
       "kinds[0].title: expected a text, found null"},
      {tables, R"({"kinds":[{"kind":1e300,"tables":["A"]}]})", Tables, 9074,
       "kinds[0].kind: 1e+300 does not fit an int"},
      {tables, R"({"kinds":[{"kind":-2147483649}]})", Tables, 9074, "kinds[0].kind: -2147483649 does not fit an int"},
      {tables, R"({"kinds":[{"kind":1.5}]})", Tables, 9073, "kinds[0].kind: expected a whole number, found 1.5"},
      {tables, R"({"kinds":[{"kind":1,"tables":["A",7]}]})", Tables, 9073,
       "kinds[0].tables[1]: expected a text, found 7"},
      {tables, R"({"kinds":{"kind":1}})", Tables, 9073, "kinds: expected a list, found an object"},
      {tables, R"([1])", Tables, 9073, "expected an object, found an array"},
      {tables, R"({"kinds":[{"tables":[]}]})", Tables, 9073, "kinds[0].kind: missing, a whole number is required"},
      {tables, Deep(100000), Tables, 9072, "nested deeper than 64 levels"},
      {tables, Deep(64), Tables, 9072, "nested deeper than 64 levels"},
      {tables, Deep(63), Tables, 9073, "kinds[0]: expected an object, found an array"},
      {tables, "{\"kinds\":[", Tables, 9071,
       "parse error at line 1, column 11: syntax error while parsing value - "
       "unexpected end of input; expected '[', '{', or a literal"},
      {tables + "/x", "", Tables, 9070, "cannot be read: it is a directory"},
      {"catalog/names.json", R"({"attributes":{"MFG_DEPTH":["P"]}})", NationalName, 9073,
       "attributes.MFG_DEPTH: expected a text, found an array"},
      {member, R"({"model":"NC MODEL","attributes":[{"name":"A","facets":[1e300]}]})", LoadMember,
       9074, "attributes[0].facets[0]: 1e+300 does not fit an int"},
      {member, R"({"model":"NC MODEL","attributes":[{"name":"A","facets":[0,0,2],"values":[true]}]})",
       LoadMember, 9073, "attributes[0].values[0]: expected a number, found true"},
      {member, R"({"model":"NC MODEL","classes":[{"name":"C","kind":"1"}]})", LoadMember, 9073,
       "classes[0].kind: expected a whole number, found a text"},
      {seed, R"({"model":"NC MODEL","title":{"bytes":"4g"}})", Complete, 9073,
       "title: expected a text, found an object"},
      {"gii/session.json", R"({"variables": [{"name": "NBPASS", )", GiiId, 9071,
       "parse error at line 1, column 35: syntax error while parsing object key - "
       "unexpected end of input; expected string literal"},
      // Site data the kernel would otherwise cut, merge or drop without a word.
      {pool, R"({"pool": "TOOLSLONG", "objects": []})", ListTools, 9074,
       "pool: \"TOOLSLONG\" is longer than a pool name (8 characters)"},
      {pool, R"({"pool": "P", "objects": [{"number": 1, "kind": 1, "fields": [{"name": "MFG_TOOL_DIAMETER"}]}]})",
       ListTools, 9074, "objects[0].fields[0].name: \"MFG_TOOL_DIAMETER\" is longer than a field name (16 characters)"},
      {pool, R"({"pool": "P", "objects": [)" + tool + R"({"name": " MFG_TOOL_DIAM"}]}]})", ListTools, 9074,
       "objects[0].fields[1].name: a second field of this name"},
      {pool, R"({"pool": "TOOLS", "objects": []})", ListTools, 9074, "pool: \"TOOLS\" is the pool of A.json",
       "datapool/A.json", R"({"pool": "TOOLS", "objects": []})"},
      {declarative, R"({"classes": {"MfgX": {"values": {"MFG_A": {"type": 7, "values": [1]}}}}})", MainPoolLoaded,
       9074, "classes.MfgX.values.MFG_A.type: 7 is not a type of values (0 and 1 int, 2 real, 3 text)"},
      {declarative, R"({"pools": {"KAVMFG": {"variables": {"AXES": {"type": "REAL", "value": 5}}}}})",
       MainPoolLoaded, 9074, "pools.KAVMFG.variables.AXES.type: \"REAL\" is not a type (INTEGER or STRING)"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + c.content.substr(0, 60));
    TempDir site;
    if (!c.otherFile.empty()) site.Write(c.otherFile, c.otherContent);
    site.Write(c.file, c.content);
    const std::string path = site.Path() + "/" + c.file.substr(0, c.file.find(".json") + 5);
    ExpectRefused(site.Path(), c.call, path, c.what, c.code);
  }
}

// What is written in the kernel's own forms reads back: texts as bytes,
// reals that are not finite, ints at the ends of their range.
TEST(KernelSiteTest, BytesAndSpecialRealsReadBack) {
  TempDir site;
  site.Write("catalog/tables.json",
             R"({"kinds":[{"kind":-2147483648,"tables":[{"bytes":"41e90a"}]},)"
             R"({"kind":2147483647.0,"title":"\u00e9","tables":[]}]})");
  const ChildResult result = RunInChild({}, [&] {
    KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
    int kinds[] = {-2147483647 - 1, 2147483647}, handle = 0, ier = -1;
    for (int& kind : kinds) {
      GNSLTB(&kind, &handle, &ier);
      int width = 0, count = 0;
      GUSINF(&handle, &width, &count, &ier);
      std::printf("%d %d %d\n", ier, width, count);
    }
    return 0;
  });
  EXPECT_EQ("", result.err);
  EXPECT_EQ("0 72 1\n0 72 0\n", result.out);
}

TEST(KernelSiteTest, AnUnusableSiteDirectoryIsSaidOnceAtFirstUse) {
  TempDir root;
  root.Write("file", "x");
  std::filesystem::create_directory(root.Path() + "/empty");
  // clang-format off
  struct Case { std::string directory, problem; } cases[] = {
      {root.Path() + "/missing", "does not exist"},
      {root.Path() + "/file", "is not a directory"},
      {root.Path() + "/empty", "is empty"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.directory);
    const ChildResult result = TwoCalls(c.directory, [] {
      const int code = Tables();
      std::printf("[%s] ", KAV_KERNEL_FN(kavsim_site_problem)());
      return code;
    });
    EXPECT_EQ("[" + c.problem + "] [" + c.problem + "] 9020 9020\n", result.out);
    EXPECT_EQ("KAVSYMB: site directory " + c.directory + " " + c.problem + "\n", result.err);
  }
}

// What is not a regular file is refused on its stat, with the code of a
// file that cannot be read: a pipe nobody writes would hold open() for
// ever, and a device may never end.
TEST(KernelSiteTest, SiteFilesThatAreNotFilesAreRefusedWithoutOpeningThem) {
  namespace fs = std::filesystem;
  // clang-format off
  const struct { const char* file; std::function<int()> call; } families[] = {
      {"datapool/TOOLS.json", ListTools}, {"gii/session.json", GiiId},
      {"declarative/declarative.json", MainPoolLoaded}, {"dictionary/DICOFR2.json", Complete},
      {"catalog/tables.json", Tables}};
  const struct { const char* what; std::function<void(const std::string&)> make; } kinds[] = {
      {"a pipe", [](const std::string& p) { mkfifo(p.c_str(), 0600); }},
      {"a directory", [](const std::string& p) { fs::create_directory(p); }},
      {"a device", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }}};
  // clang-format on
  for (const auto& family : families) {
    for (const auto& kind : kinds) {
      SCOPED_TRACE(std::string(family.file) + " " + kind.what);
      TempDir site;
      const std::string path = site.Path() + "/" + family.file;
      fs::create_directories(fs::path(path).parent_path());
      kind.make(path);
      ExpectRefused(site.Path(), family.call, path,
                    "cannot be read: it is " + std::string(kind.what), 9070);
    }
  }
}
