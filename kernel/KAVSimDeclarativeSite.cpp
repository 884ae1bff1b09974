// The reference kernel's declarative state, its site file and the
// family's control functions (kavsim_declarative_...).
//
// <site>/declarative/declarative.json:
//   {"pools": {POOL: {"preloaded": bool, "variables": {NAME:
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
// "KAVMFG" is read by the full name "KAVMFG.TOOLPATH.STORAGE". Every value
// is type-checked before it is used; one of the wrong kind is skipped.
#include <fstream>
#include <nlohmann/json.hpp>

#include "KAVSimDeclarative.h"
#include "KAVSimKernel.h"

namespace kavsim {
namespace declarative {

size_t PossibleValues::Count() const {
  if (type == 0 || type == 1) return ints.size();
  if (type == 2) return reals.size();
  if (type == 3) return texts.size();
  return 0;
}

namespace {

using nlohmann::json;

struct Holder {
  bool started = false;
  Declarative declarative;
};

Holder& GetHolder() {
  static Holder holder;
  return holder;
}

void ResetDeclarative() { GetHolder() = Holder(); }
KAVSIM_ON_RESET(ResetDeclarative);

// Type-checked reads: a member that is absent or of another kind gives
// the fallback (an empty json for Member), so nothing here throws.
const json& Member(const json& iObject, const char* iKey) {
  static const json kNone;
  if (!iObject.is_object()) return kNone;
  const auto found = iObject.find(iKey);
  return found == iObject.end() ? kNone : *found;
}
std::string Text(const json& iObject, const char* iKey) {
  const json& value = Member(iObject, iKey);
  return value.is_string() ? value.get<std::string>() : std::string();
}
int Int(const json& iObject, const char* iKey, int iFallback = 0) {
  const json& value = Member(iObject, iKey);
  return value.is_number_integer() ? value.get<int>() : iFallback;
}
bool Bool(const json& iObject, const char* iKey) {
  const json& value = Member(iObject, iKey);
  return value.is_boolean() && value.get<bool>();
}
std::vector<std::string> Texts(const json& iArray) {
  std::vector<std::string> texts;
  if (!iArray.is_array()) return texts;
  for (const json& item : iArray)
    if (item.is_string()) texts.push_back(item.get<std::string>());
  return texts;
}
std::vector<PathItem> PathItems(const json& iArray) {
  std::vector<PathItem> items;
  if (!iArray.is_array()) return items;
  for (const json& item : iArray)
    if (item.is_object())
      items.push_back({Text(item, "path"), Text(item, "macro"), Text(item, "nls")});
  return items;
}

Pool ReadPool(const json& iPool) {
  Pool pool;
  pool.loaded = Bool(iPool, "preloaded");
  const json& variables = Member(iPool, "variables");
  if (!variables.is_object()) return pool;
  for (const auto& [name, item] : variables.items()) {
    Variable variable;
    variable.isInteger = Text(item, "type") == "INTEGER";
    variable.integer = Int(item, "value");
    const json& entries = Member(item, "values");
    if (entries.is_array())
      for (const json& entry : entries)
        if (entry.is_object())
          variable.entries.push_back({Text(entry, "item"), Text(entry, "value")});
    pool.variables[name] = variable;
  }
  return pool;
}

PossibleValues ReadValues(const json& iValues) {
  PossibleValues values;
  values.type = Int(iValues, "type");
  const json& list = Member(iValues, "values");
  if (list.is_array()) {
    for (const json& value : list) {
      if ((values.type == 0 || values.type == 1) && value.is_number_integer())
        values.ints.push_back(value.get<int>());
      else if (values.type == 2 && value.is_number())
        values.reals.push_back(value.get<double>());
      else if (values.type == 3 && value.is_string())
        values.texts.push_back(value.get<std::string>());
    }
  }
  values.nls = Texts(Member(iValues, "nls"));
  values.nls.resize(values.Count());  // one national name per value
  return values;
}

std::vector<PointSwitch> ReadPoints(const json& iArray) {
  std::vector<PointSwitch> points;
  if (!iArray.is_array()) return points;
  for (const json& item : iArray)
    if (item.is_object())
      points.push_back({Int(item, "code"), Text(item, "symbol"),
                        Text(item, "group"), Int(item, "value")});
  return points;
}

ClassCustomization ReadClass(const json& iClass) {
  ClassCustomization custom;
  custom.icon = Text(iClass, "icon");
  const json& macros = Member(iClass, "macros");
  if (macros.is_object())
    for (const auto& [key, items] : macros.items())
      custom.macros[key] = PathItems(items);
  custom.unwanted = Texts(Member(iClass, "unwanted"));
  const json& values = Member(iClass, "values");
  if (values.is_object())
    for (const auto& [attribute, item] : values.items())
      custom.values[attribute] = ReadValues(item);
  custom.defaults = Texts(Member(iClass, "default"));
  custom.resources = Texts(Member(iClass, "resources"));
  custom.tools = Texts(Member(iClass, "tools"));
  const json& replay = Member(iClass, "replay");
  custom.replayModule = Text(replay, "module");
  custom.replayEntry = Text(replay, "entry");
  const json& points = Member(iClass, "points");
  custom.symbols = ReadPoints(Member(points, "symbols"));
  custom.groups = ReadPoints(Member(points, "groups"));
  custom.circles = ReadPoints(Member(points, "circles"));
  return custom;
}

}  // namespace

bool ReadSite(Declarative& oDeclarative) {
  std::ifstream in(SiteDirectory() + "/declarative/declarative.json");
  if (!in) return false;
  const json root = json::parse(in, nullptr, false);
  if (!root.is_object()) return false;
  Declarative declarative;
  const json& pools = Member(root, "pools");
  if (pools.is_object())
    for (const auto& [name, pool] : pools.items())
      declarative.pools[name] = ReadPool(pool);
  declarative.transitions = PathItems(Member(root, "transitions"));
  const json& switches = Member(root, "switches");
  declarative.macroModify = Int(switches, "macroModify");
  declarative.resourceManagement = Int(switches, "resourceManagement");
  declarative.autoToolNumber = Int(switches, "autoToolNumber");
  declarative.newInterface = Int(switches, "newInterface");
  const json& areas = Member(switches, "newInterfaceAreas");
  const char* const kAreas[kAreaCount] = {"G22", "G23", "G24"};
  for (int i = 0; i < kAreaCount; ++i) {
    const json& area = Member(areas, kAreas[i]);
    if (!area.is_object()) continue;
    for (const auto& [name, value] : area.items())
      if (value.is_number_integer()) declarative.areas[i][name] = value.get<int>();
  }
  const json& classes = Member(root, "classes");
  if (classes.is_object())
    for (const auto& [name, item] : classes.items())
      declarative.classes[name] = ReadClass(item);
  oDeclarative = std::move(declarative);
  return true;
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
  using namespace kavsim::declarative;
  const auto found = Current().pools.find(iPool ? iPool : "");
  if (found == Current().pools.end()) return -1;
  return found->second.loaded ? 1 : 0;
}

}  // extern "C"
