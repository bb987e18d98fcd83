#include "bench/hand_loops.h"

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
void copyChannels(const float* const* inputs, float* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
void copyChannels(const double* const* inputs, double* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
