// What the renderer tells a plug-in, seen from inside one: the probe fixture reports
// the host's answers in its output and logs the calls that start and end its life.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <fstream>

#include "tests/render/render_test_support.h"

namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr std::int32_t kFrames = 1000;
constexpr std::int32_t kBlock = 256;

std::string readLog(const std::string& path) {
  std::ifstream stream(path);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

TEST(HostContract, TimeInfoAdvancesPerBlockAtTheFilesRateWith120BpmIn44) {
  ScratchFolder folder;
  const std::string input = folder.file("in.wav"), output = folder.file("out.wav");
  writeAudio(input, {noise(kFrames, 1), noise(kFrames, 2)}, 32000, kFloatWav);
  const RunResult run = runRender({"--block-size", std::to_string(kBlock), FIXTURE_PROBE_FILE, input, output});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const Audio audio = readAudio(output);
  ASSERT_EQ(audio.frames(), kFrames);

  // Channel 1: the sample position the time info gave for the block, plus the frame.
  for (std::int32_t frame = 0; frame < kFrames; ++frame)
    ASSERT_EQ(audio.planes[0][static_cast<std::size_t>(frame)], static_cast<float>(frame)) << frame;

  // Channel 2, first frames of each block: the host's other answers.
  constexpr std::int32_t kExpectedFlags = 2 | 256 | 512 | 1024 | 2048 | 8192;  // playing, nanos, ppq, tempo, bars, signature
  for (std::int32_t start = 0; start + 12 <= kFrames; start += kBlock) {
    const float* answers = audio.planes[1].data() + start;
    SCOPED_TRACE("block at " + std::to_string(start));
    EXPECT_EQ(answers[0], 32000.0f);  // time info sample rate
    EXPECT_EQ(answers[1], 120.0f);    // tempo
    EXPECT_EQ(answers[2], 4.0f);
    EXPECT_EQ(answers[3], 4.0f);
    EXPECT_EQ(static_cast<std::int32_t>(answers[4]), kExpectedFlags | (start == 0 ? 1 : 0));  // changed on the first
    EXPECT_FLOAT_EQ(answers[5], static_cast<float>(start / 32000.0 * 2.0));  // quarter notes at 2 per second
    EXPECT_EQ(answers[6], 32000.0f);  // audioMasterGetSampleRate
    EXPECT_EQ(answers[7], static_cast<float>(kBlock));
    EXPECT_EQ(answers[8], 4.0f);     // offline process level
    EXPECT_EQ(answers[9], 2400.0f);  // host version
    EXPECT_EQ(answers[10], 0.0f);    // anything else is answered 0
    EXPECT_EQ(answers[11], 0.0f);    // still in the first bar
  }
}

TEST(HostContract, ThePlugInIsClosedOnSuccessAndOnEveryFailure) {
  ScratchFolder folder;
  const std::string input = folder.file("in.wav"), log = folder.file("calls.log");
  writeAudio(input, {noise(100, 1), noise(100, 2)}, 48000, kFloatWav);
  const std::string environment = "RENDER_PROBE_LOG='" + log + "'";
  const auto calls = [&](std::vector<std::string> arguments) {
    std::filesystem::remove(log);
    runRender(arguments, environment);
    return readLog(log);
  };
  EXPECT_EQ(calls({FIXTURE_PROBE_FILE, input, folder.file("out.wav")}), "open\nresume\nsuspend\nclose\n");
  EXPECT_EQ(calls({"--param", "switch=sideways", FIXTURE_PROBE_FILE, input, folder.file("a.wav")}),
            "open\nresume\nsuspend\nclose\n");
  EXPECT_EQ(calls({"--preset", folder.file("none.fxp"), FIXTURE_PROBE_FILE, input, folder.file("b.wav")}),
            "open\nresume\nsuspend\nclose\n");
  EXPECT_EQ(calls({"--double", FIXTURE_PROBE_FILE, input, folder.file("c.wav")}), "open\nclose\n");
  EXPECT_EQ(calls({FIXTURE_PROBE_FILE, input, folder.file("no/folder/d.wav")}), "open\nresume\nsuspend\nclose\n");
  EXPECT_EQ(calls({"--info", FIXTURE_PROBE_FILE}), "open\nresume\nsuspend\nclose\n");
}

// The offline level lasts from resume to suspend: a plug-in told to suspend, also on
// the ways out through an error, hears the user level.
TEST(HostContract, ThePlugInIsSuspendedAtTheUserLevelOnSuccessAndOnEveryFailure) {
  ScratchFolder folder;
  const std::string input = folder.file("in.wav"), log = folder.file("levels.log");
  writeAudio(input, {noise(100, 1), noise(100, 2)}, 48000, kFloatWav);
  const auto levels = [&](std::vector<std::string> arguments) {
    std::filesystem::remove(log);
    runRender(arguments, "RENDER_PROBE_LEVELS='" + log + "'");
    return readLog(log);
  };
  EXPECT_EQ(levels({FIXTURE_PROBE_FILE, input, folder.file("out.wav")}), "1\n");
  EXPECT_EQ(levels({"--param", "switch=sideways", FIXTURE_PROBE_FILE, input, folder.file("a.wav")}), "1\n");
  EXPECT_EQ(levels({"--preset", folder.file("none.fxp"), FIXTURE_PROBE_FILE, input, folder.file("b.wav")}), "1\n");
  EXPECT_EQ(levels({FIXTURE_PROBE_FILE, input, folder.file("no/folder/d.wav")}), "1\n");
  EXPECT_EQ(levels({"--info", FIXTURE_PROBE_FILE}), "1\n");
}

TEST(HostContract, ParameterTextsAreFoundForAnyPlugIn) {
  const RunResult run = runRender({"--param", "switch=on", "--info", FIXTURE_PROBE_FILE});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("    0  switch  1.000000  on"), std::string::npos) << run.output;
}

}  // namespace
