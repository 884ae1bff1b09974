// The replay kernel: a KAVSYMB module whose resolver binds every routine
// of the routine table to a replayer that answers from a journal
// (T4711_REPLAY=FILE, either form) instead of a kernel. Each call takes
// the next recorded call of its thread (threads are numbered in the order
// they first call, as the journal numbers them):
//   - the same routine with the same inputs: the recorded outputs and code
//     are written back, never past the caller's storage;
//   - another routine, or other inputs: a divergence, reported once on
//     standard error, answered with kDiverged; the recorded call is kept
//     for the next call when the routine differs, and used up when only
//     an input does;
//   - no recorded call left for the thread: kPastTheEnd, reported once.
// A journal it cannot take (unset, unreadable, without the header of the
// format it reads) is said once, and every call answers kNoJournal.
// Routines without a code (GNFINF, GNFRNW2/3/4, MRCGII, GUERJO) answer
// nothing then.
//
// With T4711_REPLAY_REPORT set, the tallies are appended to that file at
// exit for `t4711 replay` to sum up; without it they are said on standard
// error.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KAVCallLog.h"
#include "KAVReplayCodes.h"
#include "KAVReplayJournal.h"
#include "KAVResolverABI.h"

namespace {

using kavcall::Flow;
using kavcall::Kind;
using kavreplay::Value;

struct Thread {
  std::vector<size_t> calls;  // indexes into the journal's calls
  size_t next = 0;
};

struct State {
  bool loaded = false;
  bool refused = false;
  kavreplay::Journal journal;
  std::map<int, Thread> threads;  // by ordinal
  // Threads in the order of their first call, as the journal numbers them.
  std::map<std::thread::id, int> ordinals;
  kavcall::RecordWidths widths;
  long replayed = 0, diverged = 0, pastTheEnd = 0;
  bool divergenceSaid = false, endSaid = false;
};

std::mutex gLock;

// Never freed: a call may still come while the process exits.
State& GetState() {
  static State* state = new State;
  return *state;
}

void LoadOnce(State& ioState) {
  if (ioState.loaded) return;
  ioState.loaded = true;
  const char* file = std::getenv("T4711_REPLAY");
  std::string why;
  if (file == nullptr || *file == '\0') {
    std::fprintf(stderr,
                 "T4711 replay: T4711_REPLAY names no journal; every call "
                 "answers %d\n",
                 kavreplay::kNoJournal);
    ioState.refused = true;
    return;
  }
  if (!kavreplay::ReadJournal(file, ioState.journal, why)) {
    std::fprintf(stderr,
                 "T4711 replay: %s: %s; it is not replayed, every call "
                 "answers %d\n",
                 file, why.c_str(), kavreplay::kNoJournal);
    ioState.refused = true;
    return;
  }
  const auto& calls = ioState.journal.calls;
  for (size_t i = 0; i < calls.size(); ++i)
    ioState.threads[calls[i].thread].calls.push_back(i);
}

// Writes iCode where the routine answers its code; returns it for a
// routine whose code is its result.
int Answer(int iRow, void* const* iArgs, int iCode) {
  const int codeArg = kavcall::CodeArg(kavcall::kRoutines[iRow]);
  if (codeArg >= 0 && iArgs[codeArg] != nullptr)
    *static_cast<int*>(iArgs[codeArg]) = iCode;
  return iCode;
}

// The bytes argument iArg's field holds, by the routine table.
size_t FieldBytes(const kavcall::Arg& iArg) {
  return static_cast<size_t>(iArg.width > 0 ? iArg.width : 0);
}

void CopyText(void* ioCell, const std::string& iBytes, size_t iRoom) {
  std::memcpy(ioCell, iBytes.data(), std::min(iBytes.size(), iRoom));
}

// Writes one recorded output into the caller's argument: as much of it as
// the argument holds by the routine table, nothing of a value of a kind
// the argument cannot hold.
void Write(int iRow, int iArg, void* const* iArgs, const Value& iValue,
           const kavcall::ListWidths& iWidths) {
  void* cell = iArgs[iArg];
  const kavcall::Arg& a = kavcall::kRoutines[iRow].args[iArg];
  if (cell == nullptr) return;
  const bool number =
      iValue.type == Value::kWhole || iValue.type == Value::kReal;
  const double real = iValue.type == Value::kWhole
                          ? static_cast<double>(iValue.whole)
                          : iValue.real;
  switch (a.kind) {
    case Kind::kText:
      if (iValue.type == Value::kText)
        CopyText(cell, iValue.bytes, FieldBytes(a));
      return;
    case Kind::kInt:
    case Kind::kHandle:
      if (iValue.type == Value::kWhole)
        *static_cast<int*>(cell) = static_cast<int>(iValue.whole);
      return;
    case Kind::kDouble:
      if (number) *static_cast<double*>(cell) = real;
      return;
    case Kind::kInts:
      if (iValue.type != Value::kList) return;
      for (size_t k = 0;
           k < iValue.items.size() && k < static_cast<size_t>(a.capacity); ++k)
        if (iValue.items[k].type == Value::kWhole)
          static_cast<int*>(cell)[k] = static_cast<int>(iValue.items[k].whole);
      return;
    case Kind::kTexts:
      if (iValue.type != Value::kList) return;
      for (size_t k = 0;
           k < iValue.items.size() && k < static_cast<size_t>(a.capacity); ++k)
        if (iValue.items[k].type == Value::kText)
          CopyText(static_cast<char*>(cell) + k * FieldBytes(a),
                   iValue.items[k].bytes, FieldBytes(a));
      return;
    case Kind::kRecord: {
      // The line showed the record in the caller's storage (or the list's
      // width, when that was less): a text is those bytes, never more than
      // the width the caller was told the list has; a number is the int or
      // real that width says.
      const int* handle = static_cast<const int*>(iArgs[a.ref - 1]);
      const int width = handle == nullptr ? 0 : iWidths.Of(*handle);
      if (iValue.type == Value::kText) {
        CopyText(cell, iValue.bytes,
                 width > 0 ? std::min(iValue.bytes.size(), size_t(width))
                           : iValue.bytes.size());
        return;
      }
      if (width == 8 || (iValue.type == Value::kReal && width != 4))
        std::memcpy(cell, &real, sizeof real);
      else if (iValue.type == Value::kWhole) {
        const int value = static_cast<int>(iValue.whole);
        std::memcpy(cell, &value, sizeof value);
      }
      return;
    }
    default:
      return;
  }
}

std::string ArgumentText(int iArg) {
  return "argument " + std::to_string(iArg + 1);
}

void SayDivergence(State& ioState, const kavreplay::Call& iRecorded,
                   const std::string& iWhat) {
  ++ioState.diverged;
  if (ioState.divergenceSaid) return;
  ioState.divergenceSaid = true;
  std::fprintf(stderr, "T4711 replay: %s line %ld: %s; answered %d\n",
               ioState.journal.file.c_str(), iRecorded.line, iWhat.c_str(),
               kavreplay::kDiverged);
}

// Compares the call's inputs with the recorded ones, argument by argument
// as the journal shows them; the first that differs, or -1.
int FirstDifferentInput(int iRow, void* const* iArgs,
                        const kavcall::ListWidths& iWidths,
                        const kavreplay::Call& iRecorded, Value& oActual) {
  const kavcall::Routine& routine = kavcall::kRoutines[iRow];
  const int record = kavcall::RecordArg(iRow);
  int recordBytes = -1;
  size_t in = 0;
  for (int i = 0; i < routine.argc; ++i) {
    if (routine.args[i].flow == Flow::kOut) continue;
    if (i == record && in < iRecorded.in.size() &&
        iRecorded.in[in].type == Value::kText)
      recordBytes = static_cast<int>(iRecorded.in[in].bytes.size());
    ++in;
  }
  kavcall::Line line(kavcall::Style::kText);
  line.Begin(iRow, iArgs, iWidths, recordBytes);
  std::vector<std::string> words = kavcall::SplitLine(line.Text());
  in = 0;
  for (int i = 0; i < routine.argc; ++i) {
    if (routine.args[i].flow == Flow::kOut) continue;
    const size_t k = in++;
    if (k + 1 >= words.size() || k >= iRecorded.in.size()) return i;
    if (!kavreplay::ParseWord(words[k + 1], oActual) ||
        !kavreplay::SameValue(oActual, iRecorded.in[k]))
      return i;
  }
  return -1;
}

int Replay(int iRow, void* const* iArgs) {
  const std::lock_guard<std::mutex> lock(gLock);
  State& state = GetState();
  LoadOnce(state);
  if (state.refused) return Answer(iRow, iArgs, kavreplay::kNoJournal);
  // Numbered here, under the lock, rather than in a thread_local: the
  // leak checker of sanitized builds misreads the dynamic TLS of a
  // module loaded with dlopen.
  const auto self = std::this_thread::get_id();
  auto known = state.ordinals.find(self);
  if (known == state.ordinals.end())
    known = state.ordinals
                .emplace(self, static_cast<int>(state.ordinals.size()) + 1)
                .first;
  const int ordinal = known->second;
  Thread& thread = state.threads[ordinal];
  const char* name = kavcall::kRoutines[iRow].name;
  if (thread.next >= thread.calls.size()) {
    ++state.pastTheEnd;
    if (!state.endSaid) {
      state.endSaid = true;
      std::fprintf(stderr,
                   "T4711 replay: %s: %s of thread %d comes after the %zu "
                   "calls the journal holds for it; answered %d\n",
                   state.journal.file.c_str(), name, ordinal,
                   thread.calls.size(), kavreplay::kPastTheEnd);
    }
    return Answer(iRow, iArgs, kavreplay::kPastTheEnd);
  }
  const kavreplay::Call& recorded =
      state.journal.calls[thread.calls[thread.next]];
  if (recorded.row != iRow) {
    SayDivergence(state, recorded,
                  std::string("the program calls ") + name +
                      ", the journal has " +
                      kavcall::kRoutines[recorded.row].name);
    return Answer(iRow, iArgs, kavreplay::kDiverged);
  }
  ++thread.next;
  Value actual;
  const int different =
      FirstDifferentInput(iRow, iArgs, state.widths, recorded, actual);
  if (different >= 0) {
    size_t in = 0;
    for (int i = 0; i < different; ++i)
      in += kavcall::kRoutines[iRow].args[i].flow != Flow::kOut;
    SayDivergence(state, recorded,
                  std::string(name) + " " + ArgumentText(different) + " is " +
                      actual.shown + ", the journal has " +
                      (in < recorded.in.size() ? recorded.in[in].shown : "?"));
    return Answer(iRow, iArgs, kavreplay::kDiverged);
  }
  const kavcall::Routine& routine = kavcall::kRoutines[iRow];
  size_t out = 0;
  for (int i = 0; i < routine.argc; ++i) {
    if (routine.args[i].flow == Flow::kIn ||
        routine.args[i].kind == Kind::kCode)
      continue;
    if (out < recorded.out.size())
      Write(iRow, i, iArgs, recorded.out[out], state.widths);
    ++out;
  }
  int code = 0;
  if (recorded.hasCode && recorded.code.type == Value::kWhole) {
    code = static_cast<int>(recorded.code.whole);
    Answer(iRow, iArgs, code);
  }
  state.widths.Learn(iRow, iArgs, code);
  ++state.replayed;
  return code;
}

template <int Row, typename Prototype>
struct Replayer;

template <int Row, typename R, typename... A>
struct Replayer<Row, R(A...)> {
  static R Routine(A... iArgs) {
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    const int code = Replay(Row, args);
    if constexpr (!std::is_void_v<R>) return static_cast<R>(code);
  }
};

// One cell per routine, each holding its replayer: the resolver points an
// entry at its routine's cell.
void* gCells[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Replayer<num - 1, ret params>::Routine),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};

