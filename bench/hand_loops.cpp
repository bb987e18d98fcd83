#include "bench/hand_loops.h"

#include <atomic>
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

// Where the plug-in keeps its script variables: shared with the parameter thread.
struct SharedVariables {
  std::atomic<double> inLeft{0.0};
  std::atomic<double> inRight{0.0};
  std::atomic<double> mode{0.0};
};
SharedVariables shared;

template <class Sample>
void sharedAccessLoop(const Sample* const* inputs, Sample* const* outputs, std::int32_t frames) {
  const Sample* inLeft = inputs[0];
  const Sample* inRight = inputs[1];
  Sample* outLeft = outputs[0];
  Sample* outRight = outputs[1];
  for (std::int32_t j = 0; j < frames; ++j) {
    const Sample left = inLeft[j];
    const Sample right = inRight[j];
    shared.inLeft.store(left, std::memory_order_relaxed);
    shared.inRight.store(right, std::memory_order_relaxed);
    if (shared.mode.load(std::memory_order_relaxed) != 0.0) {
      const Sample mean = (left + right) * Sample(0.5);
      outLeft[j] = mean;
      outRight[j] = mean;
    } else {
      outLeft[j] = left;
      outRight[j] = right;
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
void handSharedAccess(const float* const* inputs, float* const* outputs, std::int32_t frames, bool mono) {
  shared.mode.store(mono ? 1.0 : 0.0, std::memory_order_relaxed);
  sharedAccessLoop(inputs, outputs, frames);
}
void handSharedAccess(const double* const* inputs, double* const* outputs, std::int32_t frames, bool mono) {
  shared.mode.store(mono ? 1.0 : 0.0, std::memory_order_relaxed);
  sharedAccessLoop(inputs, outputs, frames);
}
void copyChannels(const float* const* inputs, float* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
void copyChannels(const double* const* inputs, double* const* outputs, std::int32_t frames) {
  copyBoth(inputs, outputs, frames);
}
