#include "host/vest_bridge.h"

#include "host/vest_wrapper.h"

CVeST* VeSTCreate(TEmber* effect, const TVeSTFunctions* table, audioMasterCallback audioMaster,
                  std::int32_t numPrograms, std::int32_t numParams) {
  if (!audioMaster || !table) return nullptr;
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  return new CVeST(audioMaster, numPrograms, numParams, effect, *table);
}

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
