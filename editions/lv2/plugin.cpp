#include "editions/lv2/plugin.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/entry_point.h"

namespace lv2 {

namespace {

constexpr VstInt32 kModeParameter = 0;
// processReplacing counts frames in a signed 32-bit integer.
constexpr std::uint32_t kLargestCall = static_cast<std::uint32_t>(std::numeric_limits<VstInt32>::max());

}  // namespace

Plugin::Plugin(double sampleRate, std::int32_t maxBlockLength) : core_(&VSTPluginMain) {
  if (!core_.valid()) return;
  core_.setSampleRate(sampleRate);
  core_.setBlockSize(maxBlockLength);
  appliedMode_ = core_.getParameter(kModeParameter);
}

void Plugin::connect(std::uint32_t port, void* data) {
  if (port < mode)
    audio_[port] = static_cast<float*>(data);
  else if (port == mode)
    mode_ = static_cast<const float*>(data);
}

void Plugin::applyMode() {
  if (!mode_) return;
  const float requested = *mode_;
  if (requested == appliedMode_) return;  // every block but those after a change
  // A non-finite value keeps the current mode; the port's range is 0 to 1, which is
  // also the parameter's normalised range.
  if (!std::isfinite(requested)) return;
  const float value = std::clamp(requested, 0.0f, 1.0f);
  if (value == appliedMode_) return;
  appliedMode_ = value;
  core_.setParameter(kModeParameter, value);
}

void Plugin::run(std::uint32_t frames) {
  applyMode();
  float* inputs[2] = {audio_[inLeft], audio_[inRight]};
  float* outputs[2] = {audio_[outLeft], audio_[outRight]};
  if (frames <= kLargestCall) [[likely]]
    return core_.process(inputs, outputs, static_cast<VstInt32>(frames));
  do {
    const std::uint32_t count = std::min(frames, kLargestCall);
    core_.process(inputs, outputs, static_cast<VstInt32>(count));
    for (float** channel : {&inputs[0], &inputs[1], &outputs[0], &outputs[1]})
      if (*channel) *channel += count;
    frames -= count;
  } while (frames > 0);
}

}  // namespace lv2
