// t4711 declarative ...: the NC declarative through KAVMfgDeclarative:
// loading the main pool, reading variables, evaluating path expressions,
// class icons, the customization lists of a class and the automatic-
// behaviour switches; plus the family's step of the tour, made of the
// same command lines a user would type.
//
// The operations of loading and variables keep a failure until the next
// one, so a command of that group reports a failure only when the error
// number changed during its own call.
#include <sys/stat.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>

#include "KAVCli.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDictionary.h"
#include "KAVSimCodes.h"

namespace {

using D = KAVMfgDeclarative;
using Rows = std::vector<KAVCliRow>;

// The kernel's "nothing defined", which some readers of the customization
// lists leave in the error number and which is no failure for them.
constexpr int kNothingDefined = KAVSIM_NOTHING_DEFINED;
constexpr const char* kMainPool = "KAVMFG";

// The customization lists and switches leave the last kernel code.
int Outcome(const char* iWhat) {
  return KAVCliKernelFailure(iWhat, D::GetError());
}

// The loading group: a failure is the error number changing in the call.
int LoadingOutcome(const char* iWhat, int iBefore) {
  const int after = D::GetError();
  return after != iBefore ? KAVCliKernelFailure(iWhat, after) : 0;
}

int PrintOwned(KAVCliContext& ioContext, KAVListValKAVUnicodeString* iList,
               const char* iWhat, const char* iHeader) {
  std::unique_ptr<KAVListValKAVUnicodeString> list(iList);
  const int code = D::GetError();
  if (code == kNothingDefined) {
    KAVCliPrintTable(ioContext, {"#", iHeader}, {});
    return 0;
  }
  if (int status = Outcome(iWhat)) return status;
  KAVCliPrintTable(ioContext, {"#", iHeader}, KAVCliNumbered(*list));
  return 0;
}

int Load(KAVCliContext& ioContext) {
  const int before = D::GetError();
  D::LoadNcDeclarative();
  if (int status = LoadingOutcome("declarative load", before)) return status;
  KAVCliPrintFields(ioContext, {{"pool", kMainPool}, {"loaded", "yes"}});
  return 0;
}

int ToolpathStorage(KAVCliContext& ioContext) {
  const int before = D::GetError();
  const int stored = D::IsToolpathToBeStored();
  if (int status = LoadingOutcome("declarative toolpath-storage", before))
    return status;
  KAVCliPrintFields(ioContext,
                    {{"toolpaths stored in the model", stored ? "yes" : "no"}});
  return 0;
}

int Strings(KAVCliContext& ioContext, const std::string& iVariable,
            const std::string& iPool) {
  KAVListValKAVUnicodeString items, values;
  const int code = D::GetAllStrings(KAVUnicodeString(iVariable),
                                    KAVUnicodeString(iPool), items, values);
  if (int status = KAVCliKernelFailure("declarative strings", code))
    return status;
  Rows rows;
  for (int i = 1; i <= items.Size() && i <= values.Size(); ++i)
    rows.push_back({KAVCliText(items[i]), KAVCliText(values[i])});
  KAVCliPrintTable(ioContext, {"item", "value"}, rows);
  return 0;
}

// A variable of the loading group, read by iRead as the cell shown under
// iLabel.
template <class Read>
int LoadingVariable(KAVCliContext& ioContext, const char* iWhat,
                    const char* iLabel, const std::string& iVariable,
                    const std::string& iPool, Read iRead) {
  const int before = D::GetError();
  const KAVCliCell value =
      iRead(KAVUnicodeString(iVariable), KAVUnicodeString(iPool));
  if (int status = LoadingOutcome(iWhat, before)) return status;
  KAVCliPrintFields(ioContext,
                    {{"variable", iPool + "." + iVariable}, {iLabel, value}});
  return 0;
}

int Integer(KAVCliContext& ioContext, const std::string& iVariable,
            const std::string& iPool) {
  return LoadingVariable(ioContext, "declarative integer", "value", iVariable,
                         iPool, &D::GetInteger);
}

int String(KAVCliContext& ioContext, const std::string& iVariable,
           const std::string& iPool) {
  return LoadingVariable(
      ioContext, "declarative string", "last value", iVariable, iPool,
      [](const KAVUnicodeString& iName, const KAVUnicodeString& iPoolName) {
        return KAVCliText(D::GetString(iName, iPoolName));
      });
}

// The declarative reports nothing about an evaluation: an empty text is
// all a failure shows.
int Eval(KAVCliContext& ioContext, const std::string& iExpression) {
  KAVCliPrintFields(
      ioContext,
      {{"expression", iExpression},
       {"value",
        KAVCliText(D::GetDeclarativePath(KAVUnicodeString(iExpression)))}});
  return 0;
}

int Vortis(KAVCliContext& ioContext, const std::string& iExpression) {
  KAVUnicodeString physical, logical;
  D::GetVORTISPath(KAVUnicodeString(iExpression), physical, logical);
  KAVCliPrintFields(ioContext, {{"expression", iExpression},
                                {"physical path", KAVCliText(physical)},
                                {"logical path", KAVCliText(logical)}});
  return 0;
}

// --site-icons: the icons bundled with the reference kernel's site.
std::string SiteIcons() {
  return KAVCliKernelSiteDirectory() + "/declarative/icons";
}

int Icon(KAVCliContext& ioContext, const std::string& iClass,
         const std::string& iIconDir, bool iSiteIcons) {
  const std::string directory = iSiteIcons ? SiteIcons() : iIconDir;
  if (!directory.empty()) setenv("ZORVENICONPATH", directory.c_str(), 1);
  const std::string path = KAVCliText(D::GetIconPath(KAVUnicodeString(iClass)));
  const int code = D::GetError();
  if (code != kNothingDefined)
    if (int status = Outcome("declarative icon")) return status;
  struct stat info;
  const bool exists =
      !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  const char* unset = std::getenv("ZORVENICONPATH");
  KAVCliPrintFields(
      ioContext, {{"class", iClass},
                  {"icon path",
                   path.empty() ? (code == kNothingDefined ? "(no icon)"
                                   : unset && *unset       ? "(none)"
                                                     : "(ZORVENICONPATH unset)")
                                : path},
                  {"file exists", path.empty() ? "-"
                                  : exists     ? "yes"
                                               : "no"}});
  return 0;
}

int PathTable(KAVCliContext& ioContext,
              const KAVListValKAVUnicodeString& iPaths,
              const KAVListValKAVUnicodeString& iMacros,
              const KAVListValKAVUnicodeString& iNls) {
  Rows rows;
  for (int i = 1; i <= iPaths.Size() && i <= iMacros.Size() && i <= iNls.Size();
       ++i)
    rows.push_back(
        {KAVCliText(iPaths[i]), KAVCliText(iMacros[i]), KAVCliText(iNls[i])});
  KAVCliPrintTable(ioContext, {"path", "macro", "national name"}, rows);
  return 0;
}

int Transitions(KAVCliContext& ioContext) {
  KAVListValKAVUnicodeString paths, macros, nls;
  D::GetTransitionPaths(paths, macros, nls);
  if (int status = Outcome("declarative transitions")) return status;
  return PathTable(ioContext, paths, macros, nls);
}

int Macros(KAVCliContext& ioContext, const std::string& iClass,
           const std::string& iKey) {
  KAVListValKAVUnicodeString paths, macros, nls;
  D::GetStandardMacros(KAVUnicodeString(iClass), KAVUnicodeString(iKey), paths,
                       macros, nls);
  if (D::GetError() != kNothingDefined)
    if (int status = Outcome("declarative macros")) return status;
  return PathTable(ioContext, paths, macros, nls);
}

int Unwanted(KAVCliContext& ioContext, const std::string& iClass) {
  KAVListValKAVUnicodeString attributes;
  D::GetUnwantedAttributes(KAVUnicodeString(iClass), attributes);
  if (int status = Outcome("declarative unwanted")) return status;
  KAVCliPrintTable(ioContext, {"#", "attribute"}, KAVCliNumbered(attributes));
  return 0;
}

// The value type of an attribute, as the loaded dictionary's facet 3 says.
int DictionaryType(const std::string& iAttribute) {
  int f[11] = {};
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  KAVMfgDictionary::GetAttributeFacets(KAVUnicodeString(iAttribute), f[0], f[1],
                                       f[2], f[3], f[4], f[5], f[6], f[7], f[8],
                                       f[9], f[10], ints, doubles, texts);
  return KAVMfgDictionary::GetError() == 0 ? f[2] : 3;
}

int Values(KAVCliContext& ioContext, const std::string& iClass,
           const std::string& iAttribute, int iType) {
  const int type = iType >= 0 ? iType : DictionaryType(iAttribute);
  KAVRawCollint ints;
  KAVRawColldouble reals;
  KAVListValKAVUnicodeString texts, names;
  D::GetPossibleValues(KAVUnicodeString(iClass), KAVUnicodeString(iAttribute),
                       type, ints, reals, texts, names);
  if (int status = Outcome("declarative values")) return status;
  Rows rows;
  for (int i = 1; i <= names.Size(); ++i) {
    KAVCliCell value = "-";
    if (i <= ints.Size()) value = ints[i];
    if (i <= reals.Size()) value = reals[i];
    // 72 characters: the tool shows them trimmed.
    if (i <= texts.Size()) value = KAVCliText(texts[i], true);
    rows.push_back({value, KAVCliText(names[i])});
  }
  KAVCliPrintTable(ioContext, {"value", "national name"}, rows);
  return 0;
}

int PrintSwitch(KAVCliContext& ioContext, const char* iWhat,
                const std::string& iName, int iValue) {
  if (int status = Outcome(iWhat)) return status;
  KAVCliPrintFields(ioContext, {{iName, iValue}});
  return 0;
}

int Replay(KAVCliContext& ioContext, const std::string& iClass) {
  KAVUnicodeString module, entry;
  int moduleLength = 0, entryLength = 0;
  const int defined = D::GetMacroReplay(KAVUnicodeString(iClass), module,
                                        moduleLength, entry, entryLength);
  if (int status = Outcome("declarative switch replay")) return status;
  KAVCliPrintFields(ioContext,
                    {{"class", iClass},
                     {"replay macro", defined ? "yes" : "no"},
                     {"module", KAVCliText(module) + " (" +
                                    std::to_string(moduleLength) + ")"},
                     {"entry", KAVCliText(entry) + " (" +
                                   std::to_string(entryLength) + ")"}});
  return 0;
}

int NewInterface(KAVCliContext& ioContext, const std::string& iArea,
                 const std::string& iName) {
  int value = 0;
  if (iArea.empty()) {
    value = D::AutoNewInterface();
    return PrintSwitch(ioContext, "declarative switch new-interface",
                       "new interface", value);
  }
  if (iArea == "G22") {
    value = D::AutoNewInterfaceG22(KAVUnicodeString(iName));
  } else if (iArea == "G23") {
    value = D::AutoNewInterfaceG23(KAVUnicodeString(iName));
  } else if (iArea == "G24") {
    value = D::AutoNewInterfaceG24(KAVUnicodeString(iName));
  } else {
    return KAVCliUsageError("--area takes G22, G23 or G24, not \"" + iArea +
                            "\"");
  }
  // These routines have no return code: the answer is all there is.
  KAVCliPrintFields(
      ioContext, {{"area", iArea}, {"name", iName}, {"new interface", value}});
  return 0;
}

void AddDeclarativeCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* declarative =
      KAVCliSubcommand(app, "declarative",
                       "Read the NC declarative: variables, paths, class "
                       "customization, switches");

