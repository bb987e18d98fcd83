// A tiny driver for counting instructions with callgrind: it sets up one case, runs a
// warm-up block, then processes `blocks` blocks inside twinfoldMeasuredBlocks, the one
// function that callgrind.sh collects (--toggle-collect), so set-up and loading are
// not counted.
//
//   twinfold_instruction_count plugin|vst3|clap|lv2|hand|plain|memcpy float|double stereo|mono FRAMES BLOCKS
//
// vst3, clap and lv2 run that edition's built file (TWINFOLD_VST3, TWINFOLD_CLAP,
// TWINFOLD_LV2_BUNDLE name others) as its hosts do: VST3 with an empty parameter-change
// list and a process context, CLAP with an empty event list and a transport, LV2 (float
// only) with an empty atom sequence on its transport input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <lv2/atom/forge.h>

#include "bench/bench_host.h"
#include "bench/hand_loops.h"
#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

struct Work {
  void (*runBlock)(void* context);
  void* context;
};

template <class Sample>
struct PluginWork {
  BenchInstance& plugin;
  StereoBuffers<Sample>& buffers;
  static void run(void* context) {
    auto* self = static_cast<PluginWork*>(context);
    self->plugin.processUnchecked(self->buffers.inputs(), self->buffers.outputs(), self->buffers.frames());
  }
};

template <class Sample>
struct PlainLoopWork {
  bool mono;
  StereoBuffers<Sample>& buffers;
  static void run(void* context) {
    auto* self = static_cast<PlainLoopWork*>(context);
    plainEffectLoop(self->buffers.inputs(), self->buffers.outputs(), self->buffers.frames(), self->mono);
  }
};

template <class Sample>
struct LoopWork {
  void (*loop)(const Sample* const*, Sample* const*, std::int32_t);
  StereoBuffers<Sample>& buffers;
  static void run(void* context) {
    auto* self = static_cast<LoopWork*>(context);
    self->loop(self->buffers.inputs(), self->buffers.outputs(), self->buffers.frames());
  }
};

}  // namespace

extern "C" __attribute__((noinline)) void twinfoldMeasuredBlocks(const Work& work, std::int32_t blocks) {
  for (std::int32_t b = 0; b < blocks; ++b) work.runBlock(work.context);
  __asm__ volatile("" ::: "memory");
}

