// TEmberEffect: the "twinfold" script, a stereo pass-through or mono downmix.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "runtime/ember.h"

// What the sample section leaves in sampleVars[0] (left) and sampleVars[1] (right).
struct TwinfoldFrame {
  double left;
  double right;
};

// Two consecutive frames of one channel, one per lane: arithmetic on it compiles to
// SIMD instructions where the target has them (SSE2 on x86), lane by lane exactly as
// on a double.
using TwinfoldLanes = double __attribute__((vector_size(16)));

struct TwinfoldFramePair {
  TwinfoldLanes left;
  TwinfoldLanes right;
};

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

  // The sample section on sampleVars, as DoSample runs it.
  inline void processFrame() noexcept;

  // The same section on frames handed over as values (the samples the processing
  // bridge would put into sampleVars[0] and [1]), answering what it would leave there.
  // Inline, so the bridge runs a block with no call and no trip through memory per
  // frame. A pair is two consecutive frames, and to anything outside it is exactly
  // that: in_left and in_right are stored and slider1 is read once per frame, in
  // frame order.
  using FrameLanes = TwinfoldLanes;
  inline TwinfoldFrame sampleFrame(double left, double right) noexcept;
  inline TwinfoldFramePair sampleFramePair(TwinfoldLanes left, TwinfoldLanes right) noexcept;

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

// Lanes holding finite values: x - x is 0 for every finite x and NaN otherwise.
inline auto twinfoldFiniteLanes(TwinfoldLanes x) noexcept { return x - x == 0.0; }

// sanitise() on each lane.
inline TwinfoldLanes sanitiseLanes(TwinfoldLanes x) noexcept {
  return twinfoldFiniteLanes(x) ? x : TwinfoldLanes{};
}

// twinfoldMean() on each lane: both ways computed, the right one kept per lane.
inline TwinfoldLanes twinfoldMeanLanes(TwinfoldLanes a, TwinfoldLanes b) noexcept {
  const TwinfoldLanes sum = a + b;
  return twinfoldFiniteLanes(sum) ? sum * 0.5 : a * 0.5 + b * 0.5;
}

// slider1 != 0.0 ("mono"), NaN included, tested on the value's bits: the relaxed
// load lands in an integer register, so this saves moving it over for a compare.
inline bool twinfoldIsMono(double slider) noexcept { return (std::bit_cast<std::uint64_t>(slider) << 1) != 0; }

// The outputs of the sample section once in_left and in_right hold the sanitised
// inputs and slider1 has been read: the mean on both channels, or each input. Both
// are finite already (the mean of two finite values is), so storing them through
// sanitise() would change nothing.
inline TwinfoldFrame twinfoldOutputs(bool mono, double inLeft, double inRight) noexcept {
  if (mono) {
    const double mean = twinfoldMean(inLeft, inRight);
    return {mean, mean};
  }
  return {inLeft, inRight};
}

inline TwinfoldFrame TEmberEffect::sampleFrame(double left, double right) noexcept {
  const double inLeft = sanitise(left);
  const double inRight = sanitise(right);
  in_left = inLeft;
  in_right = inRight;
  // The values just stored, rather than loads of in_left and in_right.
  return twinfoldOutputs(twinfoldIsMono(slider1.load()), inLeft, inRight);
}

inline TwinfoldFramePair TEmberEffect::sampleFramePair(TwinfoldLanes left, TwinfoldLanes right) noexcept {
  const TwinfoldLanes inLeft = sanitiseLanes(left);
  const TwinfoldLanes inRight = sanitiseLanes(right);
  in_left = inLeft[0];
  in_right = inRight[0];
  const bool firstMono = twinfoldIsMono(slider1.load());
  in_left = inLeft[1];
  in_right = inRight[1];
  const bool secondMono = twinfoldIsMono(slider1.load());
  // As in twinfoldOutputs, the results are finite already.
  if (firstMono && secondMono) {
    const TwinfoldLanes mean = twinfoldMeanLanes(inLeft, inRight);
    return {mean, mean};
  }
  if (!firstMono && !secondMono) return {inLeft, inRight};
  // slider1 changed between the two frames.
  const TwinfoldFrame first = twinfoldOutputs(firstMono, inLeft[0], inRight[0]);
  const TwinfoldFrame second = twinfoldOutputs(secondMono, inLeft[1], inRight[1]);
  return {TwinfoldLanes{first.left, second.left}, TwinfoldLanes{first.right, second.right}};
}

inline void TEmberEffect::processFrame() noexcept {
  const TwinfoldFrame frame = sampleFrame(sampleVars[0], sampleVars[1]);
  sampleVars[0] = frame.left;
  sampleVars[1] = frame.right;
}
