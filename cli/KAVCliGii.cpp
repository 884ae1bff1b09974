// t4711 commands of the GII session bridge: identifiers (with or without
// the cache), typed and generic variables, existence and valued state,
// erasing, events, modification state, orders, the identifier cache, and
// "gii show", the session as the reference kernel holds it.
//
// The library reports a kernel failure into the session, not to its
// caller: a command learns of one when the session's error event ("OUTER")
// is recorded while it runs, which needs the reference kernel's control
// API. With another kernel the commands run the same and only "show" is
// refused.
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "KAVCli.h"
#include "KAVMfgBaseGII.h"

namespace {

using G = KAVMfgBaseGII;

// The reference kernel's GII control functions (its KAVSimControl.h).
using CountFn = int (*)(void);
using NameAtFn = const char* (*)(int);
using ByNameFn = int (*)(const char*);
using TextByNameFn = const char* (*)(const char*);
using TextFn = const char* (*)(void);

template <typename F>
F Control(const char* iName) {
  return reinterpret_cast<F>(KAVCliKernelSymbol(iName));
}

// How often the session's error event was recorded; asked around every
// command, so a count the kernel keeps, not its list of events.
int ErrorEvents() {
  auto count = Control<ByNameFn>("kavsim_gii_event_count");
  return count ? count("OUTER") : 0;
}

// Runs one library call; when it raised an error into the session, reports
// the code IERZORVEN now holds as a kernel failure.
template <typename Call>
int Raising(const std::string& iWhat, Call iCall) {
  const int before = ErrorEvents();
  iCall();
  if (ErrorEvents() <= before) return 0;
  auto value = Control<TextByNameFn>("kavsim_gii_value");
  const char* held = value ? value("IERZORVEN") : nullptr;
  const std::string text = held ? held : "";
  int code = 0;
  if (text.rfind("int ", 0) != 0 || !KAVCliReadInt(text.substr(4), code))
    code = 0;
  return KAVCliKernelFailure(
      (iWhat + ", reported into the GII session,").c_str(),
      code != 0 ? code : -1);
}

std::string Quoted(const KAVUnicodeString& iText) {
  return "\"" + iText.ToStdString() + "\"";
}

// Everything a gii command may be given, fresh for each build of the
// command tree.
struct Arguments {
  std::string kind, name, value;
  int field = 1;
  bool cache = false, list = false, noOrder = false;
  std::vector<int> types, ints;
  std::vector<double> reals;
  std::vector<std::string> texts, names;
};

int Buffer(const Arguments& iArgs) { return iArgs.cache ? 1 : 0; }

const char* const kSetKinds = "int, real, element, string, text or prompt";

int Set(KAVCliContext& ioContext, const Arguments& a) {
  const KAVUnicodeString name(a.name.c_str()), value(a.value.c_str());
  int integer = 0;
  double real = 0;
  if ((a.kind == "int" || a.kind == "element") &&
      !KAVCliParseInt(a.value, "VALUE", integer))
    return kKAVCliUsage;
  if (a.kind == "real" && !KAVCliParseReal(a.value, "VALUE", real))
    return kKAVCliUsage;
  std::function<void()> call;
  if (a.kind == "int") {
    call = [&] { G::SetGIIIntVariable(name, integer, Buffer(a)); };
  } else if (a.kind == "real") {
    call = [&] { G::SetGIIDoubleVariable(name, real, Buffer(a)); };
  } else if (a.kind == "element") {
    call = [&] { G::SetGIIElemVariable(name, integer, Buffer(a)); };
  } else if (a.kind == "string") {
    call = [&] { G::SetGIIStringVariable(name, value, Buffer(a)); };
  } else if (a.kind == "text") {
    call = [&] { G::SetGIITextVariable(name, value, Buffer(a)); };
  } else if (a.kind == "prompt") {
    call = [&] { G::SetGIIPromptVariable(name, value, Buffer(a)); };
  } else {
    return KAVCliUsageError("unknown kind \"" + a.kind + "\" (" + kSetKinds +
                            ")");
  }
  const int status = Raising("gii set " + a.kind, call);
  if (status != 0) return status;
  // What went to the kernel: a number as read ("010" wrote 10), a text
  // as given.
  std::ostringstream written;
  if (a.kind == "int" || a.kind == "element")
    written << integer;
  else if (a.kind == "real")
    written << real;
  else
    written << a.value;
  KAVCliPrintTable(ioContext, {"variable", "kind", "written"},
                   {{a.name, a.kind, written.str()}});
  return 0;
}

int Get(KAVCliContext& ioContext, const Arguments& a) {
  const KAVUnicodeString name(a.name.c_str());
  std::string shown;
  std::function<void()> call;
  if (a.kind == "int") {
    call = [&] {
      shown = std::to_string(G::GetGIIIntVariable(name, Buffer(a)));
    };
  } else if (a.kind == "real") {
    call = [&] {
      std::ostringstream out;
      out << G::GetGIIDoubleVariable(name, Buffer(a));
      shown = out.str();
    };
  } else if (a.kind == "element") {
    call = [&] {
      shown = std::to_string(G::GetGIIElemVariable(name, Buffer(a)));
    };
  } else if (a.kind == "string") {
    call = [&] { shown = Quoted(G::GetGIIStringVariable(name, Buffer(a))); };
  } else if (a.kind == "text") {
    call = [&] { shown = Quoted(G::GetGIITextVariable(name, Buffer(a))); };
  } else if (a.kind == "prompt") {
    call = [&] { shown = Quoted(G::GetGIIPromptVariable(name, Buffer(a))); };
  } else if (a.kind == "intlist") {
    call = [&] {
      const KAVRawCollint values = G::GetGIIIntListVariable(name, Buffer(a));
      for (int i = 1; i <= values.Size(); ++i)
        shown += (i > 1 ? " " : "") + std::to_string(values[i]);
    };
  } else {
    return KAVCliUsageError("unknown kind \"" + a.kind + "\" (" + kSetKinds +
                            " or intlist)");
  }
  const int status = Raising("gii get " + a.kind, call);
  KAVCliPrintTable(ioContext, {"variable", "kind", "value"},
                   {{a.name, a.kind, shown}});
  return status;
}

int SetFields(KAVCliContext& ioContext, const Arguments& a) {
  KAVRawCollint types(0), ints(0);
  KAVRawColldouble reals(0);
  KAVListValKAVUnicodeString texts;
  for (int type : a.types) types.Append(type);
  for (int value : a.ints) ints.Append(value);
  for (double value : a.reals) reals.Append(value);
  for (const std::string& text : a.texts)
    texts.Append(KAVUnicodeString(text.c_str()));
  const int status = Raising("gii set-fields", [&] {
    G::SetGIIVariable(KAVUnicodeString(a.name.c_str()), types, ints, reals,
                      texts, Buffer(a));
  });
  if (status == 0)
    KAVCliPrintFields(ioContext,
                      {{"variable", a.name},
                       {"fields", std::to_string(ints.Size() + reals.Size() +
                                                 texts.Size())}});
  return status;
}

int GetField(KAVCliContext& ioContext, const Arguments& a) {
  int type = 0, value = 0;
  double real = 0.0;
  KAVUnicodeString text;
  const int status = Raising("gii get-field", [&] {
    G::GetGIIVariable(KAVUnicodeString(a.name.c_str()), a.field, type, value,
                      real, text, Buffer(a));
  });
  std::ostringstream realText;
  realText << real;
  KAVCliPrintTable(ioContext,
                   {"variable", "field", "type", "int", "real", "text"},
                   {{a.name, std::to_string(a.field), std::to_string(type),
                     std::to_string(value), realText.str(), Quoted(text)}});
  return status;
}

int Query(KAVCliContext& ioContext, const Arguments& a, const char* iWhat) {
  const KAVUnicodeString name(a.name.c_str());
  const std::string what = iWhat;
  int answer = 0;
  const int status = Raising("gii " + what, [&] {
    if (what == "id") answer = G::GetGIIId(name, Buffer(a));
    if (what == "exists") answer = G::IsExistingGIIVariable(name, Buffer(a));
    if (what == "valued") answer = G::IsValuatedGIIVariable(name, Buffer(a));
  });
  KAVCliPrintTable(ioContext, {"variable", what},
                   {{a.name, std::to_string(answer)}});
  return status;
}

// Session control: each answers nothing but what it raised.
int SessionCall(const std::string& iWhat, const std::function<void()>& iCall) {
  const int status = Raising("gii " + iWhat, iCall);
  if (status == 0) std::cout << "done: " << iWhat << std::endl;
  return status;
}

int Show(KAVCliContext& ioContext) {
  auto count = Control<CountFn>("kavsim_gii_variable_count");
  auto nameAt = Control<NameAtFn>("kavsim_gii_variable_name");
  auto id = Control<ByNameFn>("kavsim_gii_id");
  auto valued = Control<ByNameFn>("kavsim_gii_valued");
  auto modified = Control<ByNameFn>("kavsim_gii_modified");
  auto value = Control<TextByNameFn>("kavsim_gii_value");
  auto events = Control<TextFn>("kavsim_gii_events");
  auto orders = Control<CountFn>("kavsim_gii_order_count");
  auto errors = Control<TextFn>("kavsim_gii_error_journal");
  if (!count || !nameAt || !id || !valued || !modified || !value || !events ||
      !orders || !errors) {
    return KAVCliUsageError(
        "gii show needs the reference kernel's control API; the KAVSYMB "
        "along STEPLIB has none");
  }
  // The control API answers by name: a listed variable whose name finds
  // no variable (a kernel may hold names no C text can spell) shows its
  // name as far as it reads and nothing it cannot vouch for. A text the
  // API does not answer is null, never a string.
  struct Row {
    std::string name;
    int id;
    const char *valued, *modified;
    std::string value;
  };
  const auto flag = [](int iAnswer) {
    return iAnswer == 1 ? "yes" : iAnswer == 0 ? "no" : "?";
  };
  std::vector<Row> rows;
  for (int i = 1, n = count(); i <= n; ++i) {
    const char* listed = nameAt(i);
    const std::string name = listed ? listed : "";
    const int identifier = id(name.c_str());
    const char* held = value(name.c_str());
    if (identifier == 0 || held == nullptr)
      rows.push_back({name, 0, "?", "?", "(not found by its name)"});
    else
      rows.push_back({name, identifier, flag(valued(name.c_str())),
                      flag(modified(name.c_str())), held});
  }
  const auto lines = [](const char* iText) {
    std::vector<std::string> items;
    std::istringstream in(iText ? iText : "");
    for (std::string line; std::getline(in, line);) items.push_back(line);
    return items;
  };
  const std::vector<std::string> eventNames = lines(events());
  const std::vector<std::string> errorLines = lines(errors());
  const char* error = value("IERZORVEN");
  const std::string errorValue = error ? error : "(none)";
  if (ioContext.json) {
    const auto truth = [](const char* iFlag) {
      return iFlag[0] == '?' ? nlohmann::json()
                             : nlohmann::json(iFlag[0] == 'y');
    };
    nlohmann::json session = nlohmann::json::object();
    session["variables"] = nlohmann::json::array();
    for (const Row& row : rows)
      session["variables"].push_back({{"name", row.name},
                                      {"id", row.id},
                                      {"valued", truth(row.valued)},
                                      {"modified", truth(row.modified)},
                                      {"value", row.value}});
    session["events"] = eventNames;
    session["orders"] = orders();
    session["error variable"] = errorValue;
    session["error journal"] = errorLines;
    KAVCliPrintJson(session);
    return 0;
  }
  std::vector<KAVCliRow> table;
  for (const Row& row : rows)
    table.push_back({row.name, std::to_string(row.id), row.valued, row.modified,
                     row.value});
  KAVCliPrintTable(ioContext, {"variable", "id", "valued", "modified", "value"},
                   table);
  std::string recorded;
  for (const std::string& name : eventNames)
    recorded += (recorded.empty() ? "" : " ") + name;
  std::string journal;
  for (const std::string& line : errorLines)
    journal += (journal.empty() ? "" : "; ") + line;
  KAVCliPrintFields(
      ioContext, {{"events recorded", recorded.empty() ? "(none)" : recorded},
                  {"orders given", std::to_string(orders())},
                  {"error variable IERZORVEN", errorValue},
                  {"error journal", journal.empty() ? "(empty)" : journal}});
  return 0;
}

void AddGiiCommands(CLI::App& app, KAVCliContext& ctx) {
  Arguments& a = ctx.Options<Arguments>();
  auto* gii =
      KAVCliSubcommand(app, "gii", "GII session variables, events and orders");
  const auto cacheFlag = [&a](CLI::App* command) {
    command->add_flag(
        "--cache", a.cache,
        "take identifiers from the identifier cache (buffer flag 1)");
  };
  const auto nameArgument = [&a](CLI::App* command) {
    command->add_option("NAME", a.name, "variable name")->required();
  };

  auto* id =
      gii->add_subcommand("id", "The identifier of a variable (0: unknown)");
  nameArgument(id);
  cacheFlag(id);
  id->callback([&ctx, &a] { ctx.status = Query(ctx, a, "id"); });

  auto* set = gii->add_subcommand("set", "Write a variable of one kind");
  set->add_option("KIND", a.kind, kSetKinds)->required();
  nameArgument(set);
  set->add_option("VALUE", a.value, "the value")->required();
  cacheFlag(set);
  set->callback([&ctx, &a] { ctx.status = Set(ctx, a); });

  auto* get = gii->add_subcommand("get", "Read a variable of one kind");
  get->add_option("KIND", a.kind, std::string(kSetKinds) + " or intlist")
      ->required();
  nameArgument(get);
  cacheFlag(get);
  get->callback([&ctx, &a] { ctx.status = Get(ctx, a); });

  auto* setFields = gii->add_subcommand(
      "set-fields",
      "Write several fields in one call (texts count as empty fields)");
  nameArgument(setFields);
  setFields->add_option("--types", a.types,
                        "one type code per field: 1 real, 2 int, 3 text");
  setFields->add_option("--ints", a.ints, "integer values");
  setFields->add_option("--reals", a.reals, "real values");
  setFields->add_option("--texts", a.texts, "text values (only counted)");
  cacheFlag(setFields);
  setFields->callback([&ctx, &a] { ctx.status = SetFields(ctx, a); });

  auto* getField =
      gii->add_subcommand("get-field", "Read one field, whatever its kind");
  nameArgument(getField);
  getField->add_option("FIELD", a.field, "field number, from 1")->required();
  cacheFlag(getField);
  getField->callback([&ctx, &a] { ctx.status = GetField(ctx, a); });

  for (const char* what : {"exists", "valued"}) {
    auto* query = gii->add_subcommand(
        what, std::string(what) == "exists"
                  ? "1 when the name is known (with --cache: to the cache)"
                  : "1 when the variable holds a value");
    nameArgument(query);
    cacheFlag(query);
    query->callback([&ctx, &a, what] { ctx.status = Query(ctx, a, what); });
  }

  auto* unset = gii->add_subcommand("unset", "Erase the value of a variable");
  nameArgument(unset);
  unset->add_flag("--list", a.list, "a list variable");
  cacheFlag(unset);
  unset->callback([&ctx, &a] {
    const KAVUnicodeString name(a.name.c_str());
    ctx.status = SessionCall("unset", [&] {
      if (a.list)
        G::UnsetGIIListVariable(name, Buffer(a));
      else
        G::UnsetGIIVariable(name, Buffer(a));
    });
  });

  auto* event =
      gii->add_subcommand("event", "Record a variable as an event, then order");
  nameArgument(event);
  event->add_flag("--no-order", a.noOrder, "record without giving the order");
  cacheFlag(event);
  event->callback([&ctx, &a] {
    const KAVUnicodeString name(a.name.c_str());
    ctx.status = SessionCall("event", [&] {
      if (a.noOrder)
        G::SetGIIEventBisVariable(name, Buffer(a));
      else
        G::SetGIIEventVariable(name, Buffer(a));
    });
  });

  auto* reset = gii->add_subcommand("reset-modified",
                                    "Reset a variable's modification state");
  nameArgument(reset);
  cacheFlag(reset);
  reset->callback([&ctx, &a] {
    ctx.status = SessionCall("reset-modified", [&] {
      G::ResetGIIVarModifState(KAVUnicodeString(a.name.c_str()), Buffer(a));
    });
  });

  gii->add_subcommand("order", "Give the session its order")->callback([&ctx] {
    ctx.status = SessionCall("order", [] { G::SetGIIOrder(); });
  });

  auto* cache = KAVCliSubcommand(*gii, "cache", "The identifier cache");
  auto* cacheSet = cache->add_subcommand(
      "set", "Cache the identifiers of NAMES (then IERZORVEN and OUTER)");
  cacheSet->add_option("NAMES", a.names, "variable names");
  cacheSet->callback([&ctx, &a] {
    KAVListValKAVUnicodeString names;
    for (const std::string& name : a.names)
      names.Append(KAVUnicodeString(name.c_str()));
    ctx.status = SessionCall("cache set", [&] { G::SetGIIIdList(names); });
  });
  cache->add_subcommand("reset", "Drop the identifier cache")->callback([&ctx] {
    ctx.status = SessionCall("cache reset", [] { G::ResetGIIIdList(); });
  });

  gii->add_subcommand("show",
                      "The session: variables, events, orders, error variable")
      ->callback([&ctx] { ctx.status = Show(ctx); });
}
KAV_CLI_FAMILY(AddGiiCommands);

// Variables of each kind set and read back, then a read that fails on
// purpose and the error arriving in the session.
const char* const kGiiTour[] = {
    "# one variable of each kind, written and read back",
    "gii set int NBPASS 5",
    "gii get int NBPASS",
    "gii set real AVANCE 0.75",
    "gii get real AVANCE",
    "gii set text COMMENTAIRE '  Finition de la poche  '",
    "gii get text COMMENTAIRE",
    "gii set string TITRE ' Carter B '",
    "gii get string TITRE",
    "gii set prompt INVITE ' Outil ? '",
    "gii get prompt INVITE",
    "gii set element OUTIL 7",
    "gii get element OUTIL",
    "gii get intlist PASSES",
    "gii set-fields MIXTE --types 2 1 --ints 9 --reals 2.5",
    "gii get-field MIXTE 2",
    "# identifiers from the cache",
    "gii cache set NBPASS AVANCE",
    "gii id NBPASS --cache",
    "# VIDE holds no value: the kernel refuses the read, and the code arrives",
    "# in the session (IERZORVEN set, OUTER recorded, the order given)",
    "!gii get int VIDE",
    "gii show",
};
KAV_CLI_TOUR_STEP(40, "GII session", kGiiTour);

}  // namespace
