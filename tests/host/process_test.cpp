// Both processing paths in both modes, at the edges of the sample formats, and with
// the degenerate blocks and buffers a careless host may hand over.
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tests/host/host_fixture.h"

namespace {

template <class Sample>
class Processing : public StartedPlugin {
 protected:
  using Limits = std::numeric_limits<Sample>;
  // Processes one block and answers the two outputs.
  std::array<std::vector<Sample>, 2> run(std::vector<Sample> left, std::vector<Sample> right) {
    StereoBlock<Sample> block(std::move(left), std::move(right));
    block.run(plugin);
    return block.out;
  }
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(Processing, SampleTypes);

template <class Sample>
void expectBits(const std::vector<Sample>& actual, const std::vector<Sample>& expected, const char* what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_EQ(bitsOf(actual[i]), bitsOf(expected[i])) << what << " frame " << i << ": " << actual[i] << " vs "
                                                      << expected[i];
}

TYPED_TEST(Processing, StereoPassesFiniteSamplesBitForBit) {
  using S = TypeParam;
  using L = typename TestFixture::Limits;
  const std::vector<S> left = {S(0),      S(-0.0),     L::denorm_min(), L::min() / S(3), S(1),     S(-1),
                               L::max(),  L::lowest(), L::min(),        S(0.123),        S(1e-30), S(-2.5)};
  const std::vector<S> right(left.rbegin(), left.rend());
  const auto out = this->run(left, right);
  expectBits(out[0], left, "left");
  expectBits(out[1], right, "right");
}

TYPED_TEST(Processing, StereoTurnsNonFiniteSamplesIntoZero) {
  using S = TypeParam;
  using L = typename TestFixture::Limits;
  const auto out = this->run({L::quiet_NaN(), L::infinity(), -L::infinity(), S(0.8)},
                             {S(0.8), S(0.8), S(0.8), -L::quiet_NaN()});
  expectBits(out[0], {S(0), S(0), S(0), S(0.8)}, "left");
  expectBits(out[1], {S(0.8), S(0.8), S(0.8), S(0)}, "right");
}

TYPED_TEST(Processing, MonoCarriesTheMeanOnBothOutputs) {
  using S = TypeParam;
  using L = typename TestFixture::Limits;
  struct Frame {
    S left, right, mean;
  };
  std::vector<Frame> frames = {
      {S(1), S(-1), S(0)},
      {S(0.5), S(0.25), S(0.375)},
      {S(0.3), S(0.3), S(0.3)},
      {L::max(), L::max(), L::max()},           // the sum must not overflow
      {L::lowest(), L::lowest(), L::lowest()},
      {L::max(), L::lowest(), S(0)},
      // A host that flushes denormals asks for this one to become 0.
      {L::denorm_min(), L::denorm_min(), processingFlushesDenormals() ? S(0) : L::denorm_min()},
      {S(-0.0), S(-0.0), S(-0.0)},
      {S(-0.0), S(0), S(0)},
      {L::quiet_NaN(), S(0.8), S(0.8) * S(0.5)},  // a non-finite input counts as 0
      {S(0.8), -L::infinity(), S(0.8) * S(0.5)},
      {L::quiet_NaN(), L::infinity(), S(0)},
  };
  if constexpr (sizeof(S) == 8) frames.push_back({1.0e308, 1.0e308, 1.0e308});
  std::vector<S> left, right, mean;
  for (const Frame& frame : frames) {
    left.push_back(frame.left);
    right.push_back(frame.right);
    mean.push_back(frame.mean);
  }
  this->setMono(true);
  const auto out = this->run(left, right);
  expectBits(out[0], mean, "left");
  expectBits(out[1], mean, "right");
}

// The mean of two finite samples: widened to double, halved first where the sum
// overflows, rounded once.
template <class Sample>
Sample referenceMean(Sample a, Sample b) {
  const double x = a, y = b, sum = x + y;
  return static_cast<Sample>(std::isfinite(sum) ? sum * 0.5 : x * 0.5 + y * 0.5);
}

// Any finite bit pattern, subnormals included, also where the host flushes denormals:
// stereo gives back the same bits, mono only finite values.
TYPED_TEST(Processing, ArbitraryFiniteSamplesStayExactInStereoAndFiniteInMono) {
  using S = TypeParam;
  using Bits = std::conditional_t<sizeof(S) == 4, std::uint32_t, std::uint64_t>;
  std::mt19937_64 random(9);
  auto finiteSample = [&](bool subnormal) {
    S value;
    do {
      Bits bits = static_cast<Bits>(random());
      // Clear the exponent for a subnormal.
      if (subnormal) bits &= ~static_cast<Bits>(bitsOf(std::numeric_limits<S>::infinity()));
      std::memcpy(&value, &bits, sizeof value);
    } while (!std::isfinite(value));
    return value;
  };
  std::vector<S> left(1000), right(1000);
  for (std::size_t i = 0; i < left.size(); ++i) {
    left[i] = finiteSample(i % 3 == 0);
    right[i] = finiteSample(i % 5 == 0);
  }
  this->setMono(false);
  const auto stereo = this->run(left, right);
  expectBits(stereo[0], left, "left");
  expectBits(stereo[1], right, "right");
  this->setMono(true);
  const auto mono = this->run(left, right);
  for (std::size_t i = 0; i < left.size(); ++i) {
    EXPECT_TRUE(std::isfinite(mono[0][i]) && bitsOf(mono[0][i]) == bitsOf(mono[1][i])) << "frame " << i;
    if (!processingFlushesDenormals()) {
      EXPECT_EQ(bitsOf(mono[0][i]), bitsOf(referenceMean(left[i], right[i]))) << "frame " << i;
    }
  }
}

TYPED_TEST(Processing, InPlaceGivesTheSameResultAsSeparateBuffers) {
  using S = TypeParam;
  const std::vector<S> left = {S(0.5), S(-0.75), S(1e-3), S(0.3), S(-0.0)};
  const std::vector<S> right = {S(0.25), S(0.75), S(2.0), S(-0.1), S(0.0)};
  for (bool mono : {false, true}) {
    this->setMono(mono);
    const auto separate = this->run(left, right);
    std::vector<S> l = left, r = right;
    std::array<S*, 2> channels = {l.data(), r.data()};
    this->plugin.processAsHost(channels.data(), channels.data(), static_cast<VstInt32>(l.size()));
    expectBits(l, separate[0], mono ? "mono left" : "stereo left");
    expectBits(r, separate[1], mono ? "mono right" : "stereo right");
  }
}

// The block section still runs (four time queries) and no buffer is touched.
TYPED_TEST(Processing, EmptyAndNegativeBlocksTouchNoBuffer) {
  using S = TypeParam;
  for (VstInt32 frames : {0, -1, -4096, INT32_MIN}) {
    StereoBlock<S> block({S(0.5), S(0.5)}, {S(0.25), S(0.25)});
    this->host.clearCalls();
    this->plugin.processAsHost(block.inputs.data(), block.outputs.data(), frames);
    EXPECT_EQ(this->timeFilters(), kBlockTimeFilters) << frames;
    EXPECT_EQ(block.out[0], std::vector<S>(2, S(-7))) << frames;
    EXPECT_EQ(block.out[1], std::vector<S>(2, S(-7))) << frames;
    EXPECT_EQ(block.in[0], std::vector<S>(2, S(0.5))) << frames;
  }
}

TYPED_TEST(Processing, NullBuffersAreSkipped) {
  using S = TypeParam;
  for (bool mono : {false, true}) {
    this->setMono(mono);
    StereoBlock<S> block({S(0.5), S(0.5)}, {S(0.25), S(0.25)});
    std::array<S*, 2> halfInputs = {block.inputs[0], nullptr};
    std::array<S*, 2> halfOutputs = {nullptr, block.outputs[1]};
    struct Call {
      S** inputs;
      S** outputs;
    };
    for (const Call& call : {Call{nullptr, nullptr}, Call{block.inputs.data(), nullptr},
                             Call{nullptr, block.outputs.data()}, Call{halfInputs.data(), block.outputs.data()},
                             Call{block.inputs.data(), halfOutputs.data()}}) {
      this->host.clearCalls();
      this->plugin.processAsHost(call.inputs, call.outputs, block.frames());
      EXPECT_EQ(this->timeFilters(), kBlockTimeFilters);
      EXPECT_EQ(block.out[0], std::vector<S>(2, S(-7)));
      EXPECT_EQ(block.out[1], std::vector<S>(2, S(-7)));
    }
  }
}

using LegacyProcess = StartedPlugin;

TEST_F(LegacyProcess, AccumulatingProcessDoesNothing) {
  StereoBlock<float> block({0.5f}, {0.25f});
  plugin.effect()->process(plugin.effect(), block.inputs.data(), block.outputs.data(), 1);
  EXPECT_EQ(block.out[0][0], -7.0f);
  EXPECT_EQ(block.out[1][0], -7.0f);
  EXPECT_EQ(host.callCount(), 0u);
}

}  // namespace
