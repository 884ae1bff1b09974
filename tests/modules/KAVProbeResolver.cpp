// A resolver written only against the reference-entry layout, used by the
// binding tests as an independent KAVSYMB: it binds every routine it is
// asked for to a probe that records the arguments it receives, counts how
// often each routine was bound, and keeps the stack it was called from.
//
// Built four ways (PROBE_MODE): a working resolver, one that leaves every
// entry unbound, a module without any resolver, and a resolver that binds
// every routine to one probe of a wider prototype (eight integer and eight
// vector arguments, a result returned in memory).
#include <execinfo.h>

#include <cstdint>
#include <cstring>

namespace {

struct Entry {  // the ABI: nine fields in order, natural alignment
  void** cell;
  int32_t kind;
  char routine[8];
  char loadModule[8];
  char listMarker[8];
  char release[8];
  char library[8];
  char flagA[8];
  char tail[8];
};
static_assert(sizeof(Entry) == 72, "reference entry layout");

constexpr int kMaxArguments = 16;
constexpr int kMaxRoutines = 128;

}  // namespace

extern "C" {

// What the last probe call received.
__attribute__((visibility("default"))) uintptr_t probe_arguments[kMaxArguments];
__attribute__((visibility("default"))) int probe_argument_count = 0;
__attribute__((visibility("default"))) char probe_routine[9];
__attribute__((visibility("default"))) long probe_calls = 0;
// Binds per routine name, and in all.
__attribute__((visibility("default"))) char probe_bound_names[kMaxRoutines][9];
__attribute__((visibility("default"))) int probe_bound_counts[kMaxRoutines];
__attribute__((visibility("default"))) int probe_resolver_calls = 0;
// backtrace() as the resolver's last call saw it.
__attribute__((visibility("default"))) void* probe_backtrace[128];
__attribute__((visibility("default"))) int probe_backtrace_depth = 0;
// The vector arguments of the last wide probe call, two doubles each.
__attribute__((visibility("default"))) double probe_vectors[16];
}

namespace {

// One probe per routine slot: it records its own slot's name and up to 16
// integer-class arguments. Six (x86-64) or eight (AArch64) come in
// registers; the rest are read from the caller's stack exactly as the
// machine's ABI lays them out.
template <int Slot>
uintptr_t Probe(uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5, uintptr_t a6,
                uintptr_t a7, uintptr_t a8, uintptr_t a9, uintptr_t a10, uintptr_t a11,
                uintptr_t a12, uintptr_t a13, uintptr_t a14, uintptr_t a15, uintptr_t a16) {
  const uintptr_t all[kMaxArguments] = {a1, a2,  a3,  a4,  a5,  a6,  a7,  a8,
                                        a9, a10, a11, a12, a13, a14, a15, a16};
  std::memcpy(probe_arguments, all, sizeof all);
  std::memcpy(probe_routine, probe_bound_names[Slot], sizeof probe_routine);
  return static_cast<uintptr_t>(++probe_calls);  // the calls so far
}

using ProbeFunction = uintptr_t (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                    uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                    uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                    uintptr_t);

template <int... Slots>
struct ProbeTable {
  static constexpr ProbeFunction kProbes[] = {&Probe<Slots>...};
};

template <int N, int... Slots>
struct MakeProbes : MakeProbes<N - 1, N - 1, Slots...> {};
template <int... Slots>
struct MakeProbes<0, Slots...> : ProbeTable<Slots...> {};

// The wide probe: its vectors travel in q0-q7 (AArch64) or %xmm0-7
// (x86-64), and the address of its result in x8 (AArch64) or %rdi
// (x86-64, which moves the integer arguments along by one).
typedef double ProbeVector __attribute__((vector_size(16)));
struct ProbeWideResult {
  uintptr_t word[4];
};

[[maybe_unused]] ProbeWideResult ProbeWide(uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                                           uintptr_t a5, uintptr_t a6, uintptr_t a7, uintptr_t a8,
                                           ProbeVector v1, ProbeVector v2, ProbeVector v3,
                                           ProbeVector v4, ProbeVector v5, ProbeVector v6,
                                           ProbeVector v7, ProbeVector v8) {
  const uintptr_t all[8] = {a1, a2, a3, a4, a5, a6, a7, a8};
  std::memcpy(probe_arguments, all, sizeof all);
  const ProbeVector vectors[8] = {v1, v2, v3, v4, v5, v6, v7, v8};
  std::memcpy(probe_vectors, vectors, sizeof vectors);
  ++probe_calls;
  return {{a1, a2, a8, static_cast<uintptr_t>(probe_calls)}};
}

[[maybe_unused]] void* gCells[kMaxRoutines];
[[maybe_unused]] int gSlots = 0;

}  // namespace

#if PROBE_MODE != 2
extern "C" __attribute__((visibility("default"))) void kavsymb(void* iEntry) {
  ++probe_resolver_calls;
  probe_backtrace_depth = backtrace(probe_backtrace, 128);
#if PROBE_MODE == 1
  (void)iEntry;  // leaves every entry unbound
#else
  Entry* entry = static_cast<Entry*>(iEntry);
  char name[9] = {0};
  std::memcpy(name, entry->routine, 8);
  int slot = 0;
  while (slot < gSlots && std::strcmp(probe_bound_names[slot], name) != 0) ++slot;
  if (slot == gSlots) {
    if (gSlots == kMaxRoutines) return;
    std::memcpy(probe_bound_names[slot], name, sizeof name);
    ++gSlots;
  }
  ++probe_bound_counts[slot];
#if PROBE_MODE == 3
  gCells[slot] = reinterpret_cast<void*>(&ProbeWide);
#else
  gCells[slot] = reinterpret_cast<void*>(MakeProbes<kMaxRoutines>::kProbes[slot]);
#endif
  entry->cell = &gCells[slot];
#endif
}
#endif
