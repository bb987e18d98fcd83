// The single object driven as real hosts drive it: the life cycles of the two Linux
// hosts that load VST3, reference counts, interface queries, buses and arrangements.
#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

using namespace vst3;

namespace {

// One zero block with parameter changes, as a discovery run sends it.
tresult processSilence(IAudioProcessor* processor, std::int32_t frames, IParameterChanges* changes) {
  std::vector<float> left(frames), right(frames);
  float* channels[2] = {left.data(), right.data()};
  AudioBusBuffers in{2, 0, {channels}};
  AudioBusBuffers out{2, 0, {channels}};
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = changes;
  data.outputParameterChanges = changes;
  return V3CALL(processor, process, &data);
}

}  // namespace

TEST_F(FactoryTest, ArdourLifeCycle) {
  HostApplication context;
  ComponentHandler handler;
  void* object = nullptr;
  ASSERT_EQ(V3CALL(factory, createInstance, firstClassId(factory).data(), IComponent_iid.data(), &object), kResultOk);
  auto* component = static_cast<IComponent*>(object);
  ASSERT_EQ(V3CALL(component, initialize, reinterpret_cast<FUnknown*>(&context)), kResultOk);
  ASSERT_EQ(V3CALL(component, queryInterface, IEditController_iid.data(), &object), kResultOk);
  auto* controller = static_cast<IEditController*>(object);
  // The controller is initialised again on the same object: nothing may reset.
  EXPECT_NE(V3CALL(controller, initialize, reinterpret_cast<FUnknown*>(&context)), kResultOk);
  EXPECT_EQ(V3CALL(controller, setComponentHandler, &handler), kResultOk);
  EXPECT_EQ(handler.references, 1);
  ASSERT_EQ(V3CALL(component, queryInterface, IAudioProcessor_iid.data(), &object), kResultOk);
  auto* processor = static_cast<IAudioProcessor*>(object);
  void* refused = &object;
  EXPECT_EQ(V3CALL(component, queryInterface, IConnectionPoint_iid.data(), &refused), kNoInterface);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(V3CALL(controller, queryInterface, IEditController2_iid.data(), &refused), kNoInterface);
  EXPECT_EQ(V3CALL(controller, getParameterCount), 1);

  // Component state into a stream that already holds a header, then to the controller.
  MemoryStream stream(std::vector<unsigned char>(48, 0xAB));
  stream.position = 48;
  ASSERT_EQ(V3CALL(component, getState, &stream), kResultOk);
  ASSERT_EQ(stream.bytes.size(), 48u + 12u + 260u);
  MemoryStream copy(std::vector<unsigned char>(stream.bytes.begin() + 48, stream.bytes.end()));
  EXPECT_EQ(V3CALL(controller, setComponentState, &copy), kResultOk);

  // Scanner habits: deactivation of a never-activated instance, activation before set-up.
  EXPECT_EQ(V3CALL(processor, setProcessing, 0), kResultOk);
  EXPECT_EQ(V3CALL(component, setActive, 0), kResultOk);
  EXPECT_EQ(V3CALL(component, setActive, 1), kResultOk);
  EXPECT_EQ(V3CALL(component, setActive, 0), kResultOk);

  ProcessSetup setup{kRealtime, kSample32, 256, 48000.0};
  EXPECT_EQ(V3CALL(processor, setupProcessing, &setup), kResultOk);
  EXPECT_EQ(V3CALL(component, activateBus, kAudio, kInput, 0, 1), kResultOk);
  EXPECT_EQ(V3CALL(component, activateBus, kAudio, kOutput, 0, 1), kResultOk);
  SpeakerArrangement stereo = kStereo;
  SpeakerArrangement stereoOut = kStereo;
  EXPECT_EQ(V3CALL(processor, setBusArrangements, &stereo, 1, &stereoOut, 1), kResultTrue);
  EXPECT_EQ(V3CALL(component, setActive, 1), kResultOk);
  EXPECT_EQ(V3CALL(processor, setProcessing, 1), kResultOk);
  ParameterChanges changes;
  changes.add(0, {{0, 1.0}});
  EXPECT_EQ(processSilence(processor, 256, &changes), kResultOk);

  // Teardown: the processor goes first, the handler is cleared, terminate comes twice.
  EXPECT_EQ(V3CALL(processor, setProcessing, 0), kResultOk);
  EXPECT_EQ(V3CALL(component, setActive, 0), kResultOk);
  EXPECT_EQ(V3CALL(processor, release), 2u);
  EXPECT_EQ(V3CALL(controller, setComponentHandler, nullptr), kResultOk);
  EXPECT_EQ(handler.references, 0);
  EXPECT_EQ(V3CALL(controller, terminate), kResultOk);
  EXPECT_EQ(V3CALL(controller, release), 1u);
  EXPECT_EQ(V3CALL(component, terminate), kResultOk);
  EXPECT_EQ(V3CALL(component, release), 0u);
  EXPECT_EQ(context.references, 0);
}

