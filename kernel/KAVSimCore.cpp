// The reference kernel's core: resolver, the call framework every routine
// runs in (fault injection, scripted answers, the message log and the
// boundary log), registry of routines, reset hooks, site directory, and
// the C control API (the only door tests and tools use).
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "KAVCallLog.h"
#include "KAVResolverABI.h"
#include "KAVSimControl.h"
#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace kavsim {
namespace {

constexpr int kRowCount = kavcall::kRoutineCount;

struct Fault {
  int row = -1;  // -1: any routine, n counts every call
  long n = 0;
  int code = 0;
  bool from = false;  // fail the n-th and every later call
};

// Scripted answers: chosen outputs written into the arguments of the n-th
// call of a routine, after the routine ran or instead of running it, so
// that tests reach the answers a well-behaved kernel never gives.
//
// A script never writes past what the caller's argument holds, as the
// routine table's argument column sizes it: a text is cut to its field (a
// list record to its list's width), and a count or length that another
// argument's size depends on is cut to that size (G7AQRY's count to its
// capacity of 50, GMIKEY's text length to 80) unless the script asks for
// the larger value on purpose (`overflow`), to see the library survive it.
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
  bool overflow = false;
};

// A file a setting names for the kernel's lines (KAVSIM_LOG,
// KAVSIM_CALLS). Nothing about it may hold up or end the application: it
// is opened without blocking (a pipe with no reader is refused at once
// instead of holding the first kernel call for ever), each line is one
// write, a reader that goes away costs its lines but raises no SIGPIPE,
// and a file that cannot be opened or written is said once on standard
// error while the kernel goes on without it.
class LogFile {
 public:
  bool On() const { return _fd >= 0; }

  void Open(const char* iSetting) {
    const char* path = std::getenv(iSetting);
    if (path == nullptr || *path == '\0') return;
    _setting = iSetting;
    _path = path;
    _fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK,
                 0644);
    if (_fd < 0) {
      std::fprintf(
          stderr, "KAVSYMB: %s: cannot open %s: %s; going on without it\n",
          iSetting, path,
          errno == ENXIO ? "a pipe with no reader" : std::strerror(errno));
      return;
    }
    // Written as a file is once open: a pipe's reader sets the pace.
    ::fcntl(_fd, F_SETFL, ::fcntl(_fd, F_GETFL) & ~O_NONBLOCK);
    struct stat info {};
    _pipe = ::fstat(_fd, &info) == 0 &&
            (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
  }

  void Write(const std::string& iLine) {
    if (_fd < 0) return;
    sigset_t pipe, saved;
    if (_pipe) {
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe, &saved);
    }
    const char* data = iLine.data();
    size_t left = iLine.size();
    int error = 0;
    while (left > 0) {
      const ssize_t written = ::write(_fd, data, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        error = written < 0 ? errno : EIO;
        break;
      }
      data += written;
      left -= static_cast<size_t>(written);
    }
    if (_pipe) {
      // The SIGPIPE this write raised, taken before the mask comes off.
      const timespec none{0, 0};
      if (error == EPIPE && !sigismember(&saved, SIGPIPE))
        while (sigtimedwait(&pipe, nullptr, &none) < 0 && errno == EINTR) {
        }
      pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    }
    if (error != 0 && !_failed) {
      _failed = true;
      std::fprintf(stderr, "KAVSYMB: %s: cannot write %s: %s; lines are lost\n",
                   _setting, _path.c_str(), std::strerror(error));
    }
  }

 private:
  const char* _setting = "";
  std::string _path;
  int _fd = -1;
  bool _pipe = false;
  bool _failed = false;
};

struct State {
  long calls = 0;
  long callsOf[kRowCount] = {};  // by routine
  std::vector<Fault> faults;
  std::vector<Script> scripts;
  // The message log: one line per call, what the routine was asked and
  // the code it answered (kavcall::Style::kMessage), kept in memory while
  // kavsim_journal(1) says so and written to KAVSIM_LOG when set.
  bool messagesKept = false;
  std::string messages;
  LogFile messageFile;  // KAVSIM_LOG
  // The boundary log (KAVSIM_CALLS): every call as it crossed into the
  // kernel and back, expanded from the routine table like the library's
  // journal, so that the two can be compared line by line.
  LogFile boundaryFile;
  kavcall::RecordWidths boundaryWidths;
  bool envRead = false;
};

