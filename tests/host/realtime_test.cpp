// After the first block, the calls an audio thread makes allocate nothing.
#include <vector>

#include "tests/host/allocation_counter.h"
#include "tests/host/host_fixture.h"
#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

class RealTime : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kSeesThePluginsAllocations)
      GTEST_SKIP() << "the DLL carries its own runtime, so this program's operator new never sees its allocations";
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  }
};

// Without this the test below could pass with a counter that is blind to the plug-in.
TEST_F(RealTime, CounterSeesThePluginsAllocations) {
  TestHost host;
  std::uint64_t before = allocationCount();
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  EXPECT_GT(allocationCount(), before) << "creating an instance allocates it";
  before = allocationCount();
  plugin.dispatch(effOpen);
  EXPECT_GT(allocationCount(), before) << "opening fills the string table";
  before = allocationCount();
  void* chunk = nullptr;
  plugin.dispatch(effGetChunk, 0, 0, &chunk);
  EXPECT_GT(allocationCount(), before) << "the first save grows the chunk buffer";
}

TEST_F(RealTime, AudioThreadCallsAllocateNothing) {
  TestHost host;
  VstTimeInfo time{};
  time.tempo = 120.0;
  time.flags = kVstTempoValid | kVstTransportPlaying;
  host.setTimeInfo(&time);
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  plugin.start();

  StereoBlock<float> floats(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
  StereoBlock<double> doubles(std::vector<double>(512, 0.5), std::vector<double>(512, 0.25));
  std::vector<VstMidiEvent> notes(1500, VstMidiEvent{kVstMidiType, sizeof(VstMidiEvent), 0, 0, 0, 0,
                                                     {'\x90', 60, 100, 0}, 0, 0, 0, 0});
  std::vector<VstEvent*> pointers(notes.size() + 2);
  auto* events = reinterpret_cast<VstEvents*>(pointers.data());
  events->numEvents = static_cast<VstInt32>(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i) events->events[i] = reinterpret_cast<VstEvent*>(&notes[i]);
  floats.run(plugin);
  doubles.run(plugin);

  const std::uint64_t before = allocationCount();
  for (int round = 0; round < 4; ++round) {
    plugin.dispatch(effProcessEvents, 0, 0, events);
    plugin.setParameter(kModeParameter, round % 2 ? 0.0f : 1.0f);
    floats.run(plugin);
    doubles.run(plugin);
    plugin.getParameter(kModeParameter);
  }
  const std::uint64_t made = allocationCount() - before;
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(floats.out[0][0], 0.5f) << "the last round ran in stereo";
  EXPECT_EQ(host.callCount(), 1u + 2u + 4u * 2u + 4u * 8u) << "version, resume, the first two blocks, four rounds";
}

// The LV2 edition's run, with a mode change in every round, allocates nothing either.
TEST_F(RealTime, Lv2RunAllocatesNothing) {
  const Lv2Module module(lv2BundleUnderTest(), lv2BinaryName());
  const LV2_Descriptor* descriptor = module.descriptor(kTwinfoldUri);
  ASSERT_TRUE(descriptor);
  Lv2Features features(512);
  const std::uint64_t beforeInstantiate = allocationCount();
  LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, module.bundle().c_str(), features.list());
  ASSERT_TRUE(handle);
  EXPECT_GT(allocationCount(), beforeInstantiate) << "the counter must see the module's allocations";
  Lv2Instance instance(descriptor, handle);
  instance.activate();
  Lv2StereoBlock block(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
  block.run(instance, 1.0f);

  const std::uint64_t before = allocationCount();
  for (int round = 0; round < 4; ++round) {
    block.control = round % 2 ? 1.0f : 0.0f;
    instance.run(512);
    instance.run(0);
  }
  EXPECT_EQ(allocationCount() - before, 0u);
  EXPECT_EQ(block.out[0][0], 0.375f) << "the last round ran in mono";
  instance.deactivate();
}

// The VST3 edition's process, with a parameter change inside every block, allocates
// nothing either, in both sample sizes.
TEST_F(RealTime, Vst3ProcessAllocatesNothing) {
  Vst3Module module(vst3BinaryUnderTest());
  ASSERT_TRUE(module.loaded()) << module.library().error();
  vst3::IPluginFactory* factory = module.factory();
  ASSERT_TRUE(factory);
  const std::uint64_t beforeInstance = allocationCount();
  Vst3Instance instance(factory);
  ASSERT_TRUE(instance);
  EXPECT_GT(allocationCount(), beforeInstance) << "the counter must see the module's allocations";
  instance.start();

  ParameterChanges toMono, toStereo;
  toMono.add(0, {{100, 1.0}});
  toStereo.add(0, {{100, 0.0}});
  std::vector<float> left(512, 0.5f), right(512, 0.25f), outLeft(512), outRight(512);
  float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {outLeft.data(), outRight.data()};
  ASSERT_EQ(instance.process(inputs, outputs, 512, &toMono), vst3::kResultOk);

  const std::uint64_t before = allocationCount();
  for (int round = 0; round < 4; ++round) {
    instance.process(inputs, outputs, 512, round % 2 ? &toMono : &toStereo);
    instance.process(inputs, outputs, 0);
  }
  EXPECT_EQ(allocationCount() - before, 0u);
  EXPECT_EQ(outLeft[99], 0.5f) << "the last round began in stereo";
  EXPECT_EQ(outLeft[100], 0.375f) << "and switched to mono at its change";
  EXPECT_EQ(instance.releaseAll(), 0u);
  V3CALL(factory, release);
}

// The CLAP edition's process, with an event inside every block, in both sample sizes
// and both mixed pairs (through the scratch, beyond its length).
TEST_F(RealTime, ClapProcessAllocatesNothing) {
  const ClapModule module(clapFileUnderTest());
  ASSERT_TRUE(module.loaded()) << module.library().error();
  ASSERT_TRUE(module.entry().init(nullptr));
  ClapHost host;
  const std::uint64_t beforeInstance = allocationCount();
  {
    ClapInstance instance(module.factory(), host);
    ASSERT_TRUE(instance.initialized);
    EXPECT_GT(allocationCount(), beforeInstance) << "the counter must see the module's allocations";
    ASSERT_TRUE(instance.start(48000.0, 512));
    ClapEvents toMono, toStereo;
    toMono.value(100, 1.0);
    toStereo.value(100, 0.0);
    ClapBlock<float> floats(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
    ClapBlock<double> doubles(std::vector<double>(512, 0.5), std::vector<double>(512, 0.25));
    ClapBlock<float, double> widened(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
    ClapBlock<double, float> narrowed(std::vector<double>(512, 0.5), std::vector<double>(512, 0.25));
    ASSERT_EQ(instance.process(floats, &toMono), clap::kProcessContinue);

    const std::uint64_t before = allocationCount();
    for (int round = 0; round < 4; ++round) {
      instance.process(floats, round % 2 ? &toMono : &toStereo);
      instance.process(doubles, round % 2 ? &toMono : &toStereo);
      instance.process(widened, round % 2 ? &toMono : &toStereo);
      instance.process(narrowed, round % 2 ? &toMono : &toStereo);
      instance.process(floats, nullptr, 0);
    }
    EXPECT_EQ(allocationCount() - before, 0u);
    EXPECT_EQ(floats.out[0][99], 0.5f) << "the last round began in stereo";
    EXPECT_EQ(floats.out[0][100], 0.375f) << "and switched to mono at its event";
    EXPECT_EQ(widened.out[0][100], 0.375);
    EXPECT_EQ(narrowed.out[0][100], 0.375f);
  }
  module.entry().deinit();
}

}  // namespace