TEST_F(FactoryTest, CarlaLifeCycle) {
  HostApplication context;
  ComponentHandler handler;
  ASSERT_EQ(V3CALL(factory, setHostContext, reinterpret_cast<FUnknown*>(&context)), kResultOk);
  Vst3Instance instance(factory);
  ASSERT_TRUE(instance);
  ASSERT_EQ(V3CALL(instance.component, initialize, reinterpret_cast<FUnknown*>(&context)), kResultOk);
  V3CALL(instance.controller, setComponentHandler, &handler);
  EXPECT_EQ(V3CALL(instance.controller, createView, "editor"), nullptr);
  void* mapping = &mapping;
  EXPECT_EQ(V3CALL(instance.component, queryInterface, IMidiMapping_iid.data(), &mapping), kNoInterface);
  EXPECT_EQ(mapping, nullptr);
  ASSERT_EQ(V3CALL(instance.processor, canProcessSampleSize, kSample32), kResultOk);

  // Discovery: active before any set-up, set up while active, then one block.
  EXPECT_EQ(V3CALL(instance.component, setActive, 1), kResultOk);
  ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
  EXPECT_EQ(V3CALL(instance.processor, setupProcessing, &setup), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, setActive, 0), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, activateBus, kAudio, kInput, 0, 1), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, activateBus, kAudio, kOutput, 0, 1), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, setActive, 1), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, setActive, 1), kResultOk);  // twice in a row
  EXPECT_EQ(V3CALL(instance.processor, setProcessing, 1), kResultOk);
  ParameterChanges changes;
  EXPECT_EQ(processSilence(instance.processor, 512, &changes), kResultOk);

  // State: the component's stream, then the controller with the same, consumed stream.
  const std::vector<unsigned char> saved = instance.getState();
  ASSERT_EQ(saved.size(), 12u + 260u);
  MemoryStream stream(saved);
  EXPECT_EQ(V3CALL(instance.component, setState, &stream), kResultOk);
  EXPECT_EQ(stream.position, saved.size());
  EXPECT_EQ(V3CALL(instance.controller, setState, &stream), kResultOk);
  MemoryStream empty;
  EXPECT_EQ(V3CALL(instance.controller, getState, &empty), kResultOk);
  EXPECT_TRUE(empty.bytes.empty());

  // Destroyed without deactivation; terminate once.
  EXPECT_EQ(V3CALL(instance.component, terminate), kResultOk);
  EXPECT_EQ(V3CALL(instance.component, terminate), kResultOk);
  EXPECT_EQ(instance.releaseAll(), 0u);
  EXPECT_EQ(handler.references, 0) << "terminate releases the component handler";
}

