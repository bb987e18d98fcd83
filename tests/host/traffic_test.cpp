// Everything the plug-in asks of its host over an instance's life, in order: the version
// at creation, MIDI and one time query at each resume, four time queries per block,
// one at the first restore, and nothing else.
#include <vector>

#include "tests/host/host_fixture.h"

namespace {

class HostTraffic : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    time.tempo = 120.0;
    time.timeSigNumerator = 3;
    time.timeSigDenominator = 4;
    time.ppqPos = 17.5;
    time.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
    if (GetParam()) host.setTimeInfo(&time);
  }

  // The calls made by `step`, without the instance pointer.
  template <class Step>
  std::vector<HostCall> trafficOf(Step&& step) {
    host.clearCalls();
    step();
    std::vector<HostCall> calls = host.calls();
    for (HostCall& call : calls) {
      EXPECT_EQ(call.effect, effect) << "opcode " << call.opcode;
      call.effect = nullptr;
    }
    return calls;
  }

  static std::vector<HostCall> timeQueries(const std::vector<VstIntPtr>& filters) {
    std::vector<HostCall> calls;
    for (VstIntPtr filter : filters) calls.push_back({nullptr, audioMasterGetTime, 0, filter});
    return calls;
  }

  VstTimeInfo time{};
  TestHost host;
  const AEffect* effect = nullptr;
};

TEST_P(HostTraffic, OverAnInstancesLife) {
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  EXPECT_EQ(host.calls(), (std::vector<HostCall>{{nullptr, audioMasterVersion, 0, 0}}));
  effect = plugin.effect();
  const std::vector<HostCall> none;
  const std::vector<HostCall> resume = {{nullptr, audioMasterWantMidi, 0, 1},
                                        {nullptr, audioMasterGetTime, 0, kVstTempoValid}};
  const std::vector<HostCall> block = timeQueries(kBlockTimeFilters);

  EXPECT_EQ(trafficOf([&] { plugin.dispatch(effOpen); }), none);
  EXPECT_EQ(trafficOf([&] {
              plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
              plugin.dispatch(effSetBlockSize, 0, 64);
            }),
            none);
  EXPECT_EQ(trafficOf([&] { plugin.dispatch(effMainsChanged, 0, 1); }), resume);

  StereoBlock<float> floats({0.5f, 0.25f, 0.0f}, {0.0f, 1.0f, -1.0f});
  StereoBlock<double> doubles({0.5, 0.25, 0.0}, {0.0, 1.0, -1.0});
  EXPECT_EQ(trafficOf([&] { floats.run(plugin); }), block);
  EXPECT_EQ(trafficOf([&] { doubles.run(plugin); }), block);
  EXPECT_EQ(trafficOf([&] {
              floats.run(plugin);
              doubles.run(plugin);
            }),
            timeQueries({0x2400, 2, 8, 0x200, 0x2400, 2, 8, 0x200}));

  EXPECT_EQ(trafficOf([&] {
              plugin.setParameter(kModeParameter, 1.0f);
              plugin.getParameter(kModeParameter);
              plugin.text(effGetParamDisplay, kModeParameter);
              plugin.text(effGetEffectName);
              saveChunk(plugin);
            }),
            none);
  // A chunk without the marker runs no section.
  EXPECT_EQ(trafficOf([&] { restoreChunk(plugin, chunkBytes({1.0f}, 1000.0f)); }), none);
  // The first accepted restore runs the initialisation section, later ones do not.
  EXPECT_EQ(trafficOf([&] { restoreChunk(plugin, chunkBytes({1.0f})); }),
            timeQueries({kVstTempoValid}));
  EXPECT_EQ(trafficOf([&] { restoreChunk(plugin, chunkBytes({0.0f})); }), none);

  VstMidiEvent note{kVstMidiType, sizeof(VstMidiEvent), 0, 0, 0, 0, {'\x90', 60, 100, 0}, 0, 0, 0, 0};
  VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
  EXPECT_EQ(trafficOf([&] { plugin.dispatch(effProcessEvents, 0, 0, &events); }), none);

  EXPECT_EQ(trafficOf([&] { plugin.dispatch(effMainsChanged, 0, 0); }), none);
  std::vector<HostCall> twice = resume;
  twice.insert(twice.end(), resume.begin(), resume.end());
  EXPECT_EQ(trafficOf([&] {
              plugin.dispatch(effMainsChanged, 0, 1);
              plugin.dispatch(effMainsChanged, 0, 1);
            }),
            twice);
  EXPECT_EQ(trafficOf([&] { EXPECT_EQ(plugin.close(), 1); }), none);
  EXPECT_EQ(TestHost::strayCallCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(TimeInformation, HostTraffic, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Given" : "Missing"; });

}  // namespace
