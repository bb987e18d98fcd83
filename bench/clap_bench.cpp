// Time per frame of the CLAP edition's process next to the VST 2.4 edition's
// processReplacing, both loaded from their built files and driven as hosts drive them,
// at 512 frames per block; a closing table gives the CLAP/VST 2.4 ratio per path and
// mode (the target is at most 1.1).
#include "bench/bench_summary.h"
#include "bench/edition_ratio.h"
#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"

using namespace hosting;

namespace {

const ClapModule& clapModule() {
  static const ClapModule* module = [] {
    auto* loaded = new ClapModule(clapFileUnderTest());
    if (loaded->loaded()) loaded->entry().init(clapFileUnderTest().c_str());
    return loaded;
  }();
  return *module;
}

template <class Sample>
void clapCase(benchmark::State& state, FoldMode mode) {
  ClapHost host;
  ClapInstance plugin(clapModule().factory(), host);
  if (!plugin.initialized || !plugin.start(48000.0, kEditionFrames)) {
    state.SkipWithError("the CLAP edition did not load");
    return;
  }
  // The block's records over the same buffers as the VST 2.4 case, so both read and
  // write memory of the same alignment.
  StereoBuffers<Sample> buffers(kEditionFrames);
  ClapBlock<Sample> block{std::vector<Sample>(kEditionFrames), std::vector<Sample>(kEditionFrames)};
  for (int c = 0; c < 2; ++c) {
    block.inputs[c] = buffers.inputs()[c];
    block.outputs[c] = buffers.outputs()[c];
  }
  ClapEvents setMode;
  setMode.value(0, mode == FoldMode::mono ? 1.0 : 0.0);
  plugin.process(block, &setMode);
  StereoBuffers<Sample> reference(kEditionFrames);
  BenchInstance(vst2Library(), mode, kEditionFrames)
      .processUnchecked(reference.inputs(), reference.outputs(), kEditionFrames);
  if (buffers.output(0) != reference.output(0) || buffers.output(1) != reference.output(1)) {
    state.SkipWithError("the CLAP edition's output differs from the VST 2.4 library's");
    return;
  }
  // An empty event list every block, as hosts pass one even without changes.
  ClapEvents none;
  timeBlocks(state, kEditionFrames,
             [&](std::int32_t n) { plugin.process(block, &none, static_cast<std::uint32_t>(n)); });
}

}  // namespace

int main(int argc, char** argv) {
  return runEditionComparison(argc, argv, "clap",
                              "ns per frame at 512 frames; ratio = CLAP process / VST 2.4 processReplacing "
                              "(target: at most 1.10)",
                              clapCase<float>, clapCase<double>);
}
