// Plug-in base classes: AudioEffect owns the AEffect record and routes the host's
// calls to virtual operations; AudioEffectX adds the 2.x requests this plug-in serves.
#pragma once

#include "host/vst/vst2_abi.h"

class AEffEditor;

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  AEffect* getAeffect() { return &cEffect; }

  virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}
  virtual void setProgram(VstInt32 program);
  virtual VstInt32 getProgram() { return curProgram; }
  virtual void setSampleRate(float rate) { sampleRate = rate; }
  virtual void setBlockSize(VstInt32 size) { blockSize = size; }

  virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
  virtual void processReplacing(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
  virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*sampleFrames*/) {}

  virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
  virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }

  virtual void setProgramName(char* /*name*/) {}
  virtual void getProgramName(char* /*name*/) {}
  virtual void getParameterLabel(VstInt32 /*index*/, char* /*label*/) {}
  virtual void getParameterDisplay(VstInt32 /*index*/, char* /*text*/) {}
  virtual void getParameterName(VstInt32 /*index*/, char* /*text*/) {}

  virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
  virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }

  void canProcessReplacing(bool state);
  void canDoubleReplacing(bool state);
  void programsAreChunks(bool state);
  void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
  void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
  void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
  float getSampleRate() const { return sampleRate; }
  // The host's callback as given at creation, possibly null.
  audioMasterCallback hostCallback() const { return audioMaster; }
  VstInt32 getBlockSize() const { return blockSize; }

  // Host callback; answers 0 when the host gave none. Inline: the block section asks
  // for the time four times per block.
  VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
  }

 protected:
  audioMasterCallback audioMaster;
  AEffEditor* editor = nullptr;
  float sampleRate = 44100.0f;
  VstInt32 blockSize = 1024;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 curProgram = 0;
  AEffect cEffect{};
};

class AudioEffectX : public AudioEffect {
 public:
  using AudioEffect::AudioEffect;

  VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

  virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/) { return false; }
  virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
  virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
  virtual VstPlugCategory getPlugCategory();
  virtual bool getEffectName(char* /*name*/) { return false; }
  virtual bool getVendorString(char* /*text*/) { return false; }
  virtual bool getProductString(char* /*text*/) { return false; }
  virtual VstInt32 getVendorVersion() { return 0; }
  virtual VstInt32 canDo(char* /*text*/) { return 0; }
  virtual VstInt32 getVstVersion() { return 2400; }
  virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, void* /*program*/) { return -1; }
  virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);

  bool wantEvents() { return callHost(audioMasterWantMidi, 0, 1) != 0; }
  VstTimeInfo* getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
  }
};
