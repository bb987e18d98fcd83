// The effect's open, slider, sample, init and block sections, driven directly.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "effect/twinfold_effect.h"
#include "host/vest_bridge.h"
#include "tests/support/reference_audio.h"

namespace {


constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

class Sections : public ::testing::Test {
 protected:
  TEmberEffect fx;

  void SetUp() override { fx.DoOpen(); }

  void setMode(double value) {
    fx.sliderValues[1] = value;
    fx.DoSlider();
  }

  struct Frame {
    double left, right;
  };
  Frame run(double left, double right) {
    fx.sampleVars[0] = left;
    fx.sampleVars[1] = right;
    fx.DoSample();
    return {fx.sampleVars[0], fx.sampleVars[1]};
  }
  void expectBoth(double left, double right, double expected) {
    const Frame out = run(left, right);
    EXPECT_EQ(bitsOf(out.left), bitsOf(expected)) << left << " + " << right << " -> " << out.left;
    EXPECT_EQ(bitsOf(out.right), bitsOf(expected)) << left << " + " << right << " -> " << out.right;
  }
};

TEST_F(Sections, OpenZeroesEveryVariable) {
  const std::initializer_list<TEmberVar*> all = {&fx.sample_rate,  &fx.channel_count,     &fx.block_size,
                                                 &fx.tempo,        &fx.timesig_numerator, &fx.timesig_denominator,
                                                 &fx.play_state,   &fx.beat_position,     &fx.slider1,
                                                 &fx.slider_index, &fx.in_left,           &fx.in_right};
  for (TEmberVar* v : all) *v = -3.0;
  fx.DoOpen();
  for (const TEmberVar* v : all) EXPECT_EQ(bitsOf(v->load()), bitsOf(0.0));
}

TEST_F(Sections, SliderSectionCopiesSliderOneSanitised) {
  setMode(0.3);
  EXPECT_EQ(fx.slider1.load(), 0.3);
  setMode(-0.0);
  EXPECT_EQ(bitsOf(fx.slider1.load()), bitsOf(-0.0));
  for (double bad : {kNaN, kInf, -kInf}) {
    setMode(bad);
    EXPECT_EQ(bitsOf(fx.slider1.load()), bitsOf(0.0)) << bad;
  }
}

TEST_F(Sections, StereoPassesFiniteSamplesBitForBit) {
  setMode(0.0);
  const double samples[] = {0.0, -0.0, kDenormMin, -kDenormMin, 1e-310, DBL_MIN, 0.1, -1.0, DBL_MAX, -DBL_MAX};
  for (double left : samples)
    for (double right : samples) {
      const Frame out = run(left, right);
      EXPECT_EQ(bitsOf(out.left), bitsOf(left)) << left << ", " << right;
      EXPECT_EQ(bitsOf(out.right), bitsOf(right)) << left << ", " << right;
    }
}

TEST_F(Sections, MonoGivesTheMeanOnBothChannels) {
  setMode(1.0);
  expectBoth(1.0, -1.0, 0.0);
  expectBoth(0.5, 0.25, 0.375);
  expectBoth(-0.75, 0.25, -0.25);
  for (double same : {0.1, -0.0, kDenormMin, -1e-310, 0.7, DBL_MAX, -DBL_MAX}) expectBoth(same, same, same);
}

TEST_F(Sections, MonoMeanNeverOverflowsAndRoundsOnce) {
  setMode(1.0);
  expectBoth(1e308, 1e308, 1e308);
  expectBoth(DBL_MAX, DBL_MAX, DBL_MAX);
  expectBoth(-DBL_MAX, -DBL_MAX, -DBL_MAX);
  expectBoth(DBL_MAX, -DBL_MAX, 0.0);
  // True mean DBL_MAX - 2^970 is halfway; ties go to the even neighbour below.
  const double belowMax = std::nextafter(DBL_MAX, 0.0);
  expectBoth(DBL_MAX, belowMax, belowMax);
  // Half the smallest denormal is a tie between 0 and it: round to even gives 0.
  expectBoth(kDenormMin, 0.0, 0.0);
  expectBoth(kDenormMin, kDenormMin, kDenormMin);
  expectBoth(-kDenormMin, -kDenormMin, -kDenormMin);
  expectBoth(3 * kDenormMin, 0.0, 2 * kDenormMin);
}

TEST_F(Sections, AnyNonZeroModeIsMonoAndSignedZeroIsStereo) {
  setMode(0.3);
  expectBoth(0.5, 0.25, 0.375);
  setMode(-1e-300);
  expectBoth(0.5, 0.25, 0.375);
  setMode(-0.0);
  const Frame out = run(0.5, 0.25);
  EXPECT_EQ(out.left, 0.5);
  EXPECT_EQ(out.right, 0.25);
}

TEST_F(Sections, NonFiniteInputsCountAsZero) {
  setMode(1.0);
  expectBoth(kNaN, 0.8, 0.4);
  expectBoth(0.8, -kNaN, 0.4);
  expectBoth(kInf, 0.5, 0.25);
  expectBoth(kInf, -kInf, 0.0);
  EXPECT_EQ(fx.in_left.load(), 0.0);
  EXPECT_EQ(fx.in_right.load(), 0.0);

  setMode(0.0);
  Frame out = run(kNaN, 0.8);
  EXPECT_EQ(bitsOf(out.left), bitsOf(0.0));
  EXPECT_EQ(out.right, 0.8);
  out = run(-kInf, kInf);
  EXPECT_EQ(bitsOf(out.left), bitsOf(0.0));
  EXPECT_EQ(bitsOf(out.right), bitsOf(0.0));
}

TEST_F(Sections, OnlyTheFirstTwoSampleVariablesAreTouched) {
  for (std::size_t c = 2; c < fx.sampleVars.size(); ++c) fx.sampleVars[c] = static_cast<double>(c);
  setMode(1.0);
  run(kNaN, 1.0);
  setMode(0.0);
  run(1.0, kInf);
  for (std::size_t c = 2; c < fx.sampleVars.size(); ++c) EXPECT_EQ(fx.sampleVars[c], static_cast<double>(c));
}

TEST_F(Sections, ModeChangeTakesEffectAtTheNextFrame) {
  setMode(0.0);
  EXPECT_EQ(run(1.0, 0.0).left, 1.0);
  setMode(1.0);
  EXPECT_EQ(run(1.0, 0.0).left, 0.5);
  setMode(0.0);
  EXPECT_EQ(run(1.0, 0.0).left, 1.0);
}

TEST_F(Sections, InitWithoutHostWrapperReadsZeros) {
  ASSERT_EQ(fx.hostWrapper, nullptr);
  for (TEmberVar* v : {&fx.sample_rate, &fx.channel_count, &fx.block_size, &fx.tempo}) *v = 5.0;
  fx.DoInit();
  EXPECT_EQ(fx.sample_rate.load(), 0.0);
  EXPECT_EQ(fx.channel_count.load(), 0.0);
  EXPECT_EQ(fx.block_size.load(), 0.0);
  EXPECT_EQ(fx.tempo.load(), 0.0);
  fx.DoResume();
  EXPECT_EQ(fx.sample_rate.load(), 0.0);
}

TEST_F(Sections, BlockWithoutTimeInfoKeepsTempoAndSignature) {
  fx.tempo = 120.0;
  fx.timesig_numerator = 3.0;
  fx.timesig_denominator = 4.0;
  fx.play_state = 5.0;
  fx.beat_position = 7.5;
  fx.DoBlock();
  fx.DoBlock();
  EXPECT_EQ(fx.tempo.load(), 120.0);
  EXPECT_EQ(fx.timesig_numerator.load(), 3.0);
  EXPECT_EQ(fx.timesig_denominator.load(), 4.0);
  EXPECT_EQ(fx.play_state.load(), 0.0);
  EXPECT_EQ(fx.beat_position.load(), 0.0);
}

TEST(BridgeWithoutWrapper, AnswersZeroAndFillsNothing) {
  EXPECT_EQ(VeSTGetEffect(nullptr), nullptr);
  EXPECT_EQ(VeSTGetAEffect(nullptr), nullptr);
  EXPECT_EQ(VeSTGetNumInputs(nullptr), 0);
  EXPECT_EQ(VeSTSetNumInputs(nullptr, 2), 0);
  EXPECT_EQ(VeSTSetNumOutputs(nullptr, 2), 0);
  EXPECT_EQ(VeSTSetUniqueID(nullptr, 7), 0);
  EXPECT_EQ(VeSTProgramsAreChunks(nullptr, true), 0);
  EXPECT_EQ(VeSTGetSampleRate(nullptr), 0.0);
  EXPECT_EQ(VeSTGetBlockSize(nullptr), 0);
  EXPECT_EQ(VeSTGetTempo(nullptr), 0.0);
  EXPECT_EQ(VeSTIsPlaying(nullptr), 0);
  EXPECT_EQ(VeSTIsRecording(nullptr), 0);
  EXPECT_EQ(VeSTGetPpqPos(nullptr), 0.0);
  double tempo = 1.0, numerator = 2.0, denominator = 3.0;
  EXPECT_FALSE(VeSTGetTempoAndSignature(nullptr, &tempo, &numerator, &denominator));
  EXPECT_FALSE(VeSTGetTempoAndSignature(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(tempo, 1.0);
  EXPECT_EQ(numerator, 2.0);
  EXPECT_EQ(denominator, 3.0);
}

}  // namespace
