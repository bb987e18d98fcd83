// The calls an audio thread makes allocate nothing, lock nothing and reach no
// thread-local storage, from the first block on a thread started for the audio on,
// with the host's time given to every edition: each counted by operator new in this
// program and by the C runtime and system calls of the modules (runtime_calls.h).
#include <lv2/atom/forge.h>
#include <lv2/time/time.h>

#include <thread>
#include <vector>

#include "tests/host/allocation_counter.h"
#include "tests/host/host_fixture.h"
#include "tests/host/runtime_calls.h"
#include "hosting/clap_host.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

std::uint64_t allocationsAndRuntimeCalls() { return allocationCount() + runtimeCallCount(); }

// Runs `work` on a thread started for it: what it made, its first call included.
template <class Work>
std::uint64_t madeOnAFreshThread(Work work) {
  std::uint64_t made = 0;
  std::thread([&] {
    const std::uint64_t before = allocationsAndRuntimeCalls();
    work();
    made = allocationsAndRuntimeCalls() - before;
  }).join();
  return made;
}

class RealTime : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    ASSERT_GT(watch(sharedPluginLibrary()), 0) << "the counter must see the plug-in's calls";
  }
};

// Without this the tests below could pass with a counter that is blind to the plug-in.
TEST_F(RealTime, CounterSeesThePluginsAllocations) {
  TestHost host;
  std::uint64_t before = allocationsAndRuntimeCalls();
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  EXPECT_GT(allocationsAndRuntimeCalls(), before) << "creating an instance allocates it";
  before = allocationsAndRuntimeCalls();
  plugin.dispatch(effOpen);
  EXPECT_GT(allocationsAndRuntimeCalls(), before) << "opening fills the string table";
  before = allocationsAndRuntimeCalls();
  void* chunk = nullptr;
  plugin.dispatch(effGetChunk, 0, 0, &chunk);
  EXPECT_GT(allocationsAndRuntimeCalls(), before) << "the first save grows the chunk buffer";
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

  const std::uint64_t made = madeOnAFreshThread([&] {
    floats.run(plugin);
    doubles.run(plugin);
    for (int round = 0; round < 4; ++round) {
      plugin.dispatch(effProcessEvents, 0, 0, events);
      plugin.setParameter(kModeParameter, round % 2 ? 0.0f : 1.0f);
      floats.run(plugin);
      doubles.run(plugin);
      plugin.getParameter(kModeParameter);
    }
  });
  EXPECT_EQ(made, 0u) << "the last call counted: " << lastRuntimeCallName();
  EXPECT_EQ(floats.out[0][0], 0.5f) << "the last round ran in stereo";
  EXPECT_EQ(host.callCount(), 1u + 2u + 4u * 2u + 4u * 8u) << "version, resume, the first two blocks, four rounds";
}

// A time:Position object, playing at 120 bpm in 4/4 from bar 3, as LV2 hosts send one.
class PlayingPosition {
 public:
  explicit PlayingPosition(Lv2Features& features) {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(features.mapFeature()->data)));
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(words_.data()), words_.size() * 8);
    LV2_Atom_Forge_Frame sequence, object;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &object, 0, features.map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, 1.0f);
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__bar));
    lv2_atom_forge_long(&forge, 3);
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge, 0.0f);
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge, 4);
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, 4.0f);
    lv2_atom_forge_key(&forge, features.map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, 120.0f);
    lv2_atom_forge_pop(&forge, &object);
    lv2_atom_forge_pop(&forge, &sequence);
  }
  void* sequence() { return words_.data(); }

 private:
  std::vector<std::uint64_t> words_ = std::vector<std::uint64_t>(64);
};

// The LV2 edition's run, with a position and a mode change in every round, allocates
// nothing either.
TEST_F(RealTime, Lv2RunAllocatesNothing) {
  const Lv2Module module(lv2BundleUnderTest());
  ASSERT_GT(watch(module.library()), 0);
  const LV2_Descriptor* descriptor = module.descriptor(kTwinfoldUri);
  ASSERT_TRUE(descriptor);
  Lv2Features features(512);
  PlayingPosition position(features);
  const std::uint64_t beforeInstantiate = allocationsAndRuntimeCalls();
  LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, module.bundle().c_str(), features.list());
  ASSERT_TRUE(handle);
  EXPECT_GT(allocationsAndRuntimeCalls(), beforeInstantiate) << "the counter must see the module's allocations";
  Lv2Instance instance(descriptor, handle);
  Lv2StereoBlock block(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
  for (std::uint32_t c = 0; c < 2; ++c) {
    instance.connect(kInLeft + c, block.in[c].data());
    instance.connect(kOutLeft + c, block.out[c].data());
  }
  instance.connect(kModePort, &block.control);
  instance.connect(kPortCount, position.sequence());  // the transport input
  instance.activate();

  const std::uint64_t made = madeOnAFreshThread([&] {
    for (int round = 0; round < 4; ++round) {
      block.control = round % 2 ? 1.0f : 0.0f;
      instance.run(512);
      instance.run(0);
    }
  });
  EXPECT_EQ(made, 0u) << "the last call counted: " << lastRuntimeCallName();
  EXPECT_EQ(block.out[0][0], 0.375f) << "the last round ran in mono";
  instance.deactivate();
}

