// The LV2 edition against an independent plug-in that does the same job, both loaded by
// URI through lilv in one process and run over the same buffers: x42's stereo routing
// utility (Debian's x42-plugins), "routing" 6 passing both channels through and 1 the
// -6 dB mono downmix, against this edition's "mode" 0 and 1; memcpy of the same
// buffers as the floor. Time per frame at the block sizes live hosts run, then the
// ratios. Without x42-plugins the peer's cases are skipped, said so, and the edition
// is still timed against memcpy.
#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/bench_host.h"
#include "bench/bench_summary.h"
#include "bench/hand_loops.h"
#include "hosting/lv2_host.h"
#include "hosting/editions_under_test.h"

using namespace hosting;

namespace {

constexpr const char* kPeerUri = "http://gareus.org/oss/lv2/stereoroute";
constexpr std::int32_t kPeerFrameCounts[] = {32, 64, 128, 512, 2048};
constexpr double kSampleRate = 48000.0;

// One plug-in as the benchmark runs it: its URI, the symbol of its mode control and the
// control's value for each mode.
struct Contender {
  const char* name;
  const char* uri;
  const char* control;
  float stereo, mono;
};
const Contender kEdition{"lv2", kTwinfoldUri, "mode", 0.0f, 1.0f};
const Contender kPeer{"peer", kPeerUri, "routing", 6.0f, 1.0f};

// The world a host sees: this build's bundle first, then every bundle on LV2_PATH (or
// the usual folders). A newer installed copy of the plug-in found there replaces the
// build's; editionIsThisBuild tells, and the benchmark's test names only LV2's
// vocabulary, the build and the peer.
class World {
 public:
  World() : world_(lilv_world_new()) {
    const std::string bundle = std::filesystem::absolute(lv2BundleUnderTest()).string() + "/";
    LilvNode* bundleUri = lilv_new_file_uri(world_, nullptr, bundle.c_str());
    lilv_world_load_bundle(world_, bundleUri);
    lilv_node_free(bundleUri);
    lilv_world_load_all(world_);
  }
  ~World() { lilv_world_free(world_); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  const LilvPlugin* plugin(const char* uri) const {
    LilvNode* node = lilv_new_uri(world_, uri);
    const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
    lilv_node_free(node);
    return found;
  }
  std::uint32_t portIndex(const LilvPlugin* plugin, const char* symbol) const {
    LilvNode* node = lilv_new_string(world_, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    return port ? lilv_port_get_index(plugin, port) : UINT32_MAX;
  }

 private:
  LilvWorld* world_;
};

World& world() {
  static World* shared = new World;
  return *shared;
}

// True when lilv found the edition in the bundle this build made.
bool editionIsThisBuild(std::string& found) {
  const LilvPlugin* plugin = world().plugin(kTwinfoldUri);
  if (!plugin) return false;
  char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_bundle_uri(plugin)), nullptr);
  found = path ? path : "";
  lilv_free(path);
  std::error_code error;
  return std::filesystem::equivalent(found, lv2BundleUnderTest(), error);
}

// An activated instance made by lilv, its ports on the buffers, in the mode.
class PluginRun {
 public:
  PluginRun(const Contender& who, FoldMode mode, StereoBuffers<float>& buffers)
      : control_(mode == FoldMode::mono ? who.mono : who.stereo) {
    const LilvPlugin* plugin = world().plugin(who.uri);
    if (!plugin) return;
    instance_ = lilv_plugin_instantiate(plugin, kSampleRate, features_.list());
    if (!instance_) return;
    const char* symbols[] = {"in_left", "in_right", "out_left", "out_right"};
    float* audio[] = {buffers.inputs()[0], buffers.inputs()[1], buffers.outputs()[0], buffers.outputs()[1]};
    for (int port = 0; port < 4; ++port)
      lilv_instance_connect_port(instance_, world().portIndex(plugin, symbols[port]), audio[port]);
    lilv_instance_connect_port(instance_, world().portIndex(plugin, who.control), &control_);
    lilv_instance_activate(instance_);
  }
  ~PluginRun() {
    if (!instance_) return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
  }
  PluginRun(const PluginRun&) = delete;
  PluginRun& operator=(const PluginRun&) = delete;

