#include "editions/vst3/plugin.h"

#include <algorithm>
#include <cmath>

#include "editions/vst3/stream_io.h"
#include "editions/vst3/text16.h"

namespace vst3 {

namespace {

constexpr ParamID kModeParameter = 0;
constexpr int32 kChannels = 2;

bool isMainAudioBus(int32 type, int32 dir, int32 index) {
  return type == kAudio && (dir == kInput || dir == kOutput) && index == 0;
}

float** channels32(AudioBusBuffers& bus) { return bus.channelBuffers32; }
double** channels64(AudioBusBuffers& bus) { return bus.channelBuffers64; }

}  // namespace

Plugin::~Plugin() {
  if (handler_) handler_->table->release(handler_);
}

// Life cycle ------------------------------------------------------------------------

tresult Plugin::initialize(FUnknown* /*context*/) {
  // A single object is initialised once as the component and, by some hosts, again as
  // the controller: the second call changes nothing.
  if (initialized_) return kResultFalse;
  initialized_ = true;
  return kResultOk;
}

tresult Plugin::terminate() {
  if (!initialized_) return kResultOk;
  initialized_ = false;
  core_.suspend();
  setComponentHandler(nullptr);
  return kResultOk;
}

tresult Plugin::setActive(TBool state) {
  time_.restart(sampleRate_);
  if (state)
    core_.resume();
  else
    core_.suspend();
  return kResultOk;
}

tresult Plugin::setupProcessing(ProcessSetup* setup) {
  if (!setup || setup->maxSamplesPerBlock <= 0 || !(setup->sampleRate > 0.0)) return kInvalidArgument;
  // Some hosts set up while active; the core takes its configuration while suspended.
  const bool wasActive = core_.active();
  core_.suspend();
  sampleRate_ = setup->sampleRate;
  maxBlock_ = setup->maxSamplesPerBlock;
  time_.setSampleRate(sampleRate_);
  core_.setSampleRate(sampleRate_);
  core_.setBlockSize(maxBlock_);
  if (wasActive) core_.resume();
  return kResultOk;
}

tresult Plugin::setProcessing(TBool /*state*/) { return kResultOk; }

// Buses -----------------------------------------------------------------------------

tresult Plugin::getControllerClassId(char* /*classId*/) { return kNotImplemented; }
tresult Plugin::setIoMode(int32 /*mode*/) { return kNotImplemented; }
tresult Plugin::getRoutingInfo(RoutingInfo* /*in*/, RoutingInfo* /*out*/) { return kNotImplemented; }

int32 Plugin::getBusCount(int32 type, int32 dir) { return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0; }

tresult Plugin::getBusInfo(int32 type, int32 dir, int32 index, BusInfo* bus) {
  if (!bus || !isMainAudioBus(type, dir, index)) return kInvalidArgument;
  *bus = {};
  bus->mediaType = kAudio;
  bus->direction = dir;
  bus->channelCount = kChannels;
  copyUtf16(dir == kInput ? "Stereo In" : "Stereo Out", bus->name);
  bus->busType = kMain;
  bus->flags = kDefaultActive;
  return kResultOk;
}

tresult Plugin::activateBus(int32 type, int32 dir, int32 index, TBool /*state*/) {
  return isMainAudioBus(type, dir, index) ? kResultOk : kInvalidArgument;
}

tresult Plugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                   int32 numOuts) {
  // The core is stereo in, stereo out; anything else keeps stereo.
  const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == kStereo && outputs[0] == kStereo;
  return stereo ? kResultTrue : kResultFalse;
}

tresult Plugin::getBusArrangement(int32 dir, int32 index, SpeakerArrangement* arrangement) {
  if (!arrangement || !isMainAudioBus(kAudio, dir, index)) return kInvalidArgument;
  *arrangement = kStereo;
  return kResultTrue;
}

tresult Plugin::canProcessSampleSize(int32 size) {
  if (size == kSample32) return kResultTrue;
  return size == kSample64 && core_.canProcessDouble() ? kResultTrue : kResultFalse;
}

uint32 Plugin::getLatencySamples() { return static_cast<uint32>(std::max(core_.initialDelay(), 0)); }
// The core's tail, where 0 and 1 both mean none.
uint32 Plugin::getTailSamples() {
  const VstIntPtr tail = core_.tailSize();
  return tail > 1 ? static_cast<uint32>(std::min<VstIntPtr>(tail, INT32_MAX)) : kNoTail;
}
// What the core's time queries read: position, bar, cycle, tempo, signature, transport.
uint32 Plugin::getProcessContextRequirements() {
  return kNeedProjectTimeMusic | kNeedBarPositionMusic | kNeedCycleMusic | kNeedTempo | kNeedTimeSignature |
         kNeedTransportState;
}

