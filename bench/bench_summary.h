// Console output of the benchmarks plus a closing table of ratios: plug-in against
// the hand-written loop, the shared-access loop and memcpy per path, mode and block
// size, and the fixed cost of a block against the cost of 64 frames.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::int32_t kBenchFrameCounts[] = {32, 512, 4096};

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(bool color);

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  // True when a benchmark reported an error (for instance a wrong output).
  bool failed() const { return failed_; }

 private:
  // Seconds per frame (or per block) of a case: its median when repetitions ran,
  // else its last single run.
  std::optional<double> secondsOf(const std::string& name) const;
  void printFrameTable(std::ostream& out) const;
  void printBlockTable(std::ostream& out) const;

  std::map<std::string, double> medians_;
  std::map<std::string, double> singles_;
  bool failed_ = false;
};