namespace {

void measure(const Work& work, std::int32_t blocks) {
  work.runBlock(work.context);  // warm-up: first-call set-up is not per-block cost
  twinfoldMeasuredBlocks(work, blocks);
}

template <class Sample>
struct Vst3Work {
  Vst3Instance& plugin;
  StereoBuffers<Sample>& buffers;
  ParameterChanges changes;
  vst3::ProcessContext context{};
  static void run(void* context) {
    auto* self = static_cast<Vst3Work*>(context);
    self->plugin.process(self->buffers.inputs(), self->buffers.outputs(), self->buffers.frames(), &self->changes,
                         &self->context);
  }
};

template <class Sample>
int runVst3(FoldMode mode, StereoBuffers<Sample>& buffers, std::int32_t blocks) {
  Vst3Module module(vst3BinaryUnderTest());
  vst3::IPluginFactory* factory = module.factory();
  if (!factory) return 1;
  {
    Vst3Instance plugin(factory);
    plugin.start(48000.0, std::max(buffers.frames(), 1), sizeof(Sample) == 4 ? vst3::kSample32 : vst3::kSample64);
    Vst3Work<Sample> work{plugin, buffers, {}};
    ParameterChanges setMode;
    setMode.add(0, {{0, mode == FoldMode::mono ? 1.0 : 0.0}});
    plugin.process(buffers.inputs(), buffers.outputs(), buffers.frames(), &setMode);
    work.context.state = vst3::kContextPlaying | vst3::kContextTempoValid | vst3::kContextProjectTimeMusicValid;
    work.context.tempo = 120.0;
    work.context.sampleRate = 48000.0;
    measure(Work{Vst3Work<Sample>::run, &work}, blocks);
    plugin.releaseAll();
  }
  factory->table->release(factory);
  return 0;
}

template <class Sample>
struct ClapWork {
  ClapInstance& plugin;
  ClapBlock<Sample>& block;
  ClapEvents none;
  static void run(void* context) {
    auto* self = static_cast<ClapWork*>(context);
    self->plugin.process(self->block, &self->none);
  }
};

template <class Sample>
int runClap(FoldMode mode, StereoBuffers<Sample>& buffers, std::int32_t blocks) {
  ClapModule module(clapFileUnderTest());
  if (!module.loaded() || !module.entry().init(clapFileUnderTest().c_str())) return 1;
  {
    ClapHost host;
    ClapInstance plugin(module.factory(), host);
    if (!plugin.start(48000.0, static_cast<std::uint32_t>(std::max(buffers.frames(), 1)))) return 1;
    ClapBlock<Sample> block{std::vector<Sample>(buffers.frames()), std::vector<Sample>(buffers.frames())};
    for (int c = 0; c < 2; ++c) {
      block.inputs[c] = buffers.inputs()[c];
      block.outputs[c] = buffers.outputs()[c];
    }
    clap::clap_event_transport transport{};
    transport.header.size = sizeof transport;
    transport.header.type = clap::kEventTransport;
    transport.flags = clap::kTransportHasTempo | clap::kTransportIsPlaying;
    transport.tempo = 120.0;
    block.process.transport = &transport;
    ClapEvents setMode;
    setMode.value(0, mode == FoldMode::mono ? 1.0 : 0.0);
    plugin.process(block, &setMode);
    ClapWork<Sample> work{plugin, block, {}};
    measure(Work{ClapWork<Sample>::run, &work}, blocks);
  }
  module.entry().deinit();
  return 0;
}

struct Lv2Work {
  Lv2Instance& plugin;
  std::uint32_t frames;
  static void run(void* context) {
    auto* self = static_cast<Lv2Work*>(context);
    self->plugin.run(self->frames);
  }
};

int runLv2(FoldMode mode, StereoBuffers<float>& buffers, std::int32_t blocks) {
  const Lv2Module module(lv2BundleUnderTest(), lv2BinaryName());
  const LV2_Descriptor* descriptor = module.loaded() ? module.descriptor(kTwinfoldUri) : nullptr;
  if (!descriptor) return 1;
  Lv2Features features(std::max(buffers.frames(), 1));
  LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, module.bundle().c_str(), features.list());
  if (!handle) return 1;
  Lv2Instance plugin(descriptor, handle);
  float control = mode == FoldMode::mono ? 1.0f : 0.0f;
  // An empty sequence on the transport input, as hosts pass between positions.
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(features.mapFeature()->data)));
  std::uint8_t sequence[64];
  lv2_atom_forge_set_buffer(&forge, sequence, sizeof sequence);
  LV2_Atom_Forge_Frame frame;
  lv2_atom_forge_sequence_head(&forge, &frame, 0);
  lv2_atom_forge_pop(&forge, &frame);
  plugin.connect(kInLeft, buffers.inputs()[0]);
  plugin.connect(kInRight, buffers.inputs()[1]);
  plugin.connect(kOutLeft, buffers.outputs()[0]);
  plugin.connect(kOutRight, buffers.outputs()[1]);
  plugin.connect(kModePort, &control);
  plugin.connect(kPortCount, sequence);  // the transport input follows the mode control
  plugin.activate();
  Lv2Work work{plugin, static_cast<std::uint32_t>(buffers.frames())};
  measure(Work{Lv2Work::run, &work}, blocks);
  plugin.deactivate();
  return 0;
}

template <class Sample>
int runCase(const std::string& kind, FoldMode mode, std::int32_t frames, std::int32_t blocks) {
  StereoBuffers<Sample> buffers(frames);
  if (kind == "vst3") return runVst3(mode, buffers, blocks);
  if (kind == "clap") return runClap(mode, buffers, blocks);
  if constexpr (sizeof(Sample) == sizeof(float))
    if (kind == "lv2") return runLv2(mode, buffers, blocks);
  if (kind == "plugin") {
    const PluginModule module(PluginModule::defaultPath());
    BenchInstance plugin(module, mode, frames);
    PluginWork<Sample> work{plugin, buffers};
    measure(Work{PluginWork<Sample>::run, &work}, blocks);
    return 0;
  }
  if (kind == "plain") {
    PlainLoopWork<Sample> work{mode == FoldMode::mono, buffers};
    measure(Work{PlainLoopWork<Sample>::run, &work}, blocks);
    return 0;
  }
  using Loop = void (*)(const Sample* const*, Sample* const*, std::int32_t);
  Loop loop = nullptr;
  if (kind == "hand") loop = mode == FoldMode::mono ? Loop{handMean} : Loop{handPassThrough};
  if (kind == "memcpy") loop = copyChannels;
  if (!loop) return 2;
  LoopWork<Sample> work{loop, buffers};
  measure(Work{LoopWork<Sample>::run, &work}, blocks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s plugin|vst3|clap|lv2|hand|plain|memcpy float|double stereo|mono FRAMES BLOCKS\n",
                 argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  const std::string path = argv[2];
  const FoldMode mode = std::string(argv[3]) == "mono" ? FoldMode::mono : FoldMode::stereo;
  const auto frames = static_cast<std::int32_t>(std::atoi(argv[4]));
  const auto blocks = static_cast<std::int32_t>(std::atoi(argv[5]));
  try {
    const int status = path == "double" ? runCase<double>(kind, mode, frames, blocks)
                                        : runCase<float>(kind, mode, frames, blocks);
    if (status != 0) std::fprintf(stderr, "unknown case %s\n", kind.c_str());
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