  bool valid() const { return instance_ != nullptr; }
  void run(std::int32_t frames) { lilv_instance_run(instance_, static_cast<std::uint32_t>(frames)); }

 private:
  Lv2Features features_{4096};
  float control_;
  LilvInstance* instance_ = nullptr;
};

// What each plug-in must have written, so that the timed work is the work compared:
// the edition bit for bit what the effect's arithmetic gives; the peer its inputs
// (stereo) or their mean to within float rounding (mono).
bool wroteExpected(const Contender& who, FoldMode mode, StereoBuffers<float>& buffers) {
  const std::int32_t frames = buffers.frames();
  StereoBuffers<float> expected(frames);
  plainEffectLoop(expected.inputs(), expected.outputs(), frames, mode == FoldMode::mono);
  for (std::int32_t c = 0; c < 2; ++c)
    for (std::int32_t j = 0; j < frames; ++j) {
      const float got = buffers.output(c)[static_cast<std::size_t>(j)];
      const float want = expected.output(c)[static_cast<std::size_t>(j)];
      const bool mustBeExact = &who == &kEdition || mode == FoldMode::stereo;
      const bool ok = mustBeExact ? std::memcmp(&got, &want, sizeof got) == 0 : std::fabs(got - want) <= 1e-6f;
      if (!ok) return false;
    }
  return true;
}

void pluginCase(benchmark::State& state, const Contender& who, FoldMode mode, std::int32_t frames) {
  StereoBuffers<float> buffers(frames);
  PluginRun plugin(who, mode, buffers);
  if (!plugin.valid()) {
    state.SkipWithError((std::string("lilv cannot instantiate ") + who.uri).c_str());
    return;
  }
  for (int warmUp = 0; warmUp < 4; ++warmUp) plugin.run(frames);  // past any gain ramp at start
  if (!wroteExpected(who, mode, buffers)) {
    state.SkipWithError((std::string(who.name) + " wrote other samples than its mode gives").c_str());
    return;
  }
  timeBlocks(state, frames, [&](std::int32_t n) { plugin.run(n); });
}

void memcpyCase(benchmark::State& state, std::int32_t frames) {
  StereoBuffers<float> buffers(frames);
  timeBlocks(state, frames, [&](std::int32_t n) { copyChannels(buffers.inputs(), buffers.outputs(), n); });
}

// The console output, then per block size and mode the edition's time per frame over
// the peer's and over memcpy's, from the medians when repetitions ran.
class PeerReporter : public benchmark::ConsoleReporter {
 public:
  explicit PeerReporter(bool color) : benchmark::ConsoleReporter(color ? OO_Color : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) failed_ = true;
      const auto counter = run.counters.find("per_frame");
      if (run.error_occurred || counter == run.counters.end()) continue;
      if (run.run_type == Run::RT_Iteration || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
        seconds_[run.run_name.function_name] = counter->second.value * 1e9;
    }
    benchmark::ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    std::printf("\nns per frame; ratios are the LV2 edition's time over the other's "
                "(target: mono at most 1, stereo at most 2 at 32 and 64 frames and 1.5 from 128)\n");
    std::printf("%-13s %8s %8s %8s %10s %12s %12s\n", "case", "lv2", "peer", "memcpy", "lv2/peer", "lv2/memcpy",
                "peer/memcpy");
    for (const std::int32_t frames : kPeerFrameCounts)
      for (const char* mode : {"stereo", "mono"}) {
        const std::string suffix = std::string(mode) + "/" + std::to_string(frames);
        const double lv2 = find("lv2/" + suffix), peer = find("peer/" + suffix);
        const double copy = find("memcpy/" + std::to_string(frames));
        if (lv2 <= 0.0) continue;
        std::printf("%-13s %8.3f %8s %8.3f %10s %12.2f %12s\n", suffix.c_str(), lv2, text(peer, "%.3f").c_str(),
                    copy, text(peer > 0.0 ? lv2 / peer : 0.0, "%.2f").c_str(), copy > 0.0 ? lv2 / copy : 0.0,
                    text(peer > 0.0 && copy > 0.0 ? peer / copy : 0.0, "%.2f").c_str());
      }
    benchmark::ConsoleReporter::Finalize();
  }

