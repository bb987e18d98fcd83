// The sample section run over a whole stereo block, leaving what running it frame by
// frame leaves. The caller reads slider1 once, at the start of the block: the
// parameter thread is not synchronised with this one, so a change may take effect at
// any later frame, and the block's first frame is one of them. in_left and in_right
// are read by no one but the section itself, so they are stored once, with the last
// frame's values.
//
// This file is the kernel's one place and is compiled once per instruction set
// (TWINFOLD_KERNEL_VARIANT names the build; see effect/CMakeLists.txt): plain C++ that
// the compiler turns into SSE2 code, or AVX2 code with twice the frames per
// instruction. Everything here has internal linkage or lives in the build's own
// namespace, and no library template is instantiated, so no code built with one
// build's flags can stand in for another's.
// - sanitise() works on a sample's bits, with no floating-point instruction: a stereo
//   block passes every finite sample through as the same bits, subnormals at full
//   speed, even where the host has set flush-to-zero and denormals-are-zero;
// - a stereo block is copied while its samples are checked, one pass per channel (in place only
//   checked); the rare block holding NaN or infinity is then done again the careful way;
// - the mean is DoSample's arithmetic in double. A mono block whose means all come out
//   finite needs neither sanitising nor overflow care, and most blocks are such; the
//   others take the careful pass, its overflow care a select on bits (the compiler
//   does not turn a floating-point branch into a select). Floats take the mean in float
//   where that gives the same float (see plainMean), without widening to double.
#include <cstdint>
#include <type_traits>

#include "effect/twinfold_block_kernel.h"

// Built with the project's own flags, this is the baseline.
#ifndef TWINFOLD_KERNEL_VARIANT
#define TWINFOLD_KERNEL_VARIANT baseline
#endif
#define TWINFOLD_KERNEL_JOIN(a, b) a##b
#define TWINFOLD_KERNEL_NAMESPACE(variant) TWINFOLD_KERNEL_JOIN(twinfold_kernel_, variant)

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

template <class Sample>
using BitsOf = typename SampleBits<Sample>::Bits;

template <class Sample>
BitsOf<Sample> bitsOf(Sample x) {
  return __builtin_bit_cast(BitsOf<Sample>, x);
}

template <class Sample>
Sample sampleOf(BitsOf<Sample> bits) {
  return __builtin_bit_cast(Sample, bits);
}

// The exponent field plus its lowest bit: the sign bit of the result is set for NaN
// and +-infinity (all-ones exponent, the only one that carries into it), clear for
// every finite sample.
template <class Sample>
BitsOf<Sample> exponentCarry(BitsOf<Sample> bits) {
  constexpr BitsOf<Sample> exponent = SampleBits<Sample>::exponent;
  constexpr BitsOf<Sample> lowestExponentBit = exponent & ~(exponent << 1);
  return (bits & exponent) + lowestExponentBit;
}

// All ones for NaN and +-infinity, 0 for a finite sample: the arithmetic shift spreads
// the carry's sign bit.
template <class Sample>
BitsOf<Sample> nonFiniteMask(BitsOf<Sample> bits) {
  using SignedBits = std::make_signed_t<BitsOf<Sample>>;
  return static_cast<BitsOf<Sample>>(static_cast<SignedBits>(exponentCarry<Sample>(bits)) >>
                                     (8 * sizeof(BitsOf<Sample>) - 1));
}

template <class Sample>
Sample sanitiseBits(Sample x) {
  const BitsOf<Sample> bits = bitsOf(x);
  return sampleOf<Sample>(bits & ~nonFiniteMask<Sample>(bits));
}

// True when no sample of the two channels is NaN or infinite: the carries' sign bits
// OR-ed together, three integer operations per vector.
template <class Sample>
bool allFinite(const Sample* left, const Sample* right, std::int32_t frames) {
  BitsOf<Sample> carries = 0;
  for (std::int32_t j = 0; j < frames; ++j)
    carries |= exponentCarry<Sample>(bitsOf(left[j])) | exponentCarry<Sample>(bitsOf(right[j]));
  return (carries >> (8 * sizeof(BitsOf<Sample>) - 1)) == 0;
}

