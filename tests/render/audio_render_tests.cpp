// Audio through the built renderer and the project's plug-in (and a third-party one).
#include <gtest/gtest.h>
#include <sndfile.h>

#include <bit>
#include <cmath>

#include "tests/render/render_test_support.h"

namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr std::int32_t kRate = 44100;

// Bitwise, so -0.0 against 0.0 or a flushed subnormal counts as a difference.
void expectSameBits(const std::vector<float>& actual, const std::vector<float>& expected, const char* what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  std::size_t differences = 0, first = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (std::bit_cast<std::uint32_t>(actual[i]) != std::bit_cast<std::uint32_t>(expected[i]) && differences++ == 0)
      first = i;
  }
  EXPECT_EQ(differences, 0u) << what << ": first difference at frame " << first << ": " << actual[first] << " vs "
                             << expected[first];
}

std::vector<float> meanOf(const std::vector<float>& left, const std::vector<float>& right) {
  std::vector<float> mean(left.size());
  for (std::size_t i = 0; i < left.size(); ++i)
    mean[i] = static_cast<float>((static_cast<double>(left[i]) + static_cast<double>(right[i])) * 0.5);
  return mean;
}

class TwinfoldRender : public ::testing::Test {
 protected:
  void SetUp() override { writeAudio(input, {left, right}, kRate, kFloatWav); }

  Audio render(std::vector<std::string> options) {
    options.insert(options.end(), {twinfoldPlugin(), input, output});
    const RunResult run = runRender(options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(output);
  }

  ScratchFolder folder;
  std::vector<float> left = noise(10007, 1), right = noise(10007, 2);
  std::string input = folder.file("in.wav"), output = folder.file("out.wav");
};

TEST_F(TwinfoldRender, StereoPassesAFloatFileThroughBitExactInBothPrecisions) {
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--double"}, {"--block-size", "100"}, {"--block-size", "1", "--double"}}) {
    const Audio audio = render(options);
    ASSERT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.sampleRate, kRate);
    EXPECT_EQ(audio.format, kFloatWav);
    expectSameBits(audio.planes[0], left, "left");
    expectSameBits(audio.planes[1], right, "right");
  }
}

TEST_F(TwinfoldRender, MonoGivesTheMeanOnBothOutputs) {
  const std::vector<float> mean = meanOf(left, right);
  for (const std::vector<std::string>& options : {std::vector<std::string>{"--param", "0=1"},
                                                  {"--param", "stereo / mono=mono"},
                                                  {"-p", "  STEREO / Mono = MONO ", "--double"}}) {
    const Audio audio = render(options);
    ASSERT_EQ(audio.channels, 2);
    expectSameBits(audio.planes[0], mean, "left");
    expectSameBits(audio.planes[1], mean, "right");
  }
}

TEST_F(TwinfoldRender, LaterParametersOverrideEarlierOnesByIndexOrDisplayText) {
  Audio audio = render({"--param", "stereo / mono=mono", "--param", "0=0"});
  expectSameBits(audio.planes[0], left, "index after text");
  audio = render({"--param", "0=1", "--param", "stereo / mono=stereo"});
  expectSameBits(audio.planes[1], right, "text after index");
  audio = render({"--param", "0=0.75"});  // normalised values are quantised by the switch
  expectSameBits(audio.planes[0], meanOf(left, right), "0.75");
}

TEST_F(TwinfoldRender, SummaryReportsFramesBlocksAndLevels) {
  const RunResult run = runRender({"-b", "1000", twinfoldPlugin(), input, output});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("10007 frames, 11 blocks of 1000"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("realtime"), std::string::npos) << run.output;
  // The noise reaches full scale in both channels.
  EXPECT_NE(run.output.find("out 1 peak 0.0 dBFS"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("out 2 peak 0.0 dBFS"), std::string::npos) << run.output;
  EXPECT_EQ(run.lineCount(), 1) << run.output;
}

TEST_F(TwinfoldRender, FormatOptionChangesTheEncodingOnly) {
  writeAudio(input, {left, right}, kRate, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  const Audio asInput = render({});
  EXPECT_EQ(asInput.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  const Audio pcm24 = render({"--format", "pcm24"});
  EXPECT_EQ(pcm24.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  const Audio asFloat = render({"--format", "float"});
  EXPECT_EQ(asFloat.format, kFloatWav);
  // 16-bit samples survive float and 24-bit exactly.
  expectSameBits(pcm24.planes[0], asInput.planes[0], "pcm24");
  expectSameBits(asFloat.planes[1], asInput.planes[1], "float");
}

TEST_F(TwinfoldRender, UpmixFeedsAMonoFileToBothInputs) {
  writeAudio(input, {left}, kRate, kFloatWav);
  const Audio audio = render({"--upmix"});
  ASSERT_EQ(audio.channels, 2);
  expectSameBits(audio.planes[0], left, "left");
  expectSameBits(audio.planes[1], left, "right");
}

TEST(RenderDemo, ShowsThePlugInThenStereoAndMonoWithTheirCorrelation) {
  const RunResult run = runRender({twinfoldPlugin()});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Vendor        Quillmarsh"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("2 inputs, 2 outputs"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("    0  stereo / mono  0.000000  stereo"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("260 bytes per program"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("receiveVstMidiEvent yes"), std::string::npos) << run.output;
  const auto row = [&](const std::string& label) {
    const std::size_t start = run.output.find("\n  " + label + " ");
    if (start == std::string::npos) return std::string();
    return run.output.substr(start + 1, run.output.find('\n', start + 1) - start - 1);
  };
  const std::string input = row("input"), stereo = row("stereo"), mono = row("mono");
  ASSERT_FALSE(mono.empty()) << run.output;
  // Stereo leaves the test signal as it was; mono makes both channels one.
  EXPECT_EQ(stereo.substr(10), input.substr(10)) << run.output;
  EXPECT_TRUE(input.ends_with("+0.00")) << input;
  EXPECT_TRUE(mono.ends_with("+1.00")) << mono;
}

TEST(ThirdPartyRender, ADpfPlugInRendersAFileOfTheRightLengthWithFiniteSamples) {
  const std::string plugin = thirdPartyStereoPlugin();
  if (plugin.empty()) GTEST_SKIP() << "dpf-plugins-vst is not installed for this target";
  ScratchFolder folder;
  const std::string input = folder.file("in.wav"), output = folder.file("out.wav");
  const std::vector<float> left = noise(48000, 3), right = noise(48000, 4);
  writeAudio(input, {left, right}, 48000, kFloatWav);
  const RunResult run = runRender({"--param", "Low=6.000000", "--block-size", "300", plugin, input, output});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const Audio audio = readAudio(output);
  ASSERT_EQ(audio.channels, 2);
  EXPECT_EQ(audio.sampleRate, 48000);
  EXPECT_EQ(audio.frames(), 48000);
  bool changed = false;
  for (std::size_t channel = 0; channel < 2; ++channel)
    for (std::size_t i = 0; i < audio.planes[channel].size(); ++i) {
      ASSERT_TRUE(std::isfinite(audio.planes[channel][i])) << "channel " << channel << " frame " << i;
      changed = changed || audio.planes[channel][i] != (channel ? right : left)[i];
    }
  EXPECT_TRUE(changed) << "a 6 dB low-band boost left the noise untouched";
}

}  // namespace
