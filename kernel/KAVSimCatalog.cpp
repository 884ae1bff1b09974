// The reference kernel's catalog family: GNSLTB (the APT and
// post-processor tables of one kind) and GNFNL1 (the national-language
// name of a dictionary item), over the site files catalog/tables.json and
// catalog/names.json; and the family's control functions.
//
// tables.json: {"kinds": [{"kind": 1, "title": "...", "tables": [...]}]}
// names.json:  {"attributes": {STD: NLS}, "blocks": {...}, "classes":
//              {...}, "values": {...}}, standard names without padding.
// A missing file is an empty catalog. A damaged one (not JSON, a value of
// the wrong type) gives its site code to every routine of the family
// until the next reset: its content is ignored whole rather than half
// read.
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVSimControl.h"
#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace {

constexpr int kTableNameWidth = kavcall::Width("GNSLTB", 2);
constexpr int kNlsNameWidth = kavcall::Width("GNFNL1", 3);
// Type codes 1..4: attribute, block, class, value; the standard name's
// width by type is kavcall::KeyWidth.
constexpr int kNlsTypes = 4;
static_assert(kavcall::KeyWidth(kNlsTypes) > 0 &&
                  kavcall::KeyWidth(kNlsTypes + 1) == 0,
              "GNFNL1 knows as many types as the catalog keeps");
const char* const kNlsSections[kNlsTypes] = {"attributes", "blocks", "classes",
                                             "values"};

struct Catalog {
  bool loaded = false;
  int code = KAVSIM_OK;  // of a damaged site file: what every routine answers
  std::map<int, std::vector<std::string>> tables;  // by kind, in order
  std::map<int, std::string> titles;
  // By type code - 1: trimmed standard name -> national name.
  std::unordered_map<std::string, std::string> names[kNlsTypes];
};

kavsim::SiteFamily& Site() {
  static kavsim::SiteFamily site("catalog");
  return site;
}

Catalog& GetCatalog() {
  static Catalog catalog;
  return catalog;
}

void ResetCatalog() {
  GetCatalog() = Catalog();
  Site().ForgetReported();
}
KAVSIM_ON_RESET(ResetCatalog);

int ReadTables(Catalog& ioCatalog) {
  kavsim::SiteFile file = Site().Read("tables.json");
  const kavsim::SiteValue kinds = file.Root().Member("kinds");
  for (size_t i = 0; i < kinds.Size() && file.Code() == KAVSIM_OK; ++i) {
    const kavsim::SiteValue kind = kinds[i];
    const int code = kind.Member("kind").Int();
    const std::string title = kind.Member("title").Text("");
    const kavsim::SiteValue tables = kind.Member("tables");
    std::vector<std::string>& names = ioCatalog.tables[code];
    ioCatalog.titles[code] = title;
    for (size_t t = 0; t < tables.Size(); ++t)
      names.push_back(tables[t].Text());
  }
  return file.Code();
}

int ReadNames(Catalog& ioCatalog) {
  kavsim::SiteFile file = Site().Read("names.json");
  const kavsim::SiteValue root = file.Root();
  for (int type = 0; type < kNlsTypes; ++type)
    for (const auto& item : root.Member(kNlsSections[type]).Members())
      ioCatalog.names[type][kavsim::Trimmed(item.first)] = item.second.Text();
  return file.Code();
}

// The catalog, read from the site on first use after a reset.
Catalog& Loaded() {
  Catalog& catalog = GetCatalog();
  if (catalog.loaded) return catalog;
  catalog.loaded = true;
  int code = ReadTables(catalog);
  if (code == KAVSIM_OK) code = ReadNames(catalog);
  if (code != KAVSIM_OK) {
    catalog = Catalog();
    catalog.loaded = true;
    catalog.code = code;
  }
  return catalog;
}

bool IsNlsType(int iType) { return kavcall::KeyWidth(iType) > 0; }

// GNSLTB(kind, handle out, ier): a new list of 72-character table names.
void simGNSLTB(int* iKind, int* oHandle, int* oIer) {
  if (iKind == nullptr || oHandle == nullptr || oIer == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const Catalog& catalog = Loaded();
  if (catalog.code != KAVSIM_OK) return kavsim::SetCode(oIer, catalog.code);
  const auto kind = catalog.tables.find(*iKind);
  if (kind == catalog.tables.end()) {
    kavsim::SetCode(oIer, KAVSIM_UNKNOWN_TABLE_KIND);
    return;
  }
  *oHandle = kavsim::lists::Create(kTableNameWidth);
  for (const std::string& name : kind->second)
    kavsim::lists::AppendText(*oHandle, name);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSLTB, simGNSLTB);

// GNFNL1(type, standard name 16/32, national name 80 out, length out,
// ier). The standard name's width follows the type, so an unknown type is
// refused before the name is read.
void simGNFNL1(int* iType, char* iStdName, char* oNlsName, int* oLength,
               int* oIer) {
  const bool known = iType != nullptr && IsNlsType(*iType);
  if (oIer == nullptr) return;
  if (iType == nullptr || iStdName == nullptr || oNlsName == nullptr ||
      oLength == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (!known) {
    kavsim::SetCode(oIer, KAVSIM_UNKNOWN_NLS_TYPE);
    return;
  }
  const std::string stdName =
      kavsim::Trimmed(kavsim::Field(iStdName, kavcall::KeyWidth(*iType)));
  const Catalog& catalog = Loaded();
  if (catalog.code != KAVSIM_OK) return kavsim::SetCode(oIer, catalog.code);
  const auto& names = catalog.names[*iType - 1];
  const auto found = names.find(stdName);
  if (found == names.end()) {
    kavsim::SetCode(oIer, KAVSIM_NO_NLS_NAME);
    return;
  }
  kavsim::PutField(oNlsName, kNlsNameWidth, found->second);
  *oLength = static_cast<int>(found->second.size() < kNlsNameWidth
                                  ? found->second.size()
                                  : kNlsNameWidth);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFNL1, simGNFNL1);

}  // namespace

extern "C" {

// Appends a table name to a kind (made if new); returns the kind's count.
__attribute__((visibility("default"))) int kavsim_catalog_add_table(
    int iKind, const char* iName) {
  const auto lock = kavsim::Lock();
  std::vector<std::string>& names = Loaded().tables[iKind];
  names.push_back(iName ? iName : "");
  return static_cast<int>(names.size());
}

// Adds or replaces the national name of a standard name (no padding);
// returns 0, or KAVSIM_UNKNOWN_NLS_TYPE for a type outside 1..4.
__attribute__((visibility("default"))) int kavsim_catalog_add_name(
    int iType, const char* iStdName, const char* iNlsName) {
  const auto lock = kavsim::Lock();
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
  const auto lock = kavsim::Lock();
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
