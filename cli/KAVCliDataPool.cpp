// t4711 pool ...: the kernel's data pools: initialising them, deleting a
// pool, creating, reading, deleting and listing objects, creating and
// reading fields, the values of an object with their dictionary types, and
// the dump; plus the family's step of the tour.
//
// Kernel state lives in one process: what is created is seen by the later
// commands of the same `t4711 run FILE`, and is gone after it.
#include <iostream>
#include <memory>
#include <sstream>

#include "KAVCli.h"
#include "KAVMfgDataPool.h"

namespace {

using P = KAVMfgDataPool;
using Rows = std::vector<KAVCliRow>;

std::string Text(const KAVUnicodeString& iText) { return iText.ToStdString(); }

std::string Number(double iValue) {
  std::ostringstream out;
  out << iValue;
  return out.str();
}

// Object kinds by word or number: 1 input, 2 output. Any other whole
// number passes as it is (the kernel decides). False after reporting a
// usage error.
bool ParseKind(const std::string& iWord, int& oKind) {
  if (iWord == "input") return oKind = 1, true;
  if (iWord == "output") return oKind = 2, true;
  if (!iWord.empty() &&
      iWord.find_first_not_of("+-0123456789") == std::string::npos)
    return KAVCliParseInt(iWord, "KIND", oKind);
  KAVCliUsageError("unknown object kind \"" + iWord +
                   "\" (input, output or a number)");
  return false;
}

std::string KindWord(int iKind) {
  return iKind == 1 ? "input" : iKind == 2 ? "output" : std::to_string(iKind);
}

// Value type codes as fields and the dictionary use them.
std::string TypeName(int iType) {
  switch (iType) {
    case 0:
    case 1:
      return "int (" + std::to_string(iType) + ")";
    case 2:
      return "real (2)";
    case 3:
      return "text (3)";
    default:
      return std::to_string(iType);
  }
}

// 0 when the last data pool operation succeeded, else the failure report.
int Outcome(const std::string& iWhat) {
  return KAVCliKernelFailure(iWhat.c_str(), P::GetError());
}

int Init(KAVCliContext& ioContext) {
  P::Initialize();
  if (int status = Outcome("pool init")) return status;
  KAVCliPrintFields(ioContext, {{"initialized", "yes"}});
  return 0;
}

int DeletePool(KAVCliContext& ioContext, const std::string& iPool) {
  P::DeleteDataPool(iPool.c_str());
  if (int status = Outcome("pool delete " + iPool)) return status;
  KAVCliPrintFields(ioContext, {{"deleted pool", iPool}});
  return 0;
}

int CreateObject(KAVCliContext& ioContext, const std::string& iPool,
                 int iNumber, const std::string& iKind, int iRoom) {
  int kind = 0;
  if (!ParseKind(iKind, kind)) return kKAVCliUsage;
  P::CreateObject(iPool.c_str(), iNumber, kind, iRoom);
  if (int status = Outcome("pool object create")) return status;
  KAVCliPrintFields(
      ioContext,
      {{"pool", iPool}, {"created object", iNumber}, {"kind", KindWord(kind)}});
  return 0;
}

int ReadObject(KAVCliContext& ioContext, const std::string& iPool,
               int iNumber) {
  int kind = 0;
  KAVListValKAVUnicodeString names;
  KAVRawCollint counts(0), types(0);
  P::ReadObject(iPool.c_str(), iNumber, kind, names, counts, types);
  if (int status = Outcome("pool object read")) return status;
  Rows rows;
  for (int i = 1; i <= names.Size(); ++i)
    rows.push_back({Text(names[i]), TypeName(types[i]), counts[i]});
  if (ioContext.json) {
    nlohmann::json report = {
        {"pool", iPool}, {"object", iNumber}, {"kind", KindWord(kind)}};
    report["fields"] = nlohmann::json::array();
    for (const auto& row : rows)
      report["fields"].push_back({{"field", row[0].Json()},
                                  {"type", row[1].Json()},
                                  {"values", row[2].Json()}});
    KAVCliPrintJson(report);
    return 0;
  }
  std::cout << "object " << iNumber << " of " << iPool << ", " << KindWord(kind)
            << std::endl;
  KAVCliPrintTable(ioContext, {"field", "type", "values"}, rows);
  return 0;
}

int DeleteObject(KAVCliContext& ioContext, const std::string& iPool,
                 int iNumber) {
  P::DeleteObject(iPool.c_str(), iNumber);
  if (int status = Outcome("pool object delete")) return status;
  KAVCliPrintFields(ioContext, {{"pool", iPool}, {"deleted object", iNumber}});
  return 0;
}

int ListObjects(KAVCliContext& ioContext, const std::string& iPool,
                const std::string& iKind) {
  int kind = 0;
  if (!ParseKind(iKind, kind)) return kKAVCliUsage;
  std::unique_ptr<KAVRawCollint> numbers(P::ListObjects(iPool.c_str(), kind));
  if (int status = Outcome("pool objects")) return status;
  Rows rows;
  for (int i = 1; i <= numbers->Size(); ++i)
    rows.push_back({(*numbers)[i], KindWord(kind)});
  KAVCliPrintTable(ioContext, {"object", "kind"}, rows);
  return 0;
}

struct FieldOptions {
  std::string pool, field;
  int number = 0;
  int type = -1;  // -1: by the kind of the values
  std::vector<int> ints;
  std::vector<double> reals;
  std::vector<std::string> texts;
};

// One value goes through the single-value form of its kind, several
// through CreateField, which sends the first kind given.
int CreateField(KAVCliContext& ioContext, const FieldOptions& iOptions) {
  const size_t kinds = !iOptions.ints.empty() + !iOptions.reals.empty() +
                       !iOptions.texts.empty();
  if (kinds > 1)
    return KAVCliUsageError(
        "give the values of one kind only (--int, --real or --text)");
  const KAVUnicodeString pool(iOptions.pool.c_str());
  const KAVUnicodeString field(iOptions.field.c_str());
  const int type = iOptions.type >= 0        ? iOptions.type
                   : !iOptions.ints.empty()  ? 0
                   : !iOptions.reals.empty() ? 2
                                             : 3;
  const size_t count =
      iOptions.ints.size() + iOptions.reals.size() + iOptions.texts.size();
  if (count == 1 && !iOptions.ints.empty()) {
    P::CreateIntField(pool, iOptions.number, type, field, iOptions.ints[0]);
  } else if (count == 1 && !iOptions.reals.empty()) {
    P::CreateDblField(pool, iOptions.number, type, field, iOptions.reals[0]);
  } else if (count == 1) {
    P::CreateStrField(pool, iOptions.number, type, field,
                      KAVUnicodeString(iOptions.texts[0].c_str()));
  } else {
    KAVRawCollint ints(0);
    KAVRawColldouble reals(0);
    KAVListValKAVUnicodeString texts;
    for (int value : iOptions.ints) ints.Append(value);
    for (double value : iOptions.reals) reals.Append(value);
    for (const std::string& value : iOptions.texts)
      texts.Append(KAVUnicodeString(value.c_str()));
    P::CreateField(pool, iOptions.number, type, field, ints, reals, texts);
  }
  if (int status = Outcome("pool field create")) return status;
  KAVCliPrintFields(ioContext, {{"pool", iOptions.pool},
                                {"object", iOptions.number},
                                {"created field", iOptions.field},
                                {"type", TypeName(type)},
                                {"values", count}});
  return 0;
}

int ReadField(KAVCliContext& ioContext, const std::string& iPool, int iNumber,
              const std::string& iField) {
  KAVRawCollint ints(0);
  KAVRawColldouble reals(0);
  KAVListValKAVUnicodeString texts;
  P::ReadField(iPool.c_str(), iNumber, iField.c_str(), ints, reals, texts);
  if (int status = Outcome("pool field read")) return status;
  Rows rows;
  for (int i = 1; i <= ints.Size(); ++i) rows.push_back({"int", ints[i]});
  for (int i = 1; i <= reals.Size(); ++i) rows.push_back({"real", reals[i]});
  for (int i = 1; i <= texts.Size(); ++i)
    rows.push_back({"text", Text(texts[i])});
  KAVCliPrintTable(ioContext, {"kind", "value"}, rows);
  return 0;
}

// One row per attribute: the type GetValues gave, the count and the
// attribute's own values, with a note when the kernel holds integers that
// the dictionary types otherwise.
//
// GetValues puts each attribute's values in the output of their kind, one
// attribute after the other, but the type it gives an integer field is the
// dictionary's value type, which may be 2 (real) or 3 (text) as well: the
// type does not say which output holds the values. A type other than 2 or
// 3 with values is integers (reals and texts always get 2 and 3); for 2
// and 3 the field itself is read, and the first kind it has values of
// (integers before reals before texts, as GetValues takes them) is where
// its values went.
enum class Held { kInts, kReals, kTexts };

int Values(KAVCliContext& ioContext, const std::string& iPool, int iNumber,
           const std::vector<std::string>& iAttributes) {
  KAVListValKAVUnicodeString attributes;
  for (const std::string& name : iAttributes)
    attributes.Append(KAVUnicodeString(name.c_str()));
  KAVRawCollint types(0), counts(0), ints(0);
  KAVRawColldouble reals(0);
  KAVListValKAVUnicodeString texts;
  P::GetValues(iPool.c_str(), iNumber, attributes, types, counts, ints, reals,
               texts);
  if (int status = Outcome("pool values")) return status;
  Rows rows;
  int nextInt = 1, nextReal = 1, nextText = 1;
  for (int a = 1; a <= types.Size(); ++a) {
    const int type = types[a], count = counts[a];
    Held held = type == 2   ? Held::kReals
                : type == 3 ? Held::kTexts
                            : Held::kInts;
    if (count > 0 && (type == 2 || type == 3)) {
      KAVRawCollint fieldInts(0);
      KAVRawColldouble fieldReals(0);
      KAVListValKAVUnicodeString fieldTexts;
      P::ReadField(iPool.c_str(), iNumber, attributes[a], fieldInts, fieldReals,
                   fieldTexts);
      if (int status = Outcome("pool values: reading " + Text(attributes[a])))
        return status;
      if (fieldInts.Size() > 0) held = Held::kInts;
    }
    // Each output is read no further than it goes.
    std::string values;
    for (int v = 0; v < count; ++v) {
      if (v > 0) values += ", ";
      if (held == Held::kReals && nextReal <= reals.Size())
        values += Number(reals[nextReal++]);
      else if (held == Held::kTexts && nextText <= texts.Size())
        values += Text(texts[nextText++]);
      else if (held == Held::kInts && nextInt <= ints.Size())
        values += std::to_string(ints[nextInt++]);
    }
    const std::string note =
        count > 0 && held == Held::kInts && type != 0 && type != 1
            ? "integers in the kernel, " + TypeName(type) + " in the dictionary"
            : "";
    rows.push_back({Text(attributes[a]), count == 0 ? "none" : TypeName(type),
                    count, values, note});
  }
  KAVCliPrintTable(ioContext, {"attribute", "type", "count", "values", "note"},
                   rows);
  return 0;
}

// The dump is the library's own text on standard output, --json or not.
int Dump(const std::string& iPool) {
  P::DumpDataPool(iPool.c_str());
  return 0;
}

void AddDataPoolCommands(CLI::App& app, KAVCliContext& ctx) {
  CLI::App* pool = KAVCliSubcommand(
      app, "pool", "Data pools: objects, fields, values and dump");

  struct Options {
    std::string pool, kind = "input", field;
    int number = 0, room = 0;
    std::vector<std::string> attributes;
    FieldOptions created;
  };
  Options& o = ctx.Options<Options>();

  pool->add_subcommand("init", "Initialise the pools (the site's pools again)")
      ->callback([&ctx] { ctx.status = Init(ctx); });

  auto* remove =
      pool->add_subcommand("delete", "Delete a pool with all its objects");
  remove->add_option("POOL", o.pool, "pool name (8 characters)")->required();
  remove->callback([&ctx, &o] { ctx.status = DeletePool(ctx, o.pool); });

  auto* objects =
      pool->add_subcommand("objects", "List the objects of one kind");
  objects->add_option("POOL", o.pool, "pool name")->required();
  objects->add_option("KIND", o.kind, "input (default), output or a number");
  objects->callback(
      [&ctx, &o] { ctx.status = ListObjects(ctx, o.pool, o.kind); });

  CLI::App* object =
      KAVCliSubcommand(*pool, "object", "Create, read or delete an object");
  auto* create = object->add_subcommand("create", "Create an object");
  create
      ->add_option("POOL", o.pool, "pool name (created with its first object)")
      ->required();
  create->add_option("NUMBER", o.number, "object number")->required();
  create->add_option("--kind", o.kind, "input (default), output or a number");
  create->add_option("--room", o.room, "fields to make room for (default 0)");
  create->callback([&ctx, &o] {
    ctx.status = CreateObject(ctx, o.pool, o.number, o.kind, o.room);
  });
  auto* read = object->add_subcommand("read", "An object's kind and fields");
  read->add_option("POOL", o.pool, "pool name")->required();
  read->add_option("NUMBER", o.number, "object number")->required();
  read->callback(
      [&ctx, &o] { ctx.status = ReadObject(ctx, o.pool, o.number); });
  auto* erase = object->add_subcommand("delete", "Delete an object");
  erase->add_option("POOL", o.pool, "pool name")->required();
  erase->add_option("NUMBER", o.number, "object number")->required();
  erase->callback(
      [&ctx, &o] { ctx.status = DeleteObject(ctx, o.pool, o.number); });

  CLI::App* field = KAVCliSubcommand(*pool, "field", "Create or read a field");
  auto* createField = field->add_subcommand(
      "create",
      "Create a field with values of one kind (created again: replaced)");
  createField->add_option("POOL", o.created.pool, "pool name")->required();
  createField->add_option("NUMBER", o.created.number, "object number")
      ->required();
  createField
      ->add_option("FIELD", o.created.field, "field name (16 characters)")
      ->required();
  createField->add_option("--int", o.created.ints,
                          "an integer value (repeatable)");
  createField->add_option("--real", o.created.reals,
                          "a real value (repeatable)");
  createField->add_option("--text", o.created.texts,
                          "a text value (repeatable)");
  createField->add_option(
      "--type", o.created.type,
      "type code kept with the field (default: 0 int, 2 real, 3 text)");
  createField->callback(
      [&ctx, &o] { ctx.status = CreateField(ctx, o.created); });
  auto* readField = field->add_subcommand("read", "A field's values");
  readField->add_option("POOL", o.pool, "pool name")->required();
  readField->add_option("NUMBER", o.number, "object number")->required();
  readField->add_option("FIELD", o.field, "field name")->required();
  readField->callback(
      [&ctx, &o] { ctx.status = ReadField(ctx, o.pool, o.number, o.field); });

  auto* values = pool->add_subcommand("values",
                                      "Values of an object with their types "
                                      "(integers typed by the dictionary)");
  values->add_option("POOL", o.pool, "pool name")->required();
  values->add_option("NUMBER", o.number, "object number")->required();
  values->add_option("ATTRIBUTE", o.attributes,
                     "attributes to gather (default: every field but eight "
                     "assembly and selection fields)");
  values->callback(
      [&ctx, &o] { ctx.status = Values(ctx, o.pool, o.number, o.attributes); });

  auto* dump = pool->add_subcommand(
      "dump", "Print every object of a pool, field by field");
  dump->add_option("POOL", o.pool, "pool name")->required();
  dump->callback([&ctx, &o] { ctx.status = Dump(o.pool); });
}
KAV_CLI_FAMILY(AddDataPoolCommands);

// A tool object made, given fields, read back with its dictionary types,
// and the pool dumped.
const char* const kDataPoolTour[] = {
    "pool objects TOOLS input",
    "pool object create TOOLS 3 --kind input",
    "pool field create TOOLS 3 MFG_TOOL_NUMBER --int 21",
    "pool field create TOOLS 3 MFG_NB_FLUTES --int 3",
    "pool field create TOOLS 3 MFG_TOOL_DIAM --real 8",
    "pool field create TOOLS 3 MFG_TOOL_MAT --text CARBIDE",
    "pool field create TOOLS 3 MFG_SPEEDS --real 800 --real 1200",
    "pool object read TOOLS 3",
    "pool values TOOLS 3",
    "pool values TOOLS 3 MFG_TOOL_DIAM MFG_CORNER_RAD",
    "pool field read TOOLS 3 MFG_SPEEDS",
    "pool object delete TOOLS 2",
    "pool dump TOOLS",
};
KAV_CLI_TOUR_STEP(36, "Data pools", kDataPoolTour);

}  // namespace
