// Peak and RMS per channel and the correlation of the first two channels, gathered
// block by block from planar audio.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class LevelMeter {
 public:
  explicit LevelMeter(std::int32_t channels);

  template <typename Sample>
  void add(const Sample* const* planes, std::int32_t frames);

  std::int32_t channels() const { return static_cast<std::int32_t>(peak_.size()); }
  std::int64_t frames() const { return frames_; }
  double peak(std::int32_t channel) const { return peak_[static_cast<std::size_t>(channel)]; }
  double rms(std::int32_t channel) const;
  // Zero-lag correlation of channels 1 and 2 from -1 to +1; none without two
  // channels or when either is silent.
  std::optional<double> correlation() const;
  // Samples that were NaN or infinite; they count towards no level.
  std::int64_t nonFiniteSamples() const { return nonFinite_; }

 private:
  std::vector<double> peak_;
  std::vector<double> sumOfSquares_;
  double sumOfProducts_ = 0.0;
  std::int64_t frames_ = 0;
  std::int64_t nonFinite_ = 0;
};

// "-6.0 dBFS", or "-inf dBFS" for silence.
std::string decibelText(double linear);
// "out 1 peak -6.0 dBFS RMS -9.0 dBFS, out 2 ..."
std::string levelSummary(const LevelMeter& meter, const std::string& channelWord);
