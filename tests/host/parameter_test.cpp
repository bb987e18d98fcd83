// The one host parameter: quantisation, display, the rule that a change smaller than
// the tolerance stores nothing, and the requests that are ignored.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "tests/host/host_fixture.h"

namespace {

class Parameters : public StartedPlugin {
 protected:
  // The audible mode, read from a one-frame block: left 1.0, right 0.0.
  bool soundsMono() {
    StereoBlock<double> block({1.0}, {0.0});
    block.run(plugin);
    return block.out[0][0] == 0.5;
  }
  // Sets slider 1 to `value` through a restored chunk, the only way past quantisation.
  void restoreSlider(float value) { ASSERT_EQ(restoreChunk(plugin, chunkBytes({value})), 8); }
  std::string display() { return plugin.text(effGetParamDisplay, kModeParameter); }
};

TEST_F(Parameters, QuantiseToTheSwitchPositions) {
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f);
  plugin.setParameter(kModeParameter, 0.49f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f);
  EXPECT_EQ(display(), "stereo");
  EXPECT_FALSE(soundsMono());

  plugin.setParameter(kModeParameter, 0.5f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
  EXPECT_EQ(display(), "mono");
  EXPECT_TRUE(soundsMono());

  plugin.setParameter(kModeParameter, 0.7f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
  plugin.setParameter(kModeParameter, 0.2f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f);
  EXPECT_FALSE(soundsMono());
  // Values beyond 0 ... 1 are used as they come.
  plugin.setParameter(kModeParameter, 2.0f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 2.0f);
  EXPECT_EQ(display(), "mono");
  EXPECT_TRUE(soundsMono());
}

// A stored value within 0.00001 of the quantised one is neither replaced nor passed to
// the slider section: the restored near-zero value keeps the effect mono.
TEST_F(Parameters, ChangeBelowTheToleranceStoresNothing) {
  restoreSlider(0.000001f);
  EXPECT_TRUE(soundsMono());
  plugin.setParameter(kModeParameter, 0.49f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.000001f);
  EXPECT_TRUE(soundsMono());

  restoreSlider(0.999995f);
  plugin.setParameter(kModeParameter, 0.7f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.999995f);

  restoreSlider(0.99998f);  // 0.00002 away: a real change
  plugin.setParameter(kModeParameter, 0.7f);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
}

TEST_F(Parameters, DisplayFollowsTheStoredValue) {
  for (const auto& [value, text] : {std::pair{0.0f, "stereo"}, std::pair{0.5f, "stereo"}, std::pair{0.3f, "stereo"},
                                    std::pair{1.0f, "mono"}, std::pair{-3.0f, "stereo"}, std::pair{7.0f, "mono"}}) {
    restoreSlider(value);
    EXPECT_EQ(display(), text) << value;
    EXPECT_EQ(plugin.getParameter(kModeParameter), value);
  }
  restoreSlider(0.3f);
  EXPECT_TRUE(soundsMono()) << "any value but 0 selects mono, whatever the display says";
  restoreSlider(-0.0f);
  EXPECT_FALSE(soundsMono());
}

TEST_F(Parameters, IgnoreIndicesOutOfRange) {
  for (VstInt32 index : {-1, 1, 1000, INT32_MIN, INT32_MAX}) {
    plugin.setParameter(index, 1.0f);
    EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f) << index;
    EXPECT_FALSE(soundsMono()) << index;
  }
  setMono(true);
  for (VstInt32 index : {-1, 1, 1000, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(plugin.getParameter(index), 0.0f) << index;
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
      char buffer[64];
      std::memset(buffer, 0x5A, sizeof buffer);
      EXPECT_EQ(plugin.dispatch(opcode, index, 0, buffer), 0);
      EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](char c) { return c == 0x5A; }))
          << "opcode " << opcode << " index " << index;
    }
  }
}

TEST_F(Parameters, IgnoreNonFiniteValues) {
  setMono(true);
  for (float value : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
    plugin.setParameter(kModeParameter, value);
    EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f) << value;
    EXPECT_TRUE(soundsMono()) << value;
  }
}

TEST_F(Parameters, NeverAnswerANonFiniteValue) {
  for (float value : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
    restoreSlider(value);
    EXPECT_EQ(bitsOf(plugin.getParameter(kModeParameter)), bitsOf(0.0f)) << value;
    EXPECT_FALSE(soundsMono()) << "the slider section stores a non-finite value as 0";
  }
}

}  // namespace
