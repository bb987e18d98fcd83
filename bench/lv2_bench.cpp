// The LV2 edition's cost over the VST 2.4 library's: time per frame of one LV2 run and
// of one processReplacing call over the same buffers, in both modes. The LV2 module
// hosts the same core in-process, so the difference is its own layer: the control
// check and the call through the in-process host. Target: LV2 within 1.1x.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_host.h"
#include "bench/bench_summary.h"
#include "bench/edition_ratio.h"
#include "hosting/lv2_host.h"
#include "hosting/editions_under_test.h"

using namespace hosting;

namespace {

const PluginModule& vstModule() {
  static const PluginModule module(PluginModule::defaultPath());
  return module;
}

const Lv2Module& lv2Module() {
  static const Lv2Module module(lv2BundleUnderTest(), lv2BinaryName());
  return module;
}

// An activated LV2 instance connected to the buffers, in the mode.
class Lv2Run {
 public:
  Lv2Run(FoldMode mode, StereoBuffers<float>& buffers)
      : descriptor_(lv2Module().descriptor(kTwinfoldUri)),
        instance_(descriptor_, descriptor_->instantiate(descriptor_, 48000.0, lv2Module().bundle().c_str(),
                                                        features_.list())),
        control_(mode == FoldMode::mono ? 1.0f : 0.0f) {
    instance_.connect(kInLeft, buffers.inputs()[0]);
    instance_.connect(kInRight, buffers.inputs()[1]);
    instance_.connect(kOutLeft, buffers.outputs()[0]);
    instance_.connect(kOutRight, buffers.outputs()[1]);
    instance_.connect(kModePort, &control_);
    instance_.activate();
  }
  ~Lv2Run() { instance_.deactivate(); }
  void run(std::int32_t frames) { instance_.run(static_cast<std::uint32_t>(frames)); }

 private:
  Lv2Features features_{4096};
  const LV2_Descriptor* descriptor_;
  Lv2Instance instance_;
  float control_;
};

bool sameOutputs(const StereoBuffers<float>& a, const StereoBuffers<float>& b) {
  return std::memcmp(a.output(0).data(), b.output(0).data(), a.output(0).size() * sizeof(float)) == 0 &&
         std::memcmp(a.output(1).data(), b.output(1).data(), a.output(1).size() * sizeof(float)) == 0;
}

void vstCase(benchmark::State& state, FoldMode mode, std::int32_t frames) {
  BenchInstance plugin(vstModule(), mode, frames);
  StereoBuffers<float> buffers(frames);
  timeBlocks(state, frames, [&](std::int32_t n) { plugin.processUnchecked(buffers.inputs(), buffers.outputs(), n); });
}

void lv2Case(benchmark::State& state, FoldMode mode, std::int32_t frames) {
  StereoBuffers<float> buffers(frames);
  Lv2Run lv2(mode, buffers);
  lv2.run(frames);
  StereoBuffers<float> reference(frames);
  BenchInstance(vstModule(), mode, frames).processUnchecked(reference.inputs(), reference.outputs(), frames);
  if (!sameOutputs(buffers, reference)) {
    state.SkipWithError("the LV2 edition's output differs from the VST 2.4 library's");
    return;
  }
  timeBlocks(state, frames, [&](std::int32_t n) { lv2.run(n); });
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!lv2Module().descriptor(kTwinfoldUri)) {
    std::fprintf(stderr, "cannot load the LV2 bundle %s\n", lv2BundleUnderTest().c_str());
    return 1;
  }
  for (const std::int32_t frames : kBenchFrameCounts)
    for (const FoldMode mode : {FoldMode::stereo, FoldMode::mono}) {
      const std::string suffix = std::string(modeName(mode)) + "/" + std::to_string(frames);
      benchmark::RegisterBenchmark(("vst/" + suffix).c_str(), vstCase, mode, frames);
      benchmark::RegisterBenchmark(("lv2/" + suffix).c_str(), lv2Case, mode, frames);
    }
  EditionRatioReporter reporter(isatty(STDOUT_FILENO) != 0, "vst", "lv2",
                                "ns per frame; ratio = LV2 run / VST 2.4 processReplacing (target: at most 1.10 at 512)");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
