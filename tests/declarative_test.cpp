// KAVMfgDeclarative against the reference kernel: the fields and numbers
// that reach the kernel (journal), what comes back, which code GetError()
// keeps, which lists stay open when a call fails, what the process keeps
// once (trace switch, new-interface answers, in fresh processes), and that
// no answer a kernel can give makes the library leave its buffers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "KAVMfgDeclarative.h"
#include "ReferenceKernel.h"
#include "TestSupport.h"

namespace {

using namespace kavtest;
using D = KAVMfgDeclarative;
using Ints = std::vector<int>;

// A fixed-width field as the journal shows it.
std::string F(const std::string& iText, size_t iWidth) {
  return "\"" + Padded(iText, iWidth) + "\"";
}
const std::string kPool = F("KAVMFG", 27);
const std::string kLoad = Lines({"DCLPLE " + kPool + " -> 0", "DCLOAD " + kPool + " -> 0"});

// A variable query as the journal shows it: pool, pool.variable, type.
std::string Query(const char* iRoutine, const std::string& iPool, const std::string& iVariable,
                  const char* iType) {
  return std::string(iRoutine) + " " + F(iPool, 27) + " " + F(iPool + "." + iVariable, 64) + " " +
         F(iType, 64);
}

// Every output a list operation can fill.
struct Out {
  KAVListValKAVUnicodeString paths, macros, nls, texts, names;
  KAVRawCollint ints;
  KAVRawColldouble reals;
  int Appended() const {
    return paths.Size() + macros.Size() + nls.Size() + texts.Size() + names.Size() + ints.Size() +
           reals.Size();
  }
  // Each reader fills its outputs and answers how many values it appended.
  int Values(const char* iClass, const char* iAttribute, int iType) {
    D::GetPossibleValues(iClass, iAttribute, iType, ints, reals, texts, names);
    return Appended();
  }
  int Macros(const char* iClass, const char* iKind) {
    D::GetStandardMacros(iClass, iKind, paths, macros, nls);
    return Appended();
  }
  int AllStrings(const char* iVariable, const char* iPool) {
    D::GetAllStrings(iVariable, iPool, texts, names);
    return Appended();
  }
};

// The size of a list an operation handed over, which the test then owns.
int Owned(KAVListValKAVUnicodeString* iList, Strings* oNames = nullptr) {
  std::unique_ptr<KAVListValKAVUnicodeString> list(iList);
  if (oNames) *oNames = Items(*list);
  return list->Size();
}

// Back to the site's seed state, with GetError() at 0 (the loading group
// never clears it; a successful switch does).
void Fresh() {
  D::AutoToolNumber();
  Kernel::Reset();
}

// clang-format off
// The trace of a switch that answers its result.
Strings Result(const std::string& iTitle, int iResult, int iDashes = 19, const char* iEnd = ", end") {
  return Concat({Opening(iDashes, iTitle + ", start"), {kBlank, "result :  " + std::to_string(iResult)},
                 Closing(iDashes, iTitle + iEnd)});
}
// clang-format on

class DeclarativeTest : public KernelTest {
 protected:
  void SetUp() override {
    unsetenv("ZORVENICONPATH");
    D::AutoToolNumber();
    KernelTest::SetUp();
  }
};

// --- Loading and variables --------------------------------------------------

TEST_F(DeclarativeTest, MainPoolIsLoadedOnceAndOnlyWhenSpelledExactly) {
  Out o;
  D::LoadNcDeclarative();
  D::LoadNcDeclarative();
  D::GetAllStrings("EDITOR", "kavmfg", o.texts, o.names);
  D::GetAllStrings("EDITOR", "KAVUSER", o.texts, o.names);  // known, unloaded
  // clang-format off
  EXPECT_EQ(kLoad + Lines({"DCLPLE " + kPool + " -> 0", Query("G7AQRY", "kavmfg", "EDITOR", "STRING") + " 50 256 -> 9050",
                           Query("G7AQRY", "KAVUSER", "EDITOR", "STRING") + " 50 256 -> 9051"}), Kernel::Journal());
  // clang-format on
  EXPECT_EQ(9051, D::GetError());
  EXPECT_EQ(0, KAV_KERNEL_FN(kavsim_declarative_loaded)("KAVUSER"));
}

// Each reader's kernel call, field by field, and what it makes of the
// answer. Codes are kept only when non-zero.
TEST_F(DeclarativeTest, VariableReadersSendFullNamesAsFields) {
  const std::string longPool(30, 'P'), longName(70, 'V');
  const std::string strings =
      kLoad + Query("G7AQRY", "KAVMFG", "POSTPRO.LIST", "STRING") + " 50 256 -> 0\n";
  // clang-format off
  struct Case { const char* what; std::function<std::string()> run; std::string result; int error; std::string journal; };
  const Case cases[] = {
      {"strings of KAVMFG", [] {
         Out o;
         o.texts.Append("old");
         const int code = D::GetAllStrings("POSTPRO.LIST", "KAVMFG", o.texts, o.names);
         return std::to_string(code) + ":" + Items(o.texts)[2] + "|" + Items(o.names)[2] + "|" +
                std::to_string(o.texts.Size());
       }, "0:PP3|ISO_GENERIC|3", 0, strings},
      {"integer of a preloaded pool", [] { return std::to_string(D::GetInteger("DEPTH", "KAVPATHS")); }, "3", 0,
       Query("G7AQUV", "KAVPATHS", "DEPTH", "INTEGER") + " 4 -> 0\n"},
      {"integer of a STRING", [] { return std::to_string(D::GetInteger("ICONS", "KAVPATHS")); }, "0", 9053,
       Query("G7AQUV", "KAVPATHS", "ICONS", "INTEGER") + " 4 -> 9053\n"},
      {"last string", [] { return D::GetString("POSTPRO.LIST", "KAVMFG").ToStdString(); }, "ISO_GENERIC", 0, strings},
      {"string of an unknown variable", [] { return D::GetString("NOTHING", "KAVPATHS").ToStdString(); }, "", 9052,
       Query("G7AQRY", "KAVPATHS", "NOTHING", "STRING") + " 50 256 -> 9052\n"},
      {"names cut to their fields", [&] {
         return std::to_string(D::GetInteger(KAVUnicodeString(longName), KAVUnicodeString(longPool)));
       }, "0", 9050, Query("G7AQUV", longPool, longName, "INTEGER") + " 4 -> 9050\n"},
      {"toolpath switch", [] { return std::to_string(D::IsToolpathToBeStored()); }, "1", 0,
       kLoad + "DCLQUV " + kPool + " " + F("KAVMFG.TOOLPATH.STORAGE", 64) + " 23 97 -> 0\n"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    EXPECT_EQ(c.result, c.run());
    EXPECT_EQ(c.journal, Kernel::Journal());
    EXPECT_EQ(c.error, D::GetError());
  }
}

// A failure is kept through later successes of this group, and a failed
// load does not stop the query that asked for it.
TEST_F(DeclarativeTest, LoadingFailuresAreKeptAndDoNotStopTheQuery) {
  D::GetInteger("ICONS", "KAVPATHS");
  EXPECT_EQ((Ints{3, 9053}), (Ints{D::GetInteger("DEPTH", "KAVPATHS"), D::GetError()}));
  Kernel::ClearJournal();
  Kernel::FailRoutine("DCLOAD", 1, 4242);
  EXPECT_EQ((Ints{0, 9051}), (Ints{D::IsToolpathToBeStored(), D::GetError()}));
  EXPECT_EQ("DCLPLE -> 0\nDCLOAD -> 4242\nDCLQUV -> 9051\n", Kernel::Calls());
  Kernel::FailRoutine("DCLPLE", 2, 4343);
  Out o;
  EXPECT_EQ((Ints{9051, 9051}),
            (Ints{D::GetAllStrings("TOOLPATH.FORMAT", "KAVMFG", o.texts, o.names), D::GetError()}));
}

// DCLQUV's answer, scripted: only a type-3 YES (any case, blanks around)
// stores toolpaths; another type stores no code.
TEST_F(DeclarativeTest, ToolpathSwitchIsATextReadingYes) {
  // clang-format off
  const struct { const char* value; int type, code, result, error; } cases[] = {
      {"  yEs ", 3, 0, 1, 0}, {"YES", 3, 0, 1, 0}, {"Y", 3, 0, 0, 0}, {"TRUE", 3, 0, 0, 0},
      {"", 3, 0, 0, 0}, {"YES", 1, 0, 0, 0}, {"YES", 3, 77, 0, 77}, {"YES YES", 3, 0, 0, 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Fresh();
    Kernel::ScriptText("DCLQUV", 1, 5, Padded(c.value, 72), true);
    Kernel::ScriptInt("DCLQUV", 1, 6, c.type, true);
    Kernel::ScriptInt("DCLQUV", 1, 7, c.code, true);
    EXPECT_EQ((Ints{c.result, c.error}), (Ints{D::IsToolpathToBeStored(), D::GetError()}));
  }
}

// The declarative's evaluation, then the split: at the first comma after
// the first character; blanks, then quotes, go from each part.
TEST_F(DeclarativeTest, VortisPathSplitsAtTheFirstCommaAfterTheFirstCharacter) {
  setenv("KAV_TEST_NCDIR", "/nc/env", 1);
  // clang-format off
  const struct { const char* expression; const char* scripted; std::string physical, logical; } cases[] = {
      {"$KAVPATHS.VORTIS.MAIN", nullptr, "/nc/vortis/main", "MAINLIB"},
      {"${KAVPATHS.VORTIS.BACKUP}", nullptr, "/nc/vortis/backup", "BACKLIB,OLD"},
      {"  $KAV_TEST_NCDIR/lib  ", nullptr, "/nc/env/lib", "/nc/env/lib"},
      {"$KAVMFG.VORTIS.PATH", nullptr, "", ""},  // pool not loaded
      {"x", "\"/a/b\" , \"LOG\"", "/a/b", "LOG"}, {"x", ",\"LOG\"", ",\"LOG\"", ",\"LOG\""},
      {"x", " \"/a\" ", "\"/a\"", "\"/a\""}, {"x", "\" /a \",, L ", " /a ", ", L"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression + std::string(" ") + (c.scripted ? c.scripted : ""));
    Fresh();
    if (c.scripted) Kernel::ScriptText("DCLVAR", 1, 5, Padded(c.scripted, 1024));
    KAVUnicodeString physical = "old", logical = "old";
    D::GetVORTISPath(c.expression, physical, logical);
    EXPECT_EQ((Strings{c.physical, c.logical}),
              (Strings{physical.ToStdString(), logical.ToStdString()}));
    EXPECT_EQ(0, D::GetError());
  }
  Kernel::ClearJournal();
  EXPECT_EQ("", D::GetDeclarativePath("$NO_SUCH_VARIABLE_HERE").ToStdString());
  EXPECT_EQ("DCLVAR \"$NO_SUCH_VARIABLE_HERE\" 22 1 1 -> 9057\n", Kernel::Journal());
  unsetenv("KAV_TEST_NCDIR");
}

// ZORVENICONPATH is read on every call; the kernel's code stays for
// GetError().
TEST_F(DeclarativeTest, IconPathJoinsTheIconDirectoryAndTheKernelsIcon) {
  // clang-format off
  const struct { const char* klass; const char* directory; std::string path; int error; } cases[] = {
      {"  MfgPocketing ", "/icons", "/icons/POCKET.gif", 0}, {"MfgPocketing", "/icons/", "/icons//POCKET.gif", 0},
      {"MfgPocketing", nullptr, "", 0}, {"MfgPocketing", "", "", 0},
      {"MfgHole", "/icons", "", 9550}, {"MfgNowhere", "/icons", "", 9054}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.klass + std::string(c.directory ? c.directory : "(unset)"));
    Fresh();
    c.directory ? setenv("ZORVENICONPATH", c.directory, 1) : unsetenv("ZORVENICONPATH");
    EXPECT_EQ(c.path, D::GetIconPath(c.klass).ToStdString());
    EXPECT_EQ(c.error, D::GetError());
  }
  EXPECT_EQ("GNDRIC " + F("MfgNowhere", 32) + " -> 9054\n", Kernel::Journal());
}

// A damaged site file is ignored whole: every routine answers its site
// code. A site without the file has no pools and nothing defined.
TEST_F(DeclarativeTest, DamagedOrMissingSiteFileAnswersEveryCall) {
  const std::string bundled = KAV_KERNEL_FN(kavsim_site)();
  // clang-format off
  const struct { const char* content; int load, transitions; } cases[] = {
      {"{\"pools\": {\"KAVMFG\": {\"preloaded\": \"yes\"}}}", 9073, 9073},
      {"{\"pools\": ", 9071, 9071}, {nullptr, 9050, 9550}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(no file)");
    TempDir site;
    if (c.content) site.Write("declarative/declarative.json", c.content);
    KAV_KERNEL_FN(kavsim_set_site)(site.Path().c_str());
    Fresh();
    D::LoadNcDeclarative();
    EXPECT_EQ(c.load, D::GetError());
    Out o;
    D::GetTransitionPaths(o.paths, o.macros, o.nls);
    EXPECT_EQ(c.transitions, D::GetError());
    EXPECT_EQ(0, D::AutoNewInterface());
  }
  KAV_KERNEL_FN(kavsim_set_site)(bundled.c_str());
}

// --- Customization lists ----------------------------------------------------

TEST_F(DeclarativeTest, ThreeListReadersAppendOneEntryPerTransition) {
  Out o, m;
  o.paths.Append("kept");
  D::GetTransitionPaths(o.paths, o.macros, o.nls);
  D::GetTransitionPaths(o.paths, o.macros, o.nls);
  EXPECT_EQ(0, D::GetError());
  EXPECT_EQ((Ints{9, 8, 8}), (Ints{o.paths.Size(), o.macros.Size(), o.nls.Size()}));
  EXPECT_EQ((Strings{"MfgDrilling -> MfgReaming", "TRDRRE", "Du percage a l'alesage"}),
            (Strings{Items(o.paths)[2], Items(o.macros)[1], Items(o.nls)[1]}));
  EXPECT_EQ(Items(o.paths)[4], Items(o.paths)[8]);
  D::GetStandardMacros("MfgPocketing", "APPROACH", m.paths, m.macros, m.nls);
  EXPECT_EQ((Strings{"MfgPocketing.APPROACH.HELIX", "APHELIX", "Approche en helice"}),
            (Strings{Items(m.paths)[2], Items(m.macros)[2], Items(m.nls)[2]}));
  EXPECT_EQ(0, Kernel::OpenLists());
}

// The class and the other names go as fields: cut or padded, never
// stripped, except GetToolClasses, which strips the class first. New lists
// are the caller's, and only GetToolClasses ends its kernel list.
TEST_F(DeclarativeTest, ClassListsSendTheirNamesAsFields) {
  const std::string longClass = "MfgPocketing" + std::string(30, 'X');
  Out o;
  // clang-format off
  const struct { const char* what; std::function<void()> run; std::string journal; int error; } cases[] = {
      {"macros", [&] { o.Macros(" MfgPocketing", "APPROACHES"); },
       "GNFLMC " + F(" MfgPocketing", 32) + " " + F("APPROACH", 8), 9054},
      {"unwanted", [&] { D::GetUnwantedAttributes(KAVUnicodeString(longClass), o.names); }, "GNFRLA " + F(longClass, 32), 9054},
      {"values", [&] { o.Values("MfgPocketing", "MFG_PATTERN", 2); },
       "GNFRVA " + F("MfgPocketing", 32) + " " + F("MFG_PATTERN", 32) + " 2", 9055},
      {"defaults", [] { Owned(D::GetDefaultAttributes("MfgPocketing ")); }, "GNFRDA " + F("MfgPocketing", 32), 0},
      {"resources", [] { Owned(D::GetResListAttributes(" MfgTool")); }, "GNDRDA " + F(" MfgTool", 32), 9054},
      {"tools", [] { Owned(D::GetToolClasses("   MfgDrilling  ")); }, "GNFRTL " + F("MfgDrilling", 32), 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    c.run();
    const std::string call = c.journal + " -> " + std::to_string(c.error);
    EXPECT_EQ(call, Kernel::Journal().substr(0, call.size()));
    EXPECT_EQ(c.error, D::GetError());
  }
  EXPECT_EQ(0, o.Appended());
  Strings names;
  EXPECT_EQ(3, Owned(D::GetDefaultAttributes("MfgPocketing"), &names));
  EXPECT_EQ((Strings{"MFG_PATTERN", "MFG_STEPOVER", "MFG_DEPTH"}), names);
  EXPECT_EQ(3, Owned(D::GetResListAttributes("MfgTool")));
  EXPECT_EQ(2, Owned(D::GetToolClasses("MfgPocketing"), &names));
  EXPECT_EQ((Strings{"MfgEndMill", "MfgFaceMill"}), names);
  EXPECT_EQ(2, Kernel::OpenLists());
}

// 9550 is an answer: _ErrorNumber 0, the kernel's error cleared, the
// outputs as they were.
TEST_F(DeclarativeTest, NothingDefinedIsAnEmptySuccess) {
  Out o;
  o.names.Append("kept");
  D::GetUnwantedAttributes("MfgTapping", o.names);
  EXPECT_EQ(0, D::GetError());
  o.Values("MfgTapping", "MFG_TAP_PITCH", 2);
  EXPECT_EQ(0, D::GetError());
  EXPECT_EQ("GNFRLA -> 9550\nGUERJO -> 0\nGNFRVA -> 9550\nGUERJO -> 0\n", Kernel::Calls());
  EXPECT_EQ(1, o.Appended());
  // Other list readers take 9550 as the failure it is.
  EXPECT_EQ(0, Owned(D::GetDefaultAttributes("MfgHole")));
  EXPECT_EQ(9550, D::GetError());
}

// Each type fills its own output; texts keep 72 characters with their
// blanks, national names are stripped. After the call both outputs are
// index-aligned. An unknown type appends the first national name and
// reports itself, traced or not; both lists stay open.
TEST_F(DeclarativeTest, PossibleValuesFillTheOutputOfTheirType) {
  Out o;
  o.Values("MfgPocketing", "MFG_NB_LEVELS", 0);
  o.Values("MfgDrilling", "MFG_CYCLE_TYPE", 1);
  o.Values("MfgPocketing", "MFG_STEPOVER", 2);
  o.Values("MfgFacing", "MFG_PATTERN", 3);
  EXPECT_EQ(0, D::GetError());
  EXPECT_EQ((Ints{1, 2, 3, 81, 82, 83}), Values(o.ints));
  EXPECT_EQ((std::vector<double>{0.5, 1.0, 2.0}), Values(o.reals));
  EXPECT_EQ((Strings{Padded("ZIG ZAG", 72), Padded("ONE WAY", 72)}), Items(o.texts));
  EXPECT_EQ(o.ints.Size() + o.reals.Size() + o.texts.Size(), o.names.Size());
  EXPECT_EQ("Aller simple", Items(o.names).back());
  EXPECT_EQ(0, Kernel::OpenLists());
  Stdout();
  Out unknown;
  EXPECT_EQ(1, unknown.Values("MfgPocketing", "MFG_NB_LEVELS", 7));
  EXPECT_EQ(0, D::GetError());
  EXPECT_EQ((Strings{"Une passe"}), Items(unknown.names));
  EXPECT_EQ(2, Kernel::OpenLists());
  // clang-format off
  EXPECT_EQ(Lines({"", std::string(23, '!'), " Wrong type for Attribute :MFG_NB_LEVELS", " type found :7",
                   std::string(23, '!'), ""}), Stdout());
  // clang-format on
}

// --- Switches ---------------------------------------------------------------

// The caller's own ints reach the kernel; on failure oValue keeps what the
// kernel left in it.
TEST_F(DeclarativeTest, PointSwitchesReadTheCallersVariables) {
  // clang-format off
  const struct { const char* what; std::function<void(int&)> run; int value, error; std::string journal; } cases[] = {
      {"symbol", [](int& v) { D::GetAutoSymbol(1, "MfgPocketing", "START", v); }, 1, 0,
       "NFPTSYM 1 " + F("MfgPocketing", 32) + " " + F("START", 8)},
      {"symbol of code 2", [](int& v) { D::GetAutoSymbol(2, "MfgPocketing", "STARTING", v); }, -5, 9550,
       "NFPTSYM 2 " + F("MfgPocketing", 32) + " " + F("STARTING", 8)},
      {"group", [](int& v) { D::GetAutoGrpPlng(1, "MfgDrilling", "HOLE", "PATTERNS", v); }, -5, 9550,
       "NFPTGRP 1 " + F("MfgDrilling", 32) + " " + F("HOLE", 8) + " " + F("PATTERNS", 8)},
      {"circle", [](int& v) { D::GetAutoCircle(2, "MfgDrilling", v); }, 0, 0, "NFPTCIR 2 " + F("MfgDrilling", 32)},
      {"mode", [](int& v) { D::GetAutoMacroModify(v); }, 1, 0, "GNFRMR"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    int value = -5;
    c.run(value);
    EXPECT_EQ((Ints{c.value, c.error}), (Ints{value, D::GetError()}));
    EXPECT_EQ(c.journal + " -> " + std::to_string(c.error) + "\n", Kernel::Journal());
  }
}

// A module length of 1 (scripted) counts as no name.
TEST_F(DeclarativeTest, MacroReplayNeedsBothNamesLongerThanOneCharacter) {
  // clang-format off
  const struct { const char* klass; int scripted, result, moduleLength, entryLength, error; const char* module; const char* entry; } cases[] = {
      {"MfgPocketing", 0, 1, 7, 7, 0, "MFGPOCK", "RPLPOCK"}, {"MfgFacing", 0, 0, 7, 1, 0, "MFGFACE", "R"},
      {"MfgTapping", 0, 0, 0, 0, 9550, "old", "old"}, {"MfgPocketing", 1, 0, 1, 7, 0, "MFGPOCK", "RPLPOCK"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.klass + std::to_string(c.scripted));
    Fresh();
    if (c.scripted) Kernel::ScriptInt("GNFRSB", 1, 3, c.scripted);
    KAVUnicodeString module = "old", entry = "old";
    int moduleLength = -1, entryLength = -1;
    EXPECT_EQ(c.result, D::GetMacroReplay(c.klass, module, moduleLength, entry, entryLength));
    EXPECT_EQ((Ints{c.moduleLength, c.entryLength, c.error}),
              (Ints{moduleLength, entryLength, D::GetError()}));
    EXPECT_EQ((Strings{c.module, c.entry}), (Strings{module.ToStdString(), entry.ToStdString()}));
  }
}

TEST_F(DeclarativeTest, ResultSwitchesReturnWhatTheKernelLeft) {
  EXPECT_EQ((Ints{1, 0, 1}),
            (Ints{D::ResourceManagement(), D::AutoToolNumber(), D::AutoNewInterface()}));
  Kernel::FailRoutine("GNFRRC", 2, 4242);
  EXPECT_EQ((Ints{0, 4242}), (Ints{D::ResourceManagement(), D::GetError()}));
  Kernel::ScriptInt("GNFRTN", 2, 1, 6);
  Kernel::ScriptInt("GNFRTN", 2, 2, 4343);
  EXPECT_EQ((Ints{6, 4343}), (Ints{D::AutoToolNumber(), D::GetError()}));
}

// --- Once per process (a fresh run of this binary) --------------------------

// The first answer 0 or 1 is kept whatever the name; any other answer is
// asked again. No ier: _ErrorNumber stays as it was. Names go unpadded
// with their lengths; the answer is the journal's code.
TEST(DeclarativeDeathTest, NewInterfaceAnswersAreKeptOnceZeroOrOne) {
  const Environment untraced = {{"MfgBaseDebug", std::nullopt}};
  ExpectFresh(untraced, "0011200 9053\n", [] {
    Kernel::Reset();
    D::GetInteger("ICONS", "KAVPATHS");  // leaves 9053
    // clang-format off
    const std::pair<int (*)(KAVUnicodeString), const char*> asked[] = {
        {D::AutoNewInterfaceG22, "SURFACE"}, {D::AutoNewInterfaceG22, "PRISMATIC"}, {D::AutoNewInterfaceG23, "LATHE"},
        {D::AutoNewInterfaceG23, "MILLTURN"}, {D::AutoNewInterfaceG24, "PENDING"}, {D::AutoNewInterfaceG24, "ROBOT"},
        {D::AutoNewInterfaceG24, "PENDING"}};
    // clang-format on
    for (const auto& [ask, name] : asked) std::cout << ask(name);
    std::cout << " " << D::GetError() << "\n";
    Kernel::ClearJournal();
    D::AutoNewInterfaceG23(KAVUnicodeString("LATHE", 3));  // cached: no call
    return Kernel::Journal();
  });
  ExpectFresh(untraced,
              Lines({"GNFRNW2 \" SURF \" 6 -> 0", "GNFRNW3 \"LA\\x00THE\" 6 -> 0",
                     "GNFRNW4 \"PENDING\" 7 -> 2"}),
              [] {
                Kernel::Reset();
                D::AutoNewInterfaceG22(" SURF ");
                D::AutoNewInterfaceG23(KAVUnicodeString("LA\0THE", 6));
                D::AutoNewInterfaceG24("PENDING");
                return Kernel::Journal();
              });
}

// _Debug is read by the first operation that traces, never by
// GetDeclarativePath or GetError: a switch set after those still counts.
// The area switches trace once, on the call that asks the kernel; G22
// borrows the titles of AutoNewInterface.
TEST(DeclarativeDeathTest, TraceSwitchIsReadByTheFirstTracedOperation) {
  const Environment untraced = {{"MfgBaseDebug", std::nullopt}};
  const auto scenario = [](bool iTracedFirst) {
    return [iTracedFirst] {
      if (iTracedFirst) D::AutoToolNumber();
      D::GetDeclarativePath("x");
      D::GetError();
      setenv("MfgBaseDebug", "KAVMfgDeclarative", 1);
      D::AutoToolNumber();
      return std::string();
    };
  };
  ExpectFresh(untraced, "", scenario(true));
  ExpectFresh(untraced, Lines(Result("AutoToolNumber", 0)), scenario(false));
  ExpectFresh({{"MfgBaseDebug", "KAVMfgDeclarative"}},
              Block({Result("AutoNewInterface", 1), Result("AutoNewInterfaceG23", 1),
                     Result("AutoNewInterfaceG24", 2)}),
              [] {
                D::AutoNewInterfaceG22("PRISMATIC");
                D::AutoNewInterfaceG22("PRISMATIC");
                D::AutoNewInterfaceG23("LATHE");
                D::AutoNewInterfaceG24("PENDING");
                return std::string();
              });
}

// --- Failing kernel calls ---------------------------------------------------

// GetDefaultAttributes, GetResListAttributes and GetToolClasses: past
// GUSINF read codes are not looked at, every item is appended (blank when
// its read failed) and the code left is the last call's. Only GetToolClasses
// ends its list, and a failing end drops its closing lines.
std::function<Left(const FaultRun&)> Lenient(const char* iRoutine, int iItems, bool iEnds) {
  return [=](const FaultRun& iRun) {
    KernelSteps steps = {KernelStep(iRoutine).Opens(1), "GUSINF"};
    steps.insert(steps.end(), static_cast<size_t>(iItems), KernelStep("GUSREA").Keeps(1));
    if (iRun.n <= 2 && iRun.Faulted()) return Stopping(steps, iRun);
    if (iEnds) steps.push_back(KernelStep("GUSEND").Ends(1));
    const bool from = iRun.mode == FaultMode::kFrom;
    const long last = static_cast<long>(steps.size());
    Left left;
    for (long i = 1; i <= last; ++i) {
      const bool hit = from ? i >= iRun.n : i == iRun.n;
      left.calls += steps[i - 1].routine + " -> " + std::to_string(hit ? iRun.code : 0) + "\n";
    }
    const bool lastFails = iRun.Faulted() && (from || iRun.n == last);
    left.error = lastFails ? iRun.code : 0;
    left.open = iEnds && !lastFails ? 0 : 1;
    left.kept = iItems;
    left.banner = !(iEnds && lastFails);
    return left;
  };
}

// Every operation with each of its calls failing. The loading group never
// clears its code, so each run starts at 0.
std::vector<SweptOperation> Operations() {
  static int value;
  static KAVUnicodeString text;
  const KernelStep read = KernelStep("GUSREA").Keeps(1);
  const auto reader = [&](const char* iRoutine, int iLists, int iItems) {
    KernelSteps steps = {KernelStep(iRoutine).Opens(iLists), "GUSINF"};
    steps.insert(steps.end(), static_cast<size_t>(iLists * iItems), read);
    steps.insert(steps.end(), static_cast<size_t>(iLists), KernelStep("GUSEND").Ends(1));
    return Stops(steps);
  };
  const auto keeps = [](const char* iRoutine, int iValues) {
    return Stops({KernelStep(iRoutine).Keeps(iValues)}, true);
  };
  // clang-format off
  std::vector<SweptOperation> operations = {
      {"GetTransitionPaths", [] { Out o; D::GetTransitionPaths(o.paths, o.macros, o.nls); return o.Appended(); }, reader("GNFLTP", 3, 4), ""},
      {"GetStandardMacros", [] { return Out().Macros("MfgDrilling", "APPROACH"); }, reader("GNFLMC", 3, 1), ""},
      {"GetUnwantedAttributes", [] { Out o; D::GetUnwantedAttributes("MfgPocketing", o.names); return o.Appended(); },
       reader("GNFRLA", 1, 2), ""},
      {"GetPossibleValues int", [] { return Out().Values("MfgDrilling", "MFG_CYCLE_TYPE", 1); }, reader("GNFRVA", 2, 3), ""},
      {"GetPossibleValues real", [] { return Out().Values("MfgPocketing", "MFG_STEPOVER", 2); }, reader("GNFRVA", 2, 3), ""},
      {"GetPossibleValues text", [] { return Out().Values("MfgFacing", "MFG_PATTERN", 3); }, reader("GNFRVA", 2, 2), ""},
      {"GetDefaultAttributes", [] { return Owned(D::GetDefaultAttributes("MfgPocketing")); },
       Lenient("GNFRDA", 3, false), ""},
      {"GetResListAttributes", [] { return Owned(D::GetResListAttributes("MfgPocketing")); },
       Lenient("GNDRDA", 2, false), ""},
      {"GetToolClasses", [] { return Owned(D::GetToolClasses("MfgPocketing")); }, Lenient("GNFRTL", 2, true), ""},
      {"GetAutoSymbol", [] { return D::GetAutoSymbol(1, "MfgPocketing", "START", value), 0; }, Stops({"NFPTSYM"}), ""},
      {"GetAutoGrpPlng", [] { return D::GetAutoGrpPlng(1, "MfgPocketing", "START", "ENTRY", value), 0; },
       Stops({"NFPTGRP"}), ""},
      {"GetAutoCircle", [] { return D::GetAutoCircle(1, "MfgDrilling", value), 0; }, Stops({"NFPTCIR"}), ""},
      {"GetMacroReplay", [] { return D::GetMacroReplay("MfgPocketing", text, value, text, value); },
       Stops({KernelStep("GNFRSB").Keeps(1)}), ""},
      {"GetAutoMacroModify", [] { return D::GetAutoMacroModify(value), 0; }, Stops({"GNFRMR"}), ""},
      {"ResourceManagement", [] { return D::ResourceManagement(), 0; }, Stops({"GNFRRC"}, true), ""},
      {"AutoToolNumber", [] { return D::AutoToolNumber(), 0; }, Stops({"GNFRTN"}, true), ""},
      {"AutoNewInterface", [] { return D::AutoNewInterface(), 0; }, Stops({"GNFRNW"}, true), ""},
      {"GetIconPath", [] { return D::GetIconPath("MfgPocketing"), 0; }, Stops({"GNDRIC"}, true), ""},
      {"LoadNcDeclarative", [] { return D::LoadNcDeclarative(), 0; }, Stops({"DCLPLE", "DCLOAD"}), ""},
      {"GetInteger", [] { return D::GetInteger("DEPTH", "KAVPATHS") == 3 ? 1 : 0; }, keeps("G7AQUV", 1), ""},
      {"GetAllStrings", [] { return Out().AllStrings("VORTIS.MAIN", "KAVPATHS"); }, keeps("G7AQRY", 2), ""},
      {"GetString", [] { return D::GetString("VORTIS.MAIN", "KAVPATHS").GetLengthInChar() > 0 ? 1 : 0; },
       keeps("G7AQRY", 1), ""},
      // Reports nothing: the code never reaches _ErrorNumber.
      {"GetVORTISPath", [] {
         KAVUnicodeString logical;
         D::GetVORTISPath("$KAVPATHS.VORTIS.MAIN", text, logical);
         return text.GetLengthInChar() > 0 ? 1 : 0;
       }, [](const FaultRun& iRun) {
         Left left = Stopping({KernelStep("DCLVAR").Keeps(1)}, iRun, true);
         left.error = 0;
         return left;
       }, ""}};
  // clang-format on
  for (SweptOperation& operation : operations) operation.setUp = [] { D::AutoToolNumber(); };
  return operations;
}

TEST_F(DeclarativeTest, EachFailingCallEndsTheOperationAsPromised) {
  SweepOperations(Operations(), D::GetError, false);
}

TEST_F(DeclarativeTest, EachFailingCallTraceShowsTheEndBannerOnlyWhenPromised) {
  SweepOperations(Operations(), D::GetError, true);
}

// --- Answers no well-behaved kernel gives ------------------------------------

// Counts and lengths out of range, fields with no blanks and no NUL: the
// library reads its own buffers only (the sanitizers check the reading).
// A scripted answer to the n-th call of iRoutine.
std::function<void()> Int(const char* iRoutine, int iArg, int iValue, int iFlags = 0) {
  return [=] { Kernel::ScriptInt(iRoutine, 1, iArg, iValue, iFlags); };
}
std::function<void()> Text(const char* iRoutine, int iArg, const std::string& iText, long iN = 1) {
  return [=] { Kernel::ScriptText(iRoutine, iN, iArg, iText); };
}

TEST_F(DeclarativeTest, OutOfRangeAnswersStayInsideTheBuffers) {
  const std::string full8 = "ABCDEFGH", full72(72, 'T'), full1024(1024, 'x');
  const auto strings = [](int iWhich) {
    Out o;
    o.AllStrings("VORTIS.MAIN", "KAVPATHS");
    if (iWhich == 0) return Items(o.texts)[0];
    if (iWhich == 2) return std::to_string(Items(o.names)[0].size());
    return std::to_string(o.texts.Size()) + "/" + std::to_string(o.names.Size());
  };
  const auto item = [&] { return strings(0); };
  const auto counts = [&] { return strings(1); };
  const auto string = [] { return D::GetString("VORTIS.MAIN", "KAVPATHS").ToStdString(); };
  const auto path = [] { return std::to_string(D::GetDeclarativePath("x").GetLengthInChar()); };
  const auto icon = [] {
    setenv("ZORVENICONPATH", "/i", 1);
    return D::GetIconPath("MfgPocketing").ToStdString();
  };
  const auto records = Int("GUSINF", 3, INT_MAX);
  // clang-format off
  const struct { const char* what; std::vector<std::function<void()>> script; std::function<std::string()> run; std::string result; } cases[] = {
      {"G7AQRY count above its capacity", {Int("G7AQRY", 6, 51, kOnPurpose)}, counts, "50/50"},
      {"G7AQRY count far above", {Int("G7AQRY", 6, 1 << 30, kOnPurpose)}, counts, "50/50"},
      {"G7AQRY negative count", {Int("G7AQRY", 6, -3)}, counts, "0/0"},
      {"item length above its field", {Int("G7AQRY", 8, 1000)}, item, "MAIN"},
      {"item shorter than its field", {Text("G7AQRY", 7, "ABCDEFGH"), Int("G7AQRY", 8, 3)}, item, "ABC"},
      {"value shorter than its field", {Text("G7AQRY", 9, "ABCDEFGH"), Int("G7AQRY", 10, 3)}, string, "ABC"},
      {"value length above its field", {Text("G7AQRY", 9, std::string(256, 'v')), Int("G7AQRY", 10, 257)},
       [&] { return strings(2); }, "256"},
      {"negative value length", {Int("G7AQRY", 10, -1)}, string, ""},
      {"DCLVAR output with no blank", {Text("DCLVAR", 5, full1024)}, path, "1024"},
      {"DCLVAR output scripted longer than its field", {Text("DCLVAR", 5, full1024 + "yy")}, path, "1024"},
      {"GNDRIC icon with no terminator", {Text("GNDRIC", 2, full8)}, icon, "/i/ABCDEFGH.gif"},
      {"GNDRIC icon scripted longer than its field", {Text("GNDRIC", 2, std::string(200, 'X'))}, icon, "/i/XXXXXXXX.gif"},
      {"GNFRSB names with no terminator, lengths out of range",
       {Text("GNFRSB", 2, full8), Text("GNFRSB", 4, full8), Int("GNFRSB", 3, 1 << 30), Int("GNFRSB", 5, -9)},
       [] { KAVUnicodeString m, e; int ml = 0, el = 0;
            const int r = D::GetMacroReplay("MfgPocketing", m, ml, e, el);
            return std::to_string(r) + m.ToStdString() + e.ToStdString() + std::to_string(el); },
       "0ABCDEFGHABCDEFGH-9"},
      {"list text with no blank and no terminator", {Text("GUSREA", 3, full72, 2)},
       [] { Out o; o.Values("MfgFacing", "MFG_PATTERN", 3); return Items(o.texts)[0]; }, full72},
      {"G7AQUV value with a spare of any kind", {Int("G7AQUV", 6, -1)},
       [] { return std::to_string(D::GetInteger("DEPTH", "KAVPATHS")); }, "3"},
      // Read codes are not looked at, but a list of INT_MAX records once
      // had two billion blank names appended, one per failing read.
      {"default attributes: INT_MAX records, three readable", {records},
       [] { return std::to_string(Owned(D::GetDefaultAttributes("MfgPocketing"))); }, "4096"},
      {"resource attributes: INT_MAX records, three readable", {records},
       [] { return std::to_string(Owned(D::GetResListAttributes("MfgTool"))); }, "4096"},
      {"tool classes: INT_MAX records, two readable", {records},
       [] { Strings names;
            const int count = Owned(D::GetToolClasses("MfgPocketing"), &names);
            return std::to_string(count) + names[0] + names[1] + "[" + names[2] + "]" + std::to_string(D::GetError()); },
       "4096MfgEndMillMfgFaceMill[]0"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    for (const auto& script : c.script) script();
    EXPECT_EQ(c.result, c.run());
  }
}

// --- Traces -----------------------------------------------------------------

// clang-format off
// The closing of the loading group: no blank line before the dashes.
Strings Bare(int iDashes, const std::string& iTitle) { return {Dashes(iDashes), iTitle, Dashes(iDashes), " "}; }
// A banner of 30 dashes with the class's name: start with its lines, end.
Strings Start30(const std::string& iTitle, Strings iLines) {
  return Concat({{" ", Dashes(30), "KAVMfgDeclarative::" + iTitle + ",       start"}, iLines, {Dashes(30)}});
}
Strings End30(const std::string& iTitle, Strings iLines) {
  return Concat({{Dashes(30)}, iLines, {"KAVMfgDeclarative::" + iTitle + ",         end", Dashes(30), " "}});
}
Strings Variable(const char* iPool, const char* iVariable) {
  return {std::string(" Pool name     : ") + iPool, std::string(" Variable name : ") + iVariable};
}
// Entry i of a list reader's trace: a blank, its index, its lines.
Strings Indexed(int i, Strings iLines) { return Concat({{" ", "indice : " + std::to_string(i)}, iLines}); }
Strings Value(int i, const std::string& iNls, const std::string& iValue, const char* iBetween = " ") {
  return Concat({Indexed(i, {"NlsName : " + iNls}), {iBetween, "indice : " + std::to_string(i), iValue}});
}
Strings Transition(int i, const std::string& iPath, const std::string& iMacro, const std::string& iNls) {
  return Indexed(i, {"Path   : " + iPath, "MacroName : " + iMacro, "NlsMacroName : " + iNls});
}

TEST_F(DeclarativeTest, LoadingAndPathTraces) {
  const Strings load = {" ", Dashes(30), "LoadNcDeclarative,       start", Dashes(30)};
  const Strings loaded = {"Chargement OK du declaratif NC", Dashes(30), "LoadNcDeclarative,         end", Dashes(30), " "};
  EXPECT_EQ(1, D::IsToolpathToBeStored());
  D::GetString("POSTPRO.LIST", "KAVMFG");
  D::GetInteger("ICONS", "KAVPATHS");
  EXPECT_EQ(Block({
      Opening(27, "IsToolpathToBeStored, start"), load, {"Chargement du declaratif NC"}, loaded,
      {"Pool: >KAVMFG< - variable: >KAVMFG.TOOLPATH.STORAGE<", "La trajectoire va etre stockee (def)"},
      Bare(27, "IsToolpathToBeStored,   end"),
      Start30("GetString", Variable("KAVMFG", "POSTPRO.LIST")), Start30("GetAllStrings", Variable("KAVMFG", "POSTPRO.LIST")),
      load, loaded, {"Modified variable : KAVMFG.POSTPRO.LIST", "0- String : PP_MILL_3X", "1- String : PP_MILL_5X",
      "2- String : ISO_GENERIC"},
      Bare(30, "KAVMfgDeclarative::GetAllStrings,         end"), End30("GetString", {" oVarValue = ISO_GENERIC"}),
      Start30("GetInteger", Variable("KAVPATHS", "ICONS")),
      {"Modified variable : KAVPATHS.ICONS", "Erreur sortie g7aquv : 9053"}, End30("GetInteger", {" oIntValue = 0"})}),
      Stdout());

  Kernel::FailRoutine("DCLPLE", 3, 4242);
  Kernel::FailRoutine("DCLQUV", 2, 4343);
  Kernel::FailRoutine("G7AQRY", 2, 4444);
  Out o;
  D::IsToolpathToBeStored();
  D::GetAllStrings("X", "KAVMFG", o.texts, o.names);
  EXPECT_EQ(Block({
      Opening(27, "IsToolpathToBeStored, start"), load, {"Erreur sortie dclple: 4242",
      "Pool: >KAVMFG< - variable: >KAVMFG.TOOLPATH.STORAGE<", "Erreur sortie dclquv: 4343",
      "La trajectoire ne sera pas stockee dans le modele (def)"}, Bare(27, "IsToolpathToBeStored,   end"),
      Start30("GetAllStrings", Variable("KAVMFG", "X")), load, loaded, {"Modified variable : KAVMFG.X",
      "Erreur sortie g7aqry : 4444"}, Bare(30, "KAVMfgDeclarative::GetAllStrings,         end")}),
      Stdout());

  setenv("ZORVENICONPATH", "/icons", 1);
  KAVUnicodeString physical, logical;
  D::GetVORTISPath("$KAVPATHS.VORTIS.MAIN", physical, logical);
  D::GetIconPath(" MfgDrilling");
  EXPECT_EQ(Block({
      Start30("GetVORTISPath", {" iString : $KAVPATHS.VORTIS.MAIN"}),
      {"Path apres eval shell : \"/nc/vortis/main\", \"MAINLIB\""},
      End30("GetVORTISPath", {" oPhysicalPath = /nc/vortis/main", " oLogicalPath  = MAINLIB"}),
      {" ", Dashes(37), "KAVMfgDeclarative::GetIconPath, start", " iClass :  MfgDrilling", Dashes(37),
       "String : " + Padded("MfgDrilling", 32), "ClassName : " + Padded("MfgDrilling", 32), "gndric, ier : 0",
       "icon : DRILL", Dashes(36), " oPath = /icons/DRILL.gif", "KAVMfgDeclarative::GetIconPath, end", Dashes(35), " "}}),
      Stdout());
}

TEST_F(DeclarativeTest, ListTraces) {
  Out o;
  D::GetStandardMacros("MfgDrilling", "APPROACH", o.paths, o.macros, o.nls);
  D::GetUnwantedAttributes("MfgDrilling", o.names);
  D::GetUnwantedAttributes("MfgTapping", o.names);
  o.Values("MfgDrilling", "MFG_CYCLE_TYPE", 1);
  o.Values("MfgPocketing", "MFG_STEPOVER", 2);
  const Strings values = {" ", "gnfrva(ier) : 0", "read possibles values, ok"};
  const Strings valuesEnd = Concat({{"transfert information, ok"}, Closing(23, "GetPossibleValues, end")});
  EXPECT_EQ(Block({
      Opening(24, "GetStandardMacros, start"), {" ", "gnflmc(ier) : 0", "read standard macros, ok"},
      Transition(1, "MfgDrilling.APPROACH.AXIAL", "APAXIAL", "Approche axiale"),
      {"transfert information, ok"}, Closing(23, "GetStandardMacros, end"),
      Opening(24, "GetUnwantedAttributes, start"), {" ", "gnfrla(ier) : 0", "read unwanted attributes, ok"},
      Indexed(1, {"Attribute : MFG_DWELL"}), {"transfert information, ok"}, Closing(23, "GetUnwantedAttributes, end"),
      Opening(24, "GetUnwantedAttributes, start"), {" ", "gnfrla(ier) : 9550", Dashes(33), "Unwanted Attribute, none define"},
      Opening(24, "GetPossibleValues, start"), values, Value(1, "Pointage", "i4val : 81"),
      Value(2, "Percage temporise", "i4val : 82"), Value(3, "Debourrage", "i4val : 83"), valuesEnd,
      Opening(24, "GetPossibleValues, start"), values, Value(1, "Fin", "r8val : 0.5"), Value(2, "Moyen", "r8val : 1"),
      Value(3, "Grossier", "r8val : 2"), valuesEnd}),
      Stdout());

  o.Values("MfgTapping", "MFG_TAP_PITCH", 2);
  o.Values("MfgProfileContouring", "MFG_DIRECTION", 3);
  D::GetTransitionPaths(o.paths, o.macros, o.nls);
  Owned(D::GetResListAttributes("MfgDrilling"));
  Owned(D::GetToolClasses(" MfgTapping"));
  Kernel::Reset();
  Kernel::FailRoutine("GUSREA", 2, 4242);
  D::GetTransitionPaths(o.paths, o.macros, o.nls);
  const Strings paths = {" ", "gnfltp(ier) : 0", "read transtion paths, ok"};
  EXPECT_EQ(Block({
      Opening(24, "GetPossibleValues, start"), {" ", "gnfrva(ier) : 9550", Dashes(33), "read possibles values, not define"},
      Opening(24, "GetPossibleValues, start"), values,
      Value(1, "En avalant", "ValName : " + Padded("CLIMB", 72) + ".", "++++++++ "),
      Value(2, "En opposition", "ValName : " + Padded("CONVENTIONAL", 72) + ".", "++++++++ "), valuesEnd,
      Opening(25, "GetTransitionPaths, start"), paths,
      Transition(1, "MfgDrilling -> MfgTapping", "TRDRTA", "Du percage au taraudage"),
      Transition(2, "MfgDrilling -> MfgReaming", "TRDRRE", "Du percage a l'alesage"),
      Transition(3, "MfgPocketing -> MfgProfileContouring", "TRPOCO", "De la poche au contournage"),
      Transition(4, "MfgFacing -> MfgPocketing", "TRFAPO", "Du surfacage a la poche"), {"transfert information, ok"},
      Closing(23, "GetTransitionPaths, end"),
      Opening(27, "GetResListAttributes, start"), {"Class : MfgDrilling", " ", "ier (gndrda) : 0", "nb att : 1",
      "att : MFG_TOOL_DIAM"}, Closing(25, "GetResListAttributes, end"),
      Opening(21, "GetToolClasses, start"), {" ", "ier (gnfrtl) : 0", "nb : 1", "tool class : MfgTap"},
      Closing(19, "GetToolClasses, end"),
      Opening(25, "GetTransitionPaths, start"), paths, Indexed(1, {"Path   : MfgDrilling -> MfgTapping"})}),
      Stdout());
}

TEST_F(DeclarativeTest, SwitchTraces) {
  KAVUnicodeString module, entry;
  int value = 0, moduleLength = 0, entryLength = 0;
  D::GetAutoSymbol(1, "MfgPocketing", "START", value);
  D::GetAutoGrpPlng(1, "MfgPocketing", "START", "ENTRY", value);
  D::GetAutoCircle(3, "MfgPocketing", value);
  D::GetMacroReplay("MfgFacing", module, moduleLength, entry, entryLength);
  D::GetAutoMacroModify(value);
  D::ResourceManagement();
  D::AutoNewInterface();
  // A switch's banners and, between them, its lines.
  const auto opening = [](const char* iName) { return Opening(32, iName + std::string(",        start")); };
  const auto traced = [&](const char* iName, const Strings& iLines) {
    return Concat({opening(iName), iLines, Closing(30, iName + std::string(",        end"))});
  };
  EXPECT_EQ(Block({
      traced("GetAutoSymbol", {" ", " lecture symbol START", "nfptsym(ier) : 0", "get auto symbol, ok : 1"}),
      traced("GetAutoGrpPlng", {" ", " lecture grp ENTRY", "nfptgrp(ier) : 0", "get auto grp, ok : 1"}),
      opening("GetAutoCircle"), {" ", "nfptcir(ier) : 9550"},
      traced("GetMacroReplay", {" ", "gnfrsb(ier) : 0", "Lmodule : 7", "Lentry : 1", "get macro replay, ok : 0"}),
      traced("GetAutoMacroModify", {" ", "gnfrmr(ier) : 0", "lecture mode , ok : 1"}),
      Result("ResourceManagement", 1, 25, ", end  "), Result("AutoNewInterface", 1)}),
      Stdout());
}
// clang-format on

}  // namespace