TEST_F(FactoryTest, OneIdentityAndQueriesThatChangeNoCount) {
  Vst3Instance instance(factory);
  ASSERT_TRUE(instance);
  void* viaComponent = nullptr;
  void* viaController = nullptr;
  void* base = nullptr;
  ASSERT_EQ(V3CALL(instance.component, queryInterface, FUnknown_iid.data(), &viaComponent), kResultOk);
  ASSERT_EQ(V3CALL(instance.controller, queryInterface, FUnknown_iid.data(), &viaController), kResultOk);
  ASSERT_EQ(V3CALL(instance.processor, queryInterface, IPluginBase_iid.data(), &base), kResultOk);
  EXPECT_EQ(viaComponent, viaController);
  EXPECT_EQ(viaComponent, base);
  // Three faces held by the instance plus three queries: a failed query adds nothing.
  void* none = &none;
  EXPECT_EQ(V3CALL(instance.processor, queryInterface, IUnitInfo_iid.data(), &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(V3CALL(instance.component, addRef), 7u);
  EXPECT_EQ(V3CALL(instance.component, release), 6u);
  for (void* face : {viaComponent, viaController, base}) V3CALL(static_cast<FUnknown*>(face), release);
  void* requirements = nullptr;
  ASSERT_EQ(V3CALL(instance.component, queryInterface, IProcessContextRequirements_iid.data(), &requirements), kResultOk);
  auto* needs = static_cast<IProcessContextRequirements*>(requirements);
  // Position, bar, cycle, tempo, signature and transport state: what the core's time reads.
  EXPECT_EQ(V3CALL(needs, getProcessContextRequirements), 0x4DCu);
  EXPECT_EQ(V3CALL(needs, release), 3u);
}

TEST_F(StartedInstance, BusesAndArrangements) {
  IComponent* component = instance->component;
  IAudioProcessor* processor = instance->processor;
  EXPECT_EQ(V3CALL(component, getBusCount, kAudio, kInput), 1);
  EXPECT_EQ(V3CALL(component, getBusCount, kAudio, kOutput), 1);
  EXPECT_EQ(V3CALL(component, getBusCount, kEvent, kInput), 0);
  EXPECT_EQ(V3CALL(component, getBusCount, kEvent, kOutput), 0);
  for (int32 dir : {kInput, kOutput}) {
    BusInfo bus{};
    ASSERT_EQ(V3CALL(component, getBusInfo, kAudio, dir, 0, &bus), kResultOk);
    EXPECT_EQ(bus.mediaType, kAudio);
    EXPECT_EQ(bus.direction, dir);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_EQ(bus.flags, kDefaultActive);
    EXPECT_FALSE(utf8(bus.name).empty());
    EXPECT_EQ(V3CALL(component, getBusInfo, kAudio, dir, 1, &bus), kInvalidArgument);
    EXPECT_EQ(V3CALL(component, getBusInfo, kEvent, dir, 0, &bus), kInvalidArgument);
    EXPECT_EQ(V3CALL(component, activateBus, kEvent, dir, 0, 1), kInvalidArgument);
    EXPECT_EQ(V3CALL(component, activateBus, kAudio, dir, 1, 1), kInvalidArgument);
  }
  SpeakerArrangement in = kMono, out = kMono;
  EXPECT_EQ(V3CALL(processor, setBusArrangements, &in, 1, &out, 1), kResultFalse);
  in = out = 1;  // mono as bit 0, as one host sends it
  EXPECT_EQ(V3CALL(processor, setBusArrangements, &in, 1, &out, 1), kResultFalse);
  in = out = kStereo;
  EXPECT_EQ(V3CALL(processor, setBusArrangements, nullptr, 0, &out, 1), kResultFalse);
  EXPECT_EQ(V3CALL(processor, setBusArrangements, &in, 1, &out, 2), kResultFalse);
  EXPECT_EQ(V3CALL(processor, setBusArrangements, &in, 1, &out, 1), kResultTrue);
  for (int32 dir : {kInput, kOutput}) {
    SpeakerArrangement arrangement = kMono;
    ASSERT_EQ(V3CALL(processor, getBusArrangement, dir, 0, &arrangement), kResultTrue);
    EXPECT_EQ(arrangement, kStereo) << "a refused layout keeps stereo";
    EXPECT_EQ(V3CALL(processor, getBusArrangement, dir, 1, &arrangement), kInvalidArgument);
  }
  EXPECT_EQ(V3CALL(processor, canProcessSampleSize, kSample64), kResultTrue);
  EXPECT_EQ(V3CALL(processor, canProcessSampleSize, 2), kResultFalse);
  EXPECT_EQ(V3CALL(processor, getLatencySamples), 0u);
  EXPECT_EQ(V3CALL(processor, getTailSamples), kNoTail);
  char classId[16];
  EXPECT_NE(V3CALL(component, getControllerClassId, classId), kResultOk);
  EXPECT_EQ(V3CALL(component, getRoutingInfo, nullptr, nullptr), kNotImplemented);
}
