#include "tests/lv2/processing_suite.h"

#include <cmath>
#include <limits>

#include "tests/support/reference_audio.h"

using namespace hosting;

std::unique_ptr<Lv2Instance> Lv2Processing::started(double sampleRate) {
  auto instance = GetParam().instantiate(sampleRate, features.list());
  if (instance) instance->activate();
  return instance;
}

namespace {

constexpr float kStereo = 0.0f;
constexpr float kMono = 1.0f;

// Every frame of both outputs compared bit for bit with what the effect makes of it.
void expectOutput(const Lv2StereoBlock& block, bool mono, const char* what) {
  ASSERT_EQ(block.out[0].size(), block.in[0].size()) << what;
  for (std::size_t j = 0; j < block.in[0].size(); ++j) {
    const float left = block.in[0][j];
    const float right = block.in[1][j];
    const float expected[2] = {mono ? monoMean(left, right) : sanitisedSample(left),
                               mono ? monoMean(left, right) : sanitisedSample(right)};
    for (int c : {0, 1})
      ASSERT_EQ(bitsOf(block.out[c][j]), bitsOf(expected[c]))
          << what << ", channel " << c << ", frame " << j << ": inputs " << left << ", " << right << " gave "
          << block.out[c][j] << " instead of " << expected[c];
  }
}

// Every pair of edge samples, then noise.
Lv2StereoBlock edgePairs() {
  const std::vector<float> edges = edgeSamples();
  std::vector<float> left, right;
  for (float l : edges)
    for (float r : edges) {
      left.push_back(l);
      right.push_back(r);
    }
  const std::vector<float> noiseLeft = noiseSamples(301, 7), noiseRight = noiseSamples(301, 8);
  left.insert(left.end(), noiseLeft.begin(), noiseLeft.end());
  right.insert(right.end(), noiseRight.begin(), noiseRight.end());
  return Lv2StereoBlock(left, right);
}

Lv2StereoBlock noiseBlock(std::size_t frames, std::uint32_t seed = 1) {
  return Lv2StereoBlock(noiseSamples(frames, seed), noiseSamples(frames, seed + 100));
}

}  // namespace

// Stereo passes finite samples bit for bit and non-finite ones as 0; mono is the mean
// rounded from double.
TEST_P(Lv2Processing, EveryPairOfEdgeSamplesInBothModes) {
  auto instance = started();
  ASSERT_TRUE(instance);
  for (float mode : {kStereo, kMono}) {
    Lv2StereoBlock block = edgePairs();
    block.run(*instance, mode);
    expectOutput(block, mode == kMono, mode == kMono ? "mono" : "stereo");
  }
}

TEST_P(Lv2Processing, InPlaceGivesWhatSeparateBuffersGive) {
  auto instance = started();
  ASSERT_TRUE(instance);
  for (float mode : {kStereo, kMono}) {
    Lv2StereoBlock separate = edgePairs();
    separate.run(*instance, mode);
    Lv2StereoBlock inPlace = edgePairs();
    inPlace.runInPlace(*instance, mode);
    EXPECT_EQ(inPlace.out[0], separate.out[0]) << mode;
    EXPECT_EQ(inPlace.out[1], separate.out[1]) << mode;
    Lv2StereoBlock original = edgePairs();
    inPlace.in[0] = original.in[0];
    inPlace.in[1] = original.in[1];
    expectOutput(inPlace, mode == kMono, "in place");
  }
}

// The announced maximum is 64 frames; runs of any length must still work.
TEST_P(Lv2Processing, AnyRunLengthWorks) {
  auto instance = started();
  ASSERT_TRUE(instance);
  Lv2StereoBlock empty({0.5f}, {0.25f});
  empty.in[0].clear();
  empty.in[1].clear();
  empty.out[0] = {-7.0f};
  empty.out[1] = {-7.0f};
  empty.run(*instance, kMono);
  EXPECT_EQ(empty.out[0][0], -7.0f) << "a run of 0 frames wrote an output";
  EXPECT_EQ(empty.out[1][0], -7.0f) << "a run of 0 frames wrote an output";
  for (std::size_t frames : {1u, 63u, 64u, 65u, 1001u, 20000u}) {
    Lv2StereoBlock block = noiseBlock(frames, static_cast<std::uint32_t>(frames));
    block.run(*instance, kMono);
    expectOutput(block, true, ("run of " + std::to_string(frames)).c_str());
  }
}

