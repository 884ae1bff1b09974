// The callee every call-cost benchmark reaches: one increment through the
// first argument. Built into a small shared library (reached through the
// PLT), into the benchmark itself (direct call), and into a stand-in
// KAVSYMB whose resolver binds every routine to it (reached through a stub).
#if defined(KAV_BENCH_KERNEL)
#include <cstdint>
#include <cstring>
#endif

extern "C" __attribute__((visibility("default"), noinline)) void
kav_bench_target(int* ioCounter, int*) {
  ++*ioCounter;
}

#if defined(KAV_BENCH_KERNEL)
namespace {
void* gCell = reinterpret_cast<void*>(&kav_bench_target);
}

// Binds whatever entry it is given; the entry's first field is the
// address-cell pointer.
extern "C" __attribute__((visibility("default"))) void kavsymb(void* iEntry) {
  void** cellField = static_cast<void**>(iEntry);
  *cellField = &gCell;
}
#endif
