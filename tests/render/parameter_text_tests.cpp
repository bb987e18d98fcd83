// NAME=TEXT as people type it: any case, loose spaces, and numbers matched against
// numeric displays at their shown precision; what cannot be met says what can.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "tests/render/render_test_support.h"

namespace {

// The --info row of parameter `index` after applying `setting` to the delay fixture
// (or `plugin`), or the failure message.
std::string rowAfter(const std::string& setting, int index, const std::string& plugin = FIXTURE_DELAY_FILE) {
  const RunResult run = runRender({"--param", setting, "--info", plugin});
  if (run.exitCode != 0) return run.output;
  const std::string marker = "\n    " + std::to_string(index) + "  ";
  const std::size_t start = run.output.find(marker);
  if (start == std::string::npos) return run.output;
  return run.output.substr(start + 1, run.output.find('\n', start + 1) - start - 1);
}

TEST(ParameterText, NumbersMatchTheClosestDisplayWithinItsShownPrecision) {
  const struct {
    const char* setting;
    int index;
    const char* shown;
  } cases[] = {
      {"Gain=6", 0, "  6.000000 (dB)"},            // a sweep point
      {" gain =  6 dB ", 0, "  6.000000 (dB)"},    // case, spaces and the label
      {"GAIN=6.3", 0, "  6.300000 (dB)"},          // between sweep points
      {"Gain=-11.9999999", 0, "  -12.000000 (dB)"},
      {"Time=250", 1, "  250.0 (ms)"},             // on a curve
      {"time=250.04ms", 1, "  250.0 (ms)"},
      {"Time=250.06", 1, "  250.1 (ms)"},
      {"Factor=4.0", 2, "  4"},                    // a menu of numbers
      {"factor=2.4", 2, "  2"},
      {"Mix=30", 3, "  30 (%)"},                   // names differing in case only: the exact one
      {"MIX = 70%", 4, "  70 (%)"},
  };
  for (const auto& [setting, index, shown] : cases) {
    const std::string row = rowAfter(setting, index);
    EXPECT_TRUE(row.ends_with(shown)) << setting << " gave: " << row;
  }
}

TEST(ParameterText, ImpossibleOrAmbiguousRequestsFailListingWhatIsPossible) {
  const std::pair<const char*, const char*> cases[] = {
      {"Gain=13", "parameter \"Gain\" never shows \"13\"; its display texts run from \"-inf\" to \"12.000000\""},
      {"Gain=-13", "never shows \"-13\""},  // between -inf and -12, in no step of the range
      {"Gain=6 ms", "never shows \"6 ms\""},  // another unit
      {"Time=0.5", "its display texts run from \"1.0\" to \"1000.0\""},
      {"Factor=3", "parameter \"Factor\" never shows \"3\"; its display texts are \"1\", \"2\", \"4\", \"8\""},
      {"mix=30", "2 parameters are named \"mix\": 3 \"Mix\", 4 \"MIX\"; set one by number with INDEX=VALUE"},
  };
  for (const auto& [setting, message] : cases) {
    const RunResult run = runRender({"--param", setting, "--info", FIXTURE_DELAY_FILE});
    EXPECT_EQ(run.exitCode, 2) << setting;
    EXPECT_TRUE(run.output.starts_with("vst-render: --param \"" + std::string(setting) + "\": ")) << run.output;
    EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    EXPECT_EQ(run.lineCount(), 1) << run.output;
  }
}

TEST(ParameterText, AThirdPartyReverbTakesPlainNumbersForItsFloatDisplays) {
  const std::string reverb = thirdPartyReverbPlugin();
  if (reverb.empty()) GTEST_SKIP() << "dpf-plugins-vst is not installed for this target";
  // Its displays are floats printed to six places, which no value shows as exactly 40.
  for (const auto& [setting, index, wanted] : {std::tuple{"size=40", 5, 40.0}, {" Decay = 80 % ", 3, 80.0}}) {
    const std::string row = rowAfter(setting, index, reverb);
    const std::size_t label = row.rfind(" (%)");
    ASSERT_NE(label, std::string::npos) << setting << " gave: " << row;
    const std::size_t start = row.rfind(' ', label - 1);
    EXPECT_NEAR(std::strtod(row.c_str() + start, nullptr), wanted, 1e-5) << setting << " gave: " << row;
  }
}

}  // namespace
