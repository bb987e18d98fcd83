// A tiny driver for counting instructions with callgrind: it sets up one case, runs a
// warm-up block, then processes `blocks` blocks inside twinfoldMeasuredBlocks, the one
// function that callgrind.sh collects (--toggle-collect), so set-up and loading are
// not counted.
//
//   twinfold_instruction_count plugin|hand|plain|memcpy float|double stereo|mono FRAMES BLOCKS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/bench_host.h"
#include "bench/hand_loops.h"

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
int runCase(const std::string& kind, FoldMode mode, std::int32_t frames, std::int32_t blocks) {
  StereoBuffers<Sample> buffers(frames);
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
    std::fprintf(stderr, "usage: %s plugin|hand|plain|memcpy float|double stereo|mono FRAMES BLOCKS\n", argv[0]);
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