TEST_P(Lv2Processing, ModeChangeTakesEffectAtTheNextRun) {
  auto instance = started();
  ASSERT_TRUE(instance);
  for (float mode : {kStereo, kMono, kMono, kStereo, kMono}) {
    Lv2StereoBlock block = noiseBlock(37);
    block.run(*instance, mode);
    expectOutput(block, mode == kMono, mode == kMono ? "mono" : "stereo");
  }
}

// The control is clamped to its range and quantised as the parameter is; a non-finite
// value keeps the mode that was in force.
TEST_P(Lv2Processing, ControlValuesOutsideTheRangeAreClampedOrIgnored) {
  auto instance = started();
  ASSERT_TRUE(instance);
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  struct Step {
    float control;
    bool mono;
  };
  for (const Step& step : {Step{7.0f, true}, Step{kNaN, true}, Step{-kInfinity, true}, Step{-3.0f, false},
                           Step{kInfinity, false}, Step{kNaN, false}, Step{0.6f, true}, Step{0.4f, false},
                           Step{std::numeric_limits<float>::max(), true}, Step{-0.0f, false}}) {
    Lv2StereoBlock block = noiseBlock(9);
    block.run(*instance, step.control);
    expectOutput(block, step.mono, ("control " + std::to_string(step.control)).c_str());
  }
}

TEST_P(Lv2Processing, ActivateAndDeactivateCyclesKeepWorking) {
  auto instance = GetParam().instantiate(44100.0, features.list());
  ASSERT_TRUE(instance);
  for (int cycle = 0; cycle < 3; ++cycle) {
    instance->activate();
    for (float mode : {kMono, kStereo}) {
      Lv2StereoBlock block = noiseBlock(100, static_cast<std::uint32_t>(cycle));
      block.run(*instance, mode);
      expectOutput(block, mode == kMono, "after activate");
    }
    instance->deactivate();
  }
}

TEST_P(Lv2Processing, TwoInstancesKeepTheirOwnMode) {
  auto first = started();
  auto second = started(96000.0);
  ASSERT_TRUE(first && second);
  for (int round = 0; round < 3; ++round) {
    Lv2StereoBlock monoBlock = noiseBlock(50, static_cast<std::uint32_t>(round));
    Lv2StereoBlock stereoBlock = noiseBlock(50, static_cast<std::uint32_t>(round));
    monoBlock.run(*first, kMono);
    stereoBlock.run(*second, kStereo);
    expectOutput(monoBlock, true, "first instance, mono");
    expectOutput(stereoBlock, false, "second instance, stereo");
  }
}

TEST_P(Lv2Processing, EverySampleRateGivesTheSameAudio) {
  for (double rate : {8000.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0}) {
    auto instance = started(rate);
    ASSERT_TRUE(instance) << rate;
    Lv2StereoBlock block = noiseBlock(128);
    block.run(*instance, kMono);
    expectOutput(block, true, ("rate " + std::to_string(rate)).c_str());
  }
}

TEST_P(Lv2Processing, UnusableSampleRatesAreRefused) {
  for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(GetParam().instantiate(rate, features.list())) << rate;
}

// Without options the plug-in assumes a block length; longer runs still work.
TEST_P(Lv2Processing, WorksWithoutAnyFeature) {
  const LV2_Feature* const none[] = {nullptr};
  auto instance = GetParam().instantiate(44100.0, none);
  ASSERT_TRUE(instance);
  instance->activate();
  Lv2StereoBlock block = noiseBlock(5000);
  block.run(*instance, kMono);
  expectOutput(block, true, "no features");
}
