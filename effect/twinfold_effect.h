// TEmberEffect: the "twinfold" script, a stereo pass-through or mono downmix.
#pragma once

#include <cmath>

#include "runtime/ember.h"

class TEmberEffect final : public TEmber {
 public:
  TEmberEffect();
  ~TEmberEffect() override = default;

  void DoOpen() override;
  void DoInit() override;
  void DoSlider() override;
  void DoBlock() override;
  void DoSample() override { processFrame(); }
  void DoSerialize() override;

  // Kept inline so the processing bridge can run it without a call per frame.
  inline void processFrame() noexcept;

  // Script variables: shared between the parameter and audio threads.
  TEmberVar sample_rate, channel_count, block_size, tempo;
  TEmberVar timesig_numerator, timesig_denominator, play_state, beat_position;
  TEmberVar slider1;
  TEmberVar slider_index;
  TEmberVar in_left, in_right;
};

// Mean of two finite doubles, always finite and correctly rounded: the sum only
// overflows when both halves are exact, so halving first is then safe.
inline double twinfoldMean(double a, double b) noexcept {
  const double sum = a + b;
  if (std::isfinite(sum)) return sum * 0.5;
  return a * 0.5 + b * 0.5;
}

inline void TEmberEffect::processFrame() noexcept {
  in_left = sanitise(sampleVars[0]);
  in_right = sanitise(sampleVars[1]);
  const double left = in_left;
  const double right = in_right;
  if (slider1.load() != 0.0) {
    const double mean = twinfoldMean(left, right);
    sampleVars[0] = sanitise(mean);
    sampleVars[1] = sanitise(mean);
  } else {
    sampleVars[0] = sanitise(left);
    sampleVars[1] = sanitise(right);
  }
}