State& GetState() {
  static State state;
  return state;
}

// The routine each row is bound to: its implementation or the stand-in.
void* gTargets[kRowCount];
// The row of the call running, under the kernel's lock.
int gCurrentRow = -1;

// The routine implementing each row, by KAVSIM_ROUTINE; null: a stand-in.
void** Registry() {
  static void* registry[kRowCount];
  return registry;
}

std::vector<void (*)()>& ResetHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

bool ParseScript(const std::string& iItem, std::string& oWhy);

// The strict number forms of a fault or script item: digits only (a sign
// where said), all of the text, within range. atoi would read "" as 0 and
// 99999999999 as whatever it wraps to.
bool WholeNumber(const std::string& iText, long iLeast, long iMost,
                 long& oValue) {
  if (iText.empty()) return false;
  size_t i = iText[0] == '-' ? 1 : 0;
  if (i == iText.size()) return false;
  for (size_t k = i; k < iText.size(); ++k)
    if (iText[k] < '0' || iText[k] > '9') return false;
  errno = 0;
  const long value = std::strtol(iText.c_str(), nullptr, 10);
  if (errno == ERANGE || value < iLeast || value > iMost) return false;
  oValue = value;
  return true;
}

// A fault "[ROUTINE@]N[+]=CODE"; false with the reason when it is not one.
bool ParseFault(const std::string& iItem, Fault& oFault, std::string& oWhy) {
  const size_t eq = iItem.find('=');
  if (eq == std::string::npos) {
    oWhy = "no \"=CODE\"";
    return false;
  }
  std::string count = iItem.substr(0, eq);
  const size_t at = count.find('@');
  if (at != std::string::npos) {
    const std::string routine = count.substr(0, at);
    count.erase(0, at + 1);
    oFault.row = kavcall::RowOf(routine);
    if (oFault.row < 0) {
      oWhy =
          routine.empty() ? "no routine before \"@\"" : "no routine " + routine;
      return false;
    }
  }
  if (!count.empty() && count.back() == '+') {
    oFault.from = true;
    count.pop_back();
  }
  const std::string code = iItem.substr(eq + 1);
  long value = 0;
  if (!WholeNumber(count, 1, LONG_MAX, oFault.n)) {
    oWhy = "the call number \"" + count + "\" is not a whole number from 1";
    return false;
  }
  if (!WholeNumber(code, INT_MIN, INT_MAX, value)) {
    oWhy = code.empty() ? "no code after \"=\""
                        : "the code \"" + code + "\" is not an int";
    return false;
  }
  oFault.code = static_cast<int>(value);
  return true;
}

// Items split at the commas outside single quotes, blanks around them
// dropped.
std::vector<std::string> Items(const std::string& iText) {
  std::vector<std::string> items(1);
  bool quoted = false;
  for (char c : iText) {
    if (c == '\'') quoted = !quoted;
    if (c == ',' && !quoted)
      items.emplace_back();
    else
      items.back() += c;
  }
  for (std::string& item : items) item = Trimmed(item);
  return items;
}

// KAVSIM_FAULTS: comma-separated items, each "N=CODE" (the N-th call of
// any routine), "N+=CODE" (the N-th and every later call), or
// "ROUTINE@N=CODE" / "ROUTINE@N+=CODE" (counting that routine's calls),
// or a scripted answer (ParseScript). An item that is none of these is
// named once on standard error and left out; the others apply.
void ParseFaults(const char* iFaults, const char* iSource) {
  std::set<std::string> named;
  for (const std::string& item : Items(iFaults ? iFaults : "")) {
    if (item.empty()) continue;
    std::string why;
    Fault fault;
    const bool understood = item.find('#') != std::string::npos
                                ? ParseScript(item, why)
                                : ParseFault(item, fault, why);
    if (understood && item.find('#') == std::string::npos)
      GetState().faults.push_back(fault);
    if (!understood && named.insert(item).second)
      std::fprintf(stderr,
                   "KAVSYMB: %s: \"%s\" not understood (%s); left out\n",
                   iSource, item.c_str(), why.c_str());
  }
}