void Plugin::takeTime(const ProcessContext* context, int32 frames) {
  VstTimeInfo& time = time_.startReport(frames);
  if (context) {
    // The context's state bits that the core's flags share, bit for bit.
    constexpr uint32 kShared = kContextPlaying | kContextCycleActive | kContextRecording |
                               kContextProjectTimeMusicValid | kContextTempoValid | kContextBarPositionValid |
                               kContextCycleValid | kContextTimeSigValid;
    const uint32 state = context->state;
    time.samplePos = static_cast<double>(context->projectTimeSamples);
    if (state & kContextProjectTimeMusicValid) time.ppqPos = context->projectTimeMusic;
    if (state & kContextBarPositionValid) time.barStartPos = context->barPositionMusic;
    if (state & kContextCycleValid) {
      time.cycleStartPos = context->cycleStartMusic;
      time.cycleEndPos = context->cycleEndMusic;
    }
    if (state & kContextTempoValid) time.tempo = context->tempo;
    if (state & kContextTimeSigValid) {
      time.timeSigNumerator = context->timeSigNumerator;
      time.timeSigDenominator = context->timeSigDenominator;
    }
    time.flags = static_cast<VstInt32>(state & kShared);
  }
  time_.finishReport();
}

// Processing ------------------------------------------------------------------------

tresult Plugin::process(ProcessData* data) {
  if (!data) return kInvalidArgument;
  const int32 frames = std::max(data->numSamples, int32{0});
  // Parameter changes first: a call without audio still carries them.
  points_.collect(data->inputParameterChanges, kModeParameter, frames);
  AudioBusBuffers* output = data->numOutputs > 0 && data->outputs ? &data->outputs[0] : nullptr;
  for (int32 i = 0; output && i < data->numOutputs; ++i) data->outputs[i].silenceFlags = 0;
  if (output && output->numChannels > 0 && frames > 0) {
    if (data->symbolicSampleSize == kSample32)
      return processAudio(*data, *output, channels32, silence32_.data(), sink32_.data());
    if (data->symbolicSampleSize == kSample64 && core_.canProcessDouble())
      return processAudio(*data, *output, channels64, silence64_.data(), sink64_.data());
  }
  for (std::size_t i = 0; i < points_.size(); ++i) core_.setParameter(kModeParameter, static_cast<float>(points_[i].value));
  return kResultOk;
}

template <class Sample>
tresult Plugin::processAudio(ProcessData& data, AudioBusBuffers& output, Sample** (*channels)(AudioBusBuffers&),
                             Sample* silence, Sample* sink) {
  const int32 frames = data.numSamples;
  takeTime(data.processContext, frames);
  Sample** outs = channels(output);
  AudioBusBuffers* input = data.numInputs > 0 && data.inputs ? &data.inputs[0] : nullptr;
  Sample** ins = input && input->numChannels > 0 ? channels(*input) : nullptr;
  // Missing channels: a single input feeds both sides; no input reads silence; a missing
  // output writes into a sink. Their size bounds the part size.
  Sample* in[kChannels] = {ins ? ins[0] : nullptr, ins && input->numChannels > 1 ? ins[1] : nullptr};
  if (!in[1]) in[1] = in[0];
  Sample* out[kChannels] = {outs ? outs[0] : nullptr, outs && output.numChannels > 1 ? outs[1] : nullptr};
  const bool usesScratch = !in[0] || !out[0] || !out[1];
  if (!usesScratch && points_.size() == 0) {
    // The common block: the host's buffers as they are, one call.
    core_.process(in, out, frames);
    return kResultOk;
  }
  processParts(in, out, frames, usesScratch ? kScratchFrames : frames, silence, sink);
  return kResultOk;
}

template <class Sample>
void Plugin::processParts(Sample* const* in, Sample* const* out, int32 frames, int32 partLimit, Sample* silence,
                          Sample* sink) {
  std::size_t next = 0;
  for (int32 at = 0; at < frames;) {
    for (; next < points_.size() && points_[next].offset <= at; ++next)
      core_.setParameter(kModeParameter, static_cast<float>(points_[next].value));
    const int32 until = next < points_.size() ? points_[next].offset : frames;
    const int32 length = std::min(until - at, partLimit);
    Sample* partIn[kChannels];
    Sample* partOut[kChannels];
    for (int c = 0; c < kChannels; ++c) {
      partIn[c] = in[c] ? in[c] + at : silence;
      partOut[c] = out[c] ? out[c] + at : sink;
    }
    core_.process(partIn, partOut, length);
    time_.advance(length);
    at += length;
  }
}

// State -----------------------------------------------------------------------------

hosting::StateImage Plugin::readStateImage(IBStream* stream, std::vector<unsigned char>& bytes) const {
  StreamReader reader(stream);
  bytes = hosting::readState(reader);
  return hosting::parseState(bytes.data(), bytes.size(), identity_);
}

std::optional<double> Plugin::restore(hosting::Instance& core, const hosting::StateImage& image) {
  if (!hosting::restoreState(core, image)) return std::nullopt;
  return core.getParameter(kModeParameter);
}

