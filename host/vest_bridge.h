// The bridge: free functions through which the runtime reaches its host wrapper.
// Every one checks its wrapper; given none it answers 0, 0.0 or false and touches
// no output.
#pragma once

#include <cstdint>

#include "host/vest_wrapper.h"
#include "host/vst/vst2_abi.h"

class TEmber;

CVeST* VeSTCreate(TEmber* effect, const TVeSTFunctions* table, audioMasterCallback audioMaster,
                  std::int32_t numPrograms, std::int32_t numParams);
inline TEmber* VeSTGetEffect(CVeST* wrapper) { return wrapper ? wrapper->runtime : nullptr; }
AEffect* VeSTGetAEffect(CVeST* wrapper);

std::int32_t VeSTGetNumInputs(CVeST* wrapper);
std::int32_t VeSTSetNumInputs(CVeST* wrapper, std::int32_t count);
std::int32_t VeSTSetNumOutputs(CVeST* wrapper, std::int32_t count);
std::int32_t VeSTSetUniqueID(CVeST* wrapper, std::int32_t id);
std::int32_t VeSTProgramsAreChunks(CVeST* wrapper, bool flag);

double VeSTGetSampleRate(CVeST* wrapper);
std::int32_t VeSTGetBlockSize(CVeST* wrapper);

// Time queries: each makes one audioMasterGetTime call with its own filter flags.
// Inline, so that a block's four queries are four calls to the host and no more.
inline const VstTimeInfo* VeSTTimeInfo(CVeST* wrapper, VstInt32 filter) {
  return wrapper ? wrapper->getTimeInfo(filter) : nullptr;
}

inline double VeSTGetTempo(CVeST* wrapper) {
  const VstTimeInfo* time = VeSTTimeInfo(wrapper, kVstTempoValid);
  return time ? time->tempo : 0.0;
}

inline std::int32_t VeSTIsPlaying(CVeST* wrapper) {
  const VstTimeInfo* time = VeSTTimeInfo(wrapper, kVstTransportPlaying);
  return time && (time->flags & kVstTransportPlaying) ? 1 : 0;
}

inline std::int32_t VeSTIsRecording(CVeST* wrapper) {
  const VstTimeInfo* time = VeSTTimeInfo(wrapper, kVstTransportRecording);
  return time && (time->flags & kVstTransportRecording) ? 1 : 0;
}

inline double VeSTGetPpqPos(CVeST* wrapper) {
  const VstTimeInfo* time = VeSTTimeInfo(wrapper, kVstPpqPosValid);
  return time ? time->ppqPos : 0.0;
}

// The time queries of a block through one read of the host's callback: each call is
// one audioMasterGetTime with the given filter flags, answering null without time
// info. False (and not to be called) when there is no wrapper or no callback.
class VeSTTimeQueries {
 public:
  explicit VeSTTimeQueries(CVeST* wrapper)
      : master_(wrapper ? wrapper->hostCallback() : nullptr), effect_(wrapper ? wrapper->getAeffect() : nullptr) {}
  explicit operator bool() const { return master_ != nullptr; }
  const VstTimeInfo* operator()(VstInt32 filter) const {
    return reinterpret_cast<const VstTimeInfo*>(master_(effect_, audioMasterGetTime, 0, filter, nullptr, 0.0f));
  }

 private:
  audioMasterCallback master_;
  AEffect* effect_;
};

// Fills the outputs that are given; false (and nothing filled) without time info.
inline bool VeSTGetTempoAndSignature(CVeST* wrapper, double* tempo, double* numerator, double* denominator) {
  const VstTimeInfo* time = VeSTTimeInfo(wrapper, kVstTempoValid | kVstTimeSigValid);
  if (!time) return false;
  if (tempo) *tempo = time->tempo;
  if (numerator) *numerator = time->timeSigNumerator;
  if (denominator) *denominator = time->timeSigDenominator;
  return true;
}
