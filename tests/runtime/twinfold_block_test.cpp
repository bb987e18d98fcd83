// The effect's block hook against the runtime's literal per-frame loop: for every
// build of the kernel this processor runs, block length, mode, sample type and layout
// of the four buffers, the same bytes in every buffer and the same sampleVars, in_left
// and in_right afterwards.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "effect/twinfold_block_kernel.h"
#include "effect/twinfold_effect.h"
#include "tests/support/flush_to_zero.h"

namespace {

// The newer flush modes this processor keeps once set, and the names of those it does
// not.
struct NewerSettings {
  std::vector<flush_to_zero::Setting> kept;
  std::string missing;
};
NewerSettings newerSettingsKeptHere() {
  NewerSettings result;
  for (const flush_to_zero::Setting& setting : flush_to_zero::newerSettings()) {
    if (flush_to_zero::sticks(setting.bits))
      result.kept.push_back(setting);
    else
      result.missing += std::string(result.missing.empty() ? "" : ", ") + setting.name;
  }
  if (flush_to_zero::newerSettings().empty()) result.missing = "FPCR.FIZ or FPCR.AH (aarch64 only)";
  return result;
}

template <class Sample>
using BitsOf = std::conditional_t<sizeof(Sample) == 4, std::uint32_t, std::uint64_t>;

// Edge values, arbitrary bit patterns (NaN payloads and subnormals among them) and
// plain audio.
template <class Sample>
Sample testSample(std::mt19937_64& random) {
  using L = std::numeric_limits<Sample>;
  const Sample edges[] = {L::quiet_NaN(),
                          -L::quiet_NaN(),
                          L::signaling_NaN(),
                          L::infinity(),
                          -L::infinity(),
                          Sample(0),
                          Sample(-0.0),
                          L::denorm_min(),
                          -L::denorm_min(),
                          L::min() / Sample(3),
                          L::min(),
                          L::max(),
                          L::lowest(),
                          static_cast<Sample>(sizeof(Sample) == 8 ? 1e308 : 1e38),
                          static_cast<Sample>(sizeof(Sample) == 8 ? -1e308 : -1e38),
                          static_cast<Sample>(FLT_MAX),
                          Sample(1),
                          Sample(-1)};
  const std::uint64_t pick = random();
  switch (pick % 3) {
    case 0: return edges[(pick >> 2) % std::size(edges)];
    case 1: return std::bit_cast<Sample>(static_cast<BitsOf<Sample>>(random()));
    default: return static_cast<Sample>(std::uniform_real_distribution<double>(-1.0, 1.0)(random));
  }
}

// Where the four buffers start in one arena, in samples: inputs left and right,
// outputs left and right.
struct Layout {
  std::string name;
  std::size_t at[4];
};

std::vector<Layout> layoutsFor(std::size_t frames, std::mt19937_64& random) {
  const std::size_t gap = frames + 4;
  std::vector<Layout> layouts = {
      {"separate", {0, gap, 2 * gap, 3 * gap}},
      {"in place", {0, gap, 0, gap}},
      {"in place, crossed", {0, gap, gap, 0}},
      {"one output buffer", {0, gap, 2 * gap, 2 * gap}},
      {"everything in one buffer", {0, 0, 0, 0}},
      {"left output one sample after left input", {0, gap, 1, 2 * gap}},
      {"left output one sample before right input", {0, gap + 1, gap, 2 * gap}},
      {"right output one sample after left output", {0, gap, 2 * gap, 2 * gap + 1}},
      {"outputs 3 samples apart in place", {0, 3, 0, 3}},
  };
  Layout shuffled{"random offsets 0 to 3", {}};
  for (std::size_t& at : shuffled.at) at = random() % 4;
  layouts.push_back(shuffled);
  return layouts;
}

// What a run leaves behind: every byte of the arena and the section's variables.
template <class Sample>
struct Outcome {
  std::vector<Sample> arena;
  double vars[2];
  double inLeft, inRight;
};

template <class Sample>
bool operator==(const Outcome<Sample>& a, const Outcome<Sample>& b) {
  return std::memcmp(a.arena.data(), b.arena.data(), a.arena.size() * sizeof(Sample)) == 0 &&
         std::memcmp(a.vars, b.vars, sizeof a.vars) == 0 &&
         std::bit_cast<std::uint64_t>(a.inLeft) == std::bit_cast<std::uint64_t>(b.inLeft) &&
         std::bit_cast<std::uint64_t>(a.inRight) == std::bit_cast<std::uint64_t>(b.inRight);
}

template <class Sample>
class BlockHook : public ::testing::Test {
 protected:
  // Runs one block on a fresh effect in the given mode, through the effect's hook with
  // the kernel under test or through the runtime's literal loop.
  Outcome<Sample> run(bool literal, double mode, std::vector<Sample> arena, const Layout& layout,
                      std::int32_t frames) {
    TEmberEffect fx;
    fx.useKernel(*kernel);
    fx.DoOpen();
    fx.slider1 = mode;
    // Left over from an earlier block: a block of 0 frames must keep them.
    fx.sampleVars = {};
    fx.sampleVars[0] = 0.125;
    fx.sampleVars[1] = -3.0;
    fx.in_left = 7.0;
    fx.in_right = -7.0;
    const Sample* inputs[2] = {arena.data() + layout.at[0], arena.data() + layout.at[1]};
    Sample* outputs[2] = {arena.data() + layout.at[2], arena.data() + layout.at[3]};
    if (literal)
      fx.TEmber::DoSampleBlock(inputs, outputs, 2, frames);
    else
      fx.DoSampleBlock(inputs, outputs, 2, frames);
    for (std::size_t c = 2; c < fx.sampleVars.size(); ++c) EXPECT_EQ(fx.sampleVars[c], 0.0);
    return {std::move(arena), {fx.sampleVars[0], fx.sampleVars[1]}, fx.in_left, fx.in_right};
  }

