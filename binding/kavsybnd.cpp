// The binder: finds the resolver module KAVSYMB along STEPLIB once per
// process and lets its resolver bind one reference entry per call.
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KAVReferenceTable.h"
#include "KAVStepLib.h"

namespace {


[[noreturn]] void Fail(const char* format, const char* text) {
  std::fprintf(stderr, format, text);
  std::fflush(stderr);
  std::exit(99);
}

// Loads the first KAVSYMB along STEPLIB and keeps its resolver. A file that
// exists but does not load ends the process: later directories are not
// tried.
void FindResolver() {
  const char* stepLib = std::getenv("STEPLIB");
  if (stepLib == nullptr)
    Fail("KAVSYMB00: STEPLIB environment variable not defined\n", "");
  char path[kKAVPathBufferSize];
  if (KAVFindOnStepLib(stepLib, std::getenv("HOME"), path)) {
    void* module = dlopen(path, RTLD_LAZY);
    if (module == nullptr)
      Fail("KAVSYMB00: cannot load KAVSYMB %s\n", dlerror());
    kavModuleImage.resolverCell =
        reinterpret_cast<KAVResolverFunction>(dlsym(module, kKAVResolverSymbol));
    if (kavModuleImage.resolverCell == nullptr)
      Fail("KAVSYMB00: module KAVSYMB is incorrect\n", "");
    return;
  }
  errno = ENOENT;
  Fail("KAVSYMB00: cannot load KAVSYMB %s\n", std::strerror(errno));
}

}  // namespace

// Called by a stub whose entry is unbound; returns the same entry, bound.
// A resolver that leaves the entry unbound would send the stub to address
// 0, so that ends the process like every other binding failure.
extern "C" __attribute__((visibility("default"))) KAVReferenceEntry*
kavsybnd(KAVReferenceEntry* iEntry) {
  if (kavModuleImage.resolverCell == nullptr) FindResolver();
  kavModuleImage.resolverCell(iEntry);
  if (iEntry->cell == nullptr || *iEntry->cell == nullptr) {
    char name[9] = {0};
    std::memcpy(name, iEntry->routine, 8);
    for (int i = 7; i >= 0 && name[i] == ' '; --i) name[i] = '\0';
    Fail("KAVSYMB00: routine %s not bound by KAVSYMB\n", name);
  }
  return iEntry;
}