  struct Options {
    std::string variable, pool = kMainPool, expression, klass, key, attribute,
                          iconDir, symbol, group, area, name;
    bool siteIcons = false;
    int type = -1, code = 0;
  };
  Options& o = ctx.Options<Options>();

  declarative
      ->add_subcommand("load",
                       "Load the pool KAVMFG unless the kernel holds it")
      ->callback([&ctx] { ctx.status = Load(ctx); });
  declarative
      ->add_subcommand("toolpath-storage",
                       "Whether toolpaths are stored in the model (KAVMFG)")
      ->callback([&ctx] { ctx.status = ToolpathStorage(ctx); });

  const auto variableCommand =
      [&](const char* iName, const char* iHelp,
          int (*iRun)(KAVCliContext&, const std::string&, const std::string&)) {
        auto* command = declarative->add_subcommand(iName, iHelp);
        command
            ->add_option("VARIABLE", o.variable,
                         "variable name, without the pool")
            ->required();
        command->add_option("POOL", o.pool,
                            "pool name (default KAVMFG, loaded first)");
        command->callback(
            [&ctx, &o, iRun] { ctx.status = iRun(ctx, o.variable, o.pool); });
      };
  variableCommand("strings", "Every item and value of a STRING variable",
                  &Strings);
  variableCommand("string", "The last value of a STRING variable", &String);
  variableCommand("integer", "The value of an INTEGER variable", &Integer);

