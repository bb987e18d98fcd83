// Tails and latency through the built renderer: silence processed after INPUT so
// effects ring out, and a reported latency taken back out so OUTPUT lines up with INPUT.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "tests/render/render_test_support.h"

namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr std::int32_t kRate = 48000;
constexpr std::size_t kFrames = 1000;
constexpr std::size_t kDelay = 64;   // the delay fixture's latency
constexpr std::size_t kTail = 100;   // and its tail

double rms(const std::vector<float>& samples, std::size_t begin, std::size_t end) {
  double sum = 0.0;
  for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(end - begin));
}

class TailAndLatency : public ::testing::Test {
 protected:
  void SetUp() override { writeAudio(input, planes, kRate, kFloatWav); }

  Audio render(std::vector<std::string> options, const std::string& plugin = FIXTURE_DELAY_FILE) {
    options.insert(options.end(), {plugin, input, output});
    lastRun = runRender(options);
    EXPECT_EQ(lastRun.exitCode, 0) << lastRun.output;
    return readAudio(output);
  }

  // Frame i of the output is input frame i - shift (silence outside the input).
  void expectShiftedInput(const Audio& audio, std::size_t shift, std::size_t frames) {
    ASSERT_EQ(audio.frames(), static_cast<std::int64_t>(frames));
    for (std::size_t channel = 0; channel < 2; ++channel)
      for (std::size_t i = 0; i < frames; ++i) {
        const float expected = i >= shift && i - shift < kFrames ? planes[channel][i - shift] : 0.0f;
        ASSERT_EQ(audio.planes[channel][i], expected) << "channel " << channel << " frame " << i;
      }
  }

  ScratchFolder folder;
  std::vector<std::vector<float>> planes = {noise(kFrames, 1), noise(kFrames, 2)};
  std::string input = folder.file("in.wav"), output = folder.file("out.wav");
  RunResult lastRun;
};

TEST_F(TailAndLatency, TheReportedLatencyIsCompensatedAndTheReportedTailAppended) {
  // Blocks longer than, shorter than and far shorter than the delay.
  for (const char* block : {"512", "50", "1"}) {
    SCOPED_TRACE(block);
    expectShiftedInput(render({"--block-size", block}), 0, kFrames + kTail);
    EXPECT_NE(lastRun.output.find(": 1100 frames,"), std::string::npos) << lastRun.output;
    EXPECT_NE(lastRun.output.find("; tail 100 frames (the plug-in's), latency 64 frames compensated\n"),
              std::string::npos) << lastRun.output;
  }
}

TEST_F(TailAndLatency, WithoutCompensationTheOutputKeepsTheDelay) {
  expectShiftedInput(render({"--no-latency-compensation", "-b", "50"}), kDelay, kFrames + kTail);
  EXPECT_NE(lastRun.output.find("latency 64 frames not compensated"), std::string::npos) << lastRun.output;
}

TEST_F(TailAndLatency, TheTailOptionReplacesThePlugInsTail) {
  expectShiftedInput(render({"--tail", "0"}), 0, kFrames);
  EXPECT_EQ(lastRun.output.find("tail"), std::string::npos) << lastRun.output;
  expectShiftedInput(render({"--tail", "0.01"}), 0, kFrames + 480);
  EXPECT_NE(lastRun.output.find("tail 0.010 s (480 frames), latency 64 frames compensated"), std::string::npos)
      << lastRun.output;
  // The plug-in's own tail shows in --info.
  const RunResult info = runRender({"--info", FIXTURE_DELAY_FILE});
  EXPECT_NE(info.output.find("latency 64 samples, tail 100 samples"), std::string::npos) << info.output;
}

TEST_F(TailAndLatency, APlugInWithoutLatencyOrTailKeepsTheInputsLength) {
  expectShiftedInput(render({}, twinfoldPlugin()), 0, kFrames);
  EXPECT_EQ(lastRun.output.find("tail"), std::string::npos) << lastRun.output;
  EXPECT_EQ(lastRun.output.find("latency"), std::string::npos) << lastRun.output;
  // The silence of a tail goes through the 64-bit path too.
  expectShiftedInput(render({"--double", "-b", "300", "--tail", "0.01"}, twinfoldPlugin()), 0, kFrames + 480);
}

TEST_F(TailAndLatency, AThirdPartyReverbRingsOutForTheTail) {
  const std::string reverb = thirdPartyReverbPlugin();
  if (reverb.empty()) GTEST_SKIP() << "dpf-plugins-vst is not installed for this target";
  constexpr std::size_t kBurst = kRate / 10, kRing = kRate * 3 / 2;
  planes = {noise(kBurst, 3), noise(kBurst, 4)};
  writeAudio(input, planes, kRate, kFloatWav);
  const Audio dry = render({"--tail", "0"}, reverb);
  const Audio ringing = render({"--tail", "1.5"}, reverb);
  ASSERT_EQ(dry.frames(), static_cast<std::int64_t>(kBurst));
  ASSERT_EQ(ringing.frames(), static_cast<std::int64_t>(kBurst + kRing));
  EXPECT_NE(lastRun.output.find("tail 1.500 s (72000 frames)"), std::string::npos) << lastRun.output;
  for (std::size_t channel = 0; channel < 2; ++channel) {
    SCOPED_TRACE(channel);
    // The same render up to the end of the input, then the reverb decaying in silence.
    const std::vector<float>& tail = ringing.planes[channel];
    EXPECT_TRUE(std::equal(dry.planes[channel].begin(), dry.planes[channel].end(), tail.begin()));
    for (float sample : tail) ASSERT_TRUE(std::isfinite(sample));
    const double early = rms(tail, kBurst, kBurst + kRate / 4);
    const double late = rms(tail, tail.size() - kRate / 4, tail.size());
    EXPECT_GT(early, 0.01) << "no reverb after the input ended";
    EXPECT_LT(late, early / 4) << "the reverb does not decay";
  }
}

}  // namespace