tresult Plugin::componentGetState(IBStream* stream) {
  StreamWriter writer(stream);
  return stream && hosting::writeState(writer, core_) ? kResultOk : kResultFalse;
}

tresult Plugin::componentSetState(IBStream* stream) {
  std::vector<unsigned char> bytes;
  const hosting::StateImage image = readStateImage(stream, bytes);
  if (!image.valid()) return kResultFalse;
  const std::optional<double> value = restore(core_, image);
  if (!value) return kResultFalse;
  controllerValue_.store(*value);
  return kResultOk;
}

tresult Plugin::setComponentState(IBStream* stream) {
  // The component has applied this state already; only the controller's view follows,
  // read back from the private instance.
  std::vector<unsigned char> bytes;
  const hosting::StateImage image = readStateImage(stream, bytes);
  if (!image.valid()) return kResultFalse;
  const std::lock_guard<std::mutex> lock(displayMutex_);
  const std::optional<double> value = restore(displayCore(), image);
  if (!value) return kResultFalse;
  controllerValue_.store(*value);
  return kResultOk;
}

// The object keeps no controller state of its own: nothing to write, and an empty or
// already consumed stream is fine.
tresult Plugin::controllerSetState(IBStream* /*stream*/) { return kResultOk; }
tresult Plugin::controllerGetState(IBStream* /*stream*/) { return kResultOk; }

// Parameter -------------------------------------------------------------------------

int32 Plugin::getParameterCount() { return std::min(core_.numParams(), int32{1}); }

tresult Plugin::getParameterInfo(int32 index, ParameterInfo* info) {
  if (!info || index < 0 || index >= getParameterCount()) return kInvalidArgument;
  const ParamID id = static_cast<ParamID>(index);  // IDs are the core's parameter indexes
  *info = {};
  info->id = id;
  const std::lock_guard<std::mutex> lock(displayMutex_);
  hosting::Instance& core = displayCore();
  copyUtf16(core.parameterName(static_cast<VstInt32>(id)), info->title);
  copyUtf16(core.parameterName(static_cast<VstInt32>(id)), info->shortTitle);
  copyUtf16(core.parameterLabel(static_cast<VstInt32>(id)), info->units);
  info->stepCount = 1;
  info->defaultNormalizedValue = defaultValue_;
  info->unitId = kRootUnitId;
  info->flags = kCanAutomate | kIsList;
  return kResultOk;
}

hosting::Instance& Plugin::displayCore() {
  if (!display_) display_ = std::make_unique<hosting::Instance>(entry_);
  return *display_;
}

tresult Plugin::getParamStringByValue(ParamID id, ParamValue value, char16* text) {
  if (!text || id != kModeParameter || std::isnan(value)) return kInvalidArgument;
  const std::lock_guard<std::mutex> lock(displayMutex_);
  hosting::Instance& core = displayCore();
  core.setParameter(static_cast<VstInt32>(id), static_cast<float>(std::clamp(value, 0.0, 1.0)));
  copyUtf16(core.parameterDisplay(static_cast<VstInt32>(id)), text, 128);
  return kResultOk;
}

tresult Plugin::getParamValueByString(ParamID id, char16* text, ParamValue* value) {
  if (!text || !value || id != kModeParameter) return kInvalidArgument;
  const std::string wanted = utf8Of(text, 128);
  // The two values of the switch, and the texts the core shows for them.
  for (const double candidate : {0.0, 1.0}) {
    char16 shown[128];
    getParamStringByValue(id, candidate, shown);
    if (utf8Of(shown, 128) != wanted) continue;
    *value = candidate;
    return kResultOk;
  }
  return kResultFalse;
}

// Two steps: the core rounds half up, as the standard's discrete conversion does.
ParamValue Plugin::normalizedParamToPlain(ParamID id, ParamValue value) {
  if (id != kModeParameter || std::isnan(value)) return 0.0;
  return std::min(1.0, std::floor(std::clamp(value, 0.0, 1.0) * 2.0));
}

ParamValue Plugin::plainParamToNormalized(ParamID id, ParamValue plain) {
  if (id != kModeParameter || std::isnan(plain)) return 0.0;
  return std::clamp(plain, 0.0, 1.0);
}

ParamValue Plugin::getParamNormalized(ParamID id) { return id == kModeParameter ? controllerValue_.load() : 0.0; }

tresult Plugin::setParamNormalized(ParamID id, ParamValue value) {
  if (id != kModeParameter || std::isnan(value)) return kInvalidArgument;
  controllerValue_.store(std::clamp(value, 0.0, 1.0));
  return kResultOk;
}

tresult Plugin::setComponentHandler(IComponentHandler* handler) {
  // Kept only as the standard asks; the plug-in has no edits of its own to report.
  if (handler == handler_) return kResultOk;
  if (handler) handler->table->addRef(handler);
  if (handler_) handler_->table->release(handler_);
  handler_ = handler;
  return kResultOk;
}

IPlugView* Plugin::createView(const char* /*name*/) { return nullptr; }

}  // namespace vst3
