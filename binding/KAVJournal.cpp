// The journaling thunks, one per routine of the routine table. A thunk has
// its routine's exact C prototype, so the compiler passes every argument
// on to the kernel as the wrapper passed it (GNFRAT's 14 and G7AQRY's 11
// included, seven on up on the stack) and hands the kernel's return value
// back. With the journal off no thunk is ever reached and the stubs' bound
// path is the same jump as ever.
#include "KAVJournal.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "KAVBindingLayout.h"
#include "KAVCallLog.h"

namespace {

struct Journal {
  int fd = -1;
  bool json = false;
  // A pipe, a FIFO or a socket: a write whose reader has gone raises
  // SIGPIPE, which must not end the application.
  bool pipeLike = false;
  std::string target;
  std::atomic<bool> writeFailed{false};
  // Record widths are learned from GUSINI/GUSINF lines of every thread.
  std::mutex widthsLock;
  kavcall::RecordWidths widths;
};

// Set once under the binder's lock, before any thunk can run; never freed,
// since a thunk may still run while the process exits. Read without the
// lock by the list helpers (KAVJournalRecordBytes), on any thread.
std::atomic<Journal*> gJournal{nullptr};
bool gSettingRead = false;

void Write(Journal& ioJournal, const std::string& iLine);

// The target is opened without blocking: a FIFO nobody reads yet would
// otherwise hold the first kernel call for ever; it fails at once instead
// (ENXIO) and the application goes on without a journal. Once open, the
// descriptor blocks again, as a file does: a reader that is there gets
// every line, and a full pipe holds the writer until it catches up rather
// than losing lines.
Journal* OpenOnce() {
  if (gSettingRead) return gJournal.load(std::memory_order_relaxed);
  gSettingRead = true;
  const char* setting = std::getenv("T4711_JOURNAL");
  if (setting == nullptr || *setting == '\0') return nullptr;
  const bool json = std::strncmp(setting, "json:", 5) == 0;
  const char* target = json ? setting + 5 : setting;
  const int fd =
      std::strcmp(target, "-") == 0
          ? STDERR_FILENO
          : open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK,
                 0644);
  if (fd < 0) {
    const int error = errno;
    struct stat named {};
    const bool fifo =
        error == ENXIO && stat(target, &named) == 0 && S_ISFIFO(named.st_mode);
    std::fprintf(stderr,
                 "T4711 journal: cannot open %s: %s; going on without it\n",
                 target, fifo ? "a pipe with no reader" : std::strerror(error));
    return nullptr;
  }
  if (fd != STDERR_FILENO) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  struct stat info {};
  auto* journal = new Journal;
  journal->fd = fd;
  journal->json = json;
  journal->pipeLike = fstat(fd, &info) == 0 &&
                      (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
  journal->target = target;
  // Before any call's line: a reader (t4711 replay) tells by it which
  // format the lines have.
  Write(*journal, kavcall::Header(json));
  gJournal.store(journal, std::memory_order_release);
  return journal;
}

// While it lives, SIGPIPE is blocked on this thread, so that a write to a
// pipe whose reader has gone fails with EPIPE instead of ending the
// process. The signal that write raises is left pending on the thread: it
// is taken back before unblocking, unless one was already pending, which
// then stays the application's. No disposition is changed.
class PipeSignalHeld {
 public:
  explicit PipeSignalHeld(bool iHold) : _held(iHold) {
    if (!_held) return;
    sigemptyset(&_pipe);
    sigaddset(&_pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &_pipe, &_saved);
    sigset_t pending;
    sigemptyset(&pending);
    _wasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
  }
  ~PipeSignalHeld() {
    if (!_held) return;
    if (_raised && !_wasPending) {
      const timespec now{0, 0};
      while (sigtimedwait(&_pipe, nullptr, &now) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &_saved, nullptr);
  }
  PipeSignalHeld(const PipeSignalHeld&) = delete;
  PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;
  // A write failed with EPIPE: it raised SIGPIPE.
  void Raised() { _raised = true; }

 private:
  bool _held;
  bool _wasPending = false;
  bool _raised = false;
  sigset_t _pipe;
  sigset_t _saved;
};

// One write per line: lines of different threads never interleave (the
// file is opened for appending). A failed write loses the line and is
// reported once; the application goes on, a pipe without a reader
// included.
void Write(Journal& ioJournal, const std::string& iLine) {
  PipeSignalHeld held(ioJournal.pipeLike);
  const char* data = iLine.data();
  size_t left = iLine.size();
  while (left > 0) {
    const ssize_t written = write(ioJournal.fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = errno;
      if (written < 0 && error == EPIPE) held.Raised();
      if (!ioJournal.writeFailed.exchange(true))
        std::fprintf(stderr,
                     "T4711 journal: cannot write %s: %s; lines are lost\n",
                     ioJournal.target.c_str(), std::strerror(error));
      return;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
}

// The storage of this thread's next record argument, -1 when untold.
thread_local int tRecordBytes = -1;

// The cell the kernel bound each routine to, kept as the kernel answered.
std::atomic<void**> gKernelCells[KAV_ROUTINE_COUNT];

template <int Row, typename Prototype>
struct Thunk;

template <int Row, typename R, typename... A>
struct Thunk<Row, R(A...)> {
  static R Routine(A... iArgs) {
    using Function = R (*)(A...);
    const auto target = reinterpret_cast<Function>(
        *gKernelCells[Row].load(std::memory_order_acquire));
    Journal& journal = *gJournal.load(std::memory_order_acquire);
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    constexpr bool kLists = kavcall::RecordWidths::Concerns(Row);
    int recordBytes = -1;
    if constexpr (kavcall::RecordArg(Row) >= 0) {
      recordBytes = tRecordBytes;
      tRecordBytes = -1;
    }
    const int thread = kavcall::ThreadOrdinal();
    kavcall::Line line(journal.json ? kavcall::Style::kJson
                                    : kavcall::Style::kText);
    {
      std::unique_lock<std::mutex> lock(journal.widthsLock, std::defer_lock);
      if constexpr (kLists) lock.lock();
      line.Begin(Row, args, journal.widths, recordBytes);
    }
    int result = 0;
    const auto start = std::chrono::steady_clock::now();
    if constexpr (std::is_void_v<R>) {
      target(iArgs...);
    } else {
      result = target(iArgs...);
    }
    const auto took = std::chrono::steady_clock::now() - start;
    {
      std::unique_lock<std::mutex> lock(journal.widthsLock, std::defer_lock);
      if constexpr (kLists) {
        lock.lock();
        journal.widths.Learn(Row, args, kavcall::Line::Code(Row, args, result));
      }
      line.End(
          Row, args, result, journal.widths,
          std::chrono::duration_cast<std::chrono::nanoseconds>(took).count(),
          thread);
    }
    Write(journal, line.Text());
    if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
  }
};

// The cells the journaled entries point at, each holding its thunk.
void* gThunkCells[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Thunk<num - 1, ret params>::Routine),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};
static_assert(sizeof gThunkCells / sizeof *gThunkCells == KAV_ROUTINE_COUNT,
              "one thunk per routine");

}  // namespace

void KAVJournalRecordBytes(int iBytes) {
  if (gJournal.load(std::memory_order_relaxed) != nullptr)
    tRecordBytes = iBytes < 0 ? 0 : iBytes;
}

void** KAVJournalCell(void** iKernelCell, int iRow) {
  if (iRow < 0 || iRow >= KAV_ROUTINE_COUNT || OpenOnce() == nullptr)
    return iKernelCell;
  if (iKernelCell == &gThunkCells[iRow]) return iKernelCell;  // left ours
  gKernelCells[iRow].store(iKernelCell, std::memory_order_release);
  return &gThunkCells[iRow];
}
