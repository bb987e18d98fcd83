// What the effect makes of a stereo frame, worked out independently of its code, the
// samples that careless processing changes, a fixed noise signal and sample bit patterns.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

// A NaN or infinite input counts as 0.
inline float sanitisedSample(float sample) { return std::isfinite(sample) ? sample : 0.0f; }

// Mono: the mean formed in double from the sanitised inputs, as the effect forms it
// (the sum cannot overflow there), then rounded to the nearest float.
inline float monoMean(float left, float right) {
  return static_cast<float>((static_cast<double>(sanitisedSample(left)) + static_cast<double>(sanitisedSample(right))) *
                            0.5);
}

// A sample's bit pattern: 32 bits for float, 64 for double.
template <class Sample>
auto bitsOf(Sample value) {
  static_assert(sizeof(Sample) == 4 || sizeof(Sample) == 8);
  using Bits = std::conditional_t<sizeof(Sample) == 4, std::uint32_t, std::uint64_t>;
  Bits bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Signed zeros, subnormals, the extremes, values whose mean needs rounding, and the
// non-finite values.
inline std::vector<float> edgeSamples() {
  using Limits = std::numeric_limits<float>;
  return {0.0f,          -0.0f,           Limits::denorm_min(), -Limits::denorm_min(), Limits::min() / 3.0f,
          Limits::min(), 1.0f,            -1.0f,                0.1f,                  1.0e-30f,
          3.0e38f,       Limits::max(),   Limits::lowest(),     0x1.000002p0f,         Limits::quiet_NaN(),
          -Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity()};
}

// A fixed pseudo-random signal in [-1, 1).
inline std::vector<float> noiseSamples(std::size_t frames, std::uint32_t seed) {
  std::vector<float> samples(frames);
  for (float& sample : samples) {
    seed = seed * 1664525u + 1013904223u;
    sample = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  return samples;
}

// start, start + step, start + 2 step, …
template <class Sample>
std::vector<Sample> ramp(std::size_t frames, Sample start, Sample step) {
  std::vector<Sample> values(frames);
  for (std::size_t i = 0; i < frames; ++i) values[i] = start + step * static_cast<Sample>(i);
  return values;
}