  // Every build of the kernel against the literal loop; a build this processor cannot
  // run is skipped, and said so once.
  void compare(std::int32_t frames, std::mt19937_64& random) {
    for (const TwinfoldKernel& build : twinfoldKernels()) {
      if (!build.runsHere()) {
        static bool told = false;
        if (!std::exchange(told, true))
          std::printf("[ SKIPPED  ] the %s kernel: this processor cannot run it\n", build.name);
        continue;
      }
      kernel = &build;
      compareWithKernel(frames, random);
      if (::testing::Test::HasFailure()) return;
    }
  }

  void compareWithKernel(std::int32_t frames, std::mt19937_64& random) {
    const auto length = static_cast<std::size_t>(frames);
    for (const Layout& layout : layoutsFor(length, random)) {
      // With NaN and infinity among the samples, and (a block that a stereo pass may
      // copy) without.
      for (const bool finite : {false, true}) {
        std::vector<Sample> arena(4 * (length + 4));
        for (Sample& sample : arena) {
          sample = testSample<Sample>(random);
          while (finite && !std::isfinite(sample)) sample = testSample<Sample>(random);
          if (subnormalHeavy && random() % 2) {
            constexpr BitsOf<Sample> exponent = std::bit_cast<BitsOf<Sample>>(std::numeric_limits<Sample>::infinity());
            sample = std::bit_cast<Sample>(std::bit_cast<BitsOf<Sample>>(sample) & ~exponent);
          }
        }
        for (const double mode : modes) {
          const Outcome<Sample> hook = run(false, mode, arena, layout, frames);
          const Outcome<Sample> literal = run(true, mode, arena, layout, frames);
          EXPECT_TRUE(hook == literal) << kernel->name << " kernel, " << frames << " frames, " << layout.name
                                       << (finite ? ", finite" : "") << ", mode " << mode;
          if (::testing::Test::HasFailure()) return;
        }
      }
    }
  }

