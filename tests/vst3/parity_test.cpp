// The same audio through both editions: the VST3 output is byte for byte the VST 2.4
// output for the same input and the same mode changes at block boundaries.
#include <limits>
#include <random>

#include "tests/support/test_host.h"
#include "tests/vst3/vst3_fixture.h"

using namespace vst3;

namespace {

template <class Sample>
class EditionParity : public StartedInstance {};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(EditionParity, SampleTypes);

template <class Sample>
std::vector<Sample> noise(std::size_t frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<Sample> level(Sample(-1.5), Sample(1.5));
  std::vector<Sample> values(frames);
  for (auto& value : values) value = level(random);
  // Edges of the format among ordinary values.
  using L = std::numeric_limits<Sample>;
  const Sample edges[] = {Sample(0), Sample(-0.0), L::denorm_min(), L::min(), L::max(), L::lowest(), Sample(1e-30)};
  for (std::size_t i = 0; i < std::size(edges) && i * 37 < frames; ++i) values[i * 37] = edges[i];
  return values;
}

}  // namespace

TYPED_TEST(EditionParity, Vst3OutputIsTheVst24OutputByteForByte) {
  using S = TypeParam;
  if constexpr (sizeof(S) == sizeof(double)) {
    V3CALL(this->instance->component, setActive, 0);
    ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
    V3CALL(this->instance->processor, setupProcessing, &setup);
    V3CALL(this->instance->component, setActive, 1);
  }
  TestHost host;
  HostedPlugin vst2(host, pluginEntry());
  ASSERT_TRUE(vst2);
  vst2.start(48000.0f, 512);

  // Block sizes and the mode of each block.
  const std::pair<std::int32_t, float> blocks[] = {{512, 0.0f}, {512, 1.0f}, {100, 1.0f}, {7, 0.0f},
                                                   {512, 1.0f}, {1, 0.0f},   {300, 1.0f}, {512, 0.0f}};
  unsigned seed = 1;
  for (const auto& [frames, mode] : blocks) {
    const std::vector<S> left = noise<S>(frames, seed++), right = noise<S>(frames, seed++);
    Block<S> viaVst2(left, right);
    Block<S> viaVst3(left, right);
    vst2.setParameter(0, mode);
    vst2.process(viaVst2.inputs.data(), viaVst2.outputs.data(), frames);
    ParameterChanges changes;
    changes.add(0, {{0, mode}});
    ASSERT_EQ(this->instance->process(viaVst3.inputs.data(), viaVst3.outputs.data(), frames, &changes), kResultOk);
    for (std::size_t c = 0; c < 2; ++c)
      ASSERT_EQ(std::memcmp(viaVst2.out[c].data(), viaVst3.out[c].data(), frames * sizeof(S)), 0)
          << "block of " << frames << " frames, mode " << mode << ", channel " << c;
  }
}
