// Saving and restoring the effect's state chunk: 64 slider values behind the marker.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "effect/twinfold_effect.h"
#include "tests/support/reference_audio.h"

namespace {

double atFloatPrecision(double x) { return static_cast<double>(static_cast<float>(x)); }

// Copies the saved bytes out: the buffer belongs to handle 0 until the next chunk call.
std::vector<std::uint8_t> save(TEmberEffect& fx) {
  void* data = nullptr;
  const std::int32_t size = fx.GetChunk(&data, false);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

std::vector<float> asFloats(const std::vector<std::uint8_t>& bytes) {
  std::vector<float> floats(bytes.size() / sizeof(float));
  std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
  return floats;
}

std::int32_t restore(TEmberEffect& fx, const std::vector<float>& floats) {
  return fx.SetChunk(floats.data(), static_cast<std::int32_t>(floats.size() * sizeof(float)), false);
}

class Chunk : public ::testing::Test {
 protected:
  TEmberEffect fx;
  void SetUp() override { fx.DoOpen(); }

  // Distinct values in slider slots 1..127 so any stray write shows.
  void fillSliders(double base) {
    for (std::size_t n = 1; n < fx.sliderValues.size(); ++n) fx.sliderValues[n] = base + static_cast<double>(n);
  }
};

TEST_F(Chunk, SaveAfterOpenIsMarkerAndSixtyFourZeros) {
  const std::vector<std::uint8_t> bytes = save(fx);
  ASSERT_EQ(bytes.size(), 260u);
  // -1000.0f, little-endian.
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x7A);
  EXPECT_EQ(bytes[3], 0xC4);
  const std::vector<float> floats = asFloats(bytes);
  for (std::size_t i = 1; i < floats.size(); ++i) EXPECT_EQ(std::bit_cast<std::uint32_t>(floats[i]), 0u) << i;
  EXPECT_EQ(fx.slider_index.load(), 65.0);
}

TEST_F(Chunk, SaveCarriesSliderValuesOneToSixtyFourInOrder) {
  fillSliders(0.1);
  const std::vector<float> floats = asFloats(save(fx));
  ASSERT_EQ(floats.size(), 65u);
  EXPECT_EQ(floats[0], -1000.0f);
  for (std::size_t n = 1; n <= 64; ++n) EXPECT_EQ(floats[n], static_cast<float>(0.1 + static_cast<double>(n))) << n;
  // A second save starts over instead of appending.
  EXPECT_EQ(save(fx).size(), 260u);
}

TEST_F(Chunk, MonoSaveHasOneAtIndexOne) {
  fx.sliderValues[1] = 1.0;
  const std::vector<float> floats = asFloats(save(fx));
  ASSERT_EQ(floats.size(), 65u);
  EXPECT_EQ(floats[1], 1.0f);
  for (std::size_t i = 2; i < floats.size(); ++i) EXPECT_EQ(floats[i], 0.0f) << i;
}

TEST_F(Chunk, RoundTripRestoresEveryValueAtFloatPrecision) {
  TEmberEffect source;
  source.DoOpen();
  for (std::size_t n = 1; n <= 64; ++n) source.sliderValues[n] = (n % 2 ? -1.0 : 1.0) / static_cast<double>(n * 3);
  source.sliderValues[1] = 1.0;
  source.sliderValues[2] = -0.0;
  source.sliderValues[3] = 1e-40;  // a float denormal
  const std::vector<float> saved = asFloats(save(source));

  fillSliders(1000.0);
  ASSERT_EQ(restore(fx, saved), 260);
  for (std::size_t n = 1; n <= 64; ++n)
    EXPECT_EQ(bitsOf(fx.sliderValues[n].load()), bitsOf(atFloatPrecision(source.sliderValues[n].load()))) << n;
  for (std::size_t n = 65; n < fx.sliderValues.size(); ++n) EXPECT_EQ(fx.sliderValues[n].load(), 1000.0 + n) << n;
  EXPECT_EQ(fx.slider1.load(), 1.0) << "the slider section ran after the restore";
  EXPECT_EQ(fx.slider_index.load(), 65.0);
  EXPECT_EQ(fx.initCount, 1);

  // Saving the restored object gives back the same chunk.
  const std::vector<float> again = asFloats(save(fx));
  EXPECT_EQ(std::memcmp(again.data(), saved.data(), saved.size() * sizeof(float)), 0);
}

TEST_F(Chunk, RestoreFromTheBufferOfTheLastSave) {
  // A host may hand the saved pointer straight back; handle 0 owns that buffer.
  fx.sliderValues[1] = 1.0;
  fx.sliderValues[64] = 0.5;
  void* data = nullptr;
  const std::int32_t size = fx.GetChunk(&data, false);
  ASSERT_EQ(size, 260);
  fx.sliderValues[1] = 0.0;
  fx.sliderValues[64] = 0.0;
  EXPECT_EQ(fx.SetChunk(data, size, false), 260);
  EXPECT_EQ(fx.sliderValues[1].load(), 1.0);
  EXPECT_EQ(fx.sliderValues[64].load(), 0.5);
  EXPECT_EQ(fx.slider1.load(), 1.0);
}

TEST_F(Chunk, ShortChunksRestoreWhatTheyHoldAndLongOnesAreCut) {
  fillSliders(0.0);
  std::vector<float> chunk(66, 0.5f);
  chunk[0] = -1000.0f;
  // 259 bytes: 64 whole floats, so 63 values after the marker.
  EXPECT_EQ(fx.SetChunk(chunk.data(), 259, false), 259);
  for (std::size_t n = 1; n <= 63; ++n) EXPECT_EQ(fx.sliderValues[n].load(), 0.5) << n;
  EXPECT_EQ(fx.sliderValues[64].load(), 64.0);
  EXPECT_EQ(fx.slider_index.load(), 65.0);

  // 66 floats: the 65th value never reaches slider 65.
  chunk[65] = 9.0f;
  EXPECT_EQ(restore(fx, chunk), 264);
  EXPECT_EQ(fx.sliderValues[64].load(), 0.5);
  EXPECT_EQ(fx.sliderValues[65].load(), 65.0);
}

TEST_F(Chunk, TwoFloatChunkSwitchesToMonoAndKeepsTheRest) {
  fillSliders(0.0);
  fx.sliderValues[1] = 0.0;
  fx.DoSlider();
  EXPECT_EQ(restore(fx, {-1000.0f, 1.0f}), 8);
  EXPECT_EQ(fx.sliderValues[1].load(), 1.0);
  EXPECT_EQ(fx.slider1.load(), 1.0);
  for (std::size_t n = 2; n <= 64; ++n) EXPECT_EQ(fx.sliderValues[n].load(), static_cast<double>(n)) << n;
  fx.sampleVars[0] = 1.0;
  fx.sampleVars[1] = 0.0;
  fx.DoSample();
  EXPECT_EQ(fx.sampleVars[0], 0.5);
}

TEST_F(Chunk, RestoredInBetweenValueIsMonoButDisplaysStereo) {
  EXPECT_EQ(restore(fx, {-1000.0f, 0.3f}), 8);
  EXPECT_EQ(fx.slider1.load(), atFloatPrecision(0.3f));
  EXPECT_EQ(emberSliderDisplay(fx.sliders[0], fx.sliderValues[1]), "stereo");
  fx.sampleVars[0] = 0.5;
  fx.sampleVars[1] = 0.25;
  fx.DoSample();
  EXPECT_EQ(fx.sampleVars[0], 0.375);
  EXPECT_EQ(fx.sampleVars[1], 0.375);
}

TEST_F(Chunk, RestoredNaNIsKeptAsSliderValueButStereoForTheSection) {
  restore(fx, {-1000.0f, std::numeric_limits<float>::quiet_NaN()});
  EXPECT_TRUE(std::isnan(fx.sliderValues[1].load()));
  EXPECT_EQ(bitsOf(fx.slider1.load()), bitsOf(0.0));
}

TEST_F(Chunk, UnusableChunksChangeNothingAndRunNoSection) {
  fillSliders(0.25);
  fx.sliderValues[1] = 1.0;
  fx.DoSlider();
  const auto expectUntouched = [&](const char* what) {
    for (std::size_t n = 1; n < fx.sliderValues.size(); ++n)
      ASSERT_EQ(fx.sliderValues[n].load(), n == 1 ? 1.0 : 0.25 + n) << what << " slider " << n;
    EXPECT_EQ(fx.slider1.load(), 1.0) << what;
    EXPECT_EQ(fx.slider_index.load(), 0.0) << what << ": the serialisation section ran";
    EXPECT_EQ(fx.initCount, 0) << what;
  };

  std::vector<float> wrong(65, 0.0f);
  for (float marker : {1000.0f, std::nextafter(-1000.0f, 0.0f), std::numeric_limits<float>::quiet_NaN(), 0.0f}) {
    wrong[0] = marker;
    EXPECT_EQ(restore(fx, wrong), 260);
    expectUntouched("wrong marker");
    EXPECT_EQ(fx.files[0].mode, kFileRead);
    EXPECT_EQ(fx.files[0].data.size(), 65u) << "the copied floats stay in handle 0";
  }

  const std::vector<float> good = {-1000.0f, 0.0f};
  EXPECT_EQ(fx.SetChunk(good.data(), 3, false), 3);
  expectUntouched("3 bytes");
  EXPECT_EQ(fx.SetChunk(good.data(), 0, false), 0);
  expectUntouched("0 bytes");
  EXPECT_EQ(fx.SetChunk(good.data(), -8, false), -8);
  expectUntouched("negative size");
  EXPECT_EQ(fx.SetChunk(nullptr, 260, false), 260);
  expectUntouched("no data");
}

}  // namespace
