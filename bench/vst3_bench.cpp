// Time per frame of the VST3 edition's process next to the VST 2.4 edition's
// processReplacing, both loaded from their built binaries and driven as hosts drive
// them, at 512 frames per block; a closing table gives the VST3/VST 2.4 ratio per path
// and mode (the target is at most 1.1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/bench_host.h"
#include "bench/bench_summary.h"
#include "bench/edition_ratio.h"
#include "hosting/vst3_host.h"

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
  timeBlocks(state, kFrames, [&](std::int32_t n) { plugin.process(buffers.inputs(), buffers.outputs(), n); });
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
    plugin.process(buffers.inputs(), buffers.outputs(), kFrames, &changes);
    StereoBuffers<Sample> reference(kFrames);
    PluginInstance(vst2Module(), mode, kFrames).process(reference.inputs(), reference.outputs(), kFrames);
    if (buffers.output(0) != reference.output(0) || buffers.output(1) != reference.output(1)) {
      state.SkipWithError("the VST3 edition's output differs from the VST 2.4 library's");
      V3CALL(factory, release);
      return;
    }
    // An empty list every block, as hosts pass one even without changes.
    ParameterChanges none;
    timeBlocks(state, kFrames, [&](std::int32_t n) { plugin.process(buffers.inputs(), buffers.outputs(), n, &none); });
  }
  V3CALL(factory, release);
}

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
  EditionRatioReporter reporter(isatty(STDOUT_FILENO) != 0, "vst2", "vst3",
                                "ns per frame at 512 frames; ratio = VST3 process / VST 2.4 processReplacing "
                                "(target: at most 1.10)");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