// At exit: the tallies, for `t4711 replay` or on standard error.
__attribute__((destructor)) void Report() {
  const std::lock_guard<std::mutex> lock(gLock);
  State& state = GetState();
  if (!state.loaded) return;
  long left = 0;
  for (const auto& [ordinal, thread] : state.threads)
    left += static_cast<long>(thread.calls.size() - thread.next);
  char line[160];
  const char* report = std::getenv("T4711_REPLAY_REPORT");
  if (report != nullptr && *report != '\0') {
    std::snprintf(line, sizeof line, "%ld %ld %ld %ld %d\n", state.replayed,
                  state.diverged, state.pastTheEnd, left,
                  state.refused ? 1 : 0);
    const int fd =
        open(report, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const ssize_t written = write(fd, line, std::strlen(line));
      (void)written;
      close(fd);
    }
    return;
  }
  if (state.refused) return;
  std::fprintf(stderr,
               "T4711 replay: %ld calls replayed, %ld divergences, %ld calls "
               "past the end, %ld calls left unreplayed\n",
               state.replayed, state.diverged, state.pastTheEnd, left);
}

}  // namespace

extern "C" {

// Binds every routine of the table by its 8-character name; leaves an
// entry for any other name unbound.
__attribute__((visibility("default"))) void kavsymb(KAVReferenceEntry* iEntry) {
  if (iEntry == nullptr) return;
  for (int row = 0; row < kavcall::kRoutineCount; ++row) {
    char padded[8];
    kavabi::PutField(padded, kavcall::kRoutines[row].name, 8);
    if (std::memcmp(padded, iEntry->routine, sizeof padded) != 0) continue;
    // Stubs of other threads read the entry without a lock: the cell is
    // published whole.
    __atomic_store_n(&iEntry->cell, &gCells[row], __ATOMIC_RELEASE);
    return;
  }
}

// What t4711 asks a kernel to explain a code it answered with: the
// replay's own codes (a recorded code is the site kernel's to explain).
__attribute__((visibility("default"))) const char* kavsim_explain(int iCode) {
  return kavreplay::Meaning(iCode);
}

}  // extern "C"
