// The command tree: families and tour steps register themselves; one
// command line is parsed and run; usage errors, help and --version are
// answered here with the tool's exit statuses.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

#include "KAVCliInternal.h"
#include "T4711BASVersion.h"

namespace {

std::vector<KAVCliFamily>& Families() {
  static std::vector<KAVCliFamily> families;
  return families;
}

std::vector<KAVCliTourEntry>& TourSteps() {
  static std::vector<KAVCliTourEntry> steps;
  return steps;
}

bool& JsonMode() {
  static bool json = false;
  return json;
}

std::string& BundledKernel() {
  static std::string directory;
  return directory;
}

const char kFooter[] =
    "Exit status:\n"
    "  0   success\n"
    "  1   a kernel call reported a failure\n"
    "  2   usage error (unknown command or option, bad number, missing\n"
    "      argument, a file type the command does not write)\n"
    "  3   input or output problem (missing, unreadable or directory file; a\n"
    "      journal with no journal line; a file that cannot be written; a\n"
    "      failed write on standard output)\n"
    "  4   replay: the command diverged from the journal (t4711 replay)\n"
    "  5   replay: calls of the journal were left unreplayed\n"
    "  99  no kernel to use: the binder could not load one (KAVSYMB00\n"
    "      message), env and check-kernel found none they could use, or\n"
    "      replay found no replay kernel\n"
    "With --json every command prints one JSON document on standard output,\n"
    "a failure's with an \"error\" object holding its status.\n"
    "\n"
    "Numbers are decimal, with nothing around them: 010 is ten; 0x10, ' 5'\n"
    "and, for a whole number, 1.5 or 1e3 are refused (status 2); a real may\n"
    "have a fraction and an exponent (2.5, -1e-3), never nan, inf or a value\n"
    "past a double.\n"
    "\n"
    "Environment: STEPLIB names the directories searched for KAVSYMB (unset:\n"
    "t4711 uses the kernel installed with it); KAVSIM_SITE the reference\n"
    "kernel's site data; MfgBaseDebug, MfgBasePerfo, MFGODT the library's\n"
    "trace switches; T4711_JOURNAL=FILE (or -, or json:FILE) a journal of\n"
    "every kernel call (see 't4711 journal'); T4711_REPLAY=FILE the journal\n"
    "the replay kernel answers from (see 't4711 replay'). With --json, trace\n"
    "lines go to standard error.\n"
    "Run 't4711 help COMMAND' for a command's options.";

// --json is accepted by every command, wherever the user puts it, and
// every command's help shows it. The text of every int and real option is
// read by the tool's one number reading first: CLI11 alone reads "0x10"
// as 16, "010" as 8, " 5" as 5 and an empty text as 0. The number read is
// handed on in a form CLI11 converts exactly: an int in plain decimal, a
// real in hexadecimal (CLI11 reads reals as long double, and a decimal
// text rounded twice may land on another double than strtod's).
void CompleteTree(CLI::App& iApp, KAVCliContext& ioContext) {
  for (CLI::Option* option : iApp.get_options()) {
    const std::string type = option->get_type_name();
    if (type == "INT" || type == "UINT")
      option->transform(CLI::Validator(
          [](std::string& ioText) {
            int value = 0;
            std::string why;
            if (!KAVCliReadInt(ioText, value, &why)) return why;
            ioText = std::to_string(value);
            return std::string();
          },
          ""));
    else if (type == "FLOAT")
      option->transform(CLI::Validator(
          [](std::string& ioText) {
            double value = 0;
            std::string why;
            if (!KAVCliReadReal(ioText, value, &why)) return why;
            char exact[64];
            std::snprintf(exact, sizeof exact, "%a", value);
            ioText = exact;
            return std::string();
          },
          ""));
  }
  for (CLI::App* sub : iApp.get_subcommands({})) {
    const auto& textOnly = ioContext.textOnly;
    if (std::find(textOnly.begin(), textOnly.end(), sub) == textOnly.end())
      sub->add_flag("--json", ioContext.json, "machine-readable JSON output");
    CompleteTree(*sub, ioContext);
  }
}

CLI::App* FindCommand(CLI::App& iApp, const std::vector<std::string>& iPath) {
  CLI::App* app = &iApp;
  for (const std::string& word : iPath) {
    CLI::App* next = nullptr;
    for (CLI::App* sub : app->get_subcommands({}))
      if (sub->get_name() == word) next = sub;
    if (next == nullptr) return nullptr;
    app = next;
  }
  return app;
}

std::string CommandPath(const CLI::App& iApp) {
  std::string path;
  for (const CLI::App* app = &iApp; app != nullptr; app = app->get_parent())
    path = app->get_name() + (path.empty() ? "" : " ") + path;
  return path;
}

// A command's help, or in JSON mode a document holding it with the names
// of the command's subcommands.
void PrintHelp(const CLI::App& iCommand, const std::string& iText) {
  if (!KAVCliJsonMode()) {
    std::cout << iText;
    return;
  }
  nlohmann::json subcommands = nlohmann::json::array();
  for (const CLI::App* sub : iCommand.get_subcommands({}))
    subcommands.push_back(sub->get_name());
  KAVCliPrintJson({{"command", CommandPath(iCommand)},
                   {"help", iText},
                   {"subcommands", subcommands}});
}

void AddHelpCommand(CLI::App& iApp, KAVCliContext& ioContext) {
  auto& words = ioContext.Options<std::vector<std::string>>();
  auto* help =
      iApp.add_subcommand("help", "Show the help of t4711 or of a command");
  help->add_option("COMMAND", words, "command, e.g. 'dictionary load'");
  help->callback([&iApp, &ioContext, &words] {
    CLI::App* command = FindCommand(iApp, words);
    if (command == nullptr) {
      std::string joined;
      for (const std::string& word : words)
        joined += (joined.empty() ? "" : " ") + word;
      ioContext.status = KAVCliUsageError(
          "no command \"" + joined + "\" (run 't4711 --help' for the list)");
      return;
    }
    PrintHelp(*command,
              command == &iApp
                  ? command->help()
                  : command->help(CommandPath(*command->get_parent())));
    ioContext.status = 0;
  });
}

// The deepest command the words reached, for the hint of a usage error.
const CLI::App* Reached(const CLI::App& iApp) {
  const CLI::App* app = &iApp;
  for (;;) {
    std::vector<const CLI::App*> parsed =
        app->get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
    if (parsed.empty()) return app;
    app = parsed.front();
  }
}

}  // namespace

