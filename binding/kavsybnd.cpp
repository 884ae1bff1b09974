// The binder: finds the resolver module KAVSYMB along STEPLIB once per
// process and lets its resolver bind one reference entry per call.
//
// Threads: the library's classes are single-threaded each, but different
// classes may run on different threads, and they share the binder. So
// the search and each routine's first bind run under one lock, while the
// bound path of the stubs takes none: a stub that reads an entry being
// bound sees the empty cell or a zero word (and comes here, to wait and
// find it bound) or the complete routine address, since the cell pointer
// and the word are each written in one aligned store.
#include <dlfcn.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "KAVElfCheck.h"
#include "KAVJournal.h"
#include "KAVReferenceTable.h"
#include "KAVStepLib.h"

namespace {

[[noreturn]] void Fail(const char* format, const char* text) {
  std::fprintf(stderr, format, text);
  std::fflush(stderr);
  std::exit(99);
}

// Loads the first KAVSYMB along STEPLIB and keeps its resolver. A file that
// exists but does not load ends the process with dlopen's own words (or,
// for a module that would fault inside the loader, the look's): later
// directories are not tried.
void FindResolver() {
  const char* stepLib = std::getenv("STEPLIB");
  if (stepLib == nullptr)
    Fail("KAVSYMB00: STEPLIB environment variable not defined\n", "");
  char path[kKAVPathBufferSize];
  if (KAVFindOnStepLib(stepLib, std::getenv("HOME"), path)) {
    char refusal[kKAVRefusalSize];
    const char* reason = "";
    void* module = KAVOpenModule(path, RTLD_LAZY, refusal, &reason);
    if (module == nullptr) Fail(kKAVCannotLoadFormat, reason);
    kavModuleImage.resolverCell = reinterpret_cast<KAVResolverFunction>(
        dlsym(module, kKAVResolverSymbol));
    if (kavModuleImage.resolverCell == nullptr) Fail(kKAVModuleIncorrect, "");
    return;
  }
  errno = ENOENT;
  Fail(kKAVCannotLoadFormat, std::strerror(errno));
}

// Recursive: loading KAVSYMB runs its initialisers, which may call a
// routine and so come back here on the same thread.
std::recursive_mutex& BindLock() {
  static std::recursive_mutex lock;
  return lock;
}

bool IsBound(KAVReferenceEntry* iEntry) {
  void** cell = __atomic_load_n(&iEntry->cell, __ATOMIC_ACQUIRE);
  return cell != nullptr && cell != &kavModuleImage.header.emptyCell &&
         __atomic_load_n(cell, __ATOMIC_ACQUIRE) != nullptr;
}

}  // namespace

// Called by a stub whose entry is unbound; returns the same entry, bound.
// A resolver that leaves the entry unbound would send the stub to address
// 0, so that ends the process like every other binding failure. An entry
// that another thread bound while this one waited is not bound again; an
// entry already bound when the call came (a direct call) is handed to the
// resolver again as any other.
extern "C" __attribute__((visibility("default"))) KAVReferenceEntry* kavsybnd(
    KAVReferenceEntry* iEntry) {
  const bool boundBefore = IsBound(iEntry);
  const std::lock_guard<std::recursive_mutex> lock(BindLock());
  if (!boundBefore && IsBound(iEntry)) return iEntry;
  if (kavModuleImage.resolverCell == nullptr) FindResolver();
  // The resolver binds a copy, and the entry takes its final cell in one
  // store: a stub on another thread never sees the kernel's cell in an
  // entry the journal is about to take over (its call would go unjournaled).
  KAVReferenceEntry bound = *iEntry;
  kavModuleImage.resolverCell(&bound);
  if (bound.cell == nullptr || *bound.cell == nullptr) {
    char name[9] = {0};
    std::memcpy(name, iEntry->routine, 8);
    for (int i = 7; i >= 0 && name[i] == ' '; --i) name[i] = '\0';
    Fail("KAVSYMB00: routine %s not bound by KAVSYMB\n", name);
  }
  const auto first = reinterpret_cast<uintptr_t>(kavModuleImage.table);
  const auto at = reinterpret_cast<uintptr_t>(iEntry);
  void** cell = bound.cell;
  if (at >= first && at < first + sizeof kavModuleImage.table)
    cell =
        KAVJournalCell(cell, static_cast<int>((at - first) / sizeof *iEntry));
  __atomic_store_n(&iEntry->cell, cell, __ATOMIC_RELEASE);
  return iEntry;
}
