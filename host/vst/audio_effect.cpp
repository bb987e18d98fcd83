#include "host/vst/audio_effect.h"

#include "host/call_guard.h"

namespace {

constexpr VstInt32 kIdentifyAnswer = vstFourChars('N', 'v', 'E', 'f');
constexpr VstInt32 kUniqueIdBeforeCreate = vstFourChars('N', 'o', 'E', 'f');

// Trampolines: the host calls these plain functions; each finds its object through
// AEffect.object, ignores records that carry none and lets no exception out.
AudioEffect* objectOf(AEffect* effect) { return effect ? static_cast<AudioEffect*>(effect->object) : nullptr; }

VstIntPtr VSTCALLBACK dispatchTrampoline(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt) {
  AudioEffect* self = objectOf(effect);
  if (!self) return 0;
  if (opcode == effClose) {
    guardedCall([&] { self->dispatcher(opcode, index, value, ptr, opt); });
    delete self;
    return 1;
  }
  return guardedCall<VstIntPtr>(0, [&] { return self->dispatcher(opcode, index, value, ptr, opt); });
}

void VSTCALLBACK processTrampoline(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  if (AudioEffect* self = objectOf(effect)) guardedCall([&] { self->process(inputs, outputs, frames); });
}

void VSTCALLBACK processReplacingTrampoline(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  if (AudioEffect* self = objectOf(effect)) guardedCall([&] { self->processReplacing(inputs, outputs, frames); });
}

void VSTCALLBACK processDoubleReplacingTrampoline(AEffect* effect, double** inputs, double** outputs,
                                                  VstInt32 frames) {
  if (AudioEffect* self = objectOf(effect))
    guardedCall([&] { self->processDoubleReplacing(inputs, outputs, frames); });
}

void VSTCALLBACK setParameterTrampoline(AEffect* effect, VstInt32 index, float value) {
  if (AudioEffect* self = objectOf(effect)) guardedCall([&] { self->setParameter(index, value); });
}

float VSTCALLBACK getParameterTrampoline(AEffect* effect, VstInt32 index) {
  AudioEffect* self = objectOf(effect);
  return self ? guardedCall(0.0f, [&] { return self->getParameter(index); }) : 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : audioMaster(master), numPrograms(programs), numParams(params) {
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchTrampoline;
  cEffect.process = processTrampoline;
  cEffect.setParameter = setParameterTrampoline;
  cEffect.getParameter = getParameterTrampoline;
  cEffect.numPrograms = programs;
  cEffect.numParams = params;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = kUniqueIdBeforeCreate;
  cEffect.version = 1;
  cEffect.processReplacing = processReplacingTrampoline;
  cEffect.processDoubleReplacing = processDoubleReplacingTrampoline;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setProgram(VstInt32 program) {
  if (program >= 0 && program < numPrograms) curProgram = program;
}

void AudioEffect::canProcessReplacing(bool state) {
  if (state)
    cEffect.flags |= effFlagsCanReplacing;
  else
    cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state) {
  if (state)
    cEffect.flags |= effFlagsCanDoubleReplacing;
  else
    cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state) {
  if (state)
    cEffect.flags |= effFlagsProgramChunks;
  else
    cEffect.flags &= ~effFlagsProgramChunks;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram: if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value)); return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(text); return 0;
    case effGetProgramName: getProgramName(text); return 0;
    case effGetParamLabel: getParameterLabel(index, text); return 0;
    case effGetParamDisplay: getParameterDisplay(index, text); return 0;
    case effGetParamName: getParameterName(index, text); return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged: if (value) resume(); else suspend(); return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return (value < 0 || value > INT32_MAX) ? value : setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default: return 0;
  }
}

VstPlugCategory AudioEffectX::getPlugCategory() {
  return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
  if (input) *input = nullptr;
  if (output) *output = nullptr;
  return false;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed: return getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effGetEffectName: return getEffectName(text) ? 1 : 0;
    case effGetVendorString: return getVendorString(text) ? 1 : 0;
    case effGetProductString: return getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effCanDo: return canDo(text);
    case effGetVstVersion: return getVstVersion();
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetSpeakerArrangement: return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value), static_cast<VstSpeakerArrangement**>(ptr)) ? 1 : 0;
    case effSetTotalSampleToProcess: return value;
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}