void ReadEnvironmentOnce() {
  State& state = GetState();
  if (state.envRead) return;
  state.envRead = true;
  ParseFaults(std::getenv("KAVSIM_FAULTS"), "KAVSIM_FAULTS");
  state.messageFile.Open("KAVSIM_LOG");
  state.boundaryFile.Open("KAVSIM_CALLS");
  state.boundaryFile.Write(kavcall::Header(false));
}

// The bytes this kernel reads or writes through a call's list record
// (GUSPUS, GUSREA): the width of the list the call names. The boundary
// log shows no more of the record than that, whatever width GUSINF was
// scripted to answer. -1 (the width the caller was told) for a routine without
// a record or a list this kernel does not have.
int RecordBytes(int iRow, void* const* iArgs) {
  const int record = kavcall::RecordArg(iRow);
  if (record < 0) return -1;
  const auto* handle = static_cast<const int*>(
      iArgs[kavcall::kRoutines[iRow].args[record].ref - 1]);
  return handle != nullptr && lists::Exists(*handle) ? lists::Width(*handle)
                                                     : -1;
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

std::unique_lock<std::recursive_mutex> Lock() {
  return std::unique_lock<std::recursive_mutex>(KernelMutex());
}

void Register(int iRow, void* iRoutine) {
  if (iRow >= 0 && iRow < kRowCount) Registry()[iRow] = iRoutine;
}

const char* CurrentRoutine() {
  return gCurrentRow >= 0 ? kavcall::kRoutines[gCurrentRow].name : "";
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

namespace {

int IntAt(void* const* iArgs, int iArg) {
  const void* cell = iArgs[iArg - 1];
  return cell == nullptr ? 0 : *static_cast<const int*>(cell);
}

// Bytes the caller's argument iArg (1-based) holds, by the routine
// table's argument column; for a list record, the width of the kernel's
// own list.
size_t Room(const kavcall::Routine& iRoutine, int iArg, void* const* iArgs) {
  using kavcall::Kind;
  const kavcall::Arg& a = iRoutine.args[iArg - 1];
  const auto positive = [](long iValue) {
    return iValue > 0 ? static_cast<size_t>(iValue) : size_t{0};
  };
  switch (a.kind) {
    case Kind::kText:
      return a.width > 0 ? static_cast<size_t>(a.width)
                         : positive(IntAt(iArgs, a.ref));
    case Kind::kTextKind: {
      const int kind = IntAt(iArgs, a.ref);
      return kind == 1 || kind == 2 ? 16 : kind == 3 || kind == 4 ? 32 : 0;
    }
    case Kind::kTextSum: {
      const auto* lengths = static_cast<const int*>(iArgs[a.ref - 1]);
      long sum = 0;
      for (int k = 0; lengths != nullptr && k < IntAt(iArgs, a.count); ++k)
        sum += lengths[k] > 0 ? lengths[k] : 0;
      return positive(sum);
    }
    case Kind::kCString:
      return std::strlen(static_cast<const char*>(iArgs[iArg - 1]));
    case Kind::kTexts:
      return static_cast<size_t>(a.capacity) * static_cast<size_t>(a.width);
    case Kind::kRecord:
      return positive(lists::Width(IntAt(iArgs, a.ref)));
    case Kind::kDouble:
    case Kind::kDoubles:
      return sizeof(double);
    default:
      return sizeof(int);
  }
}

// The largest value argument iArg may say when another argument's size
// depends on it: a text length at most its field, a count at most the
// capacity of its arrays.
long Most(const kavcall::Routine& iRoutine, int iArg) {
  long most = LONG_MAX;
  for (int j = 0; j < iRoutine.argc; ++j) {
    const kavcall::Arg& a = iRoutine.args[j];
    if (a.kind == kavcall::Kind::kText && a.ref == iArg && a.width > 0)
      most = std::min<long>(most, a.width);
    if (a.count == iArg && a.capacity > 0)
      most = std::min<long>(most, a.capacity);
  }
  return most;
}

// Writes a script into argument iArg of a call, never past its room; a
// value of a kind the argument does not hold is not written.
void Apply(int iRow, int iArg, void* const* iArgs, const Script& iScript) {
  using kavcall::Kind;
  void* cell = iArgs[iArg - 1];
  if (cell == nullptr) return;
  const kavcall::Routine& routine = kavcall::kRoutines[iRow];
  const Kind kind = routine.args[iArg - 1].kind;
  const size_t room = Room(routine, iArg, iArgs);
  const auto bytes = [&](const void* iFrom, size_t iSize) {
    std::memcpy(cell, iFrom, std::min(iSize, room));
  };
  switch (kind) {
    case Kind::kText:
    case Kind::kTextKind:
    case Kind::kTextSum:
    case Kind::kCString:
    case Kind::kTexts:
      if (iScript.type == Script::kText)
        bytes(iScript.text.data(), iScript.text.size());
      return;
    case Kind::kRecord:
      if (iScript.type == Script::kInt) bytes(&iScript.intValue, sizeof(int));
      if (iScript.type == Script::kDouble)
        bytes(&iScript.doubleValue, sizeof(double));
      if (iScript.type == Script::kText)
        bytes(iScript.text.data(), iScript.text.size());
      return;
    case Kind::kDouble:
    case Kind::kDoubles:
      if (iScript.type == Script::kDouble)
        *static_cast<double*>(cell) = iScript.doubleValue;
      if (iScript.type == Script::kInt)
        *static_cast<double*>(cell) = iScript.intValue;
      return;
    default: {
      if (iScript.type != Script::kInt) return;
      const long most = iScript.overflow ? LONG_MAX : Most(routine, iArg);
      *static_cast<int*>(cell) =
          static_cast<int>(std::min<long>(iScript.intValue, most));
      return;
    }
  }
}

// The widths of the lists this kernel holds, for the message log: a record
// pushed shows as much as the list it goes to keeps.
class KernelWidths : public kavcall::ListWidths {
 public:
  int Of(int iHandle) const override { return lists::Width(iHandle); }
};

// One kernel call, as every routine's entry runs it around the routine's
// body, which keeps only the routine's behaviour:
//   1. counted, over every routine and over this one;
//   2. failed when an injected fault falls on it: the code goes into its
//      ier (the routine table's code column) and the body does not run. A
//      routine without an ier answers a fault through the int it answers
//      in (GNFRNW2/3/4, left untouched: the message log shows the code); a
//      routine with neither (GNFINF, MRCGII, LBATCH, GUERJO) cannot fail
//      and runs;
//   3. answered by a script instead of the body, or after it;
//   4. written to the message log (inputs as the table's notes say, then
//      the code as the body or an instead-script left it: scripts applied
//      after the body are not the routine's answer) and to the boundary
//      log (every argument as it crossed, scripts applied).
class Call {
 public:
  Call(int iRow, void* const* iArgs) : _row(iRow), _args(iArgs) {
    ReadEnvironmentOnce();
    State& state = GetState();
    gCurrentRow = iRow;
    const long n = ++state.calls;
    _n = ++state.callsOf[iRow];
    const kavcall::Routine& routine = kavcall::kRoutines[iRow];
    const int ier = kavcall::CodeArg(routine);
    if (ier >= 0 || kavcall::AnswerArg(routine) >= 0)
      for (const Fault& fault : state.faults) {
        if (fault.row >= 0 && fault.row != iRow) continue;
        const long count = fault.row < 0 ? n : _n;
        if (count == fault.n || (fault.from && count > fault.n)) {
          _faulted = true;
          _faultCode = fault.code;
          break;
        }
      }
    for (const Script& script : state.scripts)
      _instead = _instead || (Applies(script) && script.instead);
    if (state.messagesKept || state.messageFile.On()) {
      _message.emplace(kavcall::Style::kMessage);
      if (_instead)
        _message->BeginScripted(iRow);
      else
        _message->Begin(iRow, iArgs, KernelWidths());
    }
    if (state.boundaryFile.On()) {
      _thread = kavcall::ThreadOrdinal();
      _boundary.emplace(kavcall::Style::kText);
      _boundary->Begin(iRow, iArgs, state.boundaryWidths,
                       RecordBytes(iRow, iArgs));
    }
    if (_faulted && ier >= 0)
      SetCode(static_cast<int*>(iArgs[ier]), _faultCode);
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  // Whether the routine's body runs.
  bool Runs() const { return !_faulted && !_instead; }

  // After the body (iResult: the int it returned); returns the int the
  // caller gets.
  int End(int iResult) {
    State& state = GetState();
    if (_instead) ApplyScripts();
    if (_message) {
      _message->EndWithCode(MessageCode(iResult));
      if (state.messagesKept) state.messages += _message->Text();
      state.messageFile.Write(_message->Text());
    }
    if (!_instead) ApplyScripts();
    for (const Script& script : state.scripts)
      if (Applies(script) && script.arg == 0 && script.type == Script::kInt)
        iResult = script.intValue;
    if (_boundary) {
      state.boundaryWidths.Learn(_row, _args,
                                 kavcall::Line::Code(_row, _args, iResult));
      _boundary->End(_row, _args, iResult, state.boundaryWidths, -1, _thread);
      state.boundaryFile.Write(_boundary->Text());
    }
    gCurrentRow = -1;
    return iResult;
  }

 private:
  bool Applies(const Script& iScript) const {
    return iScript.row == _row && (iScript.n == 0 || iScript.n == _n);
  }

  void ApplyScripts() {
    for (const Script& script : GetState().scripts)
      if (Applies(script) && script.arg >= 1)
        Apply(_row, script.arg, _args, script);
  }

  // The code the message log shows: the ier the caller is left with (the
  // fault's code when it passed none), the answer of a routine without an
  // ier (the fault's code when one fell on it), the int LBATCH returned,
  // else 0.
  int MessageCode(int iResult) const {
    const kavcall::Routine& routine = kavcall::kRoutines[_row];
    const int ier = kavcall::CodeArg(routine);
    const int answer = kavcall::AnswerArg(routine);
    if (ier >= 0)
      return _args[ier] != nullptr ? IntAt(_args, ier + 1)
             : _faulted            ? _faultCode
                                   : 0;
    if (answer >= 0) return _faulted ? _faultCode : IntAt(_args, answer + 1);
    return routine.returnsCode ? iResult : 0;
  }

  int _row;
  void* const* _args;
  long _n = 0;
  bool _faulted = false;
  int _faultCode = 0;
  bool _instead = false;
  std::optional<kavcall::Line> _message;
  std::optional<kavcall::Line> _boundary;
  int _thread = 1;  // the caller's ordinal, for the boundary log
};

// Each routine's entry, with its exact C prototype: what the resolver
// binds. The body runs under the kernel's lock, inside its Call.
template <int Number, typename Prototype>
struct Entry;

template <int Number, typename R, typename... A>
struct Entry<Number, R(A...)> {
  static R Routine(A... iArgs) {
    const auto lock = Lock();
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    Call call(Number - 1, args);
    int result = 0;
    if (call.Runs()) {
      auto* body = reinterpret_cast<R (*)(A...)>(gTargets[Number - 1]);
      if constexpr (std::is_void_v<R>)
        body(iArgs...);
      else
        result = static_cast<int>(body(iArgs...));
    }
    result = call.End(result);
    if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
  }

  // The body of a routine this kernel does not implement: KAVSIM_NOT_AVAILABLE
  // in its ier, nothing else touched.
  static R StandIn(A... iArgs) {
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    const int ier = kavcall::CodeArg(kavcall::kRoutines[Number - 1]);
    if (ier >= 0) SetCode(static_cast<int*>(args[ier]), KAVSIM_NOT_AVAILABLE);
    if constexpr (!std::is_void_v<R>) return R();
  }
};

void* const kEntries[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Entry<num, Proto_##name>::Routine),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};

void* const kStandIns[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Entry<num, Proto_##name>::StandIn),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};

// Address cells, one per routine the resolver has bound: the entry's cell
// pointer is pointed at one of these, never at the caller's empty cell.
void* gCells[kRowCount];

void AddScript(const char* iRoutine, long iN, int iArg, Script iScript,
               int iFlags) {
  iScript.row = kavcall::RowOf(iRoutine);
  if (iScript.row < 0 || iN < 0 || iArg < 0 ||
      iArg > kavcall::kRoutines[iScript.row].argc)
    return;
  iScript.n = iN;
  iScript.arg = iArg;
  iScript.instead = (iFlags & KAVSIM_SCRIPT_INSTEAD) != 0;
  iScript.overflow = (iFlags & KAVSIM_SCRIPT_OVERFLOW) != 0;
  GetState().scripts.push_back(std::move(iScript));
}

// Whether argument iArg (0: the int returned) holds a value of iType: a
// text field a text, a real a real or an int, an int an int, and a list
// record any of them.
bool Takes(const kavcall::Routine& iRoutine, int iArg, Script::Type iType) {
  using kavcall::Kind;
  const Kind kind = iArg == 0 ? Kind::kInt : iRoutine.args[iArg - 1].kind;
  switch (kind) {
    case Kind::kText:
    case Kind::kTextKind:
    case Kind::kTextSum:
    case Kind::kCString:
    case Kind::kTexts:
      return iType == Script::kText;
    case Kind::kRecord:
      return true;
    case Kind::kDouble:
    case Kind::kDoubles:
      return iType != Script::kText;
    default:
      return iType == Script::kInt;
  }
}

// A scripted answer "[!]ROUTINE@N#ARG=VALUE[!]": a leading "!" answers
// instead of running the routine, a trailing one writes a count or length
// larger than its argument's storage on purpose; N 0 for every call; ARG
// from 1 in the routine table's order, 0 the int a routine returns; VALUE
// an int, a real (with a '.' or an exponent), or a text in single quotes.
bool ParseScript(const std::string& iItem, std::string& oWhy) {
  std::string item = iItem;
  int flags = 0;
  if (!item.empty() && item.front() == '!') {
    flags |= KAVSIM_SCRIPT_INSTEAD;
    item.erase(0, 1);
  }
  if (item.size() > 1 && item.back() == '!') {
    flags |= KAVSIM_SCRIPT_OVERFLOW;
    item.pop_back();
  }
  const size_t at = item.find('@'), hash = item.find('#'), eq = item.find('=');
  if (at == std::string::npos || hash < at || eq == std::string::npos ||
      eq < hash) {
    oWhy = "a script is ROUTINE@N#ARG=VALUE";
    return false;
  }
  const std::string routine = item.substr(0, at);
  const std::string count = item.substr(at + 1, hash - at - 1);
  const std::string arg = item.substr(hash + 1, eq - hash - 1);
  const std::string value = item.substr(eq + 1);
  const int row = kavcall::RowOf(routine);
  long n = 0, position = 0, number = 0;
  Script script;
  if (row < 0) {
    oWhy = "no routine " + routine;
  } else if (!WholeNumber(count, 0, LONG_MAX, n)) {
    oWhy = "the call number \"" + count + "\" is not a whole number from 0";
  } else if (!WholeNumber(arg, 0, kavcall::kRoutines[row].argc, position) ||
             (position == 0 && !kavcall::kRoutines[row].returnsCode)) {
    oWhy = routine + " has no argument \"" + arg + "\"";
  } else if (value.size() >= 2 && value.front() == '\'' &&
             value.back() == '\'') {
    script.type = Script::kText;
    script.text = value.substr(1, value.size() - 2);
  } else if (WholeNumber(value, INT_MIN, INT_MAX, number)) {
    script.intValue = static_cast<int>(number);
  } else {
    char* end = nullptr;
    script.type = Script::kDouble;
    script.doubleValue = std::strtod(value.c_str(), &end);
    if (value.empty() || value.find_first_of(".eE") == std::string::npos ||
        end != value.c_str() + value.size())
      oWhy = "the value \"" + value +
             "\" is not an int, a real or a text in single quotes";
  }
  if (oWhy.empty() &&
      !Takes(kavcall::kRoutines[row], static_cast<int>(position), script.type))
    oWhy = "argument " + arg + " of " + routine + " takes no " +
           (script.type == Script::kText     ? "text"
            : script.type == Script::kDouble ? "real"
                                             : "int");
  if (!oWhy.empty()) return false;
  AddScript(routine.c_str(), n, static_cast<int>(position), script, flags);
  return true;
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
      PutField(padded, 8, kavcall::kRoutines[i].name);
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
    void* routine = Registry()[row];
    gTargets[row] = routine ? routine : kStandIns[row];
    __atomic_store_n(&gCells[row], kEntries[row], __ATOMIC_RELEASE);
  }
  __atomic_store_n(&iEntry->cell, &gCells[row], __ATOMIC_RELEASE);
}

__attribute__((visibility("default"))) void kavsim_reset(void) {
  const auto lock = kavsim::Lock();
  using namespace kavsim;
  ReadEnvironmentOnce();
  State& state = GetState();
  state.calls = 0;
  for (long& calls : state.callsOf) calls = 0;
  state.faults.clear();
  state.scripts.clear();
  state.messages.clear();
  for (void (*hook)() : ResetHooks()) hook();
}

__attribute__((visibility("default"))) void kavsim_fail_call(long iN,
                                                             int iCode) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.push_back({-1, iN, iCode, false});
}

__attribute__((visibility("default"))) void kavsim_fail_from(long iN,
                                                             int iCode) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.push_back({-1, iN, iCode, true});
}

// No name (null or "") counts every call; a name the table lacks names no
// call, so its fault never falls.
__attribute__((visibility("default"))) void kavsim_fail_routine(
    const char* iRoutine, long iN, int iCode, int iFrom) {
  const auto lock = kavsim::Lock();
  const int row = kavcall::RowOf(iRoutine);
  if (row < 0 && iRoutine != nullptr && *iRoutine != '\0') return;
  kavsim::GetState().faults.push_back({row, iN, iCode, iFrom != 0});
}

__attribute__((visibility("default"))) void kavsim_set_faults(
    const char* iFaults) {
  const auto lock = kavsim::Lock();
  kavsim::ParseFaults(iFaults, "kavsim_set_faults");
}

__attribute__((visibility("default"))) void kavsim_clear_faults(void) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().faults.clear();
  kavsim::GetState().scripts.clear();
}

__attribute__((visibility("default"))) void kavsim_script_int(
    const char* iRoutine, long iN, int iArg, int iValue, int iFlags) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.intValue = iValue;
  kavsim::AddScript(iRoutine, iN, iArg, script, iFlags);
}

__attribute__((visibility("default"))) void kavsim_script_double(
    const char* iRoutine, long iN, int iArg, double iValue, int iFlags) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.type = kavsim::Script::kDouble;
  script.doubleValue = iValue;
  kavsim::AddScript(iRoutine, iN, iArg, script, iFlags);
}

__attribute__((visibility("default"))) void kavsim_script_text(
    const char* iRoutine, long iN, int iArg, const char* iBytes, int iLength,
    int iFlags) {
  const auto lock = kavsim::Lock();
  kavsim::Script script;
  script.type = kavsim::Script::kText;
  if (iBytes != nullptr && iLength > 0)
    script.text.assign(iBytes, static_cast<size_t>(iLength));
  kavsim::AddScript(iRoutine, iN, iArg, script, iFlags);
}

__attribute__((visibility("default"))) void kavsim_journal(int iOn) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().messagesKept = iOn != 0;
}

__attribute__((visibility("default"))) const char* kavsim_journal_text(void) {
  const auto lock = kavsim::Lock();
  return kavsim::GetState().messages.c_str();
}

__attribute__((visibility("default"))) void kavsim_journal_clear(void) {
  const auto lock = kavsim::Lock();
  kavsim::GetState().messages.clear();
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
