// Time per frame of the VST3 edition's process next to the VST 2.4 edition's
// processReplacing, both loaded from their built binaries and driven as hosts drive
// them, at 512 frames per block; a closing table gives the VST3/VST 2.4 ratio per path
// and mode (the target is at most 1.1).
#include "bench/bench_summary.h"
#include "bench/edition_ratio.h"
#include "hosting/vst3_host.h"
#include "hosting/editions_under_test.h"

using namespace hosting;

namespace {

Vst3Module& vst3Module() {
  static Vst3Module* module = new Vst3Module(vst3BinaryUnderTest());
  return *module;
}

template <class Sample>
void vst3Case(benchmark::State& state, FoldMode mode) {
  vst3::IPluginFactory* factory = vst3Module().factory();
  {
    Vst3Instance plugin(factory);
    plugin.start(48000.0, kEditionFrames, sizeof(Sample) == sizeof(float) ? vst3::kSample32 : vst3::kSample64);
    ParameterChanges changes;
    changes.add(0, {{0, mode == FoldMode::mono ? 1.0 : 0.0}});
    StereoBuffers<Sample> buffers(kEditionFrames);
    plugin.process(buffers.inputs(), buffers.outputs(), kEditionFrames, &changes);
    StereoBuffers<Sample> reference(kEditionFrames);
    BenchInstance(vst2Library(), mode, kEditionFrames)
        .processUnchecked(reference.inputs(), reference.outputs(), kEditionFrames);
    if (buffers.output(0) != reference.output(0) || buffers.output(1) != reference.output(1)) {
      state.SkipWithError("the VST3 edition's output differs from the VST 2.4 library's");
      V3CALL(factory, release);
      return;
    }
    // An empty list every block, as hosts pass one even without changes.
    ParameterChanges none;
    timeBlocks(state, kEditionFrames, [&](std::int32_t n) { plugin.process(buffers.inputs(), buffers.outputs(), n, &none); });
  }
  V3CALL(factory, release);
}

}  // namespace

int main(int argc, char** argv) {
  return runEditionComparison(argc, argv, "vst3",
                              "ns per frame at 512 frames; ratio = VST3 process / VST 2.4 processReplacing "
                              "(target: at most 1.10)",
                              vst3Case<float>, vst3Case<double>);
}
