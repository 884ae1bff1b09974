// The reference kernel's core: resolver, call journal, fault injection,
// registry of routines, reset hooks, site directory, and the C control API
// (the only door tests and tools use).
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVResolverABI.h"
#include "KAVSimControl.h"
#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace kavsim {
namespace {

struct Fault {
  std::string routine;  // empty: any routine, n counts every call
  long n = 0;
  int code = 0;
  bool from = false;  // fail the n-th and every later call
};

struct State {
  long calls = 0;
  std::map<std::string, long> callsByRoutine;
  std::vector<Fault> faults;
  bool journalOn = false;
  std::string journal;
  FILE* journalFile = nullptr;
  // The boundary log (KAVSIM_CALLS): every call as it crossed into the
  // kernel and back, expanded from the routine table like the library's
  // journal, so that the two can be compared line by line.
  FILE* callsFile = nullptr;
  kavcall::RecordWidths callsWidths;
  bool envRead = false;
};

State& GetState() {
  static State state;
  return state;
}

std::map<std::string, void*>& Registry() {
  static std::map<std::string, void*> registry;
  return registry;
}

std::vector<void (*)()>& ResetHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

void ParseScript(const std::string& iItem);

// KAVSIM_FAULTS: comma-separated items, each "N=CODE" (the N-th call of
// any routine), "N+=CODE" (the N-th and every later call), or
// "ROUTINE@N=CODE" / "ROUTINE@N+=CODE" (counting that routine's calls),
// or a scripted answer "ROUTINE@N#ARG=VALUE" ("!ROUTINE@..." instead of
// running the routine; N 0 for every call; VALUE an int, a real with a
// '.' or an 'e', or a text in single quotes).
void ParseFaults(const char* iFaults) {
  std::string faults = iFaults ? iFaults : "";
  size_t start = 0;
  while (start < faults.size()) {
    size_t comma = faults.find(',', start);
    if (comma == std::string::npos) comma = faults.size();
    std::string item = faults.substr(start, comma - start);
    start = comma + 1;
    if (item.find('#') != std::string::npos) {
      ParseScript(item);
      continue;
    }
    Fault fault;
    size_t at = item.find('@');
    std::string rest = item;
    if (at != std::string::npos) {
      fault.routine = item.substr(0, at);
      rest = item.substr(at + 1);
    }
    size_t eq = rest.find('=');
    if (eq == std::string::npos) continue;
    std::string count = rest.substr(0, eq);
    if (!count.empty() && count.back() == '+') {
      fault.from = true;
      count.pop_back();
    }
    fault.n = std::atol(count.c_str());
    fault.code = std::atoi(rest.c_str() + eq + 1);
    if (fault.n > 0) GetState().faults.push_back(fault);
  }
}

void ReadEnvironmentOnce() {
  State& state = GetState();
  if (state.envRead) return;
  state.envRead = true;
  ParseFaults(std::getenv("KAVSIM_FAULTS"));
  const char* log = std::getenv("KAVSIM_LOG");
  if (log != nullptr && *log != '\0') {
    state.journalFile = std::fopen(log, "a");
    if (state.journalFile != nullptr)
      setvbuf(state.journalFile, nullptr, _IOLBF, 0);
  }
  const char* calls = std::getenv("KAVSIM_CALLS");
  if (calls != nullptr && *calls != '\0') {
    state.callsFile = std::fopen(calls, "a");
    if (state.callsFile != nullptr)
      setvbuf(state.callsFile, nullptr, _IOLBF, 0);
  }
}

// The bytes this kernel reads or writes through a call's list record
// (GUSPUS, GUSREA): the width of the list the call names. The log shows no
// more of the record than that, whatever width GUSINF was scripted to
// answer. -1 (the width the caller was told) for a routine without a
// record or a list this kernel does not have.
int RecordBytes(int iRow, void* const* iArgs) {
  const int record = kavcall::RecordArg(iRow);
  if (record < 0) return -1;
  const auto* handle = static_cast<const int*>(
      iArgs[kavcall::kRoutines[iRow].args[record].ref - 1]);
  return handle != nullptr && lists::Exists(*handle) ? lists::Width(*handle)
                                                     : -1;
}

// One line of the boundary log: begun with the inputs as the call comes
// in, ended with the code and outputs as it leaves (scripted answers
// applied).
class BoundaryLine {
 public:
  BoundaryLine(int iRow, void* const* iArgs) : _row(iRow), _args(iArgs) {
    if (GetState().callsFile != nullptr)
      _line.Begin(iRow, iArgs, GetState().callsWidths,
                  RecordBytes(iRow, iArgs));
  }
  void End(int iResult) {
    State& state = GetState();
    if (state.callsFile == nullptr) return;
    state.callsWidths.Learn(_row, _args,
                            kavcall::Line::Code(_row, _args, iResult));
    _line.End(_row, _args, iResult, state.callsWidths, -1);
    std::fputs(_line.Text().c_str(), state.callsFile);
  }

