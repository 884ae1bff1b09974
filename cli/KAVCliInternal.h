// What the core files of t4711 share among themselves and with main.cpp;
// command families use KAVCli.h only.
#ifndef KAVCliInternal_h
#define KAVCliInternal_h

#include <string>
#include <vector>

#include "KAVCli.h"

// What the commands of one `run --json` line printed, and its error.
struct KAVCliCapture {
  std::vector<nlohmann::json> results;
  nlohmann::json error;
};

// JSON mode: the process's JSON output goes to the original standard
// output and descriptor 1 (the library's trace lines) to standard error.
void KAVCliUseJsonOutput();
bool KAVCliJsonMode();
// Makes iCapture (or nullptr) receive what KAVCliPrintJson prints;
// returns the previous one.
KAVCliCapture* KAVCliSetCapture(KAVCliCapture* iCapture);
// Flushes everything printed; false when a write failed.
bool KAVCliFlushOutput();

// The KAVSYMB a first kernel call would load, or "" when none is found.
std::string KAVCliModuleAlongStepLib();

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
