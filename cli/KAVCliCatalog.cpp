// t4711 commands of the catalog family: the APT and post-processor tables
// of one kind ("tables KIND") and national-language names in both
// directions ("nls name KIND NAME...", "nls std KIND NAME...").
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "KAVCli.h"
#include "KAVMfgAPTAndPPTable.h"
#include "KAVMfgBaseNLS.h"

namespace {

struct NlsKind {
  const char* word;
  int type;
};

// The four kinds the library knows; any other type code given as a
// number passes as it is (the library answers such names unchanged).
const NlsKind kNlsKinds[] = {
    {"attribute", 1}, {"block", 2}, {"class", 3}, {"value", 4}};

bool ParseNlsKind(const std::string& iWord, int& oType) {
  for (const NlsKind& kind : kNlsKinds) {
    if (iWord == kind.word) {
      oType = kind.type;
      return true;
    }
  }
  char* end = nullptr;
  const long number = std::strtol(iWord.c_str(), &end, 10);
  if (iWord.empty() || *end != '\0') return false;
  oType = static_cast<int>(number);
  return true;
}

std::string KindWord(int iType) {
  for (const NlsKind& kind : kNlsKinds)
    if (kind.type == iType) return kind.word;
  return std::to_string(iType);
}

// The standard names come back blank-padded to their kind's width; the
// tool shows them without the padding.
std::string WithoutTrailingBlanks(const KAVUnicodeString& iText) {
  std::string text = iText.ToStdString();
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

int Tables(KAVCliContext& ioContext, int iKind) {
  std::unique_ptr<KAVListValKAVUnicodeString> tables(
      KAVMfgAPTAndPPTable::GetTables(iKind));
  const int code = KAVMfgAPTAndPPTable::GetError();
  if (code != 0) {
    return KAVCliKernelFailure(
        ("GetTables of kind " + std::to_string(iKind)).c_str(), code);
  }
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= tables->Size(); ++i)
    rows.push_back({std::to_string(i), (*tables)[i].ToStdString()});
  KAVCliPrintTable(ioContext, {"position", "table"}, rows);
  return 0;
}

// Translates each name one way: to the national name (iToNational) or
// back to the standard name. The library reports no failure: a name it
// cannot translate comes back as given.
int Nls(KAVCliContext& ioContext, const std::string& iKind,
        const std::vector<std::string>& iNames, bool iToNational) {
  int type = 0;
  if (!ParseNlsKind(iKind, type)) {
    std::cerr << "t4711: unknown kind \"" << iKind
              << "\" (attribute, block, class, value or a type code)"
              << std::endl;
    return 2;
  }
  std::vector<std::vector<std::string>> rows;
  for (const std::string& name : iNames) {
    const KAVUnicodeString given(name.c_str());
    if (iToNational) {
      rows.push_back({KindWord(type), name,
                      KAVMfgBaseNLS::GetNlsName(type, given).ToStdString()});
    } else {
      rows.push_back({KindWord(type),
                      WithoutTrailingBlanks(KAVMfgBaseNLS::GetStdName(type, given)),
                      name});
    }
  }
  KAVCliPrintTable(ioContext, {"kind", "standard", "national"}, rows);
  return 0;
}

void AddCatalogCommands(CLI::App& app, KAVCliContext& ctx) {
  static int tableKind = 0;
  auto* tables = app.add_subcommand(
      "tables", "List the APT or post-processor tables of one kind");
  tables->add_option("KIND", tableKind,
                     "kind of table (bundled site: 1 APT source, 2 "
                     "post-processor, 3 post-processor words, 4 site-specific)")
      ->required();
  tables->callback([&ctx]() { ctx.status = Tables(ctx, tableKind); });

  auto* nls = KAVCliSubcommand(app, "nls",
                               "National-language names of dictionary items");
  static std::string nameKind, stdKind;
  static std::vector<std::string> stdNames, nlsNames;
  auto* name = nls->add_subcommand(
      "name", "National-language names of standard names");
  name->add_option("KIND", nameKind, "attribute, block, class or value")
      ->required();
  name->add_option("NAME", stdNames, "standard names")->required();
  name->callback(
      [&ctx]() { ctx.status = Nls(ctx, nameKind, stdNames, true); });
  auto* std = nls->add_subcommand(
      "std",
      "Standard names of national-language names translated earlier in "
      "this process (use with 'run')");
  std->add_option("KIND", stdKind, "attribute, block, class or value")
      ->required();
  std->add_option("NAME", nlsNames, "national-language names")->required();
  std->callback([&ctx]() { ctx.status = Nls(ctx, stdKind, nlsNames, false); });
}
KAV_CLI_FAMILY(AddCatalogCommands);

int CatalogTour(KAVCliContext& ioContext) {
  std::cout << "APT source tables (kind 1):" << std::endl;
  int status = Tables(ioContext, 1);
  std::cout << "\nPost-processor tables (kind 2):" << std::endl;
  status |= Tables(ioContext, 2);
  std::cout << "\nAn unknown kind is a kernel error:" << std::endl;
  if (Tables(ioContext, 99) == 0) status = 1;
  std::cout << "\nNational names, asked once and cached:" << std::endl;
  status |= Nls(ioContext, "class", {"MfgEndMill", "MfgDrilling"}, true);
  status |= Nls(ioContext, "attribute", {"MFG_FEEDRATE", "MFG_X"}, true);
  std::cout << "\nAnd back, from what was translated:" << std::endl;
  status |= Nls(ioContext, "class", {"Percage", "Outil de fraisage"}, false);
  return status;
}
KAV_CLI_TOUR_STEP(20, "Catalog lookups: tables and national names",
                  CatalogTour);

}  // namespace