 private:
  int _row;
  void* const* _args;
  kavcall::Line _line{false};
};

void AppendQuoted(std::string& ioLine, const char* iText, size_t iLength) {
  ioLine += '"';
  for (size_t i = 0; i < iLength; ++i) {
    unsigned char c = static_cast<unsigned char>(iText[i]);
    if (c == '"' || c == '\\') {
      ioLine += '\\';
      ioLine += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      ioLine += hex;
    } else {
      ioLine += static_cast<char>(c);
    }
  }
  ioLine += '"';
}

std::recursive_mutex& KernelMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

std::string& SiteStorage() {
  static std::string site;
  return site;
}

}  // namespace

Call::Call(const char* iName, int* ioIer) : _ier(ioIer) {
  ReadEnvironmentOnce();
  State& state = GetState();
  const long n = ++state.calls;
  const long nOfRoutine = ++state.callsByRoutine[iName];
  for (const Fault& fault : state.faults) {
    const long count = fault.routine.empty() ? n : nOfRoutine;
    if (!fault.routine.empty() && fault.routine != iName) continue;
    if (count == fault.n || (fault.from && count > fault.n)) {
      _faulted = true;
      _faultCode = fault.code;
      break;
    }
  }
  if (_faulted && _ier != nullptr) *_ier = _faultCode;
  if (state.journalOn || state.journalFile) _line = iName;
}

Call::~Call() {
  State& state = GetState();
  if (!state.journalOn && !state.journalFile) return;
  int code =
      _hasResult ? _result : (_ier ? *_ier : (_faulted ? _faultCode : 0));
  _line += " -> " + std::to_string(code);
  if (state.journalOn) state.journal += _line + "\n";
  if (state.journalFile) std::fprintf(state.journalFile, "%s\n", _line.c_str());
}

Call& Call::Text(const char* iText, int iWidth) {
  if (_line.empty()) return *this;
  _line += ' ';
  if (iText == nullptr) {
    _line += "null";
  } else {
    AppendQuoted(_line, iText, iWidth > 0 ? static_cast<size_t>(iWidth) : 0);
  }
  return *this;
}

Call& Call::CString(const char* iText) {
  if (_line.empty()) return *this;
  if (iText == nullptr) return Note("null");
  _line += ' ';
  AppendQuoted(_line, iText, std::strlen(iText));
  return *this;
}

Call& Call::Int(const int* iValue) {
  if (_line.empty()) return *this;
  _line += ' ';
  _line += iValue ? std::to_string(*iValue) : std::string("null");
  return *this;
}

Call& Call::Ints(const int* iValues, int iCount) {
  if (_line.empty()) return *this;
  if (iValues == nullptr) return Note("null");
  _line += " [";
  for (int i = 0; i < iCount; ++i) {
    if (i) _line += ',';
    _line += std::to_string(iValues[i]);
  }
  _line += ']';
  return *this;
}

Call& Call::Double(const double* iValue) {
  if (_line.empty()) return *this;
  if (iValue == nullptr) return Note("null");
  char text[32];
  std::snprintf(text, sizeof text, " %.17g", *iValue);
  _line += text;
  return *this;
}

