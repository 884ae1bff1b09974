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

// False after reporting a usage error.
bool ParseNlsKind(const std::string& iWord, int& oType) {
  for (const NlsKind& kind : kNlsKinds) {
    if (iWord == kind.word) {
      oType = kind.type;
      return true;
    }
  }
  if (iWord.find_first_not_of("+-0123456789") == std::string::npos &&
      !iWord.empty())
    return KAVCliParseInt(iWord, "KIND", oType);
  KAVCliUsageError("unknown kind \"" + iWord +
                   "\" (attribute, block, class, value or a type code)");
  return false;
}

std::string KindWord(int iType) {
  for (const NlsKind& kind : kNlsKinds)
    if (kind.type == iType) return kind.word;
  return std::to_string(iType);
}

int Tables(KAVCliContext& ioContext, int iKind) {
  std::unique_ptr<KAVListValKAVUnicodeString> tables(
      KAVMfgAPTAndPPTable::GetTables(iKind));
  const int code = KAVMfgAPTAndPPTable::GetError();
  if (code != 0) {
    return KAVCliKernelFailure(
        ("GetTables of kind " + std::to_string(iKind)).c_str(), code);
  }
  std::vector<KAVCliRow> rows;
  for (int i = 1; i <= tables->Size(); ++i)
    rows.push_back({i, KAVCliText((*tables)[i])});
  KAVCliPrintTable(ioContext, {"position", "table"}, rows);
  return 0;
}

// Translates each name one way: to the national name (iToNational) or
// back to the standard name. The library reports no failure: a name it
// cannot translate comes back as given.
int Nls(KAVCliContext& ioContext, const std::string& iKind,
        const std::vector<std::string>& iNames, bool iToNational) {
  int type = 0;
  if (!ParseNlsKind(iKind, type)) return kKAVCliUsage;
  std::vector<KAVCliRow> rows;
  for (const std::string& name : iNames) {
    const KAVUnicodeString given(name.c_str());
    if (iToNational) {
      rows.push_back({KindWord(type), name,
                      KAVCliText(KAVMfgBaseNLS::GetNlsName(type, given))});
    } else {
      rows.push_back({KindWord(type),
                      KAVCliText(KAVMfgBaseNLS::GetStdName(type, given), true),
                      name});
    }
  }
  KAVCliPrintTable(ioContext, {"kind", "standard", "national"}, rows);
  return 0;
}

void AddCatalogCommands(CLI::App& app, KAVCliContext& ctx) {
  struct Options {
    int tableKind = 0;
    std::string kind;
    std::vector<std::string> names;
  };
  Options& o = ctx.Options<Options>();
  auto* tables = app.add_subcommand(
      "tables", "List the APT or post-processor tables of one kind");
  tables
      ->add_option("KIND", o.tableKind,
                   "kind of table (bundled site: 1 APT source, 2 "
                   "post-processor, 3 post-processor words, 4 site-specific)")
      ->required();
  tables->callback([&ctx, &o]() { ctx.status = Tables(ctx, o.tableKind); });

  auto* nls = KAVCliSubcommand(app, "nls",
                               "National-language names of dictionary items");
  auto* name =
      nls->add_subcommand("name", "National-language names of standard names");
  name->add_option("KIND", o.kind, "attribute, block, class or value")
      ->required();
  name->add_option("NAME", o.names, "standard names")->required();
  name->callback(
      [&ctx, &o]() { ctx.status = Nls(ctx, o.kind, o.names, true); });
  auto* std = nls->add_subcommand(
      "std",
      "Standard names of national-language names translated earlier in "
      "this process (use with 'run')");
  std->add_option("KIND", o.kind, "attribute, block, class or value")
      ->required();
  std->add_option("NAME", o.names, "national-language names")->required();
  std->callback(
      [&ctx, &o]() { ctx.status = Nls(ctx, o.kind, o.names, false); });
}
KAV_CLI_FAMILY(AddCatalogCommands);

const char* const kCatalogTour[] = {
    "# APT source tables (kind 1) and post-processor tables (kind 2):",
    "tables 1",
    "tables 2",
    "# An unknown kind is a kernel error:",
    "!tables 99",
    "# National names, asked once and cached, and back from what was translated:",
    "nls name class MfgEndMill MfgDrilling",
    "nls name attribute MFG_FEEDRATE MFG_X",
    "nls std class Percage 'Outil de fraisage'",
};
KAV_CLI_TOUR_STEP(20, "Catalog lookups: tables and national names",
                  kCatalogTour);

}  // namespace
