// Audio and parameter changes through process: both sample sizes, in place and not,
// sample-accurate switching, calls without audio, and the buses hosts leave out.
#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

using namespace vst3;

namespace {

template <class Sample>
class Vst3Processing : public StartedInstance {
 protected:
  void SetUp() override {
    StartedInstance::SetUp();
    if constexpr (sizeof(Sample) == sizeof(double)) {
      // Doubles need their own set-up, as a host switching precision does.
      V3CALL(instance->processor, setProcessing, 0);
      V3CALL(instance->component, setActive, 0);
      ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
      V3CALL(instance->processor, setupProcessing, &setup);
      V3CALL(instance->component, setActive, 1);
      V3CALL(instance->processor, setProcessing, 1);
    }
  }
  // Runs one block through the instance; answers the outputs.
  std::array<std::vector<Sample>, 2> run(Block<Sample>& block, IParameterChanges* changes = nullptr) {
    EXPECT_EQ(instance->process(block.inputs.data(), block.outputs.data(), block.frames(), changes), kResultOk);
    return {block.result(0), block.result(1)};
  }
  void setMode(double value) {
    ParameterChanges changes;
    changes.add(0, {{0, value}});
    Block<Sample> none({}, {});
    run(none, &changes);
  }
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(Vst3Processing, SampleTypes);

// The value at frame i: stereo passes the channel, mono gives (left + right) * 0.5.
template <class Sample>
Sample expected(const Block<Sample>& block, std::size_t channel, std::size_t i, bool mono) {
  return mono ? (block.in[0][i] + block.in[1][i]) * Sample(0.5) : block.in[channel][i];
}

}  // namespace

TYPED_TEST(Vst3Processing, StereoIsBitExactAndMonoIsTheMeanInAndOutOfPlace) {
  using S = TypeParam;
  for (const bool inPlace : {false, true}) {
    for (const bool mono : {false, true}) {
      this->setMode(mono ? 1.0 : 0.0);
      Block<S> block(ramp<S>(64, S(-0.75), S(0.0173)), ramp<S>(64, S(0.5), S(-0.011)), inPlace);
      const Block<S> original = block;
      const auto out = this->run(block);
      for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < out[c].size(); ++i)
          ASSERT_EQ(bitsOf(out[c][i]), bitsOf(expected(original, c, i, mono)))
              << (mono ? "mono" : "stereo") << (inPlace ? " in place" : "") << " channel " << c << " frame " << i;
    }
  }
}

TYPED_TEST(Vst3Processing, AutomationPointsSwitchAtExactlyTheirFrames) {
  using S = TypeParam;
  ParameterChanges changes;
  // Unsorted, with a NaN to ignore and values outside 0 … 1 to clamp.
  changes.add(0, {{40, -3.0}, {10, 0.7}, {25, std::numeric_limits<double>::quiet_NaN()}, {55, 2.0}, {25, 0.2}});
  changes.add(7, {{30, 1.0}});  // unknown parameter: ignored
  Block<S> block(ramp<S>(64, S(1), S(1)), ramp<S>(64, S(-100), S(3)));
  const auto out = this->run(block, &changes);
  for (std::size_t i = 0; i < 64; ++i) {
    const bool mono = (i >= 10 && i < 25) || i >= 55;
    for (std::size_t c = 0; c < 2; ++c)
      ASSERT_EQ(out[c][i], expected(block, c, i, mono)) << "channel " << c << " frame " << i;
  }
  // Offsets past the block apply at its last frame; the mode stays for the next block.
  ParameterChanges late;
  late.add(0, {{1000, 0.0}});
  Block<S> next(ramp<S>(8, S(2), S(1)), ramp<S>(8, S(0), S(0)));
  const auto after = this->run(next, &late);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(after[0][i], expected(next, 0, i, i < 7)) << "frame " << i;
}

TYPED_TEST(Vst3Processing, CallsWithoutAudioStillCarryParameterChanges) {
  using S = TypeParam;
  ParameterChanges changes;
  changes.add(0, {{0, 1.0}});
  ProcessData data{};
  data.symbolicSampleSize = sizeof(S) == 4 ? kSample32 : kSample64;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(V3CALL(this->instance->processor, process, &data), kResultOk);  // no buses at all
  Block<S> block(ramp<S>(4, S(1), S(1)), ramp<S>(4, S(3), S(0)));
  auto out = this->run(block);
  EXPECT_EQ(out[0][0], S(2)) << "mono after a flush with no buses";

  ParameterChanges back;
  back.add(0, {{0, 0.0}});
  AudioBusBuffers empty[1] = {};
  data.numInputs = data.numOutputs = 1;
  data.inputs = data.outputs = empty;  // buses with no channels and null arrays
  data.numSamples = 16;
  data.inputParameterChanges = &back;
  ASSERT_EQ(V3CALL(this->instance->processor, process, &data), kResultOk);
  out = this->run(block);
  EXPECT_EQ(out[0][0], S(1)) << "stereo after a flush over empty buses";
}

TYPED_TEST(Vst3Processing, MissingAndShortBusesProcessWithoutTouchingForeignMemory) {
  using S = TypeParam;
  this->setMode(1.0);
  const std::int32_t frames = 700;  // beyond the maximum block: the scratch is used in parts
  std::vector<S> left = ramp<S>(frames, S(1), S(1)), outLeft(frames, S(-7));
  S* inChannels[1] = {left.data()};
  S* outChannels[1] = {outLeft.data()};
  AudioBusBuffers in{};
  AudioBusBuffers out{};
  in.numChannels = out.numChannels = 1;
  ProcessData data{};
  data.symbolicSampleSize = sizeof(S) == 4 ? kSample32 : kSample64;
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  if constexpr (sizeof(S) == 4) {
    in.channelBuffers32 = inChannels;
    out.channelBuffers32 = outChannels;
  } else {
    in.channelBuffers64 = inChannels;
    out.channelBuffers64 = outChannels;
  }
  // One channel each way: the one input feeds both sides of the core.
  ASSERT_EQ(V3CALL(this->instance->processor, process, &data), kResultOk);
  for (std::int32_t i = 0; i < frames; ++i) ASSERT_EQ(outLeft[i], left[i]) << "frame " << i;
  EXPECT_EQ(out.silenceFlags, 0u);
  // No input bus: the core reads silence.
  data.numInputs = 0;
  data.inputs = nullptr;
  ASSERT_EQ(V3CALL(this->instance->processor, process, &data), kResultOk);
  for (std::int32_t i = 0; i < frames; ++i) ASSERT_EQ(outLeft[i], S(0)) << "frame " << i;
}