KAVCliFamilyRegistration::KAVCliFamilyRegistration(KAVCliFamily iFamily) {
  Families().push_back(iFamily);
}

KAVCliTourRegistration::KAVCliTourRegistration(int iOrder, const char* iTitle,
                                               KAVCliTourStep iStep) {
  TourSteps().push_back({iOrder, iTitle, iStep, {}});
}

KAVCliTourRegistration::KAVCliTourRegistration(
    int iOrder, const char* iTitle, std::vector<std::string> iLines) {
  TourSteps().push_back({iOrder, iTitle, nullptr, std::move(iLines)});
}

std::vector<KAVCliTourEntry> KAVCliTourEntries() {
  std::vector<KAVCliTourEntry> steps = TourSteps();
  std::stable_sort(steps.begin(), steps.end(),
                   [](const KAVCliTourEntry& a, const KAVCliTourEntry& b) {
                     return a.order < b.order;
                   });
  return steps;
}

bool KAVCliJsonMode() { return JsonMode(); }

void KAVCliNoteBundledKernel(const std::string& iDirectory) {
  BundledKernel() = iDirectory;
}

const std::string& KAVCliBundledKernel() { return BundledKernel(); }

CLI::App* KAVCliSubcommand(CLI::App& iParent, const std::string& iName,
                           const std::string& iDescription) {
  for (CLI::App* existing : iParent.get_subcommands({}))
    if (existing->get_name() == iName) return existing;
  CLI::App* created = iParent.add_subcommand(iName, iDescription);
  created->require_subcommand(1);
  return created;
}

