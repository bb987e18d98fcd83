// Audio as careless hosts deliver it: every common sample rate from 8 kHz to 384 kHz,
// blocks of 1 to 8192 frames (odd ones included), resume, suspend and even open in any
// order, processing before the first resume, blocks longer than announced, and
// unusable blocks in between. Every output sample must be finite and the frame stereo or mono
// as the host last set it.
#include <array>
#include <random>

#include "tests/battery/battery_support.h"

namespace {

constexpr std::array<float, 14> kSampleRates = {8000.0f,  11025.0f,  16000.0f,  22050.0f,  32000.0f,
                                                44100.0f, 48000.0f,  64000.0f,  88200.0f,  96000.0f,
                                                176400.0f, 192000.0f, 352800.0f, 384000.0f};
constexpr std::array<VstInt32, 24> kBlockSizes = {1,   2,   3,    7,    16,   31,   32,   33,
                                                  127, 128, 441,  511,  512,  999,  1024, 1031,
                                                  2048, 3001, 4095, 4096, 4097, 6000, 8191, 8192};
constexpr VstInt32 kLargestBlock = 8192;

class CarelessHostAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    ASSERT_TRUE(plugin);
    host.setTimeInfo(&time);
  }

  // What the host knows of the mode: the slider section follows the parameter.
  Expect modeFromParameter() { return plugin.getParameter(0) != 0.0f ? Expect::mono : Expect::stereo; }

  VstTimeInfo time{.samplePos = 0, .sampleRate = 44100, .nanoSeconds = 0, .ppqPos = 3.5, .tempo = 140,
                   .barStartPos = 0, .cycleStartPos = 0, .cycleEndPos = 0, .timeSigNumerator = 7,
                   .timeSigDenominator = 8, .smpteOffset = 0, .smpteFrameRate = 0, .samplesToNextClock = 0,
                   .flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid};
  TestHost host;
  HostedPlugin plugin{host, pluginEntry()};
};

TEST_F(CarelessHostAudio, EverySampleRateWithEveryBlockSize) {
  std::mt19937_64 random(44100);
  plugin.dispatch(effOpen);
  bool mono = false;
  for (const float rate : kSampleRates) {
    for (const VstInt32 blockSize : kBlockSizes) {
      plugin.dispatch(effMainsChanged, 0, 0);
      plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
      plugin.dispatch(effSetBlockSize, 0, blockSize);
      plugin.dispatch(effMainsChanged, 0, 1);
      plugin.setParameter(0, mono ? 1.0f : 0.0f);
      const Expect expect = mono ? Expect::mono : Expect::stereo;
      const auto shorter = static_cast<VstInt32>(random() % static_cast<std::uint64_t>(blockSize)) + 1;
      for (const VstInt32 frames : {blockSize, shorter})
        ASSERT_TRUE(processRandomBlock(plugin, frames, expect, random))
            << rate << " Hz, block size " << blockSize << ", " << frames << " frames";
      mono = !mono;
    }
  }
}

// One seeded sequence of host requests in random order; the seed is the test's
// parameter, so a failure names the sequence that reproduces it.
class CarelessHostSequence : public CarelessHostAudio, public ::testing::WithParamInterface<std::uint64_t> {};

TEST_P(CarelessHostSequence, ResumeSuspendAndProcessingInAnyOrder) {
  std::mt19937_64 random(GetParam());
  constexpr int kRequests = 400;
  Expect expect = Expect::stereo;
  VstInt32 blockSize = 1024;
  // Before anything else, as some hosts do: a block before open and resume.
  ASSERT_TRUE(processRandomBlock(plugin, 1 + static_cast<VstInt32>(random() % 512), expect, random));
  if (random() % 4 != 0) plugin.dispatch(effOpen);

  for (int request = 0; request < kRequests; ++request) {
    const std::uint64_t pick = random() % 21;
    SCOPED_TRACE(testing::Message() << "seed " << GetParam() << ", request " << request << ", kind " << pick);
    if (pick < 9) {
      // Mostly the announced block size; sometimes shorter, empty or longer.
      const std::uint64_t shape = random() % 8;
      VstInt32 frames = blockSize;
      if (shape == 0) frames = 0;
      if (shape == 1 || shape == 2)
        frames = 1 + static_cast<VstInt32>(random() % static_cast<std::uint64_t>(blockSize));
      if (shape == 3) frames = 1 + static_cast<VstInt32>(random() % kLargestBlock);
      ASSERT_TRUE(processRandomBlock(plugin, frames, expect, random));
    } else if (pick < 11) {
      plugin.dispatch(effMainsChanged, 0, 1);
      expect = modeFromParameter();
    } else if (pick < 13) {
      plugin.dispatch(effMainsChanged, 0, 0);
    } else if (pick < 14) {
      plugin.dispatch(effSetSampleRate, 0, 0, nullptr, kSampleRates[random() % kSampleRates.size()]);
    } else if (pick < 15) {
      blockSize = random() % 2 ? kBlockSizes[random() % kBlockSizes.size()]
                               : 1 + static_cast<VstInt32>(random() % kLargestBlock);
      plugin.dispatch(effSetBlockSize, 0, blockSize);
    } else if (pick < 17) {
      const float before = plugin.getParameter(0);
      plugin.setParameter(0, static_cast<float>(random() % 3) * 0.5f);
      if (plugin.getParameter(0) != before) expect = modeFromParameter();
    } else if (pick < 18) {
      ASSERT_EQ(restoreState(plugin, modeState(random() % 2 == 0)), 260);
      expect = modeFromParameter();
    } else if (pick < 19) {
      const std::vector<float> saved = saveState(plugin);
      ASSERT_EQ(saved.size(), 65u);
      ASSERT_EQ(restoreOwnSave(plugin), 260);
      ASSERT_EQ(saveState(plugin), saved);
      expect = modeFromParameter();
    } else if (pick < 20) {
      // Opened again while in use: the open section resets the script to stereo.
      plugin.dispatch(effOpen);
      expect = Expect::stereo;
    } else {
      // Requests a host cannot use: null arrays, a negative length. No frame is
      // written, and the instance carries on.
      float* none[2] = {nullptr, nullptr};
      plugin.processAsHost(none, none, 64);
      plugin.processAsHost(static_cast<double**>(nullptr), nullptr, 64);
      plugin.processAsHost(none, none, -1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CarelessHostSequence, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u));

}  // namespace
