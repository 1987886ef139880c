#pragma once
// A console reporter that, after the usual table, prints each target's time as a multiple of
// the baseline it is measured against, so a run answers "how close to the reference" directly.

#include <benchmark/benchmark.h>

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
        m_seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [target, baseline] : m_pairs) {
      if (!m_seconds.count(target) || !m_seconds.count(baseline)) continue;
      GetOutputStream() << "ratio " << target << " / " << baseline << " = "
                        << m_seconds[target] / m_seconds[baseline] << "\n";
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> m_pairs;
  std::map<std::string, double> m_seconds;
};
