#include "effect/twinfold_effect.h"

#include "effect/twinfold_block_kernel.h"

#include "host/script_effect.h"
#include "host/vest_bridge.h"

#ifndef TWINFOLD_UNIQUE_ID_VALUE
#define TWINFOLD_UNIQUE_ID_VALUE 0
#endif

namespace {
constexpr std::int32_t kFontLiteralKey = 10000;
}

TEmber* newScriptEffect() { return new TEmberEffect; }

TEmberEffect::TEmberEffect() : kernel_(&twinfoldChosenKernel()) {
  effectName = "Quillmarsh_twinfold";
  productString = "Quillmarsh_twinfold";
  programName = "Quillmarsh_twinfold";
  vendorString = "Quillmarsh";
  vendorVersion = 1000;
  uniqueId = TWINFOLD_UNIQUE_ID_VALUE;
  channelCount = 2;
  sliderValues[1] = 0.0;
  registerSlider({.valueNames = {},
                  .resolved = false,
                  .sliderNumber = 1,
                  .boundVariable = nullptr,
                  .defaultValue = 0.0,
                  .minimum = 0.0,
                  .maximum = 1.0,
                  .step = 1.0,
                  .directory = "",
                  .extraText = "",
                  .label = "",
                  .name = "stereo / mono"},
                 {"stereo", "mono"});
}

void TEmberEffect::DoOpen() {
  TEmber::DoOpen();
  for (TEmberVar* variable : {&sample_rate, &channel_count, &block_size, &tempo, &timesig_numerator,
                              &timesig_denominator, &play_state, &beat_position, &slider1, &slider_index,
                              &in_left, &in_right})
    *variable = 0.0;
  registerLiteral(kFontLiteralKey, "Courier New");
}

void TEmberEffect::DoInit() {
  sample_rate = sanitise(VeSTGetSampleRate(hostWrapper));
  channel_count = sanitise(VeSTGetNumInputs(hostWrapper));
  block_size = sanitise(VeSTGetBlockSize(hostWrapper));
  tempo = sanitise(VeSTGetTempo(hostWrapper));
}

void TEmberEffect::DoSlider() { slider1 = sanitise(sliderValues[1]); }

void TEmberEffect::DoSample() {
  in_left = sanitise(sampleVars[0]);
  in_right = sanitise(sampleVars[1]);
  if (slider1 != 0.0) {
    sampleVars[0] = sanitise(twinfoldMean(in_left, in_right));
    sampleVars[1] = sanitise(twinfoldMean(in_left, in_right));
  } else {
    sampleVars[0] = sanitise(in_left);
    sampleVars[1] = sanitise(in_right);
  }
}

// The four queries in their order, through one read of the host's callback. Without
// time information the read-outs keep their previous values. The signature and the
// transport state are whole numbers, finite by construction. Inlined into the
// processing call, which makes it a block's one call into the effect.
[[gnu::always_inline]] inline void TEmberEffect::blockSection() {
  const VeSTTimeQueries timeInfo(hostWrapper);
  if (!timeInfo) [[unlikely]] {
    play_state = 0.0;
    beat_position = 0.0;
    return;
  }
  if (const VstTimeInfo* time = timeInfo(kVstTempoValid | kVstTimeSigValid)) {
    tempo = sanitise(time->tempo);
    timesig_numerator = time->timeSigNumerator;
    timesig_denominator = time->timeSigDenominator;
  }
  const VstTimeInfo* time = timeInfo(kVstTransportPlaying);
  const std::int32_t playing = time && (time->flags & kVstTransportPlaying) ? 1 : 0;
  time = timeInfo(kVstTransportRecording);
  const std::int32_t recording = time && (time->flags & kVstTransportRecording) ? 1 : 0;
  play_state = static_cast<double>(playing + 4 * recording);
  time = timeInfo(kVstPpqPosValid);
  beat_position = time ? sanitise(time->ppqPos) : 0.0;
}

void TEmberEffect::DoBlock() { blockSection(); }

// The chosen kernel over a stereo block, here so that a block's call inlines it.
template <class Sample>
[[gnu::always_inline]] inline void TEmberEffect::sampleStereoBlock(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  if (frames <= 0) return;
  const bool mono = slider1 != 0.0;
  TwinfoldLastInputs last;
  if constexpr (sizeof(Sample) == sizeof(float))
    last = kernel_->floatBlock(mono, inputs[0], inputs[1], outputs[0], outputs[1], frames);
  else
    last = kernel_->doubleBlock(mono, inputs[0], inputs[1], outputs[0], outputs[1], frames);
  in_left = last.left;
  in_right = last.right;
  sampleVars[0] = mono ? twinfoldMean(last.left, last.right) : last.left;
  sampleVars[1] = mono ? twinfoldMean(last.left, last.right) : last.right;
}

template void TEmberEffect::sampleStereoBlock(const float* const*, float* const*, std::int32_t);
template void TEmberEffect::sampleStereoBlock(const double* const*, double* const*, std::int32_t);

template <class Sample>
void TEmberEffect::process(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels,
                           std::int32_t frames) {
  if (channels != 2) [[unlikely]]
    return TEmber::DoProcess(inputs, outputs, channels, frames);
  blockSection();
  if (frames <= 0 || !inputs || !outputs) return;
  if (inputs[0] && inputs[1] && outputs[0] && outputs[1]) sampleStereoBlock(inputs, outputs, frames);
}

void TEmberEffect::DoProcess(const float* const* inputs, float* const* outputs, std::int32_t channels,
                             std::int32_t frames) {
  process(inputs, outputs, channels, frames);
}

void TEmberEffect::DoProcess(const double* const* inputs, double* const* outputs, std::int32_t channels,
                             std::int32_t frames) {
  process(inputs, outputs, channels, frames);
}

void TEmberEffect::DoSerialize() {
  slider_index = 1.0;
  emberRepeat([this] {
    fileValue(0, sliderAt(slider_index));
    slider_index = sanitise(slider_index + 1.0);
    return !(slider_index > 64.0);
  });
}
