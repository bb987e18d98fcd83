// Time per frame of the VST3 edition's process next to the VST 2.4 edition's
// processReplacing, both loaded from their built binaries and driven as hosts drive
// them, at 512 frames per block; a closing table gives the VST3/VST 2.4 ratio per path
// and mode (the target is at most 1.1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench/bench_host.h"
#include "tests/support/vst3_host.h"

namespace {

constexpr std::int32_t kFrames = 512;

const PluginModule& vst2Module() {
  static const PluginModule module(PluginModule::defaultPath());
  return module;
}

Vst3Module& vst3Module() {
  static Vst3Module* module = new Vst3Module();
  return *module;
}

template <class Sample>
void vst2Case(benchmark::State& state, FoldMode mode) {
  PluginInstance plugin(vst2Module(), mode, kFrames);
  StereoBuffers<Sample> buffers(kFrames);
  for (auto _ : state) {
    plugin.process(buffers.inputs(), buffers.outputs(), kFrames);
    benchmark::ClobberMemory();
  }
  state.counters["per_frame"] =
      benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <class Sample>
void vst3Case(benchmark::State& state, FoldMode mode) {
  vst3::IPluginFactory* factory = vst3Module().factory();
  {
    Vst3Instance plugin(factory);
    plugin.start(48000.0, kFrames, sizeof(Sample) == sizeof(float) ? vst3::kSample32 : vst3::kSample64);
    ParameterChanges changes;
    changes.add(0, {{0, mode == FoldMode::mono ? 1.0 : 0.0}});
    StereoBuffers<Sample> buffers(kFrames);
    plugin.process(buffers.inputs(), buffers.outputs(), 0, &changes);
    // An empty list every block, as hosts pass one even without changes.
    ParameterChanges none;
    for (auto _ : state) {
      plugin.process(buffers.inputs(), buffers.outputs(), kFrames, &none);
      benchmark::ClobberMemory();
    }
  }
  V3CALL(factory, release);
  state.counters["per_frame"] =
      benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The console output, then the ratio of each VST3 case to its VST 2.4 case.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(bool color) : ConsoleReporter(color ? OO_Defaults : OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || !run.counters.count("per_frame")) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) perFrame_[run.run_name.function_name] = run.counters.at("per_frame");
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nVST3 process / VST 2.4 processReplacing, per frame at %d frames:\n", kFrames);
    for (const auto& [name, seconds] : perFrame_) {
      if (name.rfind("vst3/", 0) != 0) continue;
      const auto vst2 = perFrame_.find("vst2/" + name.substr(5));
      if (vst2 == perFrame_.end() || vst2->second <= 0) continue;
      std::printf("  %-16s %6.3f ns  vs %6.3f ns  ratio %.3f\n", name.substr(5).c_str(), seconds * 1e9,
                  vst2->second * 1e9, seconds / vst2->second);
    }
  }

 private:
  std::map<std::string, double> perFrame_;
};

template <class Sample>
void registerPath(const char* path) {
  for (FoldMode mode : {FoldMode::stereo, FoldMode::mono}) {
    const std::string suffix = std::string(path) + "/" + modeName(mode);
    benchmark::RegisterBenchmark(("vst2/" + suffix).c_str(), vst2Case<Sample>, mode);
    benchmark::RegisterBenchmark(("vst3/" + suffix).c_str(), vst3Case<Sample>, mode);
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerPath<float>("float");
  registerPath<double>("double");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(isatty(STDOUT_FILENO) != 0);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
