// t4711 dictionary ...: loading, storing and unloading the kernel's NC
// dictionary, listing its classes, attributes, values and facets, and
// editing it (create class, create attribute, add attribute), plus the
// family's step of the tour.
//
// Kernel state lives in one process: an edit is seen by later commands of
// the same `t4711 run FILE`, and kept across processes only by `store`.
#include <iostream>

#include "KAVCli.h"
#include "KAVMfgDictionary.h"

namespace {

std::string Text(const KAVUnicodeString& iText) { return KAVCliText(iText); }

// Value type names as facet 3 codes them.
std::string TypeName(int iType) {
  switch (iType) {
    case 0:
    case 1:
      return "int";
    case 2:
      return "real";
    case 3:
      return "text";
    default:
      return "none (" + std::to_string(iType) + ")";
  }
}

// The member name the library writes: cut to its 8 characters, then
// stripped of blanks.
std::string MemberWritten(const std::string& iMember) {
  std::string member = iMember.substr(0, 8);
  const size_t first = member.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return member.substr(first, member.find_last_not_of(' ') - first + 1);
}

// 0 when the last dictionary operation succeeded, else the failure report.
int Outcome(const char* iWhat) {
  return KAVCliKernelFailure(iWhat, KAVMfgDictionary::GetError());
}

int Load(KAVCliContext& ioContext, const std::string& iMember, int iFlag) {
  KAVMfgDictionary::Load(KAVUnicodeString(iMember.c_str()), iFlag);
  if (int status = Outcome("dictionary load")) return status;
  KAVCliPrintFields(ioContext,
                    {{"loaded", Text(KAVMfgDictionary::GetCurrent())},
                     {"completion flag", iFlag}});
  return 0;
}

int Classes(KAVCliContext& ioContext) {
  KAVListValKAVUnicodeString names;
  KAVRawCollint kinds;
  KAVMfgDictionary::GetClasses(names, kinds);
  if (int status = Outcome("dictionary classes")) return status;
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= names.Size(); ++i)
    rows.push_back({Text(names[i]), kinds[i]});
  KAVCliPrintTable(ioContext, {"class", "kind"}, rows);
  return 0;
}

int AllAttributes(KAVCliContext& ioContext) {
  KAVListValKAVUnicodeString names;
  KAVRawCollint numbers;
  KAVMfgDictionary::GetAllAttributes(names, numbers);
  if (int status = Outcome("dictionary all-attributes")) return status;
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= names.Size(); ++i)
    rows.push_back({Text(names[i]), numbers[i]});
  KAVCliPrintTable(ioContext, {"attribute", "number"}, rows);
  return 0;
}

int Attributes(KAVCliContext& ioContext, const std::string& iClass,
               bool iInherited) {
  int mode = iInherited ? 1 : 0;
  KAVListValKAVUnicodeString names, blocks;
  KAVRawCollint versions, statuses;
  KAVMfgDictionary::GetAttributes(KAVUnicodeString(iClass.c_str()), mode, names,
                                  versions, blocks, statuses);
  if (int status = Outcome("dictionary attributes")) return status;
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= names.Size(); ++i)
    rows.push_back({Text(names[i]), versions[i], Text(blocks[i]), statuses[i]});
  KAVCliPrintTable(ioContext, {"attribute", "version", "block", "status"},
                   rows);
  return 0;
}

// One row per value, whatever its type.
std::vector<KAVCliRow> ValueRows(const KAVRawCollint& iInts,
                                 const KAVRawColldouble& iDoubles,
                                 const KAVListValKAVUnicodeString& iTexts) {
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= iInts.Size(); ++i) rows.push_back({"int", iInts[i]});
  for (int i = 1; i <= iDoubles.Size(); ++i)
    rows.push_back({"real", iDoubles[i]});
  for (int i = 1; i <= iTexts.Size(); ++i)
    rows.push_back({"text", Text(iTexts[i])});
  return rows;
}