// twinfoldMean() of two finite samples, rounded to the sample type. Two floats sum
// to a finite double, so the float path needs no overflow care.
float meanOf(float a, float b) { return static_cast<float>((static_cast<double>(a) + static_cast<double>(b)) * 0.5); }

double meanOf(double a, double b) {
  const double sum = a + b;
  const std::uint64_t overflowed = nonFiniteMask<double>(bitsOf(sum));
  return sampleOf<double>((bitsOf(sum * 0.5) & ~overflowed) | (bitsOf(a * 0.5 + b * 0.5) & overflowed));
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

// True when [a, a + frames) and [b, b + frames) share no sample.
template <class Sample>
bool apart(const Sample* a, const Sample* b, std::int32_t frames) {
  const auto x = reinterpret_cast<std::uintptr_t>(a);
  const auto y = reinterpret_cast<std::uintptr_t>(b);
  const auto bytes = static_cast<std::uintptr_t>(frames) * sizeof(Sample);
  return x >= y + bytes || y >= x + bytes;
}

// The mean of two samples known to be finite, as twinfoldMean() computes it when the
// sum does not overflow: no sanitising, no overflow care. For floats, the float sum
// halved is the float that the double mean rounds to whenever the float sum is finite:
// rounding a sum first to double and then to float rounds it once (53 >= 2 * 24 + 2
// bits), halving is exact unless the half is subnormal, and a float sum whose half is
// subnormal is itself exact. Denormals-are-zero without flush-to-zero breaks the last
// step (a subnormal float sum reads as zero where its double does not), so a block
// checks for that mode first (floatMeanIsExact).
float plainMean(float a, float b) { return (a + b) * 0.5f; }
double plainMean(double a, double b) { return (a + b) * 0.5; }

// False where the processor may read subnormal operands as zero but keep subnormal
// results: the mode in which the float mean differs from the double mean on finite
// sums. The control register says so in one instruction (a probe by arithmetic would
// itself take the processor's slow path for subnormals, some hundred cycles a block).
// aarch64's FZ flushes operands and results alike; its newer FIZ flushes operands
// alone, and AH moves where flushing happens, so either sends the block to the exact
// path. 32-bit ARM has neither: its FZ flushes both.
bool floatMeanIsExact() {
#if defined(__i386__) || defined(__x86_64__)
  constexpr unsigned kDenormalsAreZero = 0x0040, kFlushToZero = 0x8000;
  const unsigned control = __builtin_ia32_stmxcsr();
  return (control & kDenormalsAreZero) == 0 || (control & kFlushToZero) != 0;
#elif defined(__aarch64__)
  constexpr std::uint64_t kFlushInputsOnly = 1u << 0, kAlternateHandling = 1u << 1;
  std::uint64_t control;
  asm volatile("mrs %0, fpcr" : "=r"(control));
  return (control & (kFlushInputsOnly | kAlternateHandling)) == 0;
#else
  return true;
#endif
}
bool meanIsExactHere(const float*) { return floatMeanIsExact(); }
bool meanIsExactHere(const double*) { return true; }

// Outputs apart from every input and from each other: writes each frame's plainMean()
// and answers whether all came out finite, which is exactly when every input was
// finite and no sum overflowed, so that they are the section's results. Otherwise the
// inputs are still there for the careful pass.
template <class Sample>
bool meanWhileFinite(const Sample* __restrict inLeft, const Sample* __restrict inRight, Sample* __restrict outLeft,
                     Sample* __restrict outRight, std::int32_t frames) {
  BitsOf<Sample> carries = 0;
  for (std::int32_t j = 0; j < frames; ++j) {
    const Sample mean = plainMean(inLeft[j], inRight[j]);
    outLeft[j] = mean;
    outRight[j] = mean;
    carries |= exponentCarry<Sample>(bitsOf(mean));
  }
  return (carries >> (8 * sizeof(BitsOf<Sample>) - 1)) == 0;
}

// Before writing in place: true when every frame's plainMean() will be the section's
// result, which is when every sum is finite (NaN and infinity carry into the sum).
template <class Sample>
bool meansWillBeExact(const Sample* left, const Sample* right, std::int32_t frames) {
  BitsOf<Sample> carries = 0;
  for (std::int32_t j = 0; j < frames; ++j) carries |= exponentCarry<Sample>(bitsOf(left[j] + right[j]));
  return (carries >> (8 * sizeof(BitsOf<Sample>) - 1)) == 0;
}

// Outputs apart from every input and from each other: copies both channels and answers
// whether every sample was finite, so that the copy is the section's result. Otherwise
// the inputs are still there for the careful pass. One channel at a time: a loop over
// both channels at once, four streams whose buffers hosts often space by multiples of
// 4 KiB, ran 1.5x slower than the library copies at 4096 frames.
template <class Sample>
BitsOf<Sample> copyChannel(const Sample* __restrict in, Sample* __restrict out, std::int32_t frames) {
  BitsOf<Sample> carries = 0;
#pragma GCC unroll 2
  for (std::int32_t j = 0; j < frames; ++j) {
    const BitsOf<Sample> bits = bitsOf(in[j]);
    out[j] = sampleOf<Sample>(bits);
    carries |= exponentCarry<Sample>(bits);
  }
  return carries;
}

// Both channels in one loop: one loop's set-up and one reduction instead of two, which
// is most of a short block's copy. Used only up to kJointCopyFrames, far below the sizes
// where four streams slowed the loop.
template <class Sample>
BitsOf<Sample> copyBoth(const Sample* __restrict inLeft, const Sample* __restrict inRight, Sample* __restrict outLeft,
                        Sample* __restrict outRight, std::int32_t frames) {
  BitsOf<Sample> carries = 0;
  for (std::int32_t j = 0; j < frames; ++j) {
    const BitsOf<Sample> left = bitsOf(inLeft[j]);
    const BitsOf<Sample> right = bitsOf(inRight[j]);
    outLeft[j] = sampleOf<Sample>(left);
    outRight[j] = sampleOf<Sample>(right);
    carries |= exponentCarry<Sample>(left) | exponentCarry<Sample>(right);
  }
  return carries;
}

constexpr std::int32_t kJointCopyFrames = 128;

template <class Sample>
bool copyWhileFinite(const Sample* inLeft, const Sample* inRight, Sample* outLeft, Sample* outRight,
                     std::int32_t frames) {
  const BitsOf<Sample> carries = frames <= kJointCopyFrames
                                     ? copyBoth(inLeft, inRight, outLeft, outRight, frames)
                                     : copyChannel(inLeft, outLeft, frames) | copyChannel(inRight, outRight, frames);
  return (carries >> (8 * sizeof(BitsOf<Sample>) - 1)) == 0;
}

// In place, channels apart, means known to be exact.
template <class Sample>
void meanInPlace(Sample* __restrict left, Sample* __restrict right, std::int32_t frames) {
  for (std::int32_t j = 0; j < frames; ++j) left[j] = right[j] = plainMean(left[j], right[j]);
}

// The common blocks on their fast path: outputs apart from every input and from each
// other, or exactly in place with the two channels apart. A block of finite samples
// leaves every sample as it was read in stereo (a copy, and in place nothing) and
// the plain mean of each frame in mono. Answers whether that took care of the block;
// when it did not, the inputs are still as they were.
template <class Sample>
bool runCommonBlock(bool mono, const Sample* inLeft, const Sample* inRight, Sample* outLeft, Sample* outRight,
                    std::int32_t frames) {
  if (outLeft == inLeft && outRight == inRight) {
    if (!mono) return allFinite(inLeft, inRight, frames);
    if (!apart(inLeft, inRight, frames) || !meanIsExactHere(inLeft) || !meansWillBeExact(inLeft, inRight, frames))
      return false;
    meanInPlace(outLeft, outRight, frames);
    return true;
  }
  const bool separate = apart(outLeft, outRight, frames) && apart<Sample>(outLeft, inLeft, frames) &&
                        apart<Sample>(outLeft, inRight, frames) && apart<Sample>(outRight, inLeft, frames) &&
                        apart<Sample>(outRight, inRight, frames);
  if (!separate) return false;
  if (mono) return meanIsExactHere(inLeft) && meanWhileFinite(inLeft, inRight, outLeft, outRight, frames);
  return copyWhileFinite(inLeft, inRight, outLeft, outRight, frames);
}

// Blocks shorter than this run frame by frame at once: below a vector's width the
// fast path's overlap checks and loop set-up cost more than the frames.
constexpr std::int32_t kShortBlock = 4;

// A short block in frame order, any overlap allowed; answers the last frame's
// sanitised inputs, read where the frame order reads them.
template <class Sample>
[[gnu::noinline]] TwinfoldLastInputs runShortBlock(bool mono, const Sample* inLeft, const Sample* inRight,
                                                   Sample* outLeft, Sample* outRight, std::int32_t frames) {
  // Told so, the compiler keeps the loop scalar, with no vector set-up or overlap checks.
  if (frames >= kShortBlock) __builtin_unreachable();
  TwinfoldLastInputs inputs{};
  for (std::int32_t j = 0; j < frames; ++j) {
    const Sample left = sanitiseBits(inLeft[j]);
    const Sample right = sanitiseBits(inRight[j]);
    inputs = {static_cast<double>(left), static_cast<double>(right)};
    const Sample outL = mono ? meanOf(left, right) : left;
    const Sample outR = mono ? outL : right;
    outLeft[j] = outL;
    outRight[j] = outR;
  }
  return inputs;
}

// The block of kShortBlock frames or more; answers the last frame's sanitised inputs.
// Out of line, so that a short block reaches its own loop in a jump.
template <class Sample>
[[gnu::noinline]] TwinfoldLastInputs runLongBlock(bool mono, const Sample* inLeft, const Sample* inRight,
                                                  Sample* outLeft, Sample* outRight, std::int32_t frames) {
  const std::int32_t last = frames - 1;
  // Read first: in place the fast path overwrites them, and it runs only where no
  // earlier frame writes them. It succeeds only on finite inputs, which sanitising
  // leaves as they are.
  const Sample lastLeft = inLeft[last];
  const Sample lastRight = inRight[last];
  if (runCommonBlock(mono, inLeft, inRight, outLeft, outRight, frames))
    return {static_cast<double>(lastLeft), static_cast<double>(lastRight)};
  // In place, each output is its input: the same pointers passed as both tell the
  // compiler so, and the loop needs no run-time check to be vectorised.
  if (outLeft == inLeft && outRight == inRight)
    runFrames(mono, outLeft, outRight, outLeft, outRight, last);
  else
    runFrames(mono, inLeft, inRight, outLeft, outRight, last);
  // The last frame on its own, so that its inputs are read where the frame order
  // reads them.
  const TwinfoldLastInputs inputs{static_cast<double>(sanitiseBits(inLeft[last])),
                                  static_cast<double>(sanitiseBits(inRight[last]))};
  runFrames(mono, inLeft + last, inRight + last, outLeft + last, outRight + last, 1);
  return inputs;
}

// The block; answers the last frame's sanitised inputs. frames > 0.
template <class Sample>
TwinfoldLastInputs runBlock(bool mono, const Sample* inLeft, const Sample* inRight, Sample* outLeft,
                            Sample* outRight, std::int32_t frames) {
  if (frames < kShortBlock) return runShortBlock(mono, inLeft, inRight, outLeft, outRight, frames);
  return runLongBlock(mono, inLeft, inRight, outLeft, outRight, frames);
}

}  // namespace

namespace TWINFOLD_KERNEL_NAMESPACE(TWINFOLD_KERNEL_VARIANT) {

TwinfoldLastInputs floatBlock(bool mono, const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                              std::int32_t frames) {
  return runBlock(mono, inLeft, inRight, outLeft, outRight, frames);
}

TwinfoldLastInputs doubleBlock(bool mono, const double* inLeft, const double* inRight, double* outLeft,
                               double* outRight, std::int32_t frames) {
  return runBlock(mono, inLeft, inRight, outLeft, outRight, frames);
}

}  // namespace TWINFOLD_KERNEL_NAMESPACE(TWINFOLD_KERNEL_VARIANT)
