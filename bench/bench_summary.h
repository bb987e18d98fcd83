// Console output of the benchmarks plus closing tables of ratios: the plug-in against
// memcpy, the hand-written loop and the plain effect loop per path, mode and block
// size; subnormal against ordinary input; the fixed cost of a block against the cost
// of 64 frames.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::int32_t kBenchFrameCounts[] = {32, 512, 4096};

// "per_frame" shows seconds per frame (printed as ns), which the summaries read; items
// are frames.
inline void setFrameCounters(benchmark::State& state, std::int32_t frames) {
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["per_frame"] = benchmark::Counter(static_cast<double>(frames),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
// Times `process(frames)` once per iteration and sets the frame counters: the loop
// that every processing case of the benchmarks shares.
template <class Process>
void timeBlocks(benchmark::State& state, std::int32_t frames, Process process) {
  for (auto _ : state) {
    process(frames);
    benchmark::ClobberMemory();
  }
  setFrameCounters(state, frames);
}

// The block length at which the plug-in is also timed on subnormal input.
inline constexpr std::int32_t kSubnormalFrames = 512;

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
  void printSubnormalTable(std::ostream& out) const;
  void printBlockTable(std::ostream& out) const;

  std::map<std::string, double> medians_;
  std::map<std::string, double> singles_;
  bool failed_ = false;
};