int Values(KAVCliContext& ioContext, const std::string& iClass,
           const std::string& iAttribute) {
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  KAVMfgDictionary::GetAttributeValues(KAVUnicodeString(iClass.c_str()),
                                       KAVUnicodeString(iAttribute.c_str()),
                                       ints, doubles, texts);
  if (int status = Outcome("dictionary values")) return status;
  KAVCliPrintTable(ioContext, {"type", "value"},
                   ValueRows(ints, doubles, texts));
  return 0;
}

int Facets(KAVCliContext& ioContext, const std::string& iAttribute) {
  int f[11] = {};
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  KAVMfgDictionary::GetAttributeFacets(
      KAVUnicodeString(iAttribute.c_str()), f[0], f[1], f[2], f[3], f[4], f[5],
      f[6], f[7], f[8], f[9], f[10], ints, doubles, texts);
  if (int status = Outcome("dictionary facets")) return status;
  if (ioContext.json) {
    nlohmann::json report = {{"attribute", iAttribute},
                             {"type", TypeName(f[2])}};
    report["facets"] = nlohmann::json::array();
    for (int facet : f) report["facets"].push_back(facet);
    report["values"] = nlohmann::json::array();
    for (const auto& row : ValueRows(ints, doubles, texts))
      report["values"].push_back(row[1].Json());
    KAVCliPrintJson(report);
    return 0;
  }
  std::vector<std::pair<std::string, KAVCliCell>> fields;
  for (int i = 0; i < 11; ++i)
    fields.push_back({"facet " + std::to_string(i + 1), f[i]});
  fields.push_back({"value type", TypeName(f[2])});
  KAVCliPrintFields(ioContext, fields);
  std::cout << std::endl;
  KAVCliPrintTable(ioContext, {"type", "value"},
                   ValueRows(ints, doubles, texts));
  return 0;
}

struct CreateAttributeOptions {
  std::string name;
  int type = 3;
  std::vector<std::string> facets;  // "N=VALUE", N from 1 to 11
  std::vector<std::string> values;
};

int CreateAttribute(KAVCliContext& ioContext,
                    const CreateAttributeOptions& iOptions) {
  // Defaults: scalar (facet 4 = 1), editable (facet 7 = 1); facet 3 from
  // --type.
  int f[11] = {
      0, iOptions.type == 3 ? 72 : 1, iOptions.type, 1, 0, 0, 1, 0, 0, 0, 0};
  for (const std::string& facet : iOptions.facets) {
    const size_t eq = facet.find('=');
    int index = 0;
    if (eq == std::string::npos ||
        !KAVCliParseInt(facet.substr(0, eq), "--facet N", index))
      return KAVCliUsageError("--facet takes N=VALUE, not \"" + facet + "\"");
    if (index < 1 || index > 11)
      return KAVCliUsageError("--facet N: " + std::to_string(index) +
                              " is not a facet (1 to 11)");
    if (!KAVCliParseInt(facet.substr(eq + 1), "--facet VALUE", f[index - 1]))
      return kKAVCliUsage;
  }
  KAVRawCollint ints;
  KAVRawColldouble doubles;
  KAVListValKAVUnicodeString texts;
  for (const std::string& value : iOptions.values) {
    // A value must read as the attribute's type; the other two
    // collections get what it reads as there, or nothing.
    int asInt = 0;
    double asReal = 0;
    const bool isInt = KAVCliReadInt(value, asInt);
    const bool isReal = KAVCliReadReal(value, asReal);
    if ((f[2] <= 1 && !isInt) || (f[2] == 2 && !isReal))
      return KAVCliUsageError(
          "--value \"" + value + "\" is not " +
          (f[2] == 2 ? "a number" : "a whole number in range"));
    ints.Append(asInt);
    doubles.Append(asReal);
    texts.Append(KAVUnicodeString(value.c_str()));
  }
  // All three collections carry the values; the operation sends those of
  // the attribute's type only.
  KAVMfgDictionary::CreateAttribute(
      KAVUnicodeString(iOptions.name.c_str()), f[0], f[1], f[2], f[3], f[4],
      f[5], f[6], f[7], f[8], f[9], f[10], ints, doubles, texts);
  if (int status = Outcome("dictionary create attribute")) return status;
  KAVCliPrintFields(ioContext, {{"created attribute", iOptions.name},
                                {"value type", TypeName(f[2])},
                                {"values", iOptions.values.size()}});
  return 0;
}

void AddDictionaryCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* dictionary = KAVCliSubcommand(
      app, "dictionary", "Load, query and edit the kernel's NC dictionary");

  struct Options {
    std::string member, klass, attribute, parent, block;
    bool complete = false, inherited = false;
    int flag = -1, kind = 1, version = 1, status = 0, mode = 0;
    CreateAttributeOptions created;
  };
  Options& o = ctx.Options<Options>();

  auto* load =
      dictionary->add_subcommand("load",
                                 "Load a dictionary member (MSPECFR2, "
                                 "MVIEWFR2, MGEOPFR2 choose their model)");
  load->add_option("MEMBER", o.member, "member name")->required();
  load->add_flag("-c,--complete", o.complete,
                 "run the completion step after the load");
  load->add_option("--flag", o.flag,
                   "completion flag passed as is (1 completes)");
  load->callback([&ctx, &o] {
    ctx.status =
        Load(ctx, o.member, o.flag >= 0 ? o.flag : (o.complete ? 1 : 0));
  });

  auto* store = dictionary->add_subcommand(
      "store", "Store the loaded dictionary under a member name");
  store->add_option("MEMBER", o.member, "member name")->required();
  store->callback([&ctx, &o] {
    KAVMfgDictionary::Store(KAVUnicodeString(o.member.c_str()));
    ctx.status = Outcome("dictionary store");
    if (ctx.status == 0)
      KAVCliPrintFields(ctx, {{"stored", MemberWritten(o.member)}});
  });

  dictionary
      ->add_subcommand("current", "Show the member of the loaded dictionary")
      ->callback([&ctx] {
        const std::string member = Text(KAVMfgDictionary::GetCurrent());
        KAVCliPrintFields(ctx,
                          {{"current", member.empty() ? "(none)" : member}});
        ctx.status = 0;
      });

  dictionary
      ->add_subcommand(
          "default", "Load the default dictionary DICOFR2 unless it is loaded")
      ->callback([&ctx] {
        KAVMfgDictionary::LoadDefault();
        ctx.status = Outcome("dictionary default");
        if (ctx.status == 0)
          KAVCliPrintFields(
              ctx, {{"current", Text(KAVMfgDictionary::GetCurrent())}});
      });

  dictionary->add_subcommand("unload", "Release the loaded dictionary")
      ->callback([&ctx] {
        KAVMfgDictionary::Unload();
        ctx.status = Outcome("dictionary unload");
        if (ctx.status == 0) KAVCliPrintFields(ctx, {{"unloaded", "yes"}});
      });

  dictionary->add_subcommand("classes", "List every class and its kind")
      ->callback([&ctx] { ctx.status = Classes(ctx); });

  dictionary
      ->add_subcommand("all-attributes", "List every attribute and its number")
      ->callback([&ctx] { ctx.status = AllAttributes(ctx); });

  auto* attributes = dictionary->add_subcommand(
      "attributes", "List the attributes of a class");
  attributes->add_option("CLASS", o.klass, "class name")->required();
  attributes->add_flag("-i,--inherited", o.inherited,
                       "include inherited attributes");
  attributes->callback(
      [&ctx, &o] { ctx.status = Attributes(ctx, o.klass, o.inherited); });

  auto* values = dictionary->add_subcommand(
      "values", "List the possible values of an attribute in a class");
  values->add_option("CLASS", o.klass, "class name")->required();
  values->add_option("ATTRIBUTE", o.attribute, "attribute name")->required();
  values->callback(
      [&ctx, &o] { ctx.status = Values(ctx, o.klass, o.attribute); });

  auto* facets = dictionary->add_subcommand(
      "facets", "Show the eleven facets and the values of an attribute");
  facets->add_option("ATTRIBUTE", o.attribute, "attribute name")->required();
  facets->callback([&ctx, &o] { ctx.status = Facets(ctx, o.attribute); });

  CLI::App* create =
      KAVCliSubcommand(*dictionary, "create", "Create a class or an attribute");
  auto* createClass = create->add_subcommand(
      "class", "Create a class (it becomes the current class)");
  createClass->add_option("CLASS", o.klass, "class name")->required();
  createClass
      ->add_option("--kind", o.kind,
                   "kind: 1 operation, 2 tool, 3 feature (default 1)")
      ->check(KAVCliRange(1, 3));
  createClass->add_option("--parent", o.parent, "parent class (default none)");
  createClass->add_option("--version", o.version, "class version (default 1)");
  createClass->callback([&ctx, &o] {
    KAVMfgDictionary::CreateClass(KAVUnicodeString(o.klass.c_str()), o.kind,
                                  KAVUnicodeString(o.parent.c_str()),
                                  o.version);
    ctx.status = Outcome("dictionary create class");
    if (ctx.status == 0) KAVCliPrintFields(ctx, {{"created class", o.klass}});
  });

  auto* createAttribute = create->add_subcommand(
      "attribute", "Create an attribute with its possible values");
  createAttribute->add_option("ATTRIBUTE", o.created.name, "attribute name")
      ->required();
  createAttribute
      ->add_option("--type", o.created.type,
                   "value type: 0 or 1 int, 2 real, 3 text (default 3)")
      ->check(KAVCliRange(0, 3));
  createAttribute->add_option("--facet", o.created.facets,
                              "facet N=VALUE (repeatable)");
  createAttribute->add_option("--value", o.created.values,
                              "possible value (repeatable)");
  createAttribute->callback(
      [&ctx, &o] { ctx.status = CreateAttribute(ctx, o.created); });

  CLI::App* add =
      KAVCliSubcommand(*dictionary, "add", "Add an attribute to a class");
  auto* addAttribute =
      add->add_subcommand("attribute", "Add an existing attribute to a class");
  addAttribute->add_option("CLASS", o.klass, "class name")->required();
  addAttribute->add_option("ATTRIBUTE", o.attribute, "attribute name")
      ->required();
  addAttribute->add_option("--version", o.version, "version (default 1)");
  addAttribute->add_option("--block", o.block, "block name")->required();
  addAttribute->add_option("--status", o.status, "status (default 0)");
  addAttribute->add_option(
      "--mode", o.mode,
      "class selection mode (1 clears the class's own attributes)");
  addAttribute->callback([&ctx, &o] {
    KAVMfgDictionary::SetCurrentClass(KAVUnicodeString(o.klass.c_str()),
                                      o.mode);
    ctx.status = Outcome("dictionary select class");
    if (ctx.status != 0) return;
    KAVMfgDictionary::AddAttribute(KAVUnicodeString(o.attribute.c_str()),
                                   o.version, KAVUnicodeString(o.block.c_str()),
                                   o.status);
    ctx.status = Outcome("dictionary add attribute");
    if (ctx.status == 0)
      KAVCliPrintFields(ctx,
                        {{"class", o.klass}, {"added attribute", o.attribute}});
  });
}
KAV_CLI_FAMILY(AddDictionaryCommands);

// The tour: what is loaded, its classes, one class in detail, an edit that
// the queries then list, and an error code from a refused request.
const char* const kDictionaryTour[] = {
    "dictionary current",
    "dictionary default",
    "dictionary classes",
    "dictionary attributes MfgPocketing --inherited",
    "dictionary values MfgPocketing MFG_PATTERN",
    "dictionary create class MfgThreadMilling --kind 1 --parent MfgOperation",
    "dictionary add attribute MfgThreadMilling MFG_TAP_PITCH --block CYCLE --status 1",
    "dictionary attributes MfgThreadMilling",
    "dictionary load MSPECFR2 --complete",
    "!dictionary values MfgSpecMachine MFG_NB_FLUTES",
    "# Back to the default: reloaded from the site, the unsaved class is gone.",
    "dictionary default",
    "!dictionary attributes MfgThreadMilling",
};
KAV_CLI_TOUR_STEP(30, "NC dictionary", kDictionaryTour);

}  // namespace