  const TwinfoldKernel* kernel = &twinfoldChosenKernel();
  std::vector<double> modes = {0.0, -0.0, 1.0, 0.3};
  // Half the samples made subnormal (or zero).
  bool subnormalHeavy = false;
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(BlockHook, SampleTypes);

TYPED_TEST(BlockHook, EqualsTheFrameByFrameLoopAtEveryShortLength) {
  std::mt19937_64 random(70);
  for (std::int32_t frames = 0; frames <= 70; ++frames) this->compare(frames, random);
}

TYPED_TEST(BlockHook, EqualsTheFrameByFrameLoopOnLongBlocks) {
  std::mt19937_64 random(4099);
  for (const std::int32_t frames : {127, 128, 129, 255, 256, 257, 1000, 4099}) this->compare(frames, random);
}

// Hosts that set flush-to-zero, denormals-are-zero or both for their audio thread get
// from every build the mean that the frame-by-frame section gives them, on subnormal
// input. (Stereo passes the bits through whatever the host sets; the host-level tests
// check that.)
TYPED_TEST(BlockHook, EqualsTheFrameByFrameLoopWhereTheHostFlushesDenormals) {
  if (!flush_to_zero::available()) GTEST_SKIP() << "no flush-to-zero control on this processor";
  std::mt19937_64 random(5);
  this->subnormalHeavy = true;
  this->modes = {1.0};
  for (const flush_to_zero::Setting& setting : flush_to_zero::settings()) {
    {
      const flush_to_zero::Scope flushing(setting.bits);
      for (const std::int32_t frames : {1, 7, 8, 33, 64, 257}) this->compare(frames, random);
    }
    ASSERT_FALSE(::testing::Test::HasFailure()) << setting.name;
  }
}

// Float mono takes the mean in float where that gives the double mean's float. Every
// class of input pair, under every flush setting a host may leave on, in both fast
// layouts: the hook equals the frame-by-frame section.
class FloatMeanPairs : public BlockHook<float> {
 protected:
  static float bits(std::uint32_t u) { return std::bit_cast<float>(u); }
  // A pair of the class `kind` for frame j.
  static std::pair<float, float> pairOf(int kind, std::mt19937_64& random) {
    const auto r = static_cast<std::uint32_t>(random());
    const std::uint32_t sign = r & 0x8000'0000u, mantissa = r & 0x007f'ffffu;
    switch (kind) {
      case 0: return {testSample<float>(random), testSample<float>(random)};  // the block test's samples
      case 1:  // opposite signs at the smallest normal exponent: the sum is subnormal
        return {bits(sign | 0x0080'0000u | mantissa), bits((sign ^ 0x8000'0000u) | 0x0080'0000u | (r >> 9))};
      case 2:  // both subnormal
        return {bits(sign | mantissa), bits((r << 1 & 0x8000'0000u) | (r >> 9))};
      case 3:  // normal near the subnormal range, either sign: the half is subnormal
        return {bits(sign | (((r >> 23) % 3) << 23) | mantissa), bits((r << 2 & 0x8000'0000u) | (r >> 9))};
      case 4:  // both near the largest float, the same sign: the float sum overflows
        return {bits(sign | 0x7f00'0000u | mantissa), bits(sign | 0x7f00'0000u | (r >> 9))};
      default:  // far apart in size: the double sum is rounded, and so is the float one
        return {bits(sign | (((r >> 23) % 40 + 100) << 23) | mantissa), bits((r << 1 & 0x8000'0000u) | (r >> 9))};
    }
  }
  // Every class of pair under each setting, in both fast layouts, for every kernel
  // build this processor runs.
  void comparePairs(const std::vector<flush_to_zero::Setting>& settings) {
    const char* kinds[] = {"block test samples", "subnormal sum", "subnormal inputs", "subnormal half",
                           "overflowing sum", "far apart"};
    constexpr std::int32_t frames = 300;
    const Layout layouts[] = {{"separate", {0, 304, 608, 912}}, {"in place", {0, 304, 0, 304}}};
    std::mt19937_64 random(25);
    for (const TwinfoldKernel& build : twinfoldKernels()) {
      if (!build.runsHere()) continue;
      kernel = &build;
      for (int kind = 0; kind < 6; ++kind) {
        std::vector<float> arena(4 * 304);
        for (std::size_t j = 0; j < 304; ++j) std::tie(arena[j], arena[304 + j]) = pairOf(kind, random);
        for (const flush_to_zero::Setting& setting : settings) {
          for (const Layout& layout : layouts) {
            const flush_to_zero::Scope flushing(setting.bits);
            const Outcome<float> hook = run(false, 1.0, arena, layout, frames);
            const Outcome<float> literal = run(true, 1.0, arena, layout, frames);
            ASSERT_TRUE(hook == literal) << build.name << " kernel, " << kinds[kind] << ", " << setting.name << ", "
                                         << layout.name;
          }
        }
      }
    }
  }
};

TEST_F(FloatMeanPairs, EqualTheFrameByFrameMeanUnderEveryFlushSetting) {
  std::vector<flush_to_zero::Setting> settings = {{"no flushing", 0}};
  for (const flush_to_zero::Setting& setting : flush_to_zero::settings())
    if (setting.bits != 0) settings.push_back(setting);
  comparePairs(settings);
}

// aarch64's newer modes: inputs flushed alone (FIZ) and alternate handling (AH), each
// alone and with FZ. Run where the processor keeps the bits; where it does not (older
// cores, emulators), the test says which and is skipped.
TEST_F(FloatMeanPairs, EqualTheFrameByFrameMeanUnderTheNewerArmModes) {
  const auto [kept, missing] = newerSettingsKeptHere();
  comparePairs(kept);
  if (!missing.empty()) GTEST_SKIP() << "this processor reads back as 0 (no Armv8.7 flush controls): " << missing;
}

TYPED_TEST(BlockHook, EqualsTheFrameByFrameLoopUnderTheNewerArmModes) {
  const auto [kept, missing] = newerSettingsKeptHere();
  std::mt19937_64 random(6);
  this->subnormalHeavy = true;
  this->modes = {1.0};
  for (const flush_to_zero::Setting& setting : kept) {
    {
      const flush_to_zero::Scope flushing(setting.bits);
      for (const std::int32_t frames : {1, 8, 33, 257}) this->compare(frames, random);
    }
    ASSERT_FALSE(::testing::Test::HasFailure()) << setting.name;
  }
  if (!missing.empty()) GTEST_SKIP() << "this processor reads back as 0 (no Armv8.7 flush controls): " << missing;
}

// Blocks of 0 or fewer frames touch nothing, however the buffers lie.
TYPED_TEST(BlockHook, NegativeLengthsTouchNothing) {
  using Sample = TypeParam;
  std::mt19937_64 random(1);
  const Layout layout{"separate", {0, 8, 16, 24}};
  std::vector<Sample> arena(32);
  for (Sample& sample : arena) sample = testSample<Sample>(random);
  for (const std::int32_t frames : {-1, -4096, INT32_MIN}) {
    const Outcome<Sample> hook = this->run(false, 1.0, arena, layout, frames);
    EXPECT_TRUE(hook == this->run(true, 1.0, arena, layout, frames)) << frames;
    EXPECT_EQ(std::memcmp(hook.arena.data(), arena.data(), arena.size() * sizeof(Sample)), 0) << frames;
  }
}

// The effect's one processing call against the runtime's: the block section, then the
// sample section only with frames and every buffer there, for every channel count.
TYPED_TEST(BlockHook, OneCallEqualsTheSectionsInTurn) {
  using Sample = TypeParam;
  std::mt19937_64 random(9);
  std::vector<Sample> arena(3 * 40);
  for (Sample& sample : arena) sample = testSample<Sample>(random);
  const auto outcome = [&](bool literal, std::int32_t channels, std::int32_t frames, int missing) {
    TEmberEffect fx;
    fx.DoOpen();
    fx.slider1 = frames % 2 ? 1.0 : 0.0;
    fx.play_state = 5.0;  // no host: the block section sets 0
    fx.beat_position = 2.0;
    std::vector<Sample> bytes = arena;
    const Sample* in[3] = {bytes.data(), bytes.data() + 40, bytes.data() + 80};
    Sample* out[3] = {bytes.data() + 1, bytes.data() + 41, bytes.data() + 80};  // shifted, and in place
    const Sample* const* inputs = missing == 0 ? nullptr : in;
    if (missing == 1) out[1] = nullptr;
    if (literal)
      fx.TEmber::DoProcess(inputs, out, channels, frames);
    else
      fx.DoProcess(inputs, out, channels, frames);
    return std::tuple{bytes, fx.sampleVars, fx.in_left.load(), fx.in_right.load(), fx.play_state.load(),
                      fx.beat_position.load()};
  };
  for (const std::int32_t channels : {2, 3})
    for (const std::int32_t frames : {-1, 0, 1, 3, 4, 33})
      for (const int missing : {0, 1, 2}) {
        const auto one = outcome(false, channels, frames, missing);
        const auto two = outcome(true, channels, frames, missing);
        EXPECT_EQ(std::memcmp(std::get<0>(one).data(), std::get<0>(two).data(), arena.size() * sizeof(Sample)), 0)
            << channels << " channels, " << frames << " frames, case " << missing;
        EXPECT_EQ(std::get<1>(one), std::get<1>(two)) << channels << " channels, " << frames << " frames";
        EXPECT_EQ(std::get<2>(one), std::get<2>(two));
        EXPECT_EQ(std::get<3>(one), std::get<3>(two));
        EXPECT_EQ(std::get<4>(one), 0.0);
        EXPECT_EQ(std::get<5>(one), 0.0);
      }
}

// Other channel counts keep the frame-by-frame section.
TYPED_TEST(BlockHook, OtherChannelCountsRunFrameByFrame) {
  using Sample = TypeParam;
  TEmberEffect fx;
  fx.DoOpen();
  fx.slider1 = 1.0;
  Sample in[3][2] = {{Sample(0.5), Sample(0.25)}, {Sample(0.25), Sample(-1)}, {Sample(4), Sample(8)}};
  Sample out[3][2] = {};
  const Sample* inputs[3] = {in[0], in[1], in[2]};
  Sample* outputs[3] = {out[0], out[1], out[2]};
  fx.DoSampleBlock(inputs, outputs, 3, 2);
  EXPECT_EQ(out[0][0], Sample(0.375));
  EXPECT_EQ(out[1][1], Sample(-0.375));
  // The third channel is left as the section leaves it: the input itself.
  EXPECT_EQ(out[2][0], Sample(4));
  EXPECT_EQ(out[2][1], Sample(8));
  EXPECT_EQ(fx.in_left.load(), 0.25);
  EXPECT_EQ(fx.in_right.load(), -1.0);
}

}  // namespace
