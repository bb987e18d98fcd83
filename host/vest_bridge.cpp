#include "host/vest_bridge.h"

#include "host/vest_wrapper.h"

CVeST* VeSTCreate(TEmber* effect, const TVeSTFunctions* table, audioMasterCallback audioMaster,
                  std::int32_t numPrograms, std::int32_t numParams) {
  if (!audioMaster || !table) return nullptr;
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  return new CVeST(audioMaster, numPrograms, numParams, effect, *table);
}

TEmber* VeSTGetEffect(CVeST* wrapper) { return wrapper ? wrapper->runtime : nullptr; }
AEffect* VeSTGetAEffect(CVeST* wrapper) { return wrapper ? wrapper->getAeffect() : nullptr; }

std::int32_t VeSTGetNumInputs(CVeST* wrapper) { return wrapper ? wrapper->getAeffect()->numInputs : 0; }

std::int32_t VeSTSetNumInputs(CVeST* wrapper, std::int32_t count) {
  if (!wrapper) return 0;
  wrapper->setNumInputs(count);
  return 1;
}

std::int32_t VeSTSetNumOutputs(CVeST* wrapper, std::int32_t count) {
  if (!wrapper) return 0;
  wrapper->setNumOutputs(count);
  return 1;
}

std::int32_t VeSTSetUniqueID(CVeST* wrapper, std::int32_t id) {
  if (!wrapper) return 0;
  wrapper->setUniqueID(id);
  return 1;
}

std::int32_t VeSTProgramsAreChunks(CVeST* wrapper, bool flag) {
  if (!wrapper) return 0;
  wrapper->programsAreChunks(flag);
  return 1;
}

double VeSTGetSampleRate(CVeST* wrapper) { return wrapper ? static_cast<double>(wrapper->getSampleRate()) : 0.0; }
std::int32_t VeSTGetBlockSize(CVeST* wrapper) { return wrapper ? wrapper->getBlockSize() : 0; }

double VeSTGetTempo(CVeST* wrapper) {
  const VstTimeInfo* time = wrapper ? wrapper->getTimeInfo(kVstTempoValid) : nullptr;
  return time ? time->tempo : 0.0;
}

std::int32_t VeSTIsPlaying(CVeST* wrapper) {
  const VstTimeInfo* time = wrapper ? wrapper->getTimeInfo(kVstTransportPlaying) : nullptr;
  return time && (time->flags & kVstTransportPlaying) ? 1 : 0;
}

std::int32_t VeSTIsRecording(CVeST* wrapper) {
  const VstTimeInfo* time = wrapper ? wrapper->getTimeInfo(kVstTransportRecording) : nullptr;
  return time && (time->flags & kVstTransportRecording) ? 1 : 0;
}

double VeSTGetPpqPos(CVeST* wrapper) {
  const VstTimeInfo* time = wrapper ? wrapper->getTimeInfo(kVstPpqPosValid) : nullptr;
  return time ? time->ppqPos : 0.0;
}

bool VeSTGetTempoAndSignature(CVeST* wrapper, double* tempo, double* numerator, double* denominator) {
  const VstTimeInfo* time = wrapper ? wrapper->getTimeInfo(kVstTempoValid | kVstTimeSigValid) : nullptr;
  if (!time) return false;
  if (tempo) *tempo = time->tempo;
  if (numerator) *numerator = time->timeSigNumerator;
  if (denominator) *denominator = time->timeSigDenominator;
  return true;
}
