// The reference kernel's declarative state, its site file and the
// family's control functions (kavsim_declarative_...).
//
// <site>/declarative/declarative.json:
//   {"pools": {POOL: {"preloaded": 0|1, "variables": {NAME:
//      {"type": "INTEGER", "value": int} |
//      {"type": "STRING", "values": [{"item": text, "value": text}]}}}},
//    "transitions": [{"path", "macro", "nls"}],
//    "switches": {"macroModify", "resourceManagement", "autoToolNumber",
//                 "newInterface": int, "newInterfaceAreas": {"G22"|"G23"|
//                 "G24": {NAME: int}}},
//    "classes": {CLASS: {"icon", "macros": {KEY: [{"path", "macro",
//      "nls"}]}, "unwanted": [...], "values": {ATTRIBUTE: {"type": 0..3,
//      "values": [...], "nls": [...]}}, "default": [...], "resources":
//      [...], "tools": [...], "replay": {"module", "entry"}, "points":
//      {"symbols": [{"code", "symbol", "value"}], "groups": [{"code",
//      "symbol", "group", "value"}], "circles": [{"code", "value"}]}}}}
// Variable names are written without their pool: "TOOLPATH.STORAGE" of
// "KAVMFG" is read by the full name "KAVMFG.TOOLPATH.STORAGE". The file is
// read through the kernel's site reader: a damaged file (not JSON, a value
// of the wrong type) is ignored whole, and every routine of the family
// answers its site code until the next reset.
#include "KAVSimDeclarative.h"
#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace kavsim {
namespace declarative {

size_t PossibleValues::Count() const {
  if (type == 0 || type == 1) return ints.size();
  if (type == 2) return reals.size();
  if (type == 3) return texts.size();
  return 0;
}

namespace {

constexpr int kTextType = 3;

SiteFamily& Site() {
  static SiteFamily site("declarative");
  return site;
}

struct Holder {
  bool started = false;
  Declarative declarative;
};

Holder& GetHolder() {
  static Holder holder;
  return holder;
}

void ResetDeclarative() {
  GetHolder() = Holder();
  Site().ForgetReported();
}
KAVSIM_ON_RESET(ResetDeclarative);

std::vector<std::string> Texts(const SiteValue& iArray) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < iArray.Size(); ++i) texts.push_back(iArray[i].Text());
  return texts;
}

std::vector<PathItem> PathItems(const SiteValue& iArray) {
  std::vector<PathItem> items;
  for (size_t i = 0; i < iArray.Size(); ++i)
    items.push_back({iArray[i].Member("path").Text(),
                     iArray[i].Member("macro").Text(),
                     iArray[i].Member("nls").Text("")});
  return items;
}

Pool ReadPool(const SiteValue& iPool) {
  Pool pool;
  pool.loaded = iPool.Member("preloaded").Int(0) != 0;
  for (const auto& [name, item] : iPool.Member("variables").Members()) {
    Variable variable;
    const SiteValue type = item.Member("type");
    const std::string typeName = type.Text();
    variable.isInteger = typeName == "INTEGER";
    if (!variable.isInteger && typeName != "STRING")
      type.Error(KAVSIM_SITE_OUT_OF_RANGE,
                 "\"" + typeName + "\" is not a type (INTEGER or STRING)");
    if (variable.isInteger) variable.integer = item.Member("value").Int();
    const SiteValue entries = item.Member("values");
    for (size_t i = 0; i < entries.Size(); ++i)
      variable.entries.push_back({entries[i].Member("item").Text(""),
                                  entries[i].Member("value").Text()});
    pool.variables[name] = variable;
  }
  return pool;
}

// Values of a type this kernel does not know could be kept as nothing,
// and would come back empty: such a type is an error of the file.
PossibleValues ReadValues(const SiteValue& iValues) {
  PossibleValues values;
  const SiteValue type = iValues.Member("type");
  values.type = type.Int();
  if (values.type < 0 || values.type > kTextType)
    type.Error(KAVSIM_SITE_OUT_OF_RANGE,
               std::to_string(values.type) +
                   " is not a type of values (0 and 1 int, 2 real, 3 text)");
  const SiteValue list = iValues.Member("values");
  for (size_t i = 0; i < list.Size(); ++i) {
    if (values.type == 0 || values.type == 1)
      values.ints.push_back(list[i].Int());
    else if (values.type == 2)
      values.reals.push_back(list[i].Double());
    else if (values.type == 3)
      values.texts.push_back(list[i].Text());
  }
  values.nls = Texts(iValues.Member("nls"));
  values.nls.resize(values.Count());  // one national name per value
  return values;
}