  auto* eval = declarative->add_subcommand(
      "eval", "Evaluate a path expression ($POOL.NAME, $ENV)");
  eval->add_option("EXPRESSION", o.expression, "expression")->required();
  eval->callback([&ctx, &o] { ctx.status = Eval(ctx, o.expression); });

  auto* vortis = declarative->add_subcommand(
      "vortis",
      "Evaluate an expression and split it into physical and logical paths");
  vortis->add_option("EXPRESSION", o.expression, "expression")->required();
  vortis->callback([&ctx, &o] { ctx.status = Vortis(ctx, o.expression); });

  auto* icon = declarative->add_subcommand(
      "icon",
      "The icon file of a class under ZORVENICONPATH, and whether it exists");
  icon->add_option("CLASS", o.klass, "class name")->required();
  icon->add_option("--icon-dir", o.iconDir, "set ZORVENICONPATH to DIR first");
  icon->add_flag(
      "--site-icons", o.siteIcons,
      "set ZORVENICONPATH to the reference kernel site's icons first");
  icon->callback(
      [&ctx, &o] { ctx.status = Icon(ctx, o.klass, o.iconDir, o.siteIcons); });

  declarative
      ->add_subcommand("transitions", "The transition paths with their macros")
      ->callback([&ctx] { ctx.status = Transitions(ctx); });

