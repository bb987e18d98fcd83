#include "tools/render/demo.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "tools/render/display_search.h"
#include "tools/render/info_report.h"
#include "tools/render/open_plugin.h"
#include "tools/render/render_plugin.h"
#include "tools/render/renderer.h"
#include "tools/render/user_settings.h"

namespace {

constexpr double kSampleRate = 48000.0;
constexpr double kSeconds = 4.0;
constexpr double kLeftHz = 440.0, kLeftAmplitude = 0.5;
constexpr double kRightHz = 660.0, kRightAmplitude = 0.25;
constexpr double kNoiseAmplitude = 0.02;

struct TestSignal {
  std::vector<float> left, right;
};

// Different tones left and right, so a mono downmix is plain to see, and a little
// independent noise in each; a fixed seed keeps every run identical.
TestSignal makeTestSignal() {
  const auto frames = static_cast<std::size_t>(kSampleRate * kSeconds);
  TestSignal signal{std::vector<float>(frames), std::vector<float>(frames)};
  std::uint32_t seed = 0x2545F491u;
  const auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (static_cast<double>(seed >> 8) / 8388608.0 - 1.0) * kNoiseAmplitude;
  };
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const double time = static_cast<double>(frame) / kSampleRate;
    signal.left[frame] = static_cast<float>(kLeftAmplitude * std::sin(2.0 * std::numbers::pi * kLeftHz * time) + noise());
    signal.right[frame] =
        static_cast<float>(kRightAmplitude * std::sin(2.0 * std::numbers::pi * kRightHz * time) + noise());
  }
  return signal;
}

// Input c of the plug-in gets channel c of the signal (left, right, left, ...).
template <typename Sample>
class SignalSource final : public BlockSource<Sample> {
 public:
  SignalSource(const TestSignal& signal, std::int32_t inputs) : signal_(signal), inputs_(inputs) {}

  std::int32_t read(Sample* const* planes, std::int32_t maxFrames) override {
    const std::size_t left = signal_.left.size() - position_;
    const auto frames = static_cast<std::int32_t>(std::min<std::size_t>(left, static_cast<std::size_t>(maxFrames)));
    for (std::int32_t input = 0; input < inputs_; ++input) {
      const std::vector<float>& channel = input % 2 == 0 ? signal_.left : signal_.right;
      for (std::int32_t frame = 0; frame < frames; ++frame)
        planes[input][frame] = static_cast<Sample>(channel[position_ + static_cast<std::size_t>(frame)]);
    }
    position_ += static_cast<std::size_t>(frames);
    return frames;
  }

 private:
  const TestSignal& signal_;
  std::int32_t inputs_;
  std::size_t position_ = 0;
};

struct StereoMonoSwitch {
  std::int32_t index;
  float stereo, mono;
};

std::optional<StereoMonoSwitch> findStereoMonoSwitch(RenderPlugin& plugin) {
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) {
    const std::optional<float> stereo = findValueForDisplay(plugin, index, "stereo");
    if (!stereo) continue;
    if (const std::optional<float> mono = findValueForDisplay(plugin, index, "mono"))
      return StereoMonoSwitch{index, *stereo, *mono};
  }
  return std::nullopt;
}

std::string levelCell(const LevelMeter& meter, std::int32_t channel) {
  char cell[48];
  const auto db = [](double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -INFINITY; };
  std::snprintf(cell, sizeof cell, "%6.1f %6.1f", db(meter.peak(channel)), db(meter.rms(channel)));
  return cell;
}

void printRow(const std::string& label, const LevelMeter& meter) {
  char name[24];
  std::snprintf(name, sizeof name, "  %-8s", label.c_str());
  std::cout << name;
  for (std::int32_t channel = 0; channel < 2; ++channel)
    std::cout << "   " << (channel < meter.channels() ? levelCell(meter, channel) : std::string(13, ' '));
  if (const std::optional<double> correlation = meter.correlation()) {
    char text[16];
    // No "-0.00" for unrelated channels.
    std::snprintf(text, sizeof text, "   %+6.2f", std::fabs(*correlation) < 0.005 ? 0.0 : *correlation);
    std::cout << text;
  } else {
    std::cout << "        -";
  }
  std::cout << "\n";
}

template <typename Sample>
RenderResult renderPass(RenderPlugin& plugin, const RenderOptions& options, const TestSignal& signal,
                        const std::optional<StereoMonoSwitch>& stereoMono, bool mono) {
  startProcessing(plugin, options, kSampleRate);
  RenderExtent extent;
  extent.changes = applyUserSettings(plugin, options, kSampleRate);
  if (stereoMono) plugin.setParameter(stereoMono->index, mono ? stereoMono->mono : stereoMono->stereo);
  SignalSource<Sample> source(signal, plugin.numInputs());
  RenderResult result = renderBlocks<Sample>(plugin, kSampleRate, options.blockSize, source, nullptr,
                                             static_cast<std::int64_t>(signal.left.size()), extent);
  plugin.stop();
  return result;
}

}  // namespace

void runDemo(const RenderOptions& options) {
  const std::unique_ptr<RenderPlugin> opened = openPlugin(options);
  RenderPlugin& plugin = *opened;
  std::cout << "What a host sees\n\n";
  printInfo(plugin, std::cout);

  const TestSignal signal = makeTestSignal();
  std::cout << "\nThe plug-in at work: " << kSeconds << " s of test signal at " << kSampleRate
            << " Hz, left " << kLeftHz << " Hz, right " << kRightHz << " Hz, a little noise in both\n";
  if (plugin.numInputs() <= 0 || plugin.numOutputs() <= 0) {
    std::cout << "  (the plug-in has no audio inputs or outputs, so there is nothing to show)\n";
    return;
  }
  const std::optional<StereoMonoSwitch> stereoMono = findStereoMonoSwitch(plugin);
  std::printf("%-10s   %-13s   %-13s   %s\n", "", "left (dBFS)", "right (dBFS)", "L/R");
  std::printf("%-10s   %6s %6s   %6s %6s   %s\n", "", "peak", "RMS", "peak", "RMS", "correlation");
  std::fflush(stdout);
  LevelMeter input(2);
  const float* planes[] = {signal.left.data(), signal.right.data()};
  input.add(planes, static_cast<std::int32_t>(signal.left.size()));
  printRow("input", input);

  const auto pass = [&](bool mono) {
    return options.doublePrecision ? renderPass<double>(plugin, options, signal, stereoMono, mono)
                                   : renderPass<float>(plugin, options, signal, stereoMono, mono);
  };
  RenderResult last;
  if (stereoMono) {
    printRow("stereo", pass(false).output);
    last = pass(true);
    printRow("mono", last.output);
  } else {
    last = pass(false);
    printRow("output", last.output);
  }
  std::cout << "\nL/R correlation: +1 = both channels identical, 0 = unrelated, -1 = opposite.\n"
            << "Each pass: " << renderTiming(last) << "\n";
}