std::vector<PointSwitch> ReadPoints(const SiteValue& iArray) {
  std::vector<PointSwitch> points;
  for (size_t i = 0; i < iArray.Size(); ++i)
    points.push_back(
        {iArray[i].Member("code").Int(), iArray[i].Member("symbol").Text(""),
         iArray[i].Member("group").Text(""), iArray[i].Member("value").Int()});
  return points;
}

ClassCustomization ReadClass(const SiteValue& iClass) {
  ClassCustomization custom;
  custom.icon = iClass.Member("icon").Text("");
  for (const auto& [key, items] : iClass.Member("macros").Members())
    custom.macros[key] = PathItems(items);
  custom.unwanted = Texts(iClass.Member("unwanted"));
  for (const auto& [attribute, item] : iClass.Member("values").Members())
    custom.values[attribute] = ReadValues(item);
  custom.defaults = Texts(iClass.Member("default"));
  custom.resources = Texts(iClass.Member("resources"));
  custom.tools = Texts(iClass.Member("tools"));
  const SiteValue replay = iClass.Member("replay");
  custom.replayModule = replay.Member("module").Text("");
  custom.replayEntry = replay.Member("entry").Text("");
  const SiteValue points = iClass.Member("points");
  custom.symbols = ReadPoints(points.Member("symbols"));
  custom.groups = ReadPoints(points.Member("groups"));
  custom.circles = ReadPoints(points.Member("circles"));
  return custom;
}

}  // namespace

int ReadSite(Declarative& oDeclarative) {
  SiteFile file = Site().Read("declarative.json");
  const SiteValue root = file.Root();
  Declarative declarative;
  for (const auto& [name, pool] : root.Member("pools").Members())
    declarative.pools[name] = ReadPool(pool);
  declarative.transitions = PathItems(root.Member("transitions"));
  const SiteValue switches = root.Member("switches");
  declarative.macroModify = switches.Member("macroModify").Int(0);
  declarative.resourceManagement = switches.Member("resourceManagement").Int(0);
  declarative.autoToolNumber = switches.Member("autoToolNumber").Int(0);
  declarative.newInterface = switches.Member("newInterface").Int(0);
  const char* const kAreas[kAreaCount] = {"G22", "G23", "G24"};
  for (int i = 0; i < kAreaCount; ++i)
    for (const auto& [name, value] :
         switches.Member("newInterfaceAreas").Member(kAreas[i]).Members())
      declarative.areas[i][name] = value.Int();
  for (const auto& [name, item] : root.Member("classes").Members())
    declarative.classes[name] = ReadClass(item);
  if (file.Code() != KAVSIM_OK) {
    oDeclarative = Declarative();
    oDeclarative.code = file.Code();
    return file.Code();
  }
  oDeclarative = std::move(declarative);
  return KAVSIM_OK;
}

Declarative& Current() {
  Holder& holder = GetHolder();
  if (!holder.started) {
    holder.started = true;
    ReadSite(holder.declarative);
  }
  return holder.declarative;
}

}  // namespace declarative
}  // namespace kavsim

extern "C" {

// Appends an entry to the STRING variable iVariable (its name without the
// pool) of iPool, making the pool (loaded) and the variable when new.
// Returns the variable's entry count, or -1 for an INTEGER variable.
__attribute__((visibility("default"))) int kavsim_declarative_add_string(
    const char* iPool, const char* iVariable, const char* iItem,
    const char* iValue) {
  const auto lock = kavsim::Lock();
  using namespace kavsim::declarative;
  auto found = Current().pools.find(iPool ? iPool : "");
  Pool& pool = found != Current().pools.end()
                   ? found->second
                   : Current().pools[iPool ? iPool : ""];
  if (found == Current().pools.end()) pool.loaded = true;
  Variable& variable = pool.variables[iVariable ? iVariable : ""];
  if (variable.isInteger) return -1;
  variable.entries.push_back({iItem ? iItem : "", iValue ? iValue : ""});
  return static_cast<int>(variable.entries.size());
}

// 1 when iPool is loaded, 0 when it is not, -1 when the site has no such
// pool.
__attribute__((visibility("default"))) int kavsim_declarative_loaded(
    const char* iPool) {
  const auto lock = kavsim::Lock();
  using namespace kavsim::declarative;
  const auto found = Current().pools.find(iPool ? iPool : "");
  if (found == Current().pools.end()) return -1;
  return found->second.loaded ? 1 : 0;
}

}  // extern "C"