Call& Call::Note(const char* iWord) {
  if (_line.empty()) return *this;
  _line += ' ';
  _line += iWord;
  return *this;
}

void Call::Result(int iCode) {
  _hasResult = true;
  _result = iCode;
}

std::unique_lock<std::recursive_mutex> Lock() {
  return std::unique_lock<std::recursive_mutex>(KernelMutex());
}

void Register(const char* iName, void* iRoutine) {
  Registry()[iName] = iRoutine;
}

void* Lookup(const std::string& iName) {
  auto it = Registry().find(iName);
  return it == Registry().end() ? nullptr : it->second;
}

void OnReset(void (*iHook)()) { ResetHooks().push_back(iHook); }

std::string Field(const char* iText, int iWidth) {
  if (iText == nullptr || iWidth <= 0) return std::string();
  return std::string(iText, static_cast<size_t>(iWidth));
}

std::string Trimmed(const std::string& iText) {
  size_t first = iText.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = iText.find_last_not_of(' ');
  return iText.substr(first, last - first + 1);
}

void PutField(char* oField, int iWidth, const std::string& iText) {
  if (oField == nullptr) return;
  for (int i = 0; i < iWidth; ++i)
    oField[i] = i < static_cast<int>(iText.size()) ? iText[i] : ' ';
}

const std::string& SiteDirectory() {
  std::string& site = SiteStorage();
  if (site.empty()) {
    const char* env = std::getenv("KAVSIM_SITE");
    if (env != nullptr && *env != '\0') {
      site = env;
    } else {
      Dl_info info{};
      if (dladdr(reinterpret_cast<void*>(&SiteStorage), &info) != 0 &&
          info.dli_fname != nullptr) {
        std::string module = info.dli_fname;
        size_t slash = module.rfind('/');
        site = (slash == std::string::npos ? std::string(".")
                                           : module.substr(0, slash)) +
               "/site";
      } else {
        site = "site";
      }
    }
  }
  return site;
}

void SetSiteDirectory(const std::string& iDirectory) {
  SiteStorage() = iDirectory;
}

// Routines of families this kernel does not implement: they journal the
// call and answer KAVSIM_NOT_AVAILABLE in their last int argument (their
// ier), and never touch anything else.
template <int Number, typename Prototype>
struct Unavailable;

template <typename T>
int* LastIntPointer(T) {
  return nullptr;
}
inline int* LastIntPointer(int* iCell) { return iCell; }
template <typename T, typename... Rest>
int* LastIntPointer(T, Rest... iRest) {
  return LastIntPointer(iRest...);
}

template <int Number, typename R, typename... A>
struct Unavailable<Number, R(A...)> {
  static R Routine(A... iArgs) {
    static const char* const kNames[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) #name,
#include "KAVRoutines.def"
#undef KAV_ROUTINE
    };
    int* ier = nullptr;
    if constexpr (sizeof...(A) > 0) ier = LastIntPointer(iArgs...);
    Call call(kNames[Number - 1], ier);
    if (!call.Faulted()) SetCode(ier, KAVSIM_NOT_AVAILABLE);
    if constexpr (!std::is_void_v<R>) return R();
  }
};

