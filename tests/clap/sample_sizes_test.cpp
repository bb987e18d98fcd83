// Ports of mixed sample sizes, as hosts may pass them: each port is read or written in
// the size the host gave it, and a mixed pair sounds as 32-bit ports do for the same
// samples. The inputs are floats, so every pairing gets the same input.
#include <cmath>
#include <string>

#include "tests/clap/clap_fixture.h"
#include "tests/support/reference_audio.h"

using namespace hosting;
using namespace clap;

namespace {

struct Case {
  const char* what;
  std::uint32_t frames;       // processed
  std::uint32_t bufferFrames;  // allocated; the rest must stay untouched
  std::uint32_t inputChannels;
  bool startMono;
  std::uint32_t switchAt;  // the mode flips here
};

// Longer than the front end's scratch (512 frames), odd, and switching in a later part.
const Case kCases[] = {
    {"17 of 32 frames, stereo then mono", 17, 32, 2, false, 5},
    {"17 of 32 frames, mono then stereo", 17, 32, 2, true, 11},
    {"1337 frames, stereo then mono", 1337, 1337, 2, false, 700},
    {"1337 frames, mono then stereo", 1337, 1337, 2, true, 513},
    {"one input channel, mono", 1025, 1025, 1, true, 1025},
};

// Left is noise; right is the next float above left on even frames, so that the mean
// lies halfway between two floats (a 32-bit result rounds it, a 64-bit one does not),
// and other noise on odd frames.
std::vector<float> channel(std::size_t frames, int which) {
  std::vector<float> samples = noiseSamples(frames, 17);
  if (which == 1) {
    const std::vector<float> other = noiseSamples(frames, 91);
    for (std::size_t i = 0; i < frames; ++i)
      samples[i] = i % 2 == 0 ? std::nextafter(samples[i], 2.0f) : other[i];
  }
  return samples;
}

// What the frame gives: from 32-bit samples through the 32-bit path unless both ports
// are 64-bit.
template <class In, class Out>
Out expected(float left, float right, bool mono) {
  if (!mono) return static_cast<Out>(left);
  if constexpr (std::is_same_v<In, double> && std::is_same_v<Out, double>)
    return (static_cast<double>(left) + static_cast<double>(right)) * 0.5;
  else
    return static_cast<Out>(monoMean(left, right));
}

class ClapSampleSizes : public StartedClap {
 protected:
  ClapSampleSizes() { maxFrames = 4096; }

  void setMode(bool mono) {
    ClapEvents events;
    events.value(0, mono ? 1.0 : 0.0);
    ClapBlock<float> none({}, {});
    EXPECT_EQ(instance->process(none, &events), kProcessContinue);
  }

  template <class In, class Out>
  void check(const Case& c, const char* pairing) {
    SCOPED_TRACE(std::string(pairing) + ": " + c.what);
    const std::vector<float> left = channel(c.bufferFrames, 0), right = channel(c.bufferFrames, 1);
    ClapBlock<In, Out> block(std::vector<In>(left.begin(), left.end()), std::vector<In>(right.begin(), right.end()));
    block.inputBuffer.channel_count = c.inputChannels;
    const std::vector<In> before[2] = {block.in[0], block.in[1]};
    setMode(c.startMono);
    ClapEvents events;
    events.value(c.switchAt, c.startMono ? 0.0 : 1.0);
    ASSERT_EQ(instance->process(block, &events, c.frames), kProcessContinue);
    EXPECT_EQ(block.outputBuffer.constant_mask, 0u);
    const bool oneInput = c.inputChannels == 1;
    for (std::size_t ch = 0; ch < 2; ++ch) {
      for (std::size_t i = 0; i < c.bufferFrames; ++i) {
        const Out value = block.out[ch][i];
        if (i >= c.frames) {
          ASSERT_TRUE(std::isnan(value)) << "channel " << ch << ", frame " << i << " beyond the block";
          continue;
        }
        const bool mono = (i < c.switchAt) == c.startMono;
        const float l = left[i], r = oneInput ? left[i] : right[i];
        ASSERT_EQ(bitsOf(value), bitsOf((expected<In, Out>(ch == 0 ? l : r, ch == 0 ? r : l, mono))))
            << "channel " << ch << ", frame " << i << (mono ? " (mono)" : " (stereo)");
      }
      ASSERT_EQ(block.in[ch], before[ch]) << "inputs untouched";
    }
  }
};

}  // namespace

TEST_F(ClapSampleSizes, EveryPairingOfPortSizesSoundsAsItsSamplesDo) {
  for (const Case& c : kCases) {
    check<float, float>(c, "32-bit in, 32-bit out");
    check<double, double>(c, "64-bit in, 64-bit out");
    check<float, double>(c, "32-bit in, 64-bit out");
    check<double, float>(c, "64-bit in, 32-bit out");
  }
}

// The halfway means tell the paths apart: the 32-bit one rounds them to even.
TEST_F(ClapSampleSizes, AMixedPairRoundsAsThe32BitPathDoes) {
  setMode(true);
  const float left = 1.0f, right = 0x1.000002p0f;
  ClapBlock<float, double> widened({left}, {right});
  ASSERT_EQ(instance->process(widened), kProcessContinue);
  EXPECT_EQ(widened.out[0][0], 1.0);
  ClapBlock<double, double> wide({left}, {right});
  ASSERT_EQ(instance->process(wide), kProcessContinue);
  EXPECT_EQ(wide.out[0][0], 0x1.000001p0);
}

// An input with neither data32 nor data64 reads silence; an output without either is
// left alone while its events still apply.
TEST_F(ClapSampleSizes, PortsWithoutSamplesReadSilenceAndWriteNothing) {
  setMode(true);
  ClapBlock<double, float> noInput(std::vector<double>(600, 0.5), std::vector<double>(600, 0.25));
  noInput.inputBuffer.data64 = nullptr;
  ASSERT_EQ(instance->process(noInput), kProcessContinue);
  for (std::size_t ch = 0; ch < 2; ++ch)
    for (std::size_t i = 0; i < 600; ++i) ASSERT_EQ(bitsOf(noInput.out[ch][i]), 0u) << ch << "/" << i;

  ClapBlock<float, double> noOutput({0.5f, 0.5f}, {0.25f, 0.25f});
  noOutput.outputBuffer.data64 = nullptr;
  ClapEvents stereo;
  stereo.value(1, 0.0);
  ASSERT_EQ(instance->process(noOutput, &stereo), kProcessContinue);
  EXPECT_EQ(instance->value(), 0.0);
  for (std::size_t ch = 0; ch < 2; ++ch)
    for (const double value : noOutput.out[ch]) EXPECT_TRUE(std::isnan(value));
}
