// Numeric conventions of generated code and the slider display rule.
#include "runtime/ember_numeric.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "effect/twinfold_effect.h"
#include "runtime/ember_sliders.h"
#include "tests/support/reference_audio.h"

namespace {


constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

TEST(Sanitise, NonFiniteBecomesPositiveZero) {
  for (double x : {kNaN, -kNaN, std::numeric_limits<double>::signaling_NaN(), kInf, -kInf})
    EXPECT_EQ(bitsOf(sanitise(x)), bitsOf(0.0)) << x;
}

TEST(Sanitise, FiniteValuesPassBitForBit) {
  for (double x : {0.0, -0.0, kDenormMin, -kDenormMin, 1e-310, DBL_MIN, DBL_MAX, -DBL_MAX, 1.0 / 3.0})
    EXPECT_EQ(bitsOf(sanitise(x)), bitsOf(x)) << x;
}

TEST(EmberInt, NudgesAwayFromZeroThenTruncates) {
  const struct {
    double in;
    std::int32_t out;
  } cases[] = {{0.99995, 1},
               {0.9998, 0},
               {-0.99995, -1},
               {-0.9998, 0},
               {2.99995, 3},
               {-2.99995, -3},
               {2.9998, 2},
               {127.5, 127},
               {-0.0, 0},
               {2147483647.0, 2147483647},
               {-2147483648.0, INT32_MIN}};
  for (const auto& c : cases) EXPECT_EQ(emberInt(c.in), c.out) << c.in;
}

TEST(SliderAt, NumberIsConvertedAndMaskedToASlot) {
  TEmberEffect fx;
  const struct {
    double number;
    std::size_t slot;
  } cases[] = {{1.0, 1}, {0.99995, 1}, {129.0, 1}, {-1.0, 127}, {64.99995, 65}, {64.9998, 64}, {128.0, 0}};
  for (const auto& c : cases) EXPECT_EQ(&fx.sliderAt(c.number), &fx.sliderValues[c.slot]) << c.number;
  // Numbers that fit no integer still land inside the array.
  const TEmberVar* first = &fx.sliderValues.front();
  const TEmberVar* last = &fx.sliderValues.back();
  for (double n : {kNaN, kInf, -kInf, 1e300, -1e300, 4294967296.0 + 3.0}) {
    const TEmberVar* slot = &fx.sliderAt(n);
    EXPECT_TRUE(slot >= first && slot <= last) << n;
  }
}

TEST(Tolerance, StrictlyInsideTheBandIsFalse) {
  EXPECT_FALSE(emberIsTrue(0.0));
  EXPECT_FALSE(emberIsTrue(-0.0));
  EXPECT_FALSE(emberIsTrue(0.000009));
  EXPECT_FALSE(emberIsTrue(-0.000009));
  EXPECT_TRUE(emberIsTrue(0.00001));
  EXPECT_TRUE(emberIsTrue(-0.00001));
  EXPECT_TRUE(emberEqual(0.000009, 0.0));
  EXPECT_TRUE(emberEqual(-0.0, 0.000009));
  EXPECT_FALSE(emberEqual(0.0, 0.00001));
  EXPECT_FALSE(emberEqual(0.00001, 0.0));
}

TEST(EmberRepeat, StopsAfterExactlyOneMillionPassesOrWhenBodyFails) {
  std::int64_t runs = 0;
  EXPECT_EQ(emberRepeat([&] {
              ++runs;
              return true;
            }),
            1000000);
  EXPECT_EQ(runs, 1000000);

  runs = 0;
  EXPECT_EQ(emberRepeat([&] { return ++runs < 3; }), 3);
  EXPECT_EQ(runs, 3);
}

TEmberSlider namedSlider(double minimum, double maximum, std::initializer_list<const char*> names) {
  TEmberSlider slider;
  slider.minimum = minimum;
  slider.maximum = maximum;
  for (const char* name : names) slider.valueNames.emplace_back(name);
  return slider;
}

TEST(SliderDisplay, NamesByTruncatedPositionClampedToTheList) {
  const TEmberSlider three = namedSlider(0.0, 2.0, {"low", "mid", "high"});
  EXPECT_EQ(emberSliderDisplay(three, 0.0), "low");
  EXPECT_EQ(emberSliderDisplay(three, 0.999), "low");
  EXPECT_EQ(emberSliderDisplay(three, 1.0), "mid");
  EXPECT_EQ(emberSliderDisplay(three, 1.999), "mid");
  EXPECT_EQ(emberSliderDisplay(three, 2.0), "high");
  EXPECT_EQ(emberSliderDisplay(three, 7.0), "high");
  EXPECT_EQ(emberSliderDisplay(three, -0.5), "low");
  EXPECT_EQ(emberSliderDisplay(three, -40.0), "low");

  // An offset range: the position is relative to the minimum.
  const TEmberSlider offset = namedSlider(10.0, 14.0, {"a", "b", "c"});
  EXPECT_EQ(emberSliderDisplay(offset, 11.9), "a");
  EXPECT_EQ(emberSliderDisplay(offset, 12.0), "b");
}

TEST(SliderDisplay, TheEffectsSwitchShowsStereoUntilOne) {
  const TEmberEffect fx;
  const TEmberSlider& mode = fx.sliders.at(0);
  EXPECT_EQ(emberSliderDisplay(mode, 0.0), "stereo");
  EXPECT_EQ(emberSliderDisplay(mode, 0.3), "stereo");
  EXPECT_EQ(emberSliderDisplay(mode, 0.99999), "stereo");
  EXPECT_EQ(emberSliderDisplay(mode, 1.0), "mono");
}

TEST(SliderDisplay, UnnamedSliderShowsTwoDecimals) {
  const TEmberSlider plain = namedSlider(0.0, 10.0, {});
  EXPECT_EQ(emberSliderDisplay(plain, 0.0), "0.00");
  EXPECT_EQ(emberSliderDisplay(plain, 1234.567), "1234.57");
  EXPECT_EQ(emberSliderDisplay(plain, -2.5), "-2.50");
  EXPECT_EQ(emberSliderDisplay(plain, 99.0), "99.00");
}

TEST(SliderDisplay, NonFiniteValueOrEmptyRangeStillGivesAName) {
  const TEmberSlider three = namedSlider(0.0, 2.0, {"low", "mid", "high"});
  EXPECT_EQ(emberSliderDisplay(three, kNaN), "low");

  const TEmberSlider flat = namedSlider(1.0, 1.0, {"low", "mid", "high"});
  const TEmberSlider single = namedSlider(1.0, 1.0, {"only"});
  for (double v : {1.0, 0.0, 2.0, kNaN, kInf, -kInf}) {
    const std::string text = emberSliderDisplay(flat, v);
    EXPECT_TRUE(text == "low" || text == "mid" || text == "high") << v << " -> " << text;
    EXPECT_EQ(emberSliderDisplay(single, v), "only") << v;
  }
  for (double v : {kInf, -kInf, 1e300, -1e300}) {
    const std::string text = emberSliderDisplay(three, v);
    EXPECT_TRUE(text == "low" || text == "mid" || text == "high") << v << " -> " << text;
  }
}

}  // namespace
