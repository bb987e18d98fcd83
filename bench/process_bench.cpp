// Time per frame of the built plug-in, driven through AEffect as a host drives it, next
// to a memcpy of the same buffers, the same work written by hand and the effect's
// arithmetic as a plain loop, all in one run; the plug-in also on subnormal input. A
// summary at the end prints every ratio from the medians (or the single runs).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "bench/bench_host.h"
#include "bench/bench_summary.h"
#include "bench/hand_loops.h"

namespace {

const PluginModule& pluginModule() {
  static const PluginModule module(PluginModule::defaultPath());
  return module;
}

template <class Sample>
constexpr const char* pathName() {
  return sizeof(Sample) == sizeof(float) ? "float" : "double";
}

template <class Sample>
bool sameBits(const std::vector<Sample>& a, const std::vector<Sample>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Sample)) == 0;
}

template <class Sample>
void handLoop(FoldMode mode, StereoBuffers<Sample>& buffers) {
  if (mode == FoldMode::mono)
    handMean(buffers.inputs(), buffers.outputs(), buffers.frames());
  else
    handPassThrough(buffers.inputs(), buffers.outputs(), buffers.frames());
}

template <class Sample>
void pluginCase(benchmark::State& state, FoldMode mode, std::int32_t frames, Signal signal) {
  BenchInstance plugin(pluginModule(), mode, frames);
  StereoBuffers<Sample> reference(frames, signal);
  plainEffectLoop(reference.inputs(), reference.outputs(), frames, mode == FoldMode::mono);
  StereoBuffers<Sample> buffers(frames, signal);
  plugin.processUnchecked(buffers.inputs(), buffers.outputs(), frames);
  if (!sameBits(buffers.output(0), reference.output(0)) || !sameBits(buffers.output(1), reference.output(1))) {
    state.SkipWithError("the plug-in's output differs from the effect's arithmetic as a plain loop");
    return;
  }
  const std::int64_t queriesBefore = hostTimeQueries();
  timeBlocks(state, frames, [&](std::int32_t n) { plugin.processUnchecked(buffers.inputs(), buffers.outputs(), n); });
  state.counters["time_queries"] =
      benchmark::Counter(static_cast<double>(hostTimeQueries() - queriesBefore), benchmark::Counter::kAvgIterations);
}

// In place, as many hosts call: the outputs are the input buffers. Stereo leaves them
// as they are and mono makes both channels their mean, so every block sees the same
// kind of signal.
template <class Sample>
void pluginInPlaceCase(benchmark::State& state, FoldMode mode, std::int32_t frames) {
  BenchInstance plugin(pluginModule(), mode, frames);
  StereoBuffers<Sample> buffers(frames);
  timeBlocks(state, frames, [&](std::int32_t n) { plugin.processUnchecked(buffers.inputs(), buffers.inputs(), n); });
}

template <class Sample>
void handCase(benchmark::State& state, FoldMode mode, std::int32_t frames) {
  StereoBuffers<Sample> buffers(frames);
  timeBlocks(state, frames, [&](std::int32_t) { handLoop(mode, buffers); });
}

template <class Sample>
void plainLoopCase(benchmark::State& state, FoldMode mode, std::int32_t frames) {
  StereoBuffers<Sample> buffers(frames);
  const bool mono = mode == FoldMode::mono;
  timeBlocks(state, frames, [&](std::int32_t n) { plainEffectLoop(buffers.inputs(), buffers.outputs(), n, mono); });
}

template <class Sample>
void memcpyCase(benchmark::State& state, std::int32_t frames) {
  StereoBuffers<Sample> buffers(frames);
  timeBlocks(state, frames, [&](std::int32_t n) { copyChannels(buffers.inputs(), buffers.outputs(), n); });
}

// A block of 0 or 1 frames: the block section with its four time queries, plus the
// call through AEffect. "per_block" is the time of one call.
template <class Sample>
void blockCase(benchmark::State& state, std::int32_t frames) {
  BenchInstance plugin(pluginModule(), FoldMode::mono, 512);
  StereoBuffers<Sample> buffers(frames);
  const std::int64_t queriesBefore = hostTimeQueries();
  for (auto _ : state) {
    plugin.processUnchecked(buffers.inputs(), buffers.outputs(), frames);
    benchmark::ClobberMemory();
  }
  state.counters["per_block"] = benchmark::Counter(
      1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["time_queries"] =
      benchmark::Counter(static_cast<double>(hostTimeQueries() - queriesBefore), benchmark::Counter::kAvgIterations);
}

template <class Sample>
void registerPath() {
  const std::string path = pathName<Sample>();
  for (const std::int32_t frames : kBenchFrameCounts) {
    for (const FoldMode mode : {FoldMode::stereo, FoldMode::mono}) {
      const std::string suffix = path + "/" + modeName(mode) + "/" + std::to_string(frames);
      benchmark::RegisterBenchmark(("plugin/" + suffix).c_str(), pluginCase<Sample>, mode, frames, Signal::noise);
      benchmark::RegisterBenchmark(("hand/" + suffix).c_str(), handCase<Sample>, mode, frames);
      benchmark::RegisterBenchmark(("plain/" + suffix).c_str(), plainLoopCase<Sample>, mode, frames);
      if (frames == kSubnormalFrames) {
        benchmark::RegisterBenchmark(("subnormal/" + suffix).c_str(), pluginCase<Sample>, mode, frames,
                                     Signal::subnormal);
        benchmark::RegisterBenchmark(("inplace/" + suffix).c_str(), pluginInPlaceCase<Sample>, mode, frames);
      }
    }
    benchmark::RegisterBenchmark(("memcpy/" + path + "/" + std::to_string(frames)).c_str(), memcpyCase<Sample>,
                                 frames);
  }
  for (const std::int32_t frames : {0, 1})
    benchmark::RegisterBenchmark(("block/" + path + "/" + std::to_string(frames)).c_str(), blockCase<Sample>, frames);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    pluginModule();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  registerPath<float>();
  registerPath<double>();
  SummaryReporter reporter(isatty(STDOUT_FILENO) != 0);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