namespace {

// The top of every tree: --json, --version, the footer, and the core
// commands (env, check-kernel, run, tour).
void BuildTop(CLI::App& iApp, KAVCliContext& ioContext) {
  iApp.add_flag("--json", ioContext.json, "machine-readable JSON output");
  iApp.add_flag_callback(
      "--version",
      [] {
        if (KAVCliJsonMode())
          KAVCliPrintJson({{"t4711", T4711BAS_VERSION_STRING},
                           {"libT4711BAS", T4711BASVersion()}});
        else
          std::cout << "t4711 " << T4711BAS_VERSION_STRING << " (libT4711BAS "
                    << T4711BASVersion() << ")" << std::endl;
        throw CLI::Success();
      },
      "show the version of t4711 and of the library it runs");
  iApp.require_subcommand(1);
  iApp.footer(kFooter);
  KAVCliAddEnvCommands(iApp, ioContext);
  KAVCliAddRunCommands(iApp, ioContext);
}

// The families that add each top-level command, learnt once by building
// every family into a tree of its own.
const std::map<std::string, std::vector<KAVCliFamily>>& FamiliesByCommand() {
  static const std::map<std::string, std::vector<KAVCliFamily>> byCommand = [] {
    std::map<std::string, std::vector<KAVCliFamily>> families;
    for (KAVCliFamily family : Families()) {
      CLI::App alone;
      KAVCliContext context;
      family(alone, context);
      for (const CLI::App* command : alone.get_subcommands({}))
        families[command->get_name()].push_back(family);
    }
    return families;
  }();
  return byCommand;
}

// The tree for running iWords: the whole tree when no family's command is
// named or help is asked for; else the core commands, help, and only the
// families that add the command named. Every line of `t4711 run` builds a
// tree of its own, and CLI11 makes every option and command in full: the
// whole tree costs about five times a line's own command, paid per line
// of a long command file.
void BuildFor(CLI::App& iApp, KAVCliContext& ioContext,
              const std::vector<std::string>& iWords) {
  const auto named =
      std::find_if(iWords.begin(), iWords.end(), [](const std::string& iWord) {
        return iWord.empty() || iWord[0] != '-';
      });
  const auto families = named == iWords.end() || *named == "help"
                            ? FamiliesByCommand().end()
                            : FamiliesByCommand().find(*named);
  if (families == FamiliesByCommand().end())
    return KAVCliBuild(iApp, ioContext);
  BuildTop(iApp, ioContext);
  for (KAVCliFamily family : families->second) family(iApp, ioContext);
  AddHelpCommand(iApp, ioContext);
  CompleteTree(iApp, ioContext);
}

}  // namespace

void KAVCliBuild(CLI::App& iApp, KAVCliContext& ioContext) {
  BuildTop(iApp, ioContext);
  for (KAVCliFamily family : Families()) family(iApp, ioContext);
  AddHelpCommand(iApp, ioContext);
  CompleteTree(iApp, ioContext);
}

int KAVCliRunWords(const std::vector<std::string>& iWords,
                   KAVCliContext& ioContext) {
  CLI::App app{
      "t4711: drive the T4711BAS library against the NC kernel named by "
      "STEPLIB",
      "t4711"};
  BuildFor(app, ioContext, iWords);
  ioContext.words = iWords;
  // Until the command is reached, a word must name a command and an
  // option must be one of the command reached so far (CLI11 would only say
  // that a command is required, or that an argument was not expected).
  std::vector<std::string> path;
  for (const std::string& word : iWords) {
    if (word == "--") break;
    CLI::App* parent = FindCommand(app, path);
    if (parent->get_subcommands({}).empty()) break;
    if (!word.empty() && word[0] == '-') {
      const std::string name = word.substr(0, word.find('='));
      if (parent->get_option_no_throw(name) == nullptr)
        return KAVCliUsageError("unknown option \"" + name + "\" (run '" +
                                CommandPath(*parent) +
                                " --help' for the options)");
      continue;
    }
    path.push_back(word);
    if (FindCommand(app, path) == nullptr) {
      std::string joined;
      for (const std::string& part : path) joined += " " + part;
      path.pop_back();
      return KAVCliUsageError(
          "unknown command \"" + joined.substr(1) + "\" (run '" +
          CommandPath(*FindCommand(app, path)) + " --help' for the list)");
    }
  }
  std::vector<std::string> reversed(iWords.rbegin(), iWords.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    PrintHelp(*Reached(app), app.help());
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    PrintHelp(*Reached(app), app.help("", CLI::AppFormatMode::All));
    return 0;
  } catch (const CLI::Success&) {
    return 0;  // --version
  } catch (const CLI::ParseError& e) {
    return KAVCliUsageError(std::string(e.what()) + " (run '" +
                            CommandPath(*Reached(app)) + " --help')");
  }
  return ioContext.status;
}

int KAVCliRun(int iArgc, const char* const* iArgv) {
  std::vector<std::string> words;
  for (int i = 1; i < iArgc; ++i) words.push_back(iArgv[i]);
  // Known before parsing, so that nothing reaches standard output before
  // it is set aside for the JSON document.
  for (const std::string& word : words) {
    if (word == "--") break;
    if (word == "--json") JsonMode() = true;
  }
  KAVCliContext context;
  int status = 0;
  if (JsonMode()) {
    // One document, whatever the command printed or failed with.
    KAVCliUseJsonOutput();
    KAVCliCapture capture;
    {
      KAVCliCaptureScope scope(capture);
      status = KAVCliRunWords(words, context);
    }
    KAVCliPrintJson(KAVCliDocument(capture, status));
    KAVCliDocumentPrinted();
  } else {
    status = KAVCliRunWords(words, context);
  }
  // A failed write may have happened at any flush before this one, its
  // errno long gone: the message says what failed, not why.
  if (!KAVCliFlushOutput()) {
    KAVCliSay("cannot write standard output");
    if (status == 0) status = kKAVCliInput;
  }
  return status;
}
