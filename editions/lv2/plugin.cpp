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

Plugin::Plugin(double sampleRate, std::int32_t maxBlockLength, const LV2_Feature* const* features)
    : core_(&VSTPluginMain), transport_(features, sampleRate) {
  if (!core_.valid()) return;
  // The core's time comes from the host's positions, kept in transport_.
  core_.host().setTimeInfo(transport_.record());
  core_.setSampleRate(sampleRate);
  core_.setBlockSize(maxBlockLength);
  appliedMode_ = core_.getParameter(kModeParameter);
}

void Plugin::connect(std::uint32_t port, void* data) {
  if (port < mode)
    audio_[port] = static_cast<float*>(data);
  else if (port == mode)
    mode_ = static_cast<const float*>(data);
  else if (port == time)
    events_ = static_cast<const LV2_Atom_Sequence*>(data);
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
  transport_.beginRun(events_, frames);
  float* inputs[2] = {audio_[inLeft], audio_[inRight]};
  float* outputs[2] = {audio_[outLeft], audio_[outRight]};
  if (frames > kLargestCall) [[unlikely]]
    return runInParts(inputs, outputs, frames);
  core_.process(inputs, outputs, static_cast<VstInt32>(frames));
  transport_.endPart(frames);
}

void Plugin::runInParts(float** inputs, float** outputs, std::uint32_t frames) {
  do {
    const std::uint32_t count = std::min(frames, kLargestCall);
    core_.process(inputs, outputs, static_cast<VstInt32>(count));
    transport_.endPart(count);
    for (float** channel : {&inputs[0], &inputs[1], &outputs[0], &outputs[1]})
      if (*channel) *channel += count;
    frames -= count;
  } while (frames > 0);
}

}  // namespace lv2
