#include "bench/hand_loops.h"

#include <cmath>
#include <cstring>

namespace {

template <class Sample>
void meanLoop(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  const Sample* inLeft = inputs[0];
  const Sample* inRight = inputs[1];
  Sample* outLeft = outputs[0];
  Sample* outRight = outputs[1];
  for (std::int32_t j = 0; j < frames; ++j) {
    const Sample mean = (inLeft[j] + inRight[j]) * Sample(0.5);
    outLeft[j] = mean;
    outRight[j] = mean;
  }
}

template <class Sample>
void passLoop(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  const Sample* inLeft = inputs[0];
  const Sample* inRight = inputs[1];
  Sample* outLeft = outputs[0];
  Sample* outRight = outputs[1];
  for (std::int32_t j = 0; j < frames; ++j) {
    const Sample left = inLeft[j];
    const Sample right = inRight[j];
    outLeft[j] = left;
    outRight[j] = right;
  }
}

double sanitised(double x) { return std::isfinite(x) ? x : 0.0; }

template <class Sample>
void effectLoop(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames, bool mono) {
  const Sample* inLeft = inputs[0];
  const Sample* inRight = inputs[1];
  Sample* outLeft = outputs[0];
  Sample* outRight = outputs[1];
  for (std::int32_t j = 0; j < frames; ++j) {
    const double left = sanitised(static_cast<double>(inLeft[j]));
    const double right = sanitised(static_cast<double>(inRight[j]));
    if (mono) {
      const double sum = left + right;
      const double mean = std::isfinite(sum) ? sum * 0.5 : left * 0.5 + right * 0.5;
      outLeft[j] = static_cast<Sample>(mean);
      outRight[j] = static_cast<Sample>(mean);
    } else {
      outLeft[j] = static_cast<Sample>(left);
      outRight[j] = static_cast<Sample>(right);
    }
  }
}

template <class Sample>
void copyBoth(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  if (frames <= 0) return;
  const auto bytes = static_cast<std::size_t>(frames) * sizeof(Sample);
  std::memcpy(outputs[0], inputs[0], bytes);
  std::memcpy(outputs[1], inputs[1], bytes);
}

}  // namespace

void handMean(const float* const* inputs, float* const* outputs, std::int32_t frames) {
  meanLoop(inputs, outputs, frames);
}
void handMean(const double* const* inputs, double* const* outputs, std::int32_t frames) {
  meanLoop(inputs, outputs, frames);
}
void handPassThrough(const float* const* inputs, float* const* outputs, std::int32_t frames) {
  passLoop(inputs, outputs, frames);
}
void handPassThrough(const double* const* inputs, double* const* outputs, std::int32_t frames) {
  passLoop(inputs, outputs, frames);
}
void plainEffectLoop(const float* const* inputs, float* const* outputs, std::int32_t frames, bool mono) {
  effectLoop(inputs, outputs, frames, mono);
}
void plainEffectLoop(const double* const* inputs, double* const* outputs, std::int32_t frames, bool mono) {
  effectLoop(inputs, outputs, frames, mono);
}
void copyChannels(const float* const* inputs, float* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
void copyChannels(const double* const* inputs, double* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
