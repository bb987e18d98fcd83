// Shared pieces of the VST3 tests: the module loaded once per program, a factory per
// test, and started instances with stereo buffers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "hosting/vst3_host.h"
#include "hosting/editions_under_test.h"
#include "tests/support/reference_audio.h"
#include "tests/support/state_chunk.h"

// Loaded once and never unloaded, like the VST 2.4 tests' library.
hosting::Vst3Module& sharedModule();

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedModule().loaded()) << sharedModule().library().error();
    factory = sharedModule().factory();
    ASSERT_NE(factory, nullptr);
  }
  void TearDown() override {
    if (factory) {
      EXPECT_EQ(V3CALL(factory, release), 0u) << "a test left a factory reference behind";
    }
  }
  vst3::IPluginFactory* factory = nullptr;
};

// One instance, initialised, set up for 48 kHz and 512 frames, active and processing.
class StartedInstance : public FactoryTest {
 protected:
  void SetUp() override {
    FactoryTest::SetUp();
    instance = std::make_unique<hosting::Vst3Instance>(factory);
    ASSERT_TRUE(*instance);
    instance->start();
  }
  void TearDown() override {
    if (instance) {
      EXPECT_EQ(instance->releaseAll(), 0u);
    }
    instance.reset();
    FactoryTest::TearDown();
  }
  std::unique_ptr<hosting::Vst3Instance> instance;
};

// Two channels of a block; `inPlace` makes the outputs the input memory.
template <class Sample>
struct Block {
  Block(std::vector<Sample> left, std::vector<Sample> right, bool inPlace = false)
      : in{std::move(left), std::move(right)}, out{in} {
    for (auto& channel : out) std::fill(channel.begin(), channel.end(), Sample(-7));
    inputs = {in[0].data(), in[1].data()};
    outputs = inPlace ? inputs : std::array<Sample*, 2>{out[0].data(), out[1].data()};
  }
  std::int32_t frames() const { return static_cast<std::int32_t>(in[0].size()); }
  const std::vector<Sample>& result(std::size_t channel) const { return outputs[0] == inputs[0] ? in[channel] : out[channel]; }
  std::array<std::vector<Sample>, 2> in, out;
  std::array<Sample*, 2> inputs{}, outputs{};
};

