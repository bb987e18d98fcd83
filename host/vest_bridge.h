// The bridge: free functions through which the runtime reaches its host wrapper.
// Every one checks its wrapper; given none it answers 0, 0.0 or false and touches
// no output.
#pragma once

#include <cstdint>

#include "host/vst/vst2_abi.h"

class CVeST;
class TEmber;
struct TVeSTFunctions;

CVeST* VeSTCreate(TEmber* effect, const TVeSTFunctions* table, audioMasterCallback audioMaster,
                  std::int32_t numPrograms, std::int32_t numParams);
TEmber* VeSTGetEffect(CVeST* wrapper);
AEffect* VeSTGetAEffect(CVeST* wrapper);

std::int32_t VeSTGetNumInputs(CVeST* wrapper);
std::int32_t VeSTSetNumInputs(CVeST* wrapper, std::int32_t count);
std::int32_t VeSTSetNumOutputs(CVeST* wrapper, std::int32_t count);
std::int32_t VeSTSetUniqueID(CVeST* wrapper, std::int32_t id);
std::int32_t VeSTProgramsAreChunks(CVeST* wrapper, bool flag);

double VeSTGetSampleRate(CVeST* wrapper);
std::int32_t VeSTGetBlockSize(CVeST* wrapper);

// Time queries: each makes one audioMasterGetTime call with its own filter flags.
double VeSTGetTempo(CVeST* wrapper);
std::int32_t VeSTIsPlaying(CVeST* wrapper);
std::int32_t VeSTIsRecording(CVeST* wrapper);
double VeSTGetPpqPos(CVeST* wrapper);
// Fills the outputs that are given; false (and nothing filled) without time info.
bool VeSTGetTempoAndSignature(CVeST* wrapper, double* tempo, double* numerator, double* denominator);
