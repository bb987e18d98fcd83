#include "runtime/ember_sliders.h"

#include <cmath>
#include <cstdio>
#include <utility>

void CEmberDescription::registerSlider(TEmberSlider record, const std::vector<std::string>& enumNames) {
  sliders.push_back(std::move(record));
  TEmberSlider& last = sliders.back();
  if (!last.resolved) last.resolved = true;
  last.valueNames.insert(last.valueNames.end(), enumNames.begin(), enumNames.end());
}

// Every input of a frame is read before any output of it is written, so buffers
// shared between inputs and outputs give what separate ones give.
template <class Sample>
void CEmberSamples::sampleFrames(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels,
                                 std::int32_t frames) {
  double* vars = sampleVars.data();
  if (channels == 2) {
    for (std::int32_t j = 0; j < frames; ++j) {
      vars[0] = static_cast<double>(inputs[0][j]);
      vars[1] = static_cast<double>(inputs[1][j]);
      DoSample();
      outputs[0][j] = static_cast<Sample>(vars[0]);
      outputs[1][j] = static_cast<Sample>(vars[1]);
    }
    return;
  }
  for (std::int32_t j = 0; j < frames; ++j) {
    for (std::int32_t c = channels - 1; c >= 0; --c) vars[c] = static_cast<double>(inputs[c][j]);
    DoSample();
    for (std::int32_t c = channels - 1; c >= 0; --c) outputs[c][j] = static_cast<Sample>(vars[c]);
  }
}

void CEmberSamples::DoSampleBlock(const float* const* inputs, float* const* outputs, std::int32_t channels,
                                  std::int32_t frames) {
  sampleFrames(inputs, outputs, channels, frames);
}

void CEmberSamples::DoSampleBlock(const double* const* inputs, double* const* outputs, std::int32_t channels,
                                  std::int32_t frames) {
  sampleFrames(inputs, outputs, channels, frames);
}

template <class Sample>
void CEmberSamples::processFrames(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels,
                                  std::int32_t frames) {
  DoBlock();
  if (frames <= 0 || !inputs || !outputs) return;
  for (std::int32_t c = 0; c < channels; ++c)
    if (!inputs[c] || !outputs[c]) return;
  DoSampleBlock(inputs, outputs, channels, frames);
}

void CEmberSamples::DoProcess(const float* const* inputs, float* const* outputs, std::int32_t channels,
                              std::int32_t frames) {
  processFrames(inputs, outputs, channels, frames);
}

void CEmberSamples::DoProcess(const double* const* inputs, double* const* outputs, std::int32_t channels,
                              std::int32_t frames) {
  processFrames(inputs, outputs, channels, frames);
}

std::string emberSliderDisplay(const TEmberSlider& slider, double v) {
  const auto count = static_cast<std::int64_t>(slider.valueNames.size());
  if (count > 0) {
    // Position proportional to the value's place in the range, truncated; a quotient
    // that is not finite or does not fit counts as 0.
    const double position = (v - slider.minimum) * static_cast<double>(count - 1) / (slider.maximum - slider.minimum);
    std::int64_t k = 0;
    if (position > -2147483649.0 && position < 2147483648.0) k = static_cast<std::int32_t>(position);
    if (k < 0) k = 0;
    if (k > count - 1) k = count - 1;
    return slider.valueNames[static_cast<std::size_t>(k)];
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}
