// The reference kernel's catalog family: GNSLTB (the APT and
// post-processor tables of one kind) and GNFNL1 (the national-language
// name of a dictionary item), over the site files catalog/tables.json and
// catalog/names.json; and the family's control functions.
//
// tables.json: {"kinds": [{"kind": 1, "title": "...", "tables": [...]}]}
// names.json:  {"attributes": {STD: NLS}, "blocks": {...}, "classes":
//              {...}, "values": {...}}, standard names without padding.
// A missing file is an empty catalog; a file that does not parse is too
// (its content is ignored whole rather than half read).
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVSimControl.h"
#include "KAVSimKernel.h"

namespace {

constexpr int kTableNameWidth = 72;
constexpr int kNlsNameWidth = 80;
constexpr int kNlsTypes = 4;
// Standard-name width by type code 1..4 (attribute, block, class, value).
constexpr int kStdNameWidths[kNlsTypes] = {16, 16, 32, 32};
const char* const kNlsSections[kNlsTypes] = {"attributes", "blocks",
                                             "classes", "values"};

struct Catalog {
  bool loaded = false;
  std::map<int, std::vector<std::string>> tables;  // by kind, in order
  std::map<int, std::string> titles;
  // By type code - 1: trimmed standard name -> national name.
  std::unordered_map<std::string, std::string> names[kNlsTypes];
};

Catalog& GetCatalog() {
  static Catalog catalog;
  return catalog;
}

void ResetCatalog() { GetCatalog() = Catalog(); }
KAVSIM_ON_RESET(ResetCatalog);

nlohmann::json ReadSiteFile(const char* iName) {
  std::ifstream in(kavsim::SiteDirectory() + "/catalog/" + iName);
  if (!in) return nlohmann::json::object();
  nlohmann::json content = nlohmann::json::parse(in, nullptr, false);
  return content.is_object() ? content : nlohmann::json::object();
}

// The catalog, read from the site on first use after a reset.
Catalog& Loaded() {
  Catalog& catalog = GetCatalog();
  if (catalog.loaded) return catalog;
  catalog.loaded = true;
  const nlohmann::json tables = ReadSiteFile("tables.json");
  if (tables.contains("kinds") && tables["kinds"].is_array()) {
    for (const nlohmann::json& kind : tables["kinds"]) {
      if (!kind.is_object() || !kind.contains("kind") ||
          !kind["kind"].is_number_integer())
        continue;
      const int code = kind["kind"].get<int>();
      std::vector<std::string>& names = catalog.tables[code];
      catalog.titles[code] = kind.value("title", std::string());
      if (!kind.contains("tables") || !kind["tables"].is_array()) continue;
      for (const nlohmann::json& name : kind["tables"])
        if (name.is_string()) names.push_back(name.get<std::string>());
    }
  }
  const nlohmann::json names = ReadSiteFile("names.json");
  for (int type = 0; type < kNlsTypes; ++type) {
    if (!names.contains(kNlsSections[type]) ||
        !names[kNlsSections[type]].is_object())
      continue;
    for (const auto& item : names[kNlsSections[type]].items())
      if (item.value().is_string())
        catalog.names[type][kavsim::Trimmed(item.key())] =
            item.value().get<std::string>();
  }
  return catalog;
}

bool IsNlsType(int iType) { return iType >= 1 && iType <= kNlsTypes; }

// GNSLTB(kind, handle out, ier): a new list of 72-character table names.
void simGNSLTB(int* iKind, int* oHandle, int* oIer) {
  kavsim::Call call("GNSLTB", oIer);
  call.Int(iKind).Int(oHandle);
  if (call.Faulted()) return;
  if (iKind == nullptr || oHandle == nullptr || oIer == nullptr) {
    if (oIer) *oIer = KAVSIM_NULL_ARGUMENT;
    return;
  }
  const Catalog& catalog = Loaded();
  const auto kind = catalog.tables.find(*iKind);
  if (kind == catalog.tables.end()) {
    *oIer = KAVSIM_UNKNOWN_TABLE_KIND;
    return;
  }
  *oHandle = kavsim::lists::Create(kTableNameWidth);
  for (const std::string& name : kind->second)
    kavsim::lists::AppendText(*oHandle, name);
  *oIer = KAVSIM_OK;
}
KAVSIM_ROUTINE(GNSLTB, simGNSLTB);

// GNFNL1(type, standard name 16/32, national name 80 out, length out,
// ier). The standard name's width follows the type, so an unknown type is
// refused before the name is read.
void simGNFNL1(int* iType, char* iStdName, char* oNlsName, int* oLength,
               int* oIer) {
  kavsim::Call call("GNFNL1", oIer);
  call.Int(iType);
  const bool known = iType != nullptr && IsNlsType(*iType);
  if (known) call.Text(iStdName, kStdNameWidths[*iType - 1]);
  if (call.Faulted()) return;
  if (oIer == nullptr) return;
  if (iType == nullptr || iStdName == nullptr || oNlsName == nullptr ||
      oLength == nullptr) {
    *oIer = KAVSIM_NULL_ARGUMENT;
    return;
  }
  if (!known) {
    *oIer = KAVSIM_UNKNOWN_NLS_TYPE;
    return;
  }
  const std::string stdName =
      kavsim::Trimmed(kavsim::Field(iStdName, kStdNameWidths[*iType - 1]));
  const auto& names = Loaded().names[*iType - 1];
  const auto found = names.find(stdName);
  if (found == names.end()) {
    *oIer = KAVSIM_NO_NLS_NAME;
    return;
  }
  kavsim::PutField(oNlsName, kNlsNameWidth, found->second);
  *oLength = static_cast<int>(
      found->second.size() < kNlsNameWidth ? found->second.size()
                                           : kNlsNameWidth);
  *oIer = KAVSIM_OK;
}
KAVSIM_ROUTINE(GNFNL1, simGNFNL1);

}  // namespace

extern "C" {

// Appends a table name to a kind (made if new); returns the kind's count.
__attribute__((visibility("default"))) int kavsim_catalog_add_table(
    int iKind, const char* iName) {
  std::vector<std::string>& names = Loaded().tables[iKind];
  names.push_back(iName ? iName : "");
  return static_cast<int>(names.size());
}

// Adds or replaces the national name of a standard name (no padding);
// returns 0, or KAVSIM_UNKNOWN_NLS_TYPE for a type outside 1..4.
__attribute__((visibility("default"))) int kavsim_catalog_add_name(
    int iType, const char* iStdName, const char* iNlsName) {
  if (!IsNlsType(iType)) return KAVSIM_UNKNOWN_NLS_TYPE;
  Loaded().names[iType - 1][kavsim::Trimmed(iStdName ? iStdName : "")] =
      iNlsName ? iNlsName : "";
  return KAVSIM_OK;
}

// Adds iCount generated names of one type, for benchmarks: standard name
// iPrefix followed by the number i (0 <= i < iCount) in six digits, and
// national name "Nom " followed by the same. Returns 0, or
// KAVSIM_UNKNOWN_NLS_TYPE.
__attribute__((visibility("default"))) int kavsim_catalog_generate_names(
    int iType, int iCount, const char* iPrefix) {
  if (!IsNlsType(iType)) return KAVSIM_UNKNOWN_NLS_TYPE;
  auto& names = Loaded().names[iType - 1];
  const std::string prefix = iPrefix ? iPrefix : "";
  names.reserve(names.size() + static_cast<size_t>(iCount > 0 ? iCount : 0));
  for (int i = 0; i < iCount; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i);
    names[prefix + number] = "Nom " + prefix + number;
  }
  return KAVSIM_OK;
}

}  // extern "C"
