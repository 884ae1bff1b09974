// National-name cache lookups: a cached GetNlsName with 100 and with
// 100,000 names cached, and a plain std::unordered_map lookup of the same
// key, all measured in this run; the ratios are printed at the end
// (targets: at most 3x each).
//
// The cache lives for the process and only grows, so the benchmarks run
// in order: 100 names are translated (through the reference kernel, which
// generates them) before the first one, 100,000 before the second.
// Each looks up the last name cached, where a linear search would be at
// its slowest.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unordered_map>

#include "KAVBenchRatios.h"
#include "KAVKernelControl.h"
#include "KAVMfgBaseNLS.h"

namespace {

using kavtest::ReferenceKernel;

constexpr int kClass = 3;
const char* const kPrefix = "MfgBenchClass_";

// The names the reference kernel generates: prefix and six digits, and
// "Nom " before the same as the national name.
std::string StdName(int iIndex) {
  char number[16];
  std::snprintf(number, sizeof number, "%06d", iIndex);
  return kPrefix + std::string(number);
}

// Translates names 0..iCount-1 once each; those already cached cost no
// kernel call.
void EnsureCached(int iCount) {
  static int cached = 0;
  for (; cached < iCount; ++cached)
    KAVMfgBaseNLS::GetNlsName(kClass, StdName(cached).c_str());
}

void BM_CachedGetNlsName(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  EnsureCached(count);
  const KAVUnicodeString key(StdName(count - 1).c_str());
  const int type = kClass;
  if (KAVMfgBaseNLS::GetNlsName(type, key) !=
      ("Nom " + StdName(count - 1)).c_str())
    state.SkipWithError("the cache answered a wrong name");
  for (auto _ : state) {
    KAVUnicodeString name = KAVMfgBaseNLS::GetNlsName(type, key);
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_CachedGetNlsName)->Arg(100)->Arg(100000);

// What a caller holding its own hash map would pay for the same answer:
// find the key, copy the name out.
void BM_UnorderedMapLookup(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::unordered_map<std::string, std::string> names;
  for (int i = 0; i < count; ++i) names[StdName(i)] = "Nom " + StdName(i);
  const std::string key = StdName(count - 1);
  for (auto _ : state) {
    std::string name = names.find(key)->second;
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_UnorderedMapLookup)->Arg(100000);

}  // namespace

int main(int argc, char** argv) {
  // The bundled reference kernel and site, unless the caller chose others.
  setenv("STEPLIB", KAV_BENCH_KERNEL_DIR, 0);
  setenv("KAVSIM_SITE", KAV_BENCH_KERNEL_DIR "/site", 0);
  ReferenceKernel::Reset();
  KAV_KERNEL_FN(kavsim_journal)(0);
  if (KAV_KERNEL_FN(kavsim_catalog_generate_names)(kClass, 100000, kPrefix) !=
      0) {
    std::cerr << "catalog_bench: the kernel could not generate names\n";
    return 1;
  }
  KAVBenchRatios ratios;
  ratios.Add("GetNlsName, 100,000 cached / 100 cached",
             "BM_CachedGetNlsName/100000", "BM_CachedGetNlsName/100", 3);
  ratios.Add("GetNlsName 100,000 cached / unordered_map",
             "BM_CachedGetNlsName/100000", "BM_UnorderedMapLookup/100000", 3);
  return ratios.RunAll(argc, argv);
}
