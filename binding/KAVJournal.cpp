// The journaling thunks, one per routine of the routine table. A thunk has
// its routine's exact C prototype, so the compiler passes every argument
// on to the kernel as the wrapper passed it (GNFRAT's 14 and G7AQRY's 11
// included, seven on up on the stack) and hands the kernel's return value
// back. With the journal off no thunk is ever reached and the stubs' bound
// path is the same jump as ever.
#include "KAVJournal.h"

#include <fcntl.h>
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
  std::string target;
  std::atomic<bool> writeFailed{false};
  // Record widths are learned from GUSINI/GUSINF lines of every thread.
  std::mutex widthsLock;
  kavcall::RecordWidths widths;
};

// Set once under the binder's lock, before any thunk can run; never freed,
// since a thunk may still run while the process exits.
Journal* gJournal = nullptr;
bool gSettingRead = false;

Journal* OpenOnce() {
  if (gSettingRead) return gJournal;
  gSettingRead = true;
  const char* setting = std::getenv("T4711_JOURNAL");
  if (setting == nullptr || *setting == '\0') return nullptr;
  const bool json = std::strncmp(setting, "json:", 5) == 0;
  const char* target = json ? setting + 5 : setting;
  const int fd =
      std::strcmp(target, "-") == 0
          ? STDERR_FILENO
          : open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr,
                 "T4711 journal: cannot open %s: %s; going on without it\n",
                 target, std::strerror(errno));
    return nullptr;
  }
  gJournal = new Journal;
  gJournal->fd = fd;
  gJournal->json = json;
  gJournal->target = target;
  return gJournal;
}

// One write per line: lines of different threads never interleave (the
// file is opened for appending). A failed write loses the line and is
// reported once; the application goes on.
void Write(Journal& ioJournal, const std::string& iLine) {
  const char* data = iLine.data();
  size_t left = iLine.size();
  while (left > 0) {
    const ssize_t written = write(ioJournal.fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (!ioJournal.writeFailed.exchange(true))
        std::fprintf(stderr,
                     "T4711 journal: cannot write %s: %s; lines are lost\n",
                     ioJournal.target.c_str(), std::strerror(errno));
      return;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
}

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
    Journal& journal = *gJournal;
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    constexpr bool kLists = kavcall::RecordWidths::Concerns(Row);
    kavcall::Line line(journal.json);
    {
      std::unique_lock<std::mutex> lock(journal.widthsLock, std::defer_lock);
      if constexpr (kLists) lock.lock();
      line.Begin(Row, args, journal.widths);
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
          std::chrono::duration_cast<std::chrono::nanoseconds>(took).count());
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

void** KAVJournalCell(void** iKernelCell, int iRow) {
  if (iRow < 0 || iRow >= KAV_ROUTINE_COUNT || OpenOnce() == nullptr)
    return iKernelCell;
  if (iKernelCell == &gThunkCells[iRow]) return iKernelCell;  // left ours
  gKernelCells[iRow].store(iKernelCell, std::memory_order_release);
  return &gThunkCells[iRow];
}
