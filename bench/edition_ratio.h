// Console output of an edition's benchmark, then the edition's time per frame over the
// VST 2.4 library's for every case both ran ("<edition>/<case>" against
// "<baseline>/<case>"), from the medians when repetitions ran, else the single runs.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "bench/bench_host.h"

class EditionRatioReporter : public benchmark::ConsoleReporter {
 public:
  EditionRatioReporter(bool color, std::string baseline, std::string edition, std::string heading);

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  // True when a benchmark reported an error (for instance a wrong output).
  bool failed() const { return failed_; }

 private:
  std::string baseline_, edition_, heading_;
  std::map<std::string, double> seconds_;
  bool failed_ = false;
};

// The frames per block the editions are compared at.
inline constexpr std::int32_t kEditionFrames = 512;

// The VST 2.4 library the editions are measured against, loaded once.
const PluginModule& vst2Library();

// One edition's case: its process timed over kEditionFrames-frame blocks in `mode`.
using EditionCase = void (*)(benchmark::State& state, FoldMode mode);

// Registers, for float and double samples and both modes, "vst2/<sample>/<mode>" (the
// library's processReplacing) and "<edition>/<sample>/<mode>" beside it, runs them with
// the ratio table under `heading`; answers the program's exit status.
int runEditionComparison(int argc, char** argv, const char* edition, const char* heading, EditionCase floatCase,
                         EditionCase doubleCase);
