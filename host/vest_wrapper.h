// CVeST: the generic host wrapper. It knows nothing of scripts: each host request
// goes through one entry of its function table.
#pragma once

#include <cstdint>

#include "host/vest_functions.h"
#include "host/vst/audio_effect.h"

class TEmber;

inline constexpr std::int32_t kMidiQueueSize = 1000;

class CVeST final : public AudioEffectX {
 public:
  CVeST(audioMasterCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams, TEmber* runtime,
        const TVeSTFunctions& table);
  ~CVeST() override;

  void open() override;
  void close() override;
  void suspend() override;
  void resume() override;
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  void getParameterLabel(VstInt32 index, char* label) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  void getParameterName(VstInt32 index, char* text) override;
  VstInt32 getChunk(void** data, bool isPreset) override;
  VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  VstInt32 processEvents(VstEvents* events) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  VstInt32 getVendorVersion() override;
  VstInt32 canDo(char* text) override;

  TEmber* runtime;
  std::int32_t midiWriteIndex = 0;
  std::int32_t midiReadIndex = 0;
  VstMidiEvent* midiEvents;
  TVeSTFunctions functions;
};
