#include "tools/render/level_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

LevelMeter::LevelMeter(std::int32_t channels)
    : peak_(static_cast<std::size_t>(channels), 0.0), sumOfSquares_(static_cast<std::size_t>(channels), 0.0) {}

template <typename Sample>
void LevelMeter::add(const Sample* const* planes, std::int32_t frames) {
  for (std::size_t channel = 0; channel < peak_.size(); ++channel) {
    const Sample* samples = planes[channel];
    for (std::int32_t frame = 0; frame < frames; ++frame) {
      const double value = static_cast<double>(samples[frame]);
      if (!std::isfinite(value)) {
        ++nonFinite_;
        continue;
      }
      peak_[channel] = std::max(peak_[channel], std::fabs(value));
      sumOfSquares_[channel] += value * value;
    }
  }
  if (peak_.size() >= 2) {
    for (std::int32_t frame = 0; frame < frames; ++frame) {
      const double product = static_cast<double>(planes[0][frame]) * static_cast<double>(planes[1][frame]);
      if (std::isfinite(product)) sumOfProducts_ += product;
    }
  }
  frames_ += frames;
}

template void LevelMeter::add<float>(const float* const*, std::int32_t);
template void LevelMeter::add<double>(const double* const*, std::int32_t);

double LevelMeter::rms(std::int32_t channel) const {
  if (frames_ == 0) return 0.0;
  return std::sqrt(sumOfSquares_[static_cast<std::size_t>(channel)] / static_cast<double>(frames_));
}

std::optional<double> LevelMeter::correlation() const {
  if (peak_.size() < 2) return std::nullopt;
  const double energy = sumOfSquares_[0] * sumOfSquares_[1];
  if (!(energy > 0.0)) return std::nullopt;
  return std::clamp(sumOfProducts_ / std::sqrt(energy), -1.0, 1.0);
}

std::string decibelText(double linear) {
  if (!(linear > 0.0)) return "-inf dBFS";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(linear));
  return text;
}

std::string levelSummary(const LevelMeter& meter, const std::string& channelWord) {
  std::string summary;
  for (std::int32_t channel = 0; channel < meter.channels(); ++channel) {
    if (channel) summary += ", ";
    summary += channelWord + " " + std::to_string(channel + 1) + " peak " + decibelText(meter.peak(channel)) +
               " RMS " + decibelText(meter.rms(channel));
  }
  if (meter.nonFiniteSamples() > 0) summary += "; " + std::to_string(meter.nonFiniteSamples()) + " samples NaN or infinite";
  return summary;
}
