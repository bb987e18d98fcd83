// Reading the host's largest block from the options it passes at instantiation.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

#include "editions/lv2/block_length_option.h"
#include "hosting/lv2_host.h"
#include "hosting/editions_under_test.h"

using namespace hosting;

namespace {

using lv2::maxBlockLength;

class BlockLengthOption : public ::testing::Test {
 protected:
  // The maximum a host with a URID map and these options announces.
  std::optional<std::int32_t> read(std::vector<LV2_Options_Option> options) {
    options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options.data()};
    const LV2_Feature* const list[] = {features.mapFeature(), &optionsFeature, nullptr};
    return maxBlockLength(list);
  }
  LV2_Options_Option option(const void* value, std::uint32_t size, const char* type,
                            const char* key = LV2_BUF_SIZE__maxBlockLength,
                            LV2_Options_Context context = LV2_OPTIONS_INSTANCE) {
    return {context, 0, features.map(key), size, features.map(type), value};
  }

  Lv2Features features;
};

TEST_F(BlockLengthOption, IntAndLongValuesAreRead) {
  const std::int32_t block = 512;
  const std::int64_t longBlock = 2048;
  EXPECT_EQ(read({option(&block, 4, LV2_ATOM__Int)}), 512);
  EXPECT_EQ(read({option(&longBlock, 8, LV2_ATOM__Long)}), 2048);
  const std::int32_t nominal = 256;
  EXPECT_EQ(read({option(&nominal, 4, LV2_ATOM__Int, LV2_BUF_SIZE__nominalBlockLength), option(&block, 4, LV2_ATOM__Int)}),
            512);
}

TEST_F(BlockLengthOption, UnusableValuesAreSkipped) {
  const std::int32_t zero = 0, negative = -512, block = 512;
  const std::int64_t tooLarge = std::int64_t{1} << 31;
  const float asFloat = 512.0f;
  EXPECT_EQ(read({option(&zero, 4, LV2_ATOM__Int)}), std::nullopt);
  EXPECT_EQ(read({option(&negative, 4, LV2_ATOM__Int)}), std::nullopt);
  EXPECT_EQ(read({option(&tooLarge, 8, LV2_ATOM__Long)}), std::nullopt);
  EXPECT_EQ(read({option(&asFloat, 4, LV2_ATOM__Float)}), std::nullopt);
  EXPECT_EQ(read({option(&block, 8, LV2_ATOM__Int)}), std::nullopt) << "size does not match the type";
  EXPECT_EQ(read({option(&block, 4, LV2_ATOM__Int, LV2_BUF_SIZE__maxBlockLength, LV2_OPTIONS_PORT)}), std::nullopt);
  EXPECT_EQ(read({option(&zero, 4, LV2_ATOM__Int), option(&block, 4, LV2_ATOM__Int)}), 512) << "the next one counts";
}

TEST_F(BlockLengthOption, NothingToReadWithoutMapOrOptions) {
  EXPECT_EQ(maxBlockLength(nullptr), std::nullopt);
  const LV2_Feature* const none[] = {nullptr};
  EXPECT_EQ(maxBlockLength(none), std::nullopt);
  const LV2_Feature* const mapOnly[] = {features.mapFeature(), nullptr};
  EXPECT_EQ(maxBlockLength(mapOnly), std::nullopt);
  const std::int32_t block = 512;
  std::vector<LV2_Options_Option> options = {option(&block, 4, LV2_ATOM__Int), {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature optionsFeature{LV2_OPTIONS__options, options.data()};
  const LV2_Feature* const optionsOnly[] = {&optionsFeature, nullptr};
  EXPECT_EQ(maxBlockLength(optionsOnly), std::nullopt);
}

}  // namespace
