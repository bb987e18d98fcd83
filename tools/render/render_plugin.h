// One plug-in as vst-render drives it, whatever its format: each format's adapter
// (VST 2.4, VST3, CLAP, LV2) is a thin layer over the hosting library's host of that
// format. Parameters are seen as a host's automation sees them: by index, with a
// normalised value from 0 to 1.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// What --info shows of one parameter.
struct ParameterReport {
  std::string id;  // the format's own identifier (an index, an ID number, a port symbol)
  std::string name;
  std::string label;  // unit
  double value = 0.0;  // normalised
  std::string display;
  double minimum = 0.0, maximum = 1.0, defaultValue = 0.0;  // plain values, where the format has them
  std::int32_t steps = 0;  // 0: continuous
};

class RenderPlugin {
 public:
  virtual ~RenderPlugin() = default;

  virtual std::string formatName() const = 0;  // "VST 2.4", "VST3", "CLAP", "LV2"
  virtual const std::string& path() const = 0;
  virtual std::string displayName() = 0;
  virtual std::string vendorName() { return ""; }
  virtual std::string versionText() { return ""; }
  virtual std::string identifier() { return ""; }  // a unique ID, class ID, plug-in ID or URI

  virtual std::int32_t numInputs() = 0;
  virtual std::int32_t numOutputs() = 0;

  virtual std::int32_t numParams() = 0;
  virtual std::string parameterName(std::int32_t index) = 0;
  virtual std::string parameterLabel(std::int32_t index) = 0;
  virtual double getParameter(std::int32_t index) = 0;
  // Takes effect from the next process call on.
  virtual void setParameter(std::int32_t index, double value) = 0;
  // What the parameter shows at `value`; it keeps its own value.
  virtual std::string displayAt(std::int32_t index, double value) = 0;
  // The format's own text-to-value conversion, where it has one.
  virtual std::optional<double> valueForText(std::int32_t /*index*/, const std::string& /*text*/) {
    return std::nullopt;
  }
  virtual ParameterReport parameterReport(std::int32_t index);
  virtual std::vector<std::string> programNames() { return {}; }

  // Changes at a frame within the next process call, as events; without them the
  // renderer splits the block there.
  virtual bool takesTimedChanges() const { return false; }
  virtual void scheduleParameter(std::int32_t index, double value, std::int32_t frame) {
    (void)frame;
    setParameter(index, value);
  }

  virtual bool canProcessDouble() = 0;
  // Sample rate, block size and precision, then processing starts.
  virtual void start(double sampleRate, std::int32_t blockSize, bool doublePrecision) = 0;
  virtual void stop() = 0;
  virtual void process(float** inputs, float** outputs, std::int32_t frames) = 0;
  virtual void process(double** inputs, double** outputs, std::int32_t frames) = 0;

  virtual std::int64_t latency() = 0;
  // Frames of tail; none when the plug-in does not say.
  virtual std::optional<std::int64_t> tail() = 0;
  virtual std::string describeTail() {
    const auto frames = tail();
    return frames ? std::to_string(*frames) + " samples" : "not reported";
  }

  // The format's own details for --info's text.
  virtual void printDetails(std::ostream& out) = 0;

  // The state a CLAP or VST3 host keeps, and LV2 presets: throw RenderError where the
  // format or plug-in has none.
  virtual std::vector<std::uint8_t> saveState() = 0;
  virtual void loadState(const std::vector<std::uint8_t>& bytes) = 0;
  // LV2 presets are named by URI.
  virtual bool takesPresetUri() { return false; }
  virtual void loadPresetUri(const std::string& /*uri*/) {}
};
