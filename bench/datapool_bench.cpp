// GetValues on an object of 1,000 real fields, with an empty attribute
// list (every field) and with a list of the 1,000 names in reverse order
// (where a field-by-field search would compare half a million names),
// each against a loop that reads the same fields by calling the kernel
// routines directly (GNSROB, then GNSRFI, GUSINF, GUSREA, GUSEND per
// field; addresses bound by the resolver, as the stubs bind them) into
// plain std::vector results. All run in this process on the same kernel;
// the ratios are printed at the end (targets: at most 1.5x each).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "KAVBenchRatios.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDataPool.h"
#include "KAVReferenceTable.h"
#include "KAVRoutineTable.h"
#include "ReferenceKernel.h"

namespace {

using kavtest::ReferenceKernel;

constexpr int kFieldCount = 1000;
constexpr int kObject = 1;
const char* const kPool = "BENCH";
constexpr int kFieldWidth = kavcall::Width("GNSRFI", 3);

std::string FieldName(int iIndex) {
  char name[kFieldWidth + 1];
  std::snprintf(name, sizeof name, "MFG_REAL_%04d", iIndex);
  return name;
}

struct Kernel {
  decltype(&GNSROB) gnsrob = KAV_BOUND_ROUTINE(GNSROB);
  decltype(&GNSRFI) gnsrfi = KAV_BOUND_ROUTINE(GNSRFI);
  decltype(&GUSINF) gusinf = KAV_BOUND_ROUTINE(GUSINF);
  decltype(&GUSREA) gusrea = KAV_BOUND_ROUTINE(GUSREA);
  decltype(&GUSEND) gusend = KAV_BOUND_ROUTINE(GUSEND);
};

// Two real values per field, so that each field's list has more than one
// record to read.
void Prepare() {
  ReferenceKernel::Reset();
  KAV_KERNEL_FN(kavsim_journal)(0);
  KAVMfgDataPool::CreateObject(kPool, kObject, 1, kFieldCount);
  KAVRawCollint noInts(0);
  KAVRawColldouble reals(0);
  KAVListValKAVUnicodeString noTexts;
  reals.Append(0.5);
  reals.Append(1.5);
  for (int i = 0; i < kFieldCount; ++i)
    KAVMfgDataPool::CreateField(kPool, kObject, 2, FieldName(i).c_str(), noInts,
                                reals, noTexts);
}

// GetValues fills an empty attribute list and leaves a given one as it
// is: only the empty one is made afresh for each call.
void Gather(benchmark::State& ioState, KAVListValKAVUnicodeString& ioList) {
  Prepare();
  const bool given = ioList.Size() > 0;
  for (auto _ : ioState) {
    KAVListValKAVUnicodeString fresh;
    KAVListValKAVUnicodeString& attributes = given ? ioList : fresh;
    KAVRawCollint types(0), counts(0), ints(0);
    KAVRawColldouble reals(0);
    KAVListValKAVUnicodeString texts;
    KAVMfgDataPool::GetValues(kPool, kObject, attributes, types, counts, ints,
                              reals, texts);
    if (types.Size() != kFieldCount || reals.Size() != 2 * kFieldCount ||
        KAVMfgDataPool::GetError() != 0)
      ioState.SkipWithError("GetValues did not read every field");
    benchmark::DoNotOptimize(reals);
  }
  ioState.SetItemsProcessed(ioState.iterations() * kFieldCount);
}

void BM_GetValuesEveryField(benchmark::State& state) {
  KAVListValKAVUnicodeString none;
  Gather(state, none);
}
BENCHMARK(BM_GetValuesEveryField)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);

void BM_GetValuesAttributeList(benchmark::State& state) {
  KAVListValKAVUnicodeString names;
  for (int i = kFieldCount - 1; i >= 0; --i) names.Append(FieldName(i).c_str());
  Gather(state, names);
}
BENCHMARK(BM_GetValuesAttributeList)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);

// The same object read with the same routines: the field names, then
// each field's list of values, into std::vector.
void BM_DirectKernelLoop(benchmark::State& state) {
  Prepare();
  static const Kernel kernel;
  char pool[8];
  std::memset(pool, ' ', sizeof pool);
  std::memcpy(pool, kPool, std::strlen(kPool));
  for (auto _ : state) {
    std::vector<std::string> names;
    std::vector<int> types, counts;
    std::vector<double> reals;
    int number = kObject, kind = 0, namesList = 0, countsList = 0,
        typesList = 0, ier = 0, width = 0, count = 0;
    kernel.gnsrob(pool, &number, &kind, &namesList, &countsList, &typesList,
                  &ier);
    kernel.gusinf(&namesList, &width, &count, &ier);
    for (int i = 1; i <= count && ier == 0; ++i) {
      char name[kFieldWidth + 1] = {};
      int fieldCount = 0, type = 0;
      kernel.gusrea(&namesList, &i, name, &ier);
      kernel.gusrea(&countsList, &i, &fieldCount, &ier);
      kernel.gusrea(&typesList, &i, &type, &ier);
      names.emplace_back(name, kFieldWidth);
    }
    kernel.gusend(&namesList, &ier);
    kernel.gusend(&countsList, &ier);
    kernel.gusend(&typesList, &ier);
    for (std::string& name : names) {
      int valuesList = 0, values = 0;
      kernel.gnsrfi(pool, &number, &name[0], &valuesList, &ier);
      kernel.gusinf(&valuesList, &width, &values, &ier);
      for (int i = 1; i <= values && ier == 0; ++i) {
        double value = 0;
        kernel.gusrea(&valuesList, &i, &value, &ier);
        reals.push_back(value);
      }
      kernel.gusend(&valuesList, &ier);
      types.push_back(2);
      counts.push_back(values);
    }
    if (static_cast<int>(types.size()) != kFieldCount || ier != 0)
      state.SkipWithError("the direct loop did not read every field");
    benchmark::DoNotOptimize(reals);
  }
  state.SetItemsProcessed(state.iterations() * kFieldCount);
}
BENCHMARK(BM_DirectKernelLoop)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  // The bundled reference kernel and site, unless the caller chose others.
  setenv("STEPLIB", KAV_BENCH_KERNEL_DIR, 0);
  setenv("KAVSIM_SITE", KAV_BENCH_KERNEL_DIR "/site", 0);
  KAVBenchRatios ratios;
  ratios.Add("GetValues, every field / direct kernel loop",
             "BM_GetValuesEveryField/repeats:5",
             "BM_DirectKernelLoop/repeats:5", 1.5);
  ratios.Add("GetValues, 1,000 attributes / direct kernel loop",
             "BM_GetValuesAttributeList/repeats:5",
             "BM_DirectKernelLoop/repeats:5", 1.5);
  return ratios.RunAll(argc, argv);
}
