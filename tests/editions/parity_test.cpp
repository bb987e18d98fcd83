// The same audio through every edition: the VST3, CLAP and LV2 outputs are byte for byte
// the VST 2.4 output for the same input and the same mode changes at block boundaries,
// each edition loaded from its built file and driven as its hosts drive it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/lv2_host.h"
#include "tests/support/test_host.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

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

// One edition: processes a block of stereo input in the given mode into the outputs.
template <class Sample>
using Edition = std::function<void(Sample** in, Sample** out, std::int32_t frames, float mode)>;

template <class Sample>
class AllEditions : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(AllEditions, SampleTypes);

}  // namespace

TYPED_TEST(AllEditions, EveryEditionsOutputIsTheVst24OutputByteForByte) {
  using S = TypeParam;
  constexpr bool isFloat = sizeof(S) == sizeof(float);

  TestHost host;
  HostedPlugin vst2(host, pluginEntry());
  ASSERT_TRUE(vst2);
  vst2.start(48000.0f, 512);

  Vst3Module vst3Module(vst3BinaryUnderTest());
  ASSERT_TRUE(vst3Module.loaded());
  vst3::IPluginFactory* factory = vst3Module.factory();
  auto vst3 = std::make_unique<Vst3Instance>(factory);
  ASSERT_TRUE(*vst3);
  vst3->start(48000.0, 512, isFloat ? vst3::kSample32 : vst3::kSample64);

  const ClapModule clapModule(clapFileUnderTest());
  ASSERT_TRUE(clapModule.loaded());
  ASSERT_TRUE(clapModule.entry().init(clapFileUnderTest().c_str()));
  ClapHost clapHost;
  auto clap = std::make_unique<ClapInstance>(clapModule.factory(), clapHost);
  ASSERT_TRUE(clap->initialized && clap->start(48000.0, 512));

  const Lv2Module lv2Module(lv2BundleUnderTest(), lv2BinaryName());
  const LV2_Descriptor* lv2Descriptor = lv2Module.descriptor(kTwinfoldUri);
  ASSERT_TRUE(lv2Descriptor);
  Lv2Features lv2Features(512);
  Lv2Instance lv2(lv2Descriptor,
                  lv2Descriptor->instantiate(lv2Descriptor, 48000.0, lv2Module.bundle().c_str(), lv2Features.list()));
  lv2.activate();

  std::vector<std::pair<const char*, Edition<S>>> editions = {
      {"VST3",
       [&](S** in, S** out, std::int32_t frames, float mode) {
         ParameterChanges changes;
         changes.add(0, {{0, mode}});
         ASSERT_EQ(vst3->process(in, out, frames, &changes), vst3::kResultOk);
       }},
      {"CLAP",
       [&](S** in, S** out, std::int32_t frames, float mode) {
         ClapBlock<S> block(std::vector<S>(in[0], in[0] + frames), std::vector<S>(in[1], in[1] + frames));
         ClapEvents events;
         events.value(0, mode);
         ASSERT_EQ(clap->process(block, &events), clap::kProcessContinue);
         for (int c = 0; c < 2; ++c) std::memcpy(out[c], block.out[c].data(), frames * sizeof(S));
       }},
  };
  if constexpr (isFloat) {
    editions.push_back({"LV2", [&](S** in, S** out, std::int32_t frames, float mode) {
                          Lv2StereoBlock block(std::vector<S>(in[0], in[0] + frames),
                                               std::vector<S>(in[1], in[1] + frames));
                          block.run(lv2, mode);
                          for (int c = 0; c < 2; ++c) std::memcpy(out[c], block.out[c].data(), frames * sizeof(S));
                        }});
  }

  // Block sizes and the mode of each block.
  const std::pair<std::int32_t, float> blocks[] = {{512, 0.0f}, {512, 1.0f}, {100, 1.0f}, {7, 0.0f},
                                                   {512, 1.0f}, {1, 0.0f},   {300, 1.0f}, {512, 0.0f}};
  unsigned seed = 1;
  for (const auto& [frames, mode] : blocks) {
    std::vector<S> in[2] = {noise<S>(frames, seed++), noise<S>(frames, seed++)};
    S* inputs[2] = {in[0].data(), in[1].data()};
    std::vector<S> reference[2] = {std::vector<S>(frames), std::vector<S>(frames)};
    S* referenceOut[2] = {reference[0].data(), reference[1].data()};
    vst2.setParameter(0, mode);
    vst2.processAsHost(inputs, referenceOut, frames);
    for (const auto& [name, edition] : editions) {
      std::vector<S> out[2] = {std::vector<S>(frames, S(-7)), std::vector<S>(frames, S(-7))};
      S* outputs[2] = {out[0].data(), out[1].data()};
      edition(inputs, outputs, frames, mode);
      for (std::size_t c = 0; c < 2; ++c)
        ASSERT_EQ(std::memcmp(reference[c].data(), out[c].data(), frames * sizeof(S)), 0)
            << name << ": block of " << frames << " frames, mode " << mode << ", channel " << c;
    }
  }

  clap.reset();
  clapModule.entry().deinit();
  EXPECT_EQ(vst3->releaseAll(), 0u);
  V3CALL(factory, release);
}
