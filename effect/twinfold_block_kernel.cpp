// The sample section run over a whole stereo block, leaving what running it frame by
// frame leaves. slider1 is read once, at the start of the block: the parameter thread
// is not synchronised with this one, so a change may take effect at any later frame,
// and the block's first frame is one of them. in_left and in_right are read by no one
// but the section itself, so they are stored once, with the last frame's values.
//
// The loops are plain C++ that the compiler turns into SSE2 code, a few frames per
// instruction:
// - sanitise() works on a sample's bits, with no floating-point instruction: a stereo
//   block passes every finite sample through as the same bits, subnormals at full
//   speed, even where the host has set flush-to-zero and denormals-are-zero;
// - the mean is DoSample's arithmetic in double, its overflow care a select on bits
//   (the compiler does not turn a floating-point branch into a select).
#include <bit>
#include <cstdint>
#include <type_traits>

#include "effect/twinfold_effect.h"

namespace {

// A sample's bits as an unsigned integer, and where its exponent field lies.
template <class Sample>
struct SampleBits;
template <>
struct SampleBits<float> {
  using Bits = std::uint32_t;
  static constexpr Bits exponent = 0x7f80'0000u;
};
template <>
struct SampleBits<double> {
  using Bits = std::uint64_t;
  static constexpr Bits exponent = 0x7ff0'0000'0000'0000u;
};

// All ones for NaN and +-infinity, 0 for a finite sample. Their exponent field is all
// ones, the only one that carries into the sign bit when its lowest bit is added; the
// arithmetic shift then spreads the sign bit.
template <class Sample>
typename SampleBits<Sample>::Bits nonFiniteMask(typename SampleBits<Sample>::Bits bits) {
  using Bits = typename SampleBits<Sample>::Bits;
  using SignedBits = std::make_signed_t<Bits>;
  constexpr Bits exponent = SampleBits<Sample>::exponent;
  constexpr Bits lowestExponentBit = exponent & ~(exponent << 1);
  const Bits carried = (bits & exponent) + lowestExponentBit;
  return static_cast<Bits>(static_cast<SignedBits>(carried) >> (8 * sizeof(Bits) - 1));
}

template <class Sample>
Sample sanitiseBits(Sample x) {
  const auto bits = std::bit_cast<typename SampleBits<Sample>::Bits>(x);
  return std::bit_cast<Sample>(bits & ~nonFiniteMask<Sample>(bits));
}

// twinfoldMean() of two finite samples, rounded to the sample type. Two floats sum
// to a finite double, so the float path needs no overflow care.
float meanOf(float a, float b) { return static_cast<float>((static_cast<double>(a) + static_cast<double>(b)) * 0.5); }

double meanOf(double a, double b) {
  using Bits = SampleBits<double>::Bits;
  const double sum = a + b;
  const Bits overflowed = nonFiniteMask<double>(std::bit_cast<Bits>(sum));
  return std::bit_cast<double>((std::bit_cast<Bits>(sum * 0.5) & ~overflowed) |
                               (std::bit_cast<Bits>(a * 0.5 + b * 0.5) & overflowed));
}

// The section on frames [0, frames), in frame order: each frame's inputs read, then
// its left and its right output written. The compiler vectorises this where it can
// check at run time that no buffer overlaps another, and otherwise keeps the loop as
// written, so any overlap of the four buffers gives the frame-by-frame result. Each
// vectorised pass is unrolled once: the loop's own bookkeeping is a fair share of so
// short a body. Always inlined, so that in place the compiler sees the same pointers.
template <class Sample>
[[gnu::always_inline]] inline void runFrames(bool mono, const Sample* inLeft, const Sample* inRight,
                                             Sample* outLeft, Sample* outRight, std::int32_t frames) {
  if (mono) {
#pragma GCC unroll 2
    for (std::int32_t j = 0; j < frames; ++j) {
      const Sample mean = meanOf(sanitiseBits(inLeft[j]), sanitiseBits(inRight[j]));
      outLeft[j] = mean;
      outRight[j] = mean;
    }
  } else {
#pragma GCC unroll 2
    for (std::int32_t j = 0; j < frames; ++j) {
      const Sample left = sanitiseBits(inLeft[j]);
      const Sample right = sanitiseBits(inRight[j]);
      outLeft[j] = left;
      outRight[j] = right;
    }
  }
}

struct LastInputs {
  double left;
  double right;
};

// The block; answers the last frame's sanitised inputs. frames > 0.
template <class Sample>
LastInputs runBlock(bool mono, const Sample* inLeft, const Sample* inRight, Sample* outLeft, Sample* outRight,
                    std::int32_t frames) {
  const std::int32_t last = frames - 1;
  // In place, each output is its input: the same pointers passed as both tell the
  // compiler so, and the loop needs no run-time check to be vectorised.
  if (outLeft == inLeft && outRight == inRight)
    runFrames(mono, outLeft, outRight, outLeft, outRight, last);
  else
    runFrames(mono, inLeft, inRight, outLeft, outRight, last);
  // The last frame on its own, so that its inputs are read where the frame order
  // reads them.
  const LastInputs inputs{static_cast<double>(sanitiseBits(inLeft[last])),
                          static_cast<double>(sanitiseBits(inRight[last]))};
  runFrames(mono, inLeft + last, inRight + last, outLeft + last, outRight + last, 1);
  return inputs;
}

}  // namespace

template <class Sample>
void TEmberEffect::sampleStereoBlock(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  if (frames <= 0) return;
  const bool mono = slider1 != 0.0;
  const LastInputs last = runBlock(mono, inputs[0], inputs[1], outputs[0], outputs[1], frames);
  in_left = last.left;
  in_right = last.right;
  sampleVars[0] = mono ? twinfoldMean(last.left, last.right) : last.left;
  sampleVars[1] = mono ? twinfoldMean(last.left, last.right) : last.right;
}

void TEmberEffect::DoSampleBlock(const float* const* inputs, float* const* outputs, std::int32_t channels,
                                 std::int32_t frames) {
  if (channels == 2)
    sampleStereoBlock(inputs, outputs, frames);
  else
    TEmber::DoSampleBlock(inputs, outputs, channels, frames);
}

void TEmberEffect::DoSampleBlock(const double* const* inputs, double* const* outputs, std::int32_t channels,
                                 std::int32_t frames) {
  if (channels == 2)
    sampleStereoBlock(inputs, outputs, frames);
  else
    TEmber::DoSampleBlock(inputs, outputs, channels, frames);
}
