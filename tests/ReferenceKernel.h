// Control of the reference kernel module from tests: the module the binder
// loads along STEPLIB is opened a second time (same handle) and driven
// through its exported control API.
#ifndef ReferenceKernel_h
#define ReferenceKernel_h

#include <string>

#include "KAVSimControl.h"

namespace kavtest {

class ReferenceKernel {
 public:
  // Back to the site's seed state: kernel data, journal and faults are
  // cleared; the journal is switched on.
  static void Reset();
  // The n-th next call (counted from the last Reset) answers iCode.
  static void FailCall(long iN, int iCode);
  // The n-th and every later call answers iCode.
  static void FailFrom(long iN, int iCode);
  // The n-th call of one routine answers iCode (every later too if iFrom).
  static void FailRoutine(const char* iRoutine, long iN, int iCode,
                          bool iFrom = false);
  // Scripted answers (see kavsim_script_int): argument iArg of the n-th
  // call of iRoutine (every call for n 0) is set after the routine ran, or
  // instead of running it.
  static void ScriptInt(const char* iRoutine, long iN, int iArg, int iValue,
                        bool iInstead = false);
  static void ScriptDouble(const char* iRoutine, long iN, int iArg,
                           double iValue, bool iInstead = false);
  static void ScriptText(const char* iRoutine, long iN, int iArg,
                         const std::string& iBytes, bool iInstead = false);
  // Faults and scripted answers dropped.
  static void ClearFaults();
  // Journal lines "NAME args -> code" since the last Reset or ClearJournal.
  static std::string Journal();
  // The same lines with their arguments left out: "NAME -> code".
  static std::string Calls();
  static void ClearJournal();
  static long CallCount();
  static int OpenLists();
  // Any other exported symbol of the module (family control functions).
  static void* Symbol(const char* iName);
  template <typename F>
  static F Function(const char* iName) {
    return reinterpret_cast<F>(Symbol(iName));
  }
  // The loaded module's path.
  static std::string ModulePath();
};

}  // namespace kavtest

// A control function of the loaded module, typed by its declaration in
// KAVSimControl.h: KAV_KERNEL_FN(kavsim_open_lists)().
#define KAV_KERNEL_FN(name) \
  (::kavtest::ReferenceKernel::Function<decltype(&name)>(#name))

#endif
