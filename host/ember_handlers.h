// The handlers that the entry point installs in the function table: they answer the
// host's requests from the runtime object's fields and hooks.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// An effect whose sample section can also run on frames handed over as values, one
// frame (sampleFrame) or two consecutive frames in the lanes of a vector
// (sampleFramePair), answering what it would leave in sampleVars[0] and [1].
template <class Effect>
concept EmberFrameValues = requires(Effect& effect, double sample, typename Effect::FrameLanes lanes) {
  { effect.sampleFrame(sample, sample).left } -> std::convertible_to<double>;
  { effect.sampleFramePair(lanes, lanes).left } -> std::convertible_to<typename Effect::FrameLanes>;
};

// Two consecutive samples of a host buffer as one vector.
template <class Sample>
struct EmberSamplePair;
template <>
struct EmberSamplePair<float> {
  using type = float __attribute__((vector_size(8)));
};
template <>
struct EmberSamplePair<double> {
  using type = double __attribute__((vector_size(16)));
};

// Two samples of a host buffer, widened to double lanes, and back (rounded to
// nearest, as a conversion of each sample would be).
template <class Lanes, class Sample>
Lanes emberLoadPair(const Sample* samples) {
  using SamplePair = typename EmberSamplePair<Sample>::type;
  SamplePair pair;
  std::memcpy(&pair, samples, sizeof pair);
  return __builtin_convertvector(pair, Lanes);
}

template <class Sample, class Lanes>
void emberStorePair(Sample* samples, Lanes lanes) {
  using SamplePair = typename EmberSamplePair<Sample>::type;
  const SamplePair pair = __builtin_convertvector(lanes, SamplePair);
  std::memcpy(samples, &pair, sizeof pair);
}

#if defined(__SSE2__)
// The compiler widens a pair of floats one at a time; SSE2 converts both at once.
template <>
inline __m128d emberLoadPair<__m128d, float>(const float* samples) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples))));
}
template <>
inline void emberStorePair<float, __m128d>(float* samples, __m128d lanes) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(samples), _mm_castps_si128(_mm_cvtpd_ps(lanes)));
}
#endif

// The two-channel loop over such an effect, two frames at a time. A pair reads both
// frames' inputs before writing their outputs, and writes the left outputs before the
// right ones; that equals frame-by-frame order unless an output buffer starts one
// sample after an input buffer or after the other output, which no host does, and
// which then goes frame by frame. Only this thread's sample section touches
// sampleVars during a block, so leaving just the last frame's values there is the
// same as storing every frame.
template <EmberFrameValues Effect, class Sample>
void emberStereoFrames(Effect* effect, const Sample* inLeft, const Sample* inRight, Sample* outLeft,
                       Sample* outRight, std::int32_t sampleFrames) {
  using Lanes = typename Effect::FrameLanes;
  if (sampleFrames <= 0) return;
  const bool pairsKeepOrder = outLeft != inLeft + 1 && outLeft != inRight + 1 && outRight != inLeft + 1 &&
                              outRight != inRight + 1 && outRight != outLeft + 1;
  std::int32_t j = 0;
  double lastLeft = 0.0, lastRight = 0.0;
  if (pairsKeepOrder && sampleFrames >= 2) {
    Lanes left{}, right{};
    for (; j + 1 < sampleFrames; j += 2) {
      const auto pair = effect->sampleFramePair(emberLoadPair<Lanes>(inLeft + j), emberLoadPair<Lanes>(inRight + j));
      left = pair.left;
      right = pair.right;
      emberStorePair(outLeft + j, left);
      emberStorePair(outRight + j, right);
    }
    lastLeft = left[1];
    lastRight = right[1];
  }
  for (; j < sampleFrames; ++j) {
    const auto frame = effect->sampleFrame(static_cast<double>(inLeft[j]), static_cast<double>(inRight[j]));
    outLeft[j] = static_cast<Sample>(frame.left);
    outRight[j] = static_cast<Sample>(frame.right);
    lastLeft = frame.left;
    lastRight = frame.right;
  }
  effect->sampleVars[0] = lastLeft;
  effect->sampleVars[1] = lastRight;
}

// Runs the block section once and the sample section per frame. Effect is the
// concrete (final) effect type, so the per-frame section is reached without an
// indirect call; with TEmber it dispatches virtually.
template <class Effect, class Sample>
void emberProcess(CVeST* wrapper, Sample** inputs, Sample** outputs, std::int32_t sampleFrames) {
  auto* effect = static_cast<Effect*>(VeSTGetEffect(wrapper));
  if (!effect) return;
  const std::int32_t channels = emberPathChannels<Sample>(wrapper);
  effect->DoBlock();
  if (!inputs || !outputs) return;
  for (std::int32_t c = 0; c < channels; ++c)
    if (!inputs[c] || !outputs[c]) return;
  double* vars = effect->sampleVars.data();
  if (channels == 2) {
    const Sample* inLeft = inputs[0];
    const Sample* inRight = inputs[1];
    Sample* outLeft = outputs[0];
    Sample* outRight = outputs[1];
    if constexpr (EmberFrameValues<Effect>) {
      emberStereoFrames(effect, inLeft, inRight, outLeft, outRight, sampleFrames);
    } else {
      for (std::int32_t j = 0; j < sampleFrames; ++j) {
        vars[0] = static_cast<double>(inLeft[j]);
        vars[1] = static_cast<double>(inRight[j]);
        effect->DoSample();
        outLeft[j] = static_cast<Sample>(vars[0]);
        outRight[j] = static_cast<Sample>(vars[1]);
      }
    }
    return;
  }
  for (std::int32_t j = 0; j < sampleFrames; ++j) {
    for (std::int32_t c = channels - 1; c >= 0; --c) vars[c] = static_cast<double>(inputs[c][j]);
    effect->DoSample();
    for (std::int32_t c = channels - 1; c >= 0; --c) outputs[c][j] = static_cast<Sample>(vars[c]);
  }
}

// The table as the entry point installs it: entries 7 to 12 (editor drawing, mouse
// and keys) stay empty.
template <class Effect>
TVeSTFunctions emberFunctionTable() {
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
  table.processReplacing = emberProcess<Effect, float>;
  table.processDoubleReplacing = emberProcess<Effect, double>;
  table.getChunk = emberGetChunk;
  table.setChunk = emberSetChunk;
  return table;
}