  bool failed() const { return failed_; }

 private:
  double find(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0.0 : found->second;
  }
  static std::string text(double value, const char* format) {
    if (value <= 0.0) return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
  }

  std::map<std::string, double> seconds_;
  bool failed_ = false;
};

}  // namespace

// The one function that bench/callgrind.sh counts (--toggle-collect): `blocks` calls of
// `run`.
extern "C" __attribute__((noinline)) void twinfoldMeasuredRuns(void (*run)(void*, std::int32_t), void* context,
                                                                std::int32_t frames, std::int32_t blocks) {
  for (std::int32_t b = 0; b < blocks; ++b) run(context, frames);
  __asm__ volatile("" ::: "memory");
}

namespace {

// --count lv2|peer|memcpy stereo|mono FRAMES BLOCKS: one case run for callgrind, after a
// few runs that are not counted.
int countCase(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s --count lv2|peer|memcpy stereo|mono FRAMES BLOCKS\n", argv[0]);
    return 2;
  }
  const std::string who = argv[2];
  const FoldMode mode = std::string(argv[3]) == "mono" ? FoldMode::mono : FoldMode::stereo;
  const auto frames = static_cast<std::int32_t>(std::atoi(argv[4]));
  const auto blocks = static_cast<std::int32_t>(std::atoi(argv[5]));
  StereoBuffers<float> buffers(frames);
  if (who == "memcpy") {
    const auto copy = [](void* context, std::int32_t n) {
      auto* stereo = static_cast<StereoBuffers<float>*>(context);
      copyChannels(stereo->inputs(), stereo->outputs(), n);
    };
    copy(&buffers, frames);
    twinfoldMeasuredRuns(copy, &buffers, frames, blocks);
    return 0;
  }
  PluginRun plugin(who == "peer" ? kPeer : kEdition, mode, buffers);
  if (!plugin.valid()) {
    std::fprintf(stderr, "lilv cannot instantiate %s\n", who == "peer" ? kPeerUri : kTwinfoldUri);
    return 1;
  }
  const auto run = [](void* context, std::int32_t n) { static_cast<PluginRun*>(context)->run(n); };
  for (int warmUp = 0; warmUp < 4; ++warmUp) run(&plugin, frames);
  twinfoldMeasuredRuns(run, &plugin, frames, blocks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--count") return countCase(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::string found;
  if (!editionIsThisBuild(found)) {
    std::fprintf(stderr, "lilv does not find %s in %s%s%s\n", kTwinfoldUri, lv2BundleUnderTest().c_str(),
                 found.empty() ? "" : " but in ", found.c_str());
    return 1;
  }
  const bool peerFound = world().plugin(kPeerUri) != nullptr;
  if (!peerFound)
    std::fprintf(stderr, "peer %s not found on the LV2 path: its cases are skipped (Debian package x42-plugins)\n",
                 kPeerUri);
  for (const std::int32_t frames : kPeerFrameCounts) {
    for (const FoldMode mode : {FoldMode::stereo, FoldMode::mono}) {
      const std::string suffix = std::string(modeName(mode)) + "/" + std::to_string(frames);
      benchmark::RegisterBenchmark(("lv2/" + suffix).c_str(), pluginCase, std::cref(kEdition), mode, frames);
      if (peerFound)
        benchmark::RegisterBenchmark(("peer/" + suffix).c_str(), pluginCase, std::cref(kPeer), mode, frames);
    }
    benchmark::RegisterBenchmark(("memcpy/" + std::to_string(frames)).c_str(), memcpyCase, frames);
  }
  PeerReporter reporter(isatty(STDOUT_FILENO) != 0);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed() ? 1 : 0;
}