namespace {

struct RoutineRow {
  const char* name;
  void* standIn;
};

const RoutineRow kRows[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  {#name, reinterpret_cast<void*>(&Unavailable<num, Proto_##name>::Routine)},
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};

constexpr int kRowCount = sizeof kRows / sizeof *kRows;

// Scripted answers: chosen outputs written into the arguments of the n-th
// call of a routine, after the routine ran or instead of running it, so
// that tests reach the answers a well-behaved kernel never gives.
struct Script {
  enum Type { kInt, kDouble, kText };
  int row = 0;
  long n = 0;   // 0: every call
  int arg = 0;  // 1-based in the routine table's order; 0: the return value
  Type type = kInt;
  int intValue = 0;
  double doubleValue = 0;
  std::string text;
  bool instead = false;
};

std::vector<Script> gScripts;
long gRoutineCalls[kRowCount];
// The routine each row is bound to, behind the scripting thunk.
void* gTargets[kRowCount];

int RowOf(const char* iName) {
  for (int i = 0; i < kRowCount; ++i)
    if (iName != nullptr && std::strcmp(kRows[i].name, iName) == 0) return i;
  return -1;
}

template <typename T>
void Apply(T* ioArgument, const Script& iScript) {
  if (ioArgument == nullptr) return;
  if constexpr (std::is_same_v<T, int>) {
    if (iScript.type == Script::kInt) *ioArgument = iScript.intValue;
  } else if constexpr (std::is_same_v<T, double>) {
    if (iScript.type == Script::kDouble) *ioArgument = iScript.doubleValue;
    if (iScript.type == Script::kInt) *ioArgument = iScript.intValue;
  } else if constexpr (std::is_same_v<T, char>) {
    if (iScript.type == Script::kText)
      std::memcpy(ioArgument, iScript.text.data(), iScript.text.size());
  } else if constexpr (std::is_same_v<T, void>) {
    // A record of any kind (GUSREA, GUSPUS): written as scripted.
    if (iScript.type == Script::kInt)
      std::memcpy(ioArgument, &iScript.intValue, sizeof(int));
    else if (iScript.type == Script::kDouble)
      std::memcpy(ioArgument, &iScript.doubleValue, sizeof(double));
    else
      std::memcpy(ioArgument, iScript.text.data(), iScript.text.size());
  }
}

template <int Number, typename Prototype>
struct Scripted;

template <int Number, typename R, typename... A>
struct Scripted<Number, R(A...)> {
  static constexpr int kRow = Number - 1;

  static R Routine(A... iArgs) {
    const auto lock = Lock();
    ReadEnvironmentOnce();
    const long n = ++gRoutineCalls[kRow];
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    BoundaryLine boundary(kRow, args);
    if constexpr (std::is_void_v<R>) {
      Run(n, iArgs...);
      boundary.End(0);
    } else {
      const R result = Run(n, iArgs...);
      boundary.End(static_cast<int>(result));
      return result;
    }
  }

  static R Run(long n, A... iArgs) {
    auto* target = reinterpret_cast<R (*)(A...)>(gTargets[kRow]);
    if (gScripts.empty()) return target(iArgs...);
    bool instead = false;
    for (const Script& script : gScripts)
      if (script.row == kRow && (script.n == 0 || script.n == n) &&
          script.instead)
        instead = true;
    if constexpr (std::is_void_v<R>) {
      if (instead) return Journal(n, iArgs...);
      target(iArgs...);
      ApplyAll(n, iArgs...);
    } else {
      R result{};
      if (instead)
        Journal(n, iArgs...);
      else
        result = target(iArgs...);
      if (!instead) ApplyAll(n, iArgs...);
      for (const Script& script : gScripts)
        if (script.row == kRow && (script.n == 0 || script.n == n) &&
            script.arg == 0 && script.type == Script::kInt)
          result = static_cast<R>(script.intValue);
      return result;
    }
  }

  // A call answered instead of the routine is still counted, and
  // journaled with the code it was scripted to answer.
  static void Journal(long iN, A... iArgs) {
    int* ier = nullptr;
    if constexpr (sizeof...(A) > 0) ier = LastIntPointer(iArgs...);
    Call call(kRows[kRow].name, ier);
    call.Note("scripted");
    ApplyAll(iN, iArgs...);
  }

  static void ApplyAll(long iN, A... iArgs) {
    for (const Script& script : gScripts) {
      if (script.row != kRow || (script.n != 0 && script.n != iN)) continue;
      int position = 0;
      (ApplyAt(++position, script, iArgs), ...);
    }
  }

  template <typename T>
  static void ApplyAt(int iPosition, const Script& iScript, T* iArgument) {
    if (iPosition == iScript.arg) Apply(iArgument, iScript);
  }
};

void* const kThunks[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Scripted<num, Proto_##name>::Routine),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};

// Address cells, one per routine the resolver has bound: the entry's cell
// pointer is pointed at one of these, never at the caller's empty cell.
void* gCells[kRowCount];

void AddScript(const char* iRoutine, long iN, int iArg, Script iScript,
               int iInstead) {
  iScript.row = RowOf(iRoutine);
  if (iScript.row < 0 || iN < 0 || iArg < 0) return;
  iScript.n = iN;
  iScript.arg = iArg;
  iScript.instead = iInstead != 0;
  gScripts.push_back(std::move(iScript));
}

void ParseScript(const std::string& iItem) {
  std::string item = iItem;
  const bool instead = !item.empty() && item[0] == '!';
  if (instead) item.erase(0, 1);
  const size_t at = item.find('@'), hash = item.find('#'), eq = item.find('=');
  if (at == std::string::npos || hash < at || eq == std::string::npos ||
      eq < hash)
    return;
  const std::string routine = item.substr(0, at);
  const long n = std::atol(item.substr(at + 1, hash - at - 1).c_str());
  const int arg = std::atoi(item.substr(hash + 1, eq - hash - 1).c_str());
  const std::string value = item.substr(eq + 1);
  Script script;
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    script.type = Script::kText;
    script.text = value.substr(1, value.size() - 2);
  } else if (value.find_first_of(".eE") != std::string::npos) {
    script.type = Script::kDouble;
    script.doubleValue = std::atof(value.c_str());
  } else {
    script.intValue = std::atoi(value.c_str());
  }
  AddScript(routine.c_str(), n, arg, script, instead);
}

// The code table, in ascending order: a meaning is found by bisection.
struct CodeRow {
  int code;
  const char* meaning;
};

constexpr CodeRow kCodes[] = {
#define KAVSIM_CODE(name, code, meaning) {code, meaning},
#include "KAVSimCodes.def"
#undef KAVSIM_CODE
};

constexpr bool Ascending() {
  for (size_t i = 1; i < sizeof kCodes / sizeof *kCodes; ++i)
    if (kCodes[i - 1].code >= kCodes[i].code) return false;
  return true;
}
static_assert(Ascending(), "KAVSimCodes.def lists each code once, ascending");

const char* Meaning(int iCode) {
  const CodeRow* end = std::end(kCodes);
  const CodeRow* row = std::lower_bound(
      std::begin(kCodes), end, iCode,
      [](const CodeRow& iRow, int iWanted) { return iRow.code < iWanted; });
  return row != end && row->code == iCode ? row->meaning : nullptr;
}

}  // namespace
}  // namespace kavsim

