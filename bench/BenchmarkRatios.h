#pragma once
// A console reporter that, after the usual table, prints each target's time as a multiple of
// the baseline it is measured against, so a run answers "how close to the reference" directly.
// With repetitions (best taken in turns: --benchmark_enable_random_interleaving=true) the k-th
// run of the target is paired with the k-th run of its baseline, and the median of these ratios
// is printed with their range, so that one disturbed run on a shared machine decides nothing.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class CRatioReporter : public benchmark::ConsoleReporter {
 public:
  // Pairs of (target name, baseline name) as registered.
  explicit CRatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : m_pairs(std::move(pairs)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        m_seconds[run.run_name.str()].push_back(run.GetAdjustedRealTime());
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [target, baseline] : m_pairs) {
      const std::vector<double>& ours = m_seconds[target];
      const std::vector<double>& theirs = m_seconds[baseline];
      std::vector<double> ratios;
      for (size_t k = 0; k < std::min(ours.size(), theirs.size()); ++k) ratios.push_back(ours[k] / theirs[k]);
      if (ratios.empty()) continue;
      std::sort(ratios.begin(), ratios.end());
      const size_t n = ratios.size();
      const double median = n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
      GetOutputStream() << "ratio " << target << " / " << baseline << " = " << median;
      if (n > 1) GetOutputStream() << " (median of " << n << ", range " << ratios.front() << " - " << ratios.back() << ")";
      GetOutputStream() << "\n";
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> m_pairs;
  std::map<std::string, std::vector<double>> m_seconds;
};
