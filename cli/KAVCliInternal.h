// What the core files of t4711 share among themselves and with main.cpp;
// command families use KAVCli.h only.
#ifndef KAVCliInternal_h
#define KAVCliInternal_h

#include <functional>
#include <string>
#include <vector>

#include "KAVCli.h"

// In JSON mode what one command printed and its failure, gathered so that
// it prints one document: the command line's own (KAVCliRun), or one
// element of a `run --json` document per line. Captures nest (a run's
// line inside the run's command); the innermost receives what
// KAVCliPrintJson prints and the error a failure reports.
struct KAVCliCapture {
  std::vector<nlohmann::json> results;
  nlohmann::json error;
  // What the capture adds to the one around it when the process ends
  // inside it (the binder's exit(99)): a run's line, its element and then
  // the run's whole document. Unset: nothing.
  std::function<void(int iStatus)> onExit;
  KAVCliCapture* outer = nullptr;  // set by KAVCliCaptureScope
};

// The document of a command: what it printed when it printed one thing
// and did not fail; else {"error": ..., "result": ...} (each when there
// is one); {"status": N} when it printed nothing.
nlohmann::json KAVCliDocument(const KAVCliCapture& iCapture, int iStatus);

// Makes iCapture receive what is printed until the scope ends.
class KAVCliCaptureScope {
 public:
  explicit KAVCliCaptureScope(KAVCliCapture& ioCapture);
  ~KAVCliCaptureScope();
  KAVCliCaptureScope(const KAVCliCaptureScope&) = delete;
  KAVCliCaptureScope& operator=(const KAVCliCaptureScope&) = delete;

 private:
  KAVCliCapture* previous_;
};

// JSON mode: the process's JSON output goes to the original standard
// output and descriptor 1 (the library's trace lines) to standard error.
// From then on, a process ended by the binder (exit(99)) inside a command
// still prints the command's document, with the binder's words as its
// error.
void KAVCliUseJsonOutput();
bool KAVCliJsonMode();
// The command line's document was printed: nothing is left for an exit.
void KAVCliDocumentPrinted();
// Whether the original standard output is a terminal.
bool KAVCliOutputIsTerminal();
// Flushes everything printed; false when a write failed.
bool KAVCliFlushOutput();

// The KAVSYMB a first kernel call would load, or "" when none is found.
std::string KAVCliModuleAlongStepLib();
// A failure in the binder's own words (iLine, said as it stands), status
// 99: what the application would print before it ends.
int KAVCliBinderFailure(const std::string& iLine);
// What the binder says when it cannot use the kernel along STEPLIB (its
// line, without the newline), or "" when it can.
std::string KAVCliBinderRefusal();

// main() sets STEPLIB to the kernel installed with the tool when it was
// unset; env and check-kernel say so.
void KAVCliNoteBundledKernel(const std::string& iDirectory);
const std::string& KAVCliBundledKernel();

// The tour's registered steps, in order.
struct KAVCliTourEntry {
  int order;
  std::string title;
  KAVCliTourStep step;             // or, when null,
  std::vector<std::string> lines;  // the command lines it runs
};
std::vector<KAVCliTourEntry> KAVCliTourEntries();

// The core commands, added before the families'.
void KAVCliAddEnvCommands(CLI::App& iApp, KAVCliContext& ioContext);
void KAVCliAddRunCommands(CLI::App& iApp, KAVCliContext& ioContext);

#endif