extern "C" {

// The resolver: binds the routine named in the entry, leaves an entry for
// a name it does not know unbound. Binding must stay cheap (it runs on
// each routine's first call), so names are looked up by their 8 bytes as
// one integer in a table sorted once.
__attribute__((visibility("default"))) void kavsymb(KAVReferenceEntry* iEntry) {
  const auto lock = kavsim::Lock();
  using namespace kavsim;
  if (iEntry == nullptr) return;
  struct Key {
    uint64_t name;
    int row;
  };
  static std::vector<Key> keys = [] {
    std::vector<Key> sorted;
    for (int i = 0; i < kRowCount; ++i) {
      char padded[8];
      PutField(padded, 8, kRows[i].name);
      uint64_t name = 0;
      std::memcpy(&name, padded, sizeof name);
      sorted.push_back({name, i});
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const Key& a, const Key& b) { return a.name < b.name; });
    return sorted;
  }();
  uint64_t name = 0;
  std::memcpy(&name, iEntry->routine, sizeof name);
  auto found = std::lower_bound(
      keys.begin(), keys.end(), name,
      [](const Key& key, uint64_t value) { return key.name < value; });
  if (found == keys.end() || found->name != name) return;
  const int row = found->row;
  // Stubs of other threads read the cell and the entry without a lock:
  // each is published whole, the cell's word before the pointer to it.
  if (gCells[row] == nullptr) {
    void* routine = Lookup(kRows[row].name);
    gTargets[row] = routine ? routine : kRows[row].standIn;
    __atomic_store_n(&gCells[row], kThunks[row], __ATOMIC_RELEASE);
  }
  __atomic_store_n(&iEntry->cell, &gCells[row], __ATOMIC_RELEASE);
}