  auto* macros = declarative->add_subcommand(
      "macros", "The standard macros of a class for a key");
  macros->add_option("CLASS", o.klass, "class name")->required();
  macros->add_option("KEY", o.key, "macro key (8 characters)")->required();
  macros->callback([&ctx, &o] { ctx.status = Macros(ctx, o.klass, o.key); });

  auto* unwanted = declarative->add_subcommand(
      "unwanted", "The attributes a class must not show");
  unwanted->add_option("CLASS", o.klass, "class name")->required();
  unwanted->callback([&ctx, &o] { ctx.status = Unwanted(ctx, o.klass); });

  auto* values = declarative->add_subcommand(
      "values", "The possible values of an attribute in a class");
  values->add_option("CLASS", o.klass, "class name")->required();
  values->add_option("ATTRIBUTE", o.attribute, "attribute name")->required();
  values->add_option("--type", o.type,
                     "value type: 0/1 int, 2 real, 3 text (default: the "
                     "dictionary's facet 3)");
  values->callback(
      [&ctx, &o] { ctx.status = Values(ctx, o.klass, o.attribute, o.type); });

  const auto classList =
      [&](const char* iName, const char* iHelp,
          KAVListValKAVUnicodeString* (*iRead)(const KAVUnicodeString&),
          const char* iHeader) {
        auto* command = declarative->add_subcommand(iName, iHelp);
        command->add_option("CLASS", o.klass, "class name")->required();
        command->callback([&ctx, &o, iName, iRead, iHeader] {
          const std::string what = std::string("declarative ") + iName;
          ctx.status = PrintOwned(ctx, iRead(KAVUnicodeString(o.klass)),
                                  what.c_str(), iHeader);
        });
      };
  classList("defaults", "The attributes a class shows by default",
            &D::GetDefaultAttributes, "attribute");
  classList("reslist", "The attributes of a resource list of a class",
            &D::GetResListAttributes, "attribute");
  classList("tools", "The tool classes for a class", &D::GetToolClasses,
            "tool class");

