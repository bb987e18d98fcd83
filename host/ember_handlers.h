// The handlers that the entry point installs in the function table: they answer the
// host's requests from the runtime object's fields and hooks.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "host/vest_bridge.h"
#include "host/vest_functions.h"
#include "runtime/ember.h"

// Writes at most capacity - 1 bytes of text and a NUL; a null buffer is left alone.
void copyBoundedText(char* buffer, std::string_view text, std::int32_t capacity) noexcept;

void emberCreate(CVeST* wrapper);
void emberDestroy(CVeST* wrapper);
void emberOpen(CVeST* wrapper);
void emberSuspend(CVeST* wrapper);
void emberResume(CVeST* wrapper);
void emberEditorIdle(CVeST* wrapper);
void emberClose(CVeST* wrapper);
std::int32_t emberGetVendorVersion(CVeST* wrapper);
std::int32_t emberGetVendorString(CVeST* wrapper, char* text);
std::int32_t emberGetProductString(CVeST* wrapper, char* text);
std::int32_t emberGetEffectName(CVeST* wrapper, char* text);
std::int32_t emberGetProgramName(CVeST* wrapper, char* text);
void emberSetProgramName(CVeST* wrapper, const char* text);
std::int32_t emberGetProgramNameIndexed(CVeST* wrapper, std::int32_t category, std::int32_t index, char* text);
double emberGetParameter(CVeST* wrapper, std::int32_t index);
void emberSetParameter(CVeST* wrapper, std::int32_t index, double value);
void emberGetParameterName(CVeST* wrapper, std::int32_t index, char* text);
void emberGetParameterLabel(CVeST* wrapper, std::int32_t index, char* text);
void emberGetParameterDisplay(CVeST* wrapper, std::int32_t index, char* text);
std::int32_t emberGetChunk(CVeST* wrapper, void** data, bool isPreset);
std::int32_t emberSetChunk(CVeST* wrapper, void* data, std::int32_t size, bool isPreset);

// Channel count of one processing path, fixed by the first call in the process and
// shared by every instance; bounded by the size of sampleVars.
template <class Sample>
std::int32_t emberPathChannels(CVeST* wrapper) {
  static const std::int32_t channels = std::clamp(VeSTGetNumInputs(wrapper), 0, kEmberSampleVarCount);
  return channels;
}

// The same count as a plain load on every later call; -1 until the first call is done.
template <class Sample>
inline std::atomic<std::int32_t> emberPathChannelsKnown{-1};

template <class Sample>
void emberProcess(CVeST* wrapper, Sample** inputs, Sample** outputs, std::int32_t sampleFrames);

// A path's first call: fixes the count (thread-safe), then processes as any other call.
template <class Sample>
[[gnu::noinline, gnu::cold]] void emberFirstProcess(CVeST* wrapper, Sample** inputs, Sample** outputs,
                                                    std::int32_t sampleFrames) {
  emberPathChannelsKnown<Sample>.store(emberPathChannels<Sample>(wrapper), std::memory_order_relaxed);
  emberProcess(wrapper, inputs, outputs, sampleFrames);
}

// The block section once per call, and the frames after it: one virtual call into
// the runtime whatever the call holds.
template <class Sample>
void emberProcess(CVeST* wrapper, Sample** inputs, Sample** outputs, std::int32_t sampleFrames) {
  TEmber* runtime = VeSTGetEffect(wrapper);
  if (!runtime) return;
  const std::int32_t channels = emberPathChannelsKnown<Sample>.load(std::memory_order_relaxed);
  if (channels < 0) [[unlikely]]
    return emberFirstProcess(wrapper, inputs, outputs, sampleFrames);
  runtime->DoProcess(inputs, outputs, channels, sampleFrames);
}

// The table as the entry point installs it: entries 7 to 12 (editor drawing, mouse
// and keys) stay empty.
inline TVeSTFunctions emberFunctionTable() {
  TVeSTFunctions table{};
  table.create = emberCreate;
  table.destroy = emberDestroy;
  table.open = emberOpen;
  table.suspend = emberSuspend;
  table.resume = emberResume;
  table.editorIdleHook = emberEditorIdle;
  table.close = emberClose;
  table.getVendorVersion = emberGetVendorVersion;
  table.getVendorString = emberGetVendorString;
  table.getProductString = emberGetProductString;
  table.getEffectName = emberGetEffectName;
  table.getProgramName = emberGetProgramName;
  table.setProgramName = emberSetProgramName;
  table.getProgramNameIndexed = emberGetProgramNameIndexed;
  table.getParameter = emberGetParameter;
  table.setParameter = emberSetParameter;
  table.getParameterName = emberGetParameterName;
  table.getParameterLabel = emberGetParameterLabel;
  table.getParameterDisplay = emberGetParameterDisplay;
  table.processReplacing = emberProcess<float>;
  table.processDoubleReplacing = emberProcess<double>;
  table.getChunk = emberGetChunk;
  table.setChunk = emberSetChunk;
  return table;
}
