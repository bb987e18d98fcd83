// Console output of an edition's benchmark, then the edition's time per frame over the
// VST 2.4 library's for every case both ran ("<edition>/<case>" against
// "<baseline>/<case>"), from the medians when repetitions ran, else the single runs.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

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