  CLI::App* sw = KAVCliSubcommand(*declarative, "switch",
                                  "One automatic-behaviour switch");
  auto* symbol = sw->add_subcommand(
      "symbol", "Automatic symbol for a code, class and symbol");
  symbol->add_option("CODE", o.code)->required();
  symbol->add_option("CLASS", o.klass)->required();
  symbol->add_option("SYMBOL", o.symbol)->required();
  symbol->callback([&ctx, &o] {
    int value = 0;
    D::GetAutoSymbol(o.code, KAVUnicodeString(o.klass),
                     KAVUnicodeString(o.symbol), value);
    ctx.status =
        PrintSwitch(ctx, "declarative switch symbol", "auto symbol", value);
  });
  auto* group = sw->add_subcommand(
      "group", "Automatic point group for a code, class, symbol, group");
  group->add_option("CODE", o.code)->required();
  group->add_option("CLASS", o.klass)->required();
  group->add_option("SYMBOL", o.symbol)->required();
  group->add_option("GROUP", o.group)->required();
  group->callback([&ctx, &o] {
    int value = 0;
    D::GetAutoGrpPlng(o.code, KAVUnicodeString(o.klass),
                      KAVUnicodeString(o.symbol), KAVUnicodeString(o.group),
                      value);
    ctx.status =
        PrintSwitch(ctx, "declarative switch group", "auto group", value);
  });
  auto* circle =
      sw->add_subcommand("circle", "Automatic circle for a code and class");
  circle->add_option("CODE", o.code)->required();
  circle->add_option("CLASS", o.klass)->required();
  circle->callback([&ctx, &o] {
    int value = 0;
    D::GetAutoCircle(o.code, KAVUnicodeString(o.klass), value);
    ctx.status =
        PrintSwitch(ctx, "declarative switch circle", "auto circle", value);
  });
  auto* replay = sw->add_subcommand("replay", "The macro replayed for a class");
  replay->add_option("CLASS", o.klass)->required();
  replay->callback([&ctx, &o] { ctx.status = Replay(ctx, o.klass); });
  sw->add_subcommand("macro-modify", "Whether macros may be modified (mode)")
      ->callback([&ctx] {
        int mode = 0;
        D::GetAutoMacroModify(mode);
        ctx.status =
            PrintSwitch(ctx, "declarative switch macro-modify", "mode", mode);
      });
  sw->add_subcommand("resources", "Whether resources are managed")
      ->callback([&ctx] {
        const int value = D::ResourceManagement();
        ctx.status = PrintSwitch(ctx, "declarative switch resources",
                                 "resource management", value);
      });
  sw->add_subcommand("tool-number",
                     "Whether tool numbers are assigned automatically")
      ->callback([&ctx] {
        const int value = D::AutoToolNumber();
        ctx.status = PrintSwitch(ctx, "declarative switch tool-number",
                                 "auto tool number", value);
      });
  auto* newInterface = sw->add_subcommand(
      "new-interface",
      "Whether the new interface is used (of an area with --area)");
  newInterface->add_option("--area", o.area,
                           "G22, G23 or G24 (answer kept for the process)");
  newInterface->add_option("NAME", o.name, "name passed to the area's switch");
  newInterface->callback(
      [&ctx, &o] { ctx.status = NewInterface(ctx, o.area, o.name); });
}
KAV_CLI_FAMILY(AddDeclarativeCommands);

// The site's customization of one class, shown by the commands a user
// would type.
const char* const kDeclarativeTour[] = {
    "declarative load",
    "declarative toolpath-storage",
    "declarative icon MfgPocketing --site-icons",
    "declarative unwanted MfgPocketing",
    "declarative defaults MfgPocketing",
    "declarative values MfgPocketing MFG_PATTERN",
    "declarative macros MfgPocketing APPROACH",
    "declarative tools MfgPocketing",
    "declarative switch symbol 1 MfgPocketing START",
    "declarative switch replay MfgPocketing",
    "declarative vortis '$KAVMFG.VORTIS.PATH'",
    "declarative unwanted MfgTapping",
};
KAV_CLI_TOUR_STEP(33, "NC declarative", kDeclarativeTour);

}  // namespace
