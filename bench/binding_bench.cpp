// Cost of a call through a bound stub against a direct call, a call through
// a function pointer and a bound PLT call into a small shared library, all
// reaching the same one-increment callee; the cost of a routine's first
// call (binder + resolver) and of the one-time search and load.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "KAVBenchRatios.h"
#include "KAVLegacyRoutines.h"
#include "KAVReferenceTable.h"

extern "C" void kav_bench_target(int*, int*);  // from the PLT library
extern "C" KAVReferenceEntry* kavsybnd(KAVReferenceEntry*);

namespace {

__attribute__((noinline)) void LocalTarget(int* ioCounter, int*) {
  ++*ioCounter;
  asm volatile("" ::: "memory");
}

void (*volatile gPointerTarget)(int*, int*) = &LocalTarget;

void BM_DirectCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  for (auto _ : state) LocalTarget(&counter, &unused);
  benchmark::DoNotOptimize(counter);
}

void BM_FunctionPointerCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  void (*target)(int*, int*) = gPointerTarget;
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    target(&counter, &unused);
  }
  benchmark::DoNotOptimize(counter);
}

void BM_BoundPltCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  kav_bench_target(&counter, &unused);  // binds the PLT slot
  for (auto _ : state) kav_bench_target(&counter, &unused);
  benchmark::DoNotOptimize(counter);
}

void BM_BoundStubCall(benchmark::State& state) {
  int counter = 0, unused = 0;
  GUSEND(&counter, &unused);  // binds the stub
  for (auto _ : state) GUSEND(&counter, &unused);
  benchmark::DoNotOptimize(counter);
}

void Unbind() {
  for (KAVReferenceEntry& entry : kavModuleImage.table)
    entry.cell = &kavModuleImage.header.emptyCell;
}

// Binding 75 routines on their first calls, resolver already known: the
// binder's fast path plus the resolver, per routine. `resolver` picks the
// bundled reference kernel's resolver or the one-line stand-in.
void BindAll(benchmark::State& state, KAVResolverFunction resolver) {
  KAVResolverFunction saved = kavModuleImage.resolverCell;
  for (auto _ : state) {
    Unbind();
    kavModuleImage.resolverCell = resolver;
    auto start = std::chrono::steady_clock::now();
    for (KAVReferenceEntry& entry : kavModuleImage.table) kavsybnd(&entry);
    auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count() /
                           KAV_ROUTINE_COUNT);
  }
  Unbind();
  kavModuleImage.resolverCell = saved;
}

KAVResolverFunction ReferenceResolver() {
  static void* module =
      dlopen(KAV_BENCH_REFERENCE_KERNEL "/KAVSYMB", RTLD_LAZY | RTLD_LOCAL);
  return module
             ? reinterpret_cast<KAVResolverFunction>(dlsym(module, "kavsymb"))
             : nullptr;
}

void BM_FirstCallBindingReferenceKernel(benchmark::State& state) {
  KAVResolverFunction resolver = ReferenceResolver();
  if (resolver == nullptr)
    return state.SkipWithError("reference kernel not found");
  BindAll(state, resolver);
}

// A whole first call through the stub's unbound path, with the stand-in
// resolver (so the routine itself is the one-increment callee).
void BM_FirstCallThroughStub(benchmark::State& state) {
  int counter = 0, unused = 0;
  GUSEND(&counter, &unused);  // loads the stand-in module
  for (auto _ : state) {
    Unbind();
    auto start = std::chrono::steady_clock::now();
    GUSEND(&counter, &unused);
    auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
  benchmark::DoNotOptimize(counter);
}

// The one-time search along STEPLIB and load of the module, in a fresh
// child each time, against a child that exits at once.
void ForkAndRun(bool iBind) {
  pid_t pid = fork();
  if (pid == 0) {
    if (iBind) {
      setenv("STEPLIB", KAV_BENCH_REFERENCE_KERNEL, 1);
      kavModuleImage.resolverCell = nullptr;
      Unbind();
      int handle = 0, ier = 0;
      GUSEND(&handle, &ier);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

void BM_ForkBaseline(benchmark::State& state) {
  for (auto _ : state) ForkAndRun(false);
}

void BM_ForkSearchLoadAndBind(benchmark::State& state) {
  for (auto _ : state) ForkAndRun(true);
}

}  // namespace

// Registered in this order on purpose: the load benchmarks fork before
// this process has loaded either module.
BENCHMARK(BM_ForkBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ForkSearchLoadAndBind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DirectCall);
BENCHMARK(BM_FunctionPointerCall);
BENCHMARK(BM_BoundPltCall);
BENCHMARK(BM_BoundStubCall);
BENCHMARK(BM_FirstCallThroughStub)->UseManualTime();
BENCHMARK(BM_FirstCallBindingReferenceKernel)->UseManualTime();

int main(int argc, char** argv) {
  // Stub calls here reach the stand-in kernel beside this program.
  setenv("STEPLIB", KAV_BENCH_STANDIN_KERNEL, 1);
  KAVBenchRatios ratios;
  ratios.Add("bound stub / bound PLT call", "BM_BoundStubCall",
             "BM_BoundPltCall", 1.1);
  ratios.Add("bound stub / direct call", "BM_BoundStubCall", "BM_DirectCall",
             1.35);
  ratios.Add("bound stub / function pointer call", "BM_BoundStubCall",
             "BM_FunctionPointerCall", 0);
  ratios.AddDifference("one-time search, load and first bind",
                       "BM_ForkSearchLoadAndBind", "BM_ForkBaseline");
  return ratios.RunAll(argc, argv);
}
