// Audio and parameter events through process: both sample sizes, in place and not,
// events at their frames in any order, and the buffers hosts leave out.
#include <cmath>
#include <functional>
#include <limits>

#include "tests/clap/clap_fixture.h"
#include "tests/support/reference_audio.h"

using namespace hosting;

using namespace clap;

namespace {

template <class Sample>
class ClapProcessing : public StartedClap {
 protected:
  void setMode(double value) {
    ClapEvents events;
    events.value(0, value);
    ClapBlock<Sample> none({}, {});
    EXPECT_EQ(instance->process(none, &events), kProcessContinue);
  }
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(ClapProcessing, SampleTypes);

// Ramps whose means are exact: stereo passes the channel, mono gives the mean.
template <class Sample>
Sample expected(const std::vector<Sample> (&in)[2], std::size_t c, std::size_t i, bool mono) {
  return mono ? (in[0][i] + in[1][i]) * Sample(0.5) : in[c][i];
}

}  // namespace

TYPED_TEST(ClapProcessing, StereoIsBitExactAndMonoIsTheMeanInAndOutOfPlace) {
  using S = TypeParam;
  for (const bool inPlace : {false, true}) {
    for (const bool mono : {false, true}) {
      this->setMode(mono ? 1.0 : 0.0);
      // 17 frames into 32-frame buffers: the rest stays untouched.
      ClapBlock<S> block(ramp<S>(32, S(-0.75), S(0.0625)), ramp<S>(32, S(0.5), S(-0.03125)), inPlace);
      const std::vector<S> in[2] = {block.in[0], block.in[1]};
      ASSERT_EQ(this->instance->process(block, nullptr, 17), kProcessContinue);
      EXPECT_EQ(block.outputBuffer.constant_mask, 0u) << "a stale mask is rewritten";
      for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < 32; ++i) {
          const S value = block.result(c)[i];
          if (i < 17)
            ASSERT_EQ(value, expected(in, c, i, mono)) << (inPlace ? "in place " : "") << c << "/" << i;
          else if (inPlace)
            ASSERT_EQ(value, in[c][i]) << "frame " << i << " beyond the block";
          else
            ASSERT_TRUE(std::isnan(value)) << "frame " << i << " beyond the block";
        }
        if (!inPlace) {
          ASSERT_EQ(block.in[c], in[c]) << "inputs untouched";
        }
      }
    }
  }
}

TYPED_TEST(ClapProcessing, EventsSwitchTheModeAtExactlyTheirFrames) {
  using S = TypeParam;
  struct Case {
    const char* what;
    std::function<void(ClapEvents&)> events;
    std::vector<std::pair<std::size_t, std::size_t>> monoFrames;  // [from, to) ranges
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"one at frame 8", [](ClapEvents& e) { e.value(8, 1.0); }, {{8, 16}}},
      {"sorted, with a NaN and values outside 0 … 1",
       [&](ClapEvents& e) { e.value(3, 0.7).value(5, nan).value(6, 2.0).value(9, -4.0).value(12, 1.0); },
       {{6, 9}, {12, 16}}},
      {"out of order counts as now", [](ClapEvents& e) { e.value(10, 1.0).value(4, 0.0).value(14, 1.0); },
       {{14, 16}}},
      {"beyond the block: its last frame", [](ClapEvents& e) { e.value(2, 1.0).value(1000, 0.0); }, {{2, 15}}},
      {"other parameters, spaces and types ignored",
       [](ClapEvents& e) { e.value(1, 1.0, 1).value(2, 1.0, 0, 1).transport(3).value(4, 1.0); }, {{4, 16}}},
      {"note fields zero-filled", [](ClapEvents& e) { e.value(5, 1.0, 0, 0, true); }, {{5, 16}}},
  };
  for (const Case& c : cases) {
    this->setMode(0.0);
    ClapEvents events;
    c.events(events);
    ClapBlock<S> block(ramp<S>(16, S(1), S(1)), ramp<S>(16, S(-100), S(4)));
    const std::vector<S> in[2] = {block.in[0], block.in[1]};
    ASSERT_EQ(this->instance->process(block, &events), kProcessContinue) << c.what;
    for (std::size_t i = 0; i < 16; ++i) {
      bool mono = false;
      for (const auto& [from, to] : c.monoFrames) mono = mono || (i >= from && i < to);
      for (std::size_t ch = 0; ch < 2; ++ch)
        ASSERT_EQ(block.out[ch][i], expected(in, ch, i, mono)) << c.what << ", frame " << i;
    }
  }
}

TYPED_TEST(ClapProcessing, MissingAndShortBuffersProcessWithoutTouchingForeignMemory) {
  using S = TypeParam;
  this->setMode(1.0);
  const std::uint32_t frames = 700;  // beyond the scratch: processed in parts
  ClapBlock<S> block(ramp<S>(frames, S(1), S(1)), ramp<S>(frames, S(0), S(0)));
  // One channel each way: the one input feeds both sides of the core.
  block.inputBuffer.channel_count = block.outputBuffer.channel_count = 1;
  ASSERT_EQ(this->instance->process(block), kProcessContinue);
  for (std::uint32_t i = 0; i < frames; ++i) ASSERT_EQ(block.out[0][i], block.in[0][i]) << "frame " << i;
  EXPECT_TRUE(std::isnan(block.out[1][0])) << "the second output was not given";
  // No input port: the core reads silence.
  block.process.audio_inputs_count = 0;
  block.process.audio_inputs = nullptr;
  ASSERT_EQ(this->instance->process(block), kProcessContinue);
  for (std::uint32_t i = 0; i < frames; ++i) ASSERT_EQ(block.out[0][i], S(0)) << "frame " << i;
  // No output port, or one without buffers: events still apply.
  ClapEvents stereo;
  stereo.value(0, 0.0);
  block.outputBuffer.data32 = nullptr;
  block.outputBuffer.data64 = nullptr;
  ASSERT_EQ(this->instance->process(block, &stereo), kProcessContinue);
  EXPECT_EQ(this->instance->value(), 0.0);
  ClapEvents mono;
  mono.value(0, 1.0);
  block.process.audio_outputs_count = 0;
  block.process.audio_outputs = nullptr;
  block.process.in_events = nullptr;
  ASSERT_EQ(this->instance->plugin->process(this->instance->plugin, &block.process), kProcessContinue);
  ASSERT_EQ(this->instance->process(block, &mono), kProcessContinue);
  EXPECT_EQ(this->instance->value(), 1.0);
}
