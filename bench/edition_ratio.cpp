#include "bench/edition_ratio.h"

#include <unistd.h>

#include <cstdio>

#include "bench/bench_summary.h"

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

const PluginModule& vst2Library() {
  static const PluginModule module(PluginModule::defaultPath());
  return module;
}

namespace {

template <class Sample>
void vst2Case(benchmark::State& state, FoldMode mode) {
  BenchInstance plugin(vst2Library(), mode, kEditionFrames);
  StereoBuffers<Sample> buffers(kEditionFrames);
  timeBlocks(state, kEditionFrames,
             [&](std::int32_t n) { plugin.processUnchecked(buffers.inputs(), buffers.outputs(), n); });
}

}  // namespace

int runEditionComparison(int argc, char** argv, const char* edition, const char* heading, EditionCase floatCase,
                         EditionCase doubleCase) {
  const struct {
    const char* path;
    EditionCase baseline;
    EditionCase edition;
  } paths[] = {{"float", vst2Case<float>, floatCase}, {"double", vst2Case<double>, doubleCase}};
  for (const auto& path : paths) {
    for (FoldMode mode : {FoldMode::stereo, FoldMode::mono}) {
      const std::string suffix = std::string(path.path) + "/" + modeName(mode);
      benchmark::RegisterBenchmark(("vst2/" + suffix).c_str(), path.baseline, mode);
      benchmark::RegisterBenchmark((std::string(edition) + "/" + suffix).c_str(), path.edition, mode);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  EditionRatioReporter reporter(isatty(STDOUT_FILENO) != 0, "vst2", edition, heading);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
