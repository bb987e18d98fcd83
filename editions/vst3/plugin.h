// The plug-in as VST3 hosts see it: one object that is the component, the audio
// processor and the edit controller, hosting the VST 2.4 core in-process. Each face is an
// interface pointer whose trampolines (plugin_tables.cpp) recover the object; the
// operations below are named after the interface methods they serve.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "hosting/instance.h"
#include "hosting/time_record.h"
#include "editions/vst3/automation.h"
#include "hosting/edition_state.h"
#include "abi/vst3_abi.h"

namespace vst3 {

class Plugin;

// An interface pointer of the object, with the way back to it.
template <class Table>
struct Face : Interface<Table> {
  Plugin* owner;
};

class Plugin {
 public:
  // A new object with one reference, or null when the core refuses to load.
  static Plugin* create(hosting::EntryFunction entry);

  // Answers one of the object's interfaces for `iid` and adds a reference.
  tresult queryInterface(const char* iid, void** object);
  uint32 addRef();
  uint32 release();

  // IPluginBase (reached through the component and the controller alike)
  tresult initialize(FUnknown* context);
  tresult terminate();

  // IComponent
  tresult getControllerClassId(char* classId);
  tresult setIoMode(int32 mode);
  int32 getBusCount(int32 type, int32 dir);
  tresult getBusInfo(int32 type, int32 dir, int32 index, BusInfo* bus);
  tresult getRoutingInfo(RoutingInfo* in, RoutingInfo* out);
  tresult activateBus(int32 type, int32 dir, int32 index, TBool state);
  tresult setActive(TBool state);
  tresult componentSetState(IBStream* stream);
  tresult componentGetState(IBStream* stream);

  // IAudioProcessor
  tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs, int32 numOuts);
  tresult getBusArrangement(int32 dir, int32 index, SpeakerArrangement* arrangement);
  tresult canProcessSampleSize(int32 size);
  uint32 getLatencySamples();
  tresult setupProcessing(ProcessSetup* setup);
  tresult setProcessing(TBool state);
  tresult process(ProcessData* data);
  uint32 getTailSamples();

  // IProcessContextRequirements
  uint32 getProcessContextRequirements();

  // IEditController
  tresult setComponentState(IBStream* stream);
  tresult controllerSetState(IBStream* stream);
  tresult controllerGetState(IBStream* stream);
  int32 getParameterCount();
  tresult getParameterInfo(int32 index, ParameterInfo* info);
  tresult getParamStringByValue(ParamID id, ParamValue value, char16* text);
  tresult getParamValueByString(ParamID id, char16* text, ParamValue* value);
  ParamValue normalizedParamToPlain(ParamID id, ParamValue value);
  ParamValue plainParamToNormalized(ParamID id, ParamValue plain);
  ParamValue getParamNormalized(ParamID id);
  tresult setParamNormalized(ParamID id, ParamValue value);
  tresult setComponentHandler(IComponentHandler* handler);
  IPlugView* createView(const char* name);

 private:
  explicit Plugin(hosting::EntryFunction entry);
  ~Plugin();

  // The state a stream holds, checked against this core; Invalid when unusable.
  hosting::StateImage readStateImage(IBStream* stream, std::vector<unsigned char>& bytes) const;
  // Applies a checked state to a core; answers the parameter value it leaves, nothing
  // when the core refused it.
  static std::optional<double> restore(hosting::Instance& core, const hosting::StateImage& image);
  hosting::Instance& displayCore();
  // Fills the core's time record for a block of `frames` from the host's context.
  void takeTime(const ProcessContext* context, int32 frames);
  template <class Sample>
  tresult processAudio(ProcessData& data, AudioBusBuffers& output, Sample** (*channels)(AudioBusBuffers&),
                       Sample* silence, Sample* sink);
  // A block in parts, at the mode's change points or through the scratch where a channel
  // is missing: out of line, so the common block keeps few registers.
  template <class Sample>
  [[gnu::noinline]] void processParts(Sample* const* in, Sample* const* out, int32 frames, int32 partLimit,
                                      Sample* silence, Sample* sink);

  Face<IComponentTable> component_;
  Face<IAudioProcessorTable> processor_;
  Face<IEditControllerTable> controller_;
  Face<IProcessContextRequirementsTable> requirements_;

  std::atomic<uint32> references_{1};
  hosting::EntryFunction entry_;
  hosting::Instance core_;
  hosting::CoreIdentity identity_;
  double defaultValue_ = 0.0;
  // The controller's view of the parameter (the standard's model: what the host set,
  // or the last state); the audio path follows `process` and the component state.
  std::atomic<double> controllerValue_{0.0};
  bool initialized_ = false;
  IComponentHandler* handler_ = nullptr;

  // Set up off the audio thread (construction, setupProcessing).
  double sampleRate_ = 44100.0;
  int32 maxBlock_ = 1024;
  AutomationPoints points_;
  // What the core's time queries are answered from, filled once per block.
  hosting::TimeRecord time_;

  // Silence for missing inputs and a sink for missing outputs, whatever block size the
  // host sets up: parts of a block that use them are at most this long.
  static constexpr int32 kScratchFrames = 512;
  std::array<float, kScratchFrames> silence32_{};
  std::array<float, kScratchFrames> sink32_{};
  std::array<double, kScratchFrames> silence64_{};
  std::array<double, kScratchFrames> sink64_{};

  // Display texts of other values: a private instance, only ever on the asking thread.
  std::mutex displayMutex_;
  std::unique_ptr<hosting::Instance> display_;
};

}  // namespace vst3
