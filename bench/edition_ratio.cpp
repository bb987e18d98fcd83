#include "bench/edition_ratio.h"

#include <cstdio>

EditionRatioReporter::EditionRatioReporter(bool color, std::string baseline, std::string edition, std::string heading)
    : benchmark::ConsoleReporter(color ? OO_Color : OO_None),
      baseline_(std::move(baseline)),
      edition_(std::move(edition)),
      heading_(std::move(heading)) {}

void EditionRatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) failed_ = true;
    const auto counter = run.counters.find("per_frame");
    if (run.error_occurred || counter == run.counters.end()) continue;
    if (run.run_type == Run::RT_Iteration || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
      seconds_[run.run_name.function_name] = counter->second.value;
  }
  benchmark::ConsoleReporter::ReportRuns(runs);
}

void EditionRatioReporter::Finalize() {
  std::printf("\n%s\n", heading_.c_str());
  const std::string prefix = edition_ + "/";
  for (const auto& [name, seconds] : seconds_) {
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string suffix = name.substr(prefix.size());
    const auto base = seconds_.find(baseline_ + "/" + suffix);
    if (base == seconds_.end() || base->second <= 0.0) continue;
    std::printf("%-16s %s %.3f  %s %.3f  ratio %.3f\n", suffix.c_str(), baseline_.c_str(), base->second * 1e9,
                edition_.c_str(), seconds * 1e9, seconds / base->second);
  }
  benchmark::ConsoleReporter::Finalize();
}
