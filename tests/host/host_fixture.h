// Shared pieces of the host-level tests: a started instance, stereo buffers and
// state chunks as a host handles them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/reference_audio.h"
#include "tests/support/state_chunk.h"
#include "tests/support/test_host.h"

inline constexpr VstInt32 kModeParameter = 0;
inline constexpr std::size_t kChunkFloats = 65;
inline constexpr std::size_t kChunkBytes = kChunkFloats * sizeof(float);
// The four time queries of every processing call, in order.
inline const std::vector<VstIntPtr> kBlockTimeFilters = {kVstTempoValid | kVstTimeSigValid, kVstTransportPlaying,
                                                         kVstTransportRecording, kVstPpqPosValid};

// An instance from VSTPluginMain, opened and resumed; the host's log starts empty.
class StartedPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    ASSERT_TRUE(plugin) << "the plug-in refused a host that answers its version query";
    plugin.start();
    host.clearCalls();
  }

  void setMono(bool mono) { plugin.setParameter(kModeParameter, mono ? 1.0f : 0.0f); }

  std::vector<VstIntPtr> timeFilters() const {
    std::vector<VstIntPtr> filters;
    for (const HostCall& call : host.callsOf(audioMasterGetTime)) filters.push_back(call.value);
    return filters;
  }

  TestHost host;
  HostedPlugin plugin{host, pluginEntry()};
};

// Two channels of input and output owned together; the pointer arrays are what a host
// hands to a processing call.
template <class Sample>
struct StereoBlock {
  explicit StereoBlock(std::vector<Sample> left, std::vector<Sample> right)
      : in{std::move(left), std::move(right)},
        out{std::vector<Sample>(in[0].size(), Sample(-7)), std::vector<Sample>(in[0].size(), Sample(-7))},
        inputs{in[0].data(), in[1].data()},
        outputs{out[0].data(), out[1].data()} {}

  VstInt32 frames() const { return static_cast<VstInt32>(in[0].size()); }
  void run(HostedPlugin& plugin) { plugin.processAsHost(inputs.data(), outputs.data(), frames()); }

  std::array<std::vector<Sample>, 2> in;
  std::array<std::vector<Sample>, 2> out;
  std::array<Sample*, 2> inputs;
  std::array<Sample*, 2> outputs;
};

// The chunk the plug-in hands out, copied as floats (x86 targets are little-endian, the
// chunk's byte order).
inline std::vector<float> saveChunk(HostedPlugin& plugin) {
  void* data = nullptr;
  const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
  std::vector<float> floats;
  if (size <= 0 || !data) return floats;
  floats.resize(static_cast<std::size_t>(size) / sizeof(float));
  std::memcpy(floats.data(), data, floats.size() * sizeof(float));
  return floats;
}

inline VstIntPtr restoreChunk(HostedPlugin& plugin, std::vector<std::uint8_t> bytes) {
  return plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
}