__attribute__((visibility("default"))) void kavsim_reset(void) {
  const auto lock = kavsim::Lock();
  using namespace kavsim;
  ReadEnvironmentOnce();
  State& state = GetState();
  state.calls = 0;
  state.callsByRoutine.clear();
  state.faults.clear();
  state.journal.clear();
  gScripts.clear();
  for (long& calls : gRoutineCalls) calls = 0;
  for (void (*hook)() : ResetHooks()) hook();
}

__attribute__((visibility("default"))) void kavsim_fail_call(long iN,
                                                             int iCode) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.push_back({"", iN, iCode, false});
}

__attribute__((visibility("default"))) void kavsim_fail_from(long iN,
                                                             int iCode) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.push_back({"", iN, iCode, true});
}

__attribute__((visibility("default"))) void kavsim_fail_routine(
    const char* iRoutine, long iN, int iCode, int iFrom) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.push_back(
      {iRoutine ? iRoutine : "", iN, iCode, iFrom != 0});
}

__attribute__((visibility("default"))) void kavsim_set_faults(
    const char* iFaults) {
  const auto lock = kavsim::Lock();
  kavsim::ParseFaults(iFaults);
}

__attribute__((visibility("default"))) void kavsim_clear_faults(void) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.clear();
  kavsim::gScripts.clear();
}

__attribute__((visibility("default"))) void kavsim_script_int(
    const char* iRoutine, long iN, int iArg, int iValue, int iInstead) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.intValue = iValue;
  kavsim::AddScript(iRoutine, iN, iArg, script, iInstead);
}

__attribute__((visibility("default"))) void kavsim_script_double(
    const char* iRoutine, long iN, int iArg, double iValue, int iInstead) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.type = kavsim::Script::kDouble;
  script.doubleValue = iValue;
  kavsim::AddScript(iRoutine, iN, iArg, script, iInstead);
}

__attribute__((visibility("default"))) void kavsim_script_text(
    const char* iRoutine, long iN, int iArg, const char* iBytes, int iLength,
    int iInstead) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.type = kavsim::Script::kText;
  if (iBytes != nullptr && iLength > 0)
    script.text.assign(iBytes, static_cast<size_t>(iLength));
  kavsim::AddScript(iRoutine, iN, iArg, script, iInstead);
}

__attribute__((visibility("default"))) void kavsim_journal(int iOn) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().journalOn = iOn != 0;
}

__attribute__((visibility("default"))) const char* kavsim_journal_text(void) {
  const auto lock = kavsim::Lock();
  return kavsim::GetState().journal.c_str();
}

__attribute__((visibility("default"))) void kavsim_journal_clear(void) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().journal.clear();
}

__attribute__((visibility("default"))) long kavsim_call_count(void) {
  const auto lock = kavsim::Lock();
  return kavsim::GetState().calls;
}

__attribute__((visibility("default"))) const char* kavsim_site(void) {
  const auto lock = kavsim::Lock();
  return kavsim::SiteDirectory().c_str();
}

__attribute__((visibility("default"))) const char* kavsim_site_problem(void) {
  const auto lock = kavsim::Lock();
  return kavsim::SiteProblem().c_str();
}

__attribute__((visibility("default"))) void kavsim_set_site(
    const char* iDirectory) {
  const auto lock = kavsim::Lock();
  kavsim::SetSiteDirectory(iDirectory ? iDirectory : "");
  kavsim_reset();
}

__attribute__((visibility("default"))) int kavsim_open_lists(void) {
  const auto lock = kavsim::Lock();
  return kavsim::lists::OpenCount();
}

__attribute__((visibility("default"))) const char* kavsim_explain(int iCode) {
  return kavsim::Meaning(iCode);
}

}  // extern "C"
