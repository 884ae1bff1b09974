// Prints benchmark ratios against a baseline measured in the same run:
// a console reporter that keeps each run's CPU time per iteration (steadier
// than wall time on a shared machine; the manual-time runs report the time
// they measured), then
// a "ratio" line per declared pair, with its target.
//
//   KAVBenchRatios ratios;
//   ratios.Add("bound stub / bound PLT", "BM_BoundStubCall",
//   "BM_BoundPltCall", 1.1); ratios.RunAll(argc, argv);   // runs the
//   benchmarks, prints the ratios
#ifndef KAVBenchRatios_h
#define KAVBenchRatios_h

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Nanosecond-scale calls are compared by their fastest repetition: the
// machine is shared, and interference only ever adds time.
//   BENCHMARK(BM_X)->Repetitions(7)->ComputeStatistics("min", KAVBenchFastest);
inline double KAVBenchFastest(const std::vector<double>& iTimes) {
  double fastest = iTimes.empty() ? 0 : iTimes[0];
  for (double time : iTimes) fastest = time < fastest ? time : fastest;
  return fastest;
}

class KAVBenchRatios : public benchmark::ConsoleReporter {
 public:
  // A ratio numerator/denominator, to be at most iTarget (0: no target).
  // Names are benchmark names as printed; with repetitions the median
  // (name + "_median") is used when there is one. iRealTime compares the
  // runs' real time: what manual-time runs measured (the CPU time of a
  // child process, say), which this process's CPU time does not see.
  void Add(const std::string& iLabel, const std::string& iNumerator,
           const std::string& iDenominator, double iTarget,
           bool iRealTime = false) {
    _ratios.push_back({iLabel, iNumerator, iDenominator, iTarget, iRealTime});
  }

  // A difference minuend - subtrahend of real (wall) time, in the unit of
  // the runs: for work done in child processes, which CPU time of this
  // process does not see.
  void AddDifference(const std::string& iLabel, const std::string& iMinuend,
                     const std::string& iSubtrahend, double iTarget = 0) {
    _differences.push_back({iLabel, iMinuend, iSubtrahend, iTarget, true});
  }

  int RunAll(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(this);
    Print();
    benchmark::Shutdown();
    return 0;
  }

  void ReportRuns(
      const std::vector<benchmark::BenchmarkReporter::Run>& iRuns) override {
    for (const benchmark::BenchmarkReporter::Run& run : iRuns) {
      if (run.error_occurred) continue;
      _times[run.benchmark_name()] = run.GetAdjustedCPUTime();
      _realTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
      _units[run.benchmark_name()] =
          benchmark::GetTimeUnitString(run.time_unit);
    }
    ConsoleReporter::ReportRuns(iRuns);
  }

 private:
  struct Pair {
    std::string label, first, second;
    double target;
    bool real;
  };

  bool Find(const std::string& iName, double& oTime, std::string& oUnit,
            bool iReal = false) const {
    const std::map<std::string, double>& times = iReal ? _realTimes : _times;
    for (const std::string& name : {iName + "_min", iName + "_median", iName}) {
      auto it = times.find(name);
      if (it != times.end()) {
        oTime = it->second;
        oUnit = _units.at(name);
        return true;
      }
    }
    return false;
  }

  void Print() const {
    std::printf("\n");
    for (const Pair& ratio : _ratios) {
      double a = 0, b = 0;
      std::string unitA, unitB;
      if (!Find(ratio.first, a, unitA, ratio.real) ||
          !Find(ratio.second, b, unitB, ratio.real) || b <= 0) {
        std::printf("ratio %-45s: not measured\n", ratio.label.c_str());
        continue;
      }
      const double value = a / b;
      if (ratio.target > 0)
        std::printf("ratio %-45s: %6.2fx (target <= %.2fx: %s)\n",
                    ratio.label.c_str(), value, ratio.target,
                    value <= ratio.target ? "met" : "MISSED");
      else
        std::printf("ratio %-45s: %6.2fx\n", ratio.label.c_str(), value);
    }
    for (const Pair& difference : _differences) {
      double a = 0, b = 0;
      std::string unitA, unitB;
      if (!Find(difference.first, a, unitA, true) ||
          !Find(difference.second, b, unitB, true))
        continue;
      const double value = a - b;
      if (difference.target > 0)
        std::printf("diff  %-45s: %.1f %s (target <= %.1f %s: %s)\n",
                    difference.label.c_str(), value, unitA.c_str(),
                    difference.target, unitA.c_str(),
                    value <= difference.target ? "met" : "MISSED");
      else
        std::printf("diff  %-45s: %.1f %s\n", difference.label.c_str(), value,
                    unitA.c_str());
    }
  }

  std::vector<Pair> _ratios, _differences;
  std::map<std::string, double> _times, _realTimes;
  std::map<std::string, std::string> _units;
};

#endif
