// GII identifier cache: GetGIIId with buffer flag 1 on a cache of 100 and
// of 100,000 names, and a plain std::unordered_map lookup of the same key;
// SetGIIIdList of 100,000 names against the same 100,000 GMIQID calls made
// straight into the kernel. All in this run; the ratios are printed at the
// end (targets: at most 3x for the lookups, 1.5x for filling the cache).
//
// The reference kernel generates the variables ("BenchVar_" and six
// digits). Each lookup asks for the last name cached, where a linear
// search would be at its slowest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVBenchRatios.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseGII.h"
#include "KAVReferenceTable.h"
#include "ReferenceKernel.h"

namespace {

using kavtest::ReferenceKernel;

constexpr int kVariables = 100000;
const char* const kPrefix = "BenchVar_";

std::string Name(int iIndex) {
  char number[16];
  std::snprintf(number, sizeof number, "%06d", iIndex);
  return kPrefix + std::string(number);
}

const KAVListValKAVUnicodeString& Names(int iCount) {
  static std::unordered_map<int, KAVListValKAVUnicodeString> lists;
  KAVListValKAVUnicodeString& names = lists[iCount];
  if (names.Size() == 0)
    for (int i = 0; i < iCount; ++i) names.Append(Name(i).c_str());
  return names;
}

void BM_CachedGetGIIId(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  KAVMfgBaseGII::SetGIIIdList(Names(count));
  const KAVUnicodeString key(Name(count - 1).c_str());
  const int expected = KAV_KERNEL_FN(kavsim_gii_id)(key.CastToCharPtr());
  ReferenceKernel::ClearJournal();
  if (KAVMfgBaseGII::GetGIIId(key, 1) != expected)
    state.SkipWithError("the cache answered a wrong identifier");
  const long calls = ReferenceKernel::CallCount();
  for (auto _ : state) {
    int id = KAVMfgBaseGII::GetGIIId(key, 1);
    benchmark::DoNotOptimize(id);
  }
  if (ReferenceKernel::CallCount() != calls)
    state.SkipWithError("a cached lookup asked the kernel");
}
BENCHMARK(BM_CachedGetGIIId)
    ->Arg(100)
    ->Arg(kVariables)
    ->Repetitions(7)
    ->ComputeStatistics("min", KAVBenchFastest);

void BM_UnorderedMapLookup(benchmark::State& state) {
  std::unordered_map<std::string, int> ids;
  for (int i = 0; i < kVariables; ++i) ids[Name(i)] = i + 101;
  const std::string key = Name(kVariables - 1);
  for (auto _ : state) {
    int id = ids.find(key)->second;
    benchmark::DoNotOptimize(id);
  }
}
BENCHMARK(BM_UnorderedMapLookup)
    ->Repetitions(7)
    ->ComputeStatistics("min", KAVBenchFastest);

void BM_SetGIIIdList(benchmark::State& state) {
  const KAVListValKAVUnicodeString& names = Names(kVariables);
  for (auto _ : state) KAVMfgBaseGII::SetGIIIdList(names);
}
BENCHMARK(BM_SetGIIIdList)->Unit(benchmark::kMillisecond)->Repetitions(5);

// GMIQID as the kernel's resolver binds it, called without the library.
void BM_DirectGMIQID(benchmark::State& state) {
  auto gmiqid = KAV_BOUND_ROUTINE(GMIQID);
  std::vector<std::string> names;
  for (int i = 0; i < kVariables; ++i) names.push_back(Name(i));
  for (auto _ : state) {
    for (std::string& name : names) {
      int length = static_cast<int>(name.size()), id = 0, ier = 0;
      gmiqid(&length, &name[0], &id, &ier);
      benchmark::DoNotOptimize(id);
    }
  }
}
BENCHMARK(BM_DirectGMIQID)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  // The bundled reference kernel and site, unless the caller chose others.
  setenv("STEPLIB", KAV_BENCH_KERNEL_DIR, 0);
  setenv("KAVSIM_SITE", KAV_BENCH_KERNEL_DIR "/site", 0);
  ReferenceKernel::Reset();
  KAV_KERNEL_FN(kavsim_journal)(0);
  KAV_KERNEL_FN(kavsim_gii_generate_variables)(kVariables, kPrefix);
  KAVBenchRatios ratios;
  ratios.Add("GetGIIId cached, 100,000 names / 100 names",
             "BM_CachedGetGIIId/100000/repeats:7_min",
             "BM_CachedGetGIIId/100/repeats:7_min", 3);
  ratios.Add("GetGIIId cached, 100,000 names / unordered_map",
             "BM_CachedGetGIIId/100000/repeats:7_min",
             "BM_UnorderedMapLookup/repeats:7_min", 3);
  ratios.Add("SetGIIIdList 100,000 / 100,000 GMIQID calls",
             "BM_SetGIIIdList/repeats:5", "BM_DirectGMIQID/repeats:5", 1.5);
  return ratios.RunAll(argc, argv);
}
