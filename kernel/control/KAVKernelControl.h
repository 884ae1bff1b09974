// The reference kernel's control API, for tests and benchmarks: the module
// the binder loads along STEPLIB is opened a second time (same handle) and
// driven through the functions it exports (KAVSimControl.h). Needs nothing
// but the C++ library and libdl.
#ifndef KAVKernelControl_h
#define KAVKernelControl_h

#include <string>

#include "KAVSimControl.h"

namespace kavtest {

class ReferenceKernel {
 public:
  // Back to the site's seed state: kernel data, message log and faults are
  // cleared; the message log is switched on.
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
  // instead of running it (iFlags kInstead, or true); kOnPurpose lets a
  // count or length claim more than its argument's storage holds.
  static void ScriptInt(const char* iRoutine, long iN, int iArg, int iValue,
                        int iFlags = 0);
  static void ScriptDouble(const char* iRoutine, long iN, int iArg,
                           double iValue, int iFlags = 0);
  static void ScriptText(const char* iRoutine, long iN, int iArg,
                         const std::string& iBytes, int iFlags = 0);
  // Faults and scripted answers dropped.
  static void ClearFaults();
  // The kernel's message log (Journal and ClearJournal keep the name of
  // the exported kavsim_journal_text): lines "NAME args -> code" since the
  // last Reset or ClearJournal.
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
  // A routine's address as the module's resolver binds it for a stub, for
  // benchmarks that call the kernel with nothing of the library between.
  static void* Routine(const char* iRoutine);
  // The loaded module's path.
  static std::string ModulePath();
};

// The suites' short name for it.
using Kernel = ReferenceKernel;

// ReferenceKernel::Routine(#NAME) typed by the routine's C declaration
// (KAVLegacyRoutines.h, which the user includes), so that its name and
// prototype are written nowhere else:
//   const auto gusrea = KAV_BOUND_ROUTINE(GUSREA);
#define KAV_BOUND_ROUTINE(NAME) \
  reinterpret_cast<decltype(&NAME)>(::kavtest::ReferenceKernel::Routine(#NAME))

// Flags of a scripted answer.
constexpr int kInstead = KAVSIM_SCRIPT_INSTEAD;
constexpr int kOnPurpose = KAVSIM_SCRIPT_OVERFLOW;

}  // namespace kavtest

// A control function of the loaded module, typed by its declaration in
// KAVSimControl.h: KAV_KERNEL_FN(kavsim_open_lists)().
#define KAV_KERNEL_FN(name) \
  (::kavtest::ReferenceKernel::Function<decltype(&name)>(#name))

#endif
