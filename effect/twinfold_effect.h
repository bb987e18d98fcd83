// TEmberEffect: the "twinfold" script, a stereo pass-through or mono downmix.
#pragma once

#include <cmath>
#include <cstdint>

#include "runtime/ember.h"

struct TwinfoldKernel;

class TEmberEffect final : public TEmber {
 public:
  TEmberEffect();
  ~TEmberEffect() override = default;

  void DoOpen() override;
  void DoInit() override;
  void DoSlider() override;
  void DoBlock() override;
  void DoSample() override;
  // The sample section over a stereo block at once (twinfold_block_kernel.cpp, the
  // build chosen for this processor); other channel counts run it frame by frame.
  void DoSampleBlock(const float* const* inputs, float* const* outputs, std::int32_t channels,
                     std::int32_t frames) override;
  void DoSampleBlock(const double* const* inputs, double* const* outputs, std::int32_t channels,
                     std::int32_t frames) override;
  // The block section and the stereo kernel in one call, with no virtual call between.
  void DoProcess(const float* const* inputs, float* const* outputs, std::int32_t channels,
                 std::int32_t frames) override;
  void DoProcess(const double* const* inputs, double* const* outputs, std::int32_t channels,
                 std::int32_t frames) override;
  void DoSerialize() override;

  // Script variables: shared between the parameter and audio threads.
  TEmberVar sample_rate, channel_count, block_size, tempo;
  TEmberVar timesig_numerator, timesig_denominator, play_state, beat_position;
  TEmberVar slider1;
  TEmberVar slider_index;
  TEmberVar in_left, in_right;

  // Runs stereo blocks with the given build of the kernel instead (tests run each).
  void useKernel(const TwinfoldKernel& kernel);

 private:
  void blockSection();
  const TwinfoldKernel* kernel_;
  template <class Sample>
  void process(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels, std::int32_t frames);
  template <class Sample>
  void sampleStereoBlock(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames);
};

// Mean of two finite doubles, always finite and correctly rounded: the sum only
// overflows when both halves are exact, so halving first is then safe.
inline double twinfoldMean(double a, double b) noexcept {
  const double sum = a + b;
  if (std::isfinite(sum)) return sum * 0.5;
  return a * 0.5 + b * 0.5;
}