// The VST3 edition's process, with a parameter change inside every block and a playing
// context, allocates nothing either.
TEST_F(RealTime, Vst3ProcessAllocatesNothing) {
  Vst3Module module;
  ASSERT_TRUE(module.loaded()) << module.library().error();
  ASSERT_GT(watch(module.library()), 0);
  vst3::IPluginFactory* factory = module.factory();
  ASSERT_TRUE(factory);
  const std::uint64_t beforeInstance = allocationsAndRuntimeCalls();
  Vst3Instance instance(factory);
  ASSERT_TRUE(instance);
  EXPECT_GT(allocationsAndRuntimeCalls(), beforeInstance) << "the counter must see the module's allocations";
  instance.start();

  ParameterChanges toMono, toStereo;
  toMono.add(0, {{100, 1.0}});
  toStereo.add(0, {{100, 0.0}});
  vst3::ProcessContext context{};
  context.state = vst3::kContextPlaying | vst3::kContextProjectTimeMusicValid | vst3::kContextTempoValid |
                  vst3::kContextTimeSigValid;
  context.sampleRate = 48000.0;
  context.projectTimeMusic = 8.0;
  context.tempo = 120.0;
  context.timeSigNumerator = context.timeSigDenominator = 4;
  std::vector<float> left(512, 0.5f), right(512, 0.25f), outLeft(512), outRight(512);
  float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {outLeft.data(), outRight.data()};

  const std::uint64_t made = madeOnAFreshThread([&] {
    for (int round = 0; round < 4; ++round) {
      context.projectTimeSamples = 512 * round;
      instance.process(inputs, outputs, 512, round % 2 ? &toMono : &toStereo, &context);
      instance.process(inputs, outputs, 0, nullptr, &context);
    }
  });
  EXPECT_EQ(made, 0u) << "the last call counted: " << lastRuntimeCallName();
  EXPECT_EQ(outLeft[99], 0.5f) << "the last round began in stereo";
  EXPECT_EQ(outLeft[100], 0.375f) << "and switched to mono at its change";
  EXPECT_EQ(instance.releaseAll(), 0u);
  V3CALL(factory, release);
}

// The CLAP edition's process, with an event inside every block and a playing
// transport, in both sample sizes and both mixed pairs (through the scratch, beyond
// its length).
TEST_F(RealTime, ClapProcessAllocatesNothing) {
  const ClapModule module;
  ASSERT_TRUE(module.loaded()) << module.library().error();
  ASSERT_GT(watch(module.library()), 0);
  ASSERT_TRUE(module.entry().init(nullptr));
  ClapHost host;
  const std::uint64_t beforeInstance = allocationsAndRuntimeCalls();
  {
    ClapInstance instance(module.factory(), host);
    ASSERT_TRUE(instance.initialized);
    EXPECT_GT(allocationsAndRuntimeCalls(), beforeInstance) << "the counter must see the module's allocations";
    ASSERT_TRUE(instance.start(48000.0, 512));
    ClapEvents toMono, toStereo;
    toMono.value(100, 1.0);
    toStereo.value(100, 0.0);
    clap::clap_event_transport transport{};
    transport.flags = clap::kTransportHasTempo | clap::kTransportHasBeatsTimeline |
                      clap::kTransportHasTimeSignature | clap::kTransportIsPlaying;
    transport.tempo = 120.0;
    transport.tsig_num = transport.tsig_denom = 4;
    ClapBlock<float> floats(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
    ClapBlock<double> doubles(std::vector<double>(512, 0.5), std::vector<double>(512, 0.25));
    ClapBlock<float, double> widened(std::vector<float>(512, 0.5f), std::vector<float>(512, 0.25f));
    ClapBlock<double, float> narrowed(std::vector<double>(512, 0.5), std::vector<double>(512, 0.25));
    floats.process.transport = doubles.process.transport = &transport;
    widened.process.transport = narrowed.process.transport = &transport;

    const std::uint64_t made = madeOnAFreshThread([&] {
      for (int round = 0; round < 4; ++round) {
        instance.process(floats, round % 2 ? &toMono : &toStereo);
        instance.process(doubles, round % 2 ? &toMono : &toStereo);
        instance.process(widened, round % 2 ? &toMono : &toStereo);
        instance.process(narrowed, round % 2 ? &toMono : &toStereo);
        instance.process(floats, nullptr, 0);
      }
    });
    EXPECT_EQ(made, 0u) << "the last call counted: " << lastRuntimeCallName();
    EXPECT_EQ(floats.out[0][99], 0.5f) << "the last round began in stereo";
    EXPECT_EQ(floats.out[0][100], 0.375f) << "and switched to mono at its event";
    EXPECT_EQ(widened.out[0][100], 0.375);
    EXPECT_EQ(narrowed.out[0][100], 0.375f);
  }
  module.entry().deinit();
}

}  // namespace
