// A CLAP file as a RenderPlugin, over hosting's ClapModule, ClapHost and ClapInstance.
#include <cmath>
#include <cstring>
#include <filesystem>

#include "hosting/clap_host.h"
#include "tools/render/format_plugins.h"
#include "tools/render/info_report.h"
#include "tools/render/render_error.h"

namespace {

using namespace clap;

class ClapRenderPlugin final : public RenderPlugin {
 public:
  ClapRenderPlugin(const std::string& path, const std::string& id) : path_(path), module_(path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw RenderError("plug-in '" + path + "' not found");
    if (!module_.library().loaded())
      throw RenderError("'" + path + "' is not a loadable CLAP file: " + module_.library().error());
    if (!module_.loaded()) throw RenderError("'" + path + "' is not a CLAP plug-in: it exports no clap_entry");
    if (!module_.entry().init(path.c_str())) throw RenderError("the CLAP file '" + path + "' refused to start (init)");
    entered_ = true;
    const clap_plugin_factory* factory = module_.factory();
    if (!factory) throw RenderError("'" + path + "' offers no CLAP plug-in factory");
    const std::uint32_t count = factory->get_plugin_count(factory);
    std::string ids;
    for (std::uint32_t index = 0; index < count; ++index) {
      const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, index);
      if (!descriptor || !descriptor->id) continue;
      ids += (ids.empty() ? "" : ", ") + std::string(descriptor->id);
      if (id.empty() ? !descriptor_ : id == descriptor->id) descriptor_ = descriptor;
    }
    if (!descriptor_) throw RenderError("'" + path + "' holds no plug-in '" + id + "'; it holds " + (ids.empty() ? "none" : ids));
    if (id.empty() && count > 1)
      throw UsageError("'" + path + "' holds " + std::to_string(count) + " plug-ins (" + ids + "); choose one with --plugin-id");
    instance_.emplace(factory, host_, descriptor_->id);
    if (!instance_->plugin || !instance_->initialized)
      throw RenderError("the CLAP plug-in '" + std::string(descriptor_->id) + "' could not be made or initialized");
    params_ = instance_->extension<clap_plugin_params>(kParamsId);
    ports_ = instance_->extension<clap_plugin_audio_ports>(kAudioPortsId);
    inputs_ = mainPort(true);
    outputs_ = mainPort(false);
    const std::uint32_t paramCount = params_ ? params_->count(instance_->plugin) : 0;
    for (std::uint32_t index = 0; index < paramCount; ++index) {
      clap_param_info info{};
      if (params_->get_info(instance_->plugin, index, &info)) parameters_.push_back(info);
    }
  }

  ~ClapRenderPlugin() override {
    stop();
    instance_.reset();
    if (entered_) module_.entry().deinit();
  }

  std::string formatName() const override { return "CLAP"; }
  const std::string& path() const override { return path_; }
  std::string displayName() override { return text(descriptor_->name, path_); }
  std::string vendorName() override { return text(descriptor_->vendor, ""); }
  std::string versionText() override { return text(descriptor_->version, ""); }
  std::string identifier() override { return descriptor_->id; }

  std::int32_t numInputs() override { return inputs_; }
  std::int32_t numOutputs() override { return outputs_; }
  std::int32_t numParams() override { return static_cast<std::int32_t>(parameters_.size()); }
  std::string parameterName(std::int32_t index) override { return parameters_.at(index).name; }
  std::string parameterLabel(std::int32_t) override { return ""; }
  double getParameter(std::int32_t index) override {
    const clap_param_info& info = parameters_.at(index);
    // A value not yet processed is what the plug-in will have.
    double value = info.default_value;
    bool pending = false;
    for (const auto& [id, set] : pending_)
      if (id == info.id) value = set, pending = true;
    if (!pending) params_->get_value(instance_->plugin, info.id, &value);
    return normalised(info, value);
  }
  void setParameter(std::int32_t index, double value) override { scheduleParameter(index, value, 0); }
  std::string displayAt(std::int32_t index, double value) override {
    const clap_param_info& info = parameters_.at(index);
    char text[256] = {};
    if (!params_->value_to_text(instance_->plugin, info.id, plain(info, value), text, sizeof text)) return "";
    text[sizeof text - 1] = 0;
    return text;
  }
  std::optional<double> valueForText(std::int32_t index, const std::string& text) override {
    const clap_param_info& info = parameters_.at(index);
    double value = 0.0;
    if (!params_->text_to_value(instance_->plugin, info.id, text.c_str(), &value) || !std::isfinite(value) ||
        value < info.min_value || value > info.max_value)
      return std::nullopt;
    return normalised(info, value);
  }
  ParameterReport parameterReport(std::int32_t index) override {
    ParameterReport report = RenderPlugin::parameterReport(index);
    const clap_param_info& info = parameters_.at(index);
    report.id = std::to_string(info.id);
    report.minimum = info.min_value;
    report.maximum = info.max_value;
    report.defaultValue = info.default_value;
    if (info.flags & kParamIsStepped) report.steps = static_cast<std::int32_t>(std::lround(info.max_value - info.min_value));
    return report;
  }

  bool takesTimedChanges() const override { return true; }
  void scheduleParameter(std::int32_t index, double value, std::int32_t frame) override {
    const clap_param_info& info = parameters_.at(index);
    events_.value(static_cast<std::uint32_t>(frame), plain(info, value), info.id);
    pending_.push_back({info.id, plain(info, value)});
  }

  bool canProcessDouble() override { return supports64_; }
  void start(double sampleRate, std::int32_t blockSize, bool doublePrecision) override {
    if (doublePrecision && !supports64_)
      throw RenderError(displayName() + " offers no 64-bit processing; run without --double");
    stop();
    if (!instance_->plugin->activate(instance_->plugin, sampleRate, 1, static_cast<std::uint32_t>(blockSize)))
      throw RenderError(displayName() + " refused to activate at " + std::to_string(sampleRate) + " Hz");
    active_ = true;
    if (!instance_->plugin->start_processing(instance_->plugin))
      throw RenderError(displayName() + " refused to start processing");
    processing_ = true;
    steadyTime_ = 0;
  }
  void stop() override {
    if (processing_) instance_->plugin->stop_processing(instance_->plugin);
    if (active_) instance_->plugin->deactivate(instance_->plugin);
    processing_ = active_ = false;
  }
  void process(float** inputs, float** outputs, std::int32_t frames) override { run(inputs, outputs, frames); }
  void process(double** inputs, double** outputs, std::int32_t frames) override { run(inputs, outputs, frames); }

  std::int64_t latency() override {
    const auto* latency = instance_->extension<clap_plugin_latency>(kLatencyId);
    return latency ? latency->get(instance_->plugin) : 0;
  }
  std::optional<std::int64_t> tail() override {
    const auto* tail = instance_->extension<clap_plugin_tail>(kTailId);
    if (!tail) return std::nullopt;
    const std::uint32_t frames = tail->get(instance_->plugin);
    return frames >= kInfiniteTail ? std::optional<std::int64_t>() : std::optional<std::int64_t>(frames);
  }
  void printDetails(std::ostream& out) override { printCommonInfo(*this, out); }

  std::vector<std::uint8_t> saveState() override {
    flush();
    if (!instance_->extension<clap_plugin_state>(kStateId)) throw RenderError(displayName() + " keeps no state");
    std::vector<std::uint8_t> bytes = instance_->save();
    if (bytes.empty()) throw RenderError(displayName() + " handed out no state");
    return bytes;
  }
  void loadState(const std::vector<std::uint8_t>& bytes) override {
    if (!instance_->extension<clap_plugin_state>(kStateId)) throw RenderError(displayName() + " takes no state");
    if (!instance_->load(bytes))
      throw RenderError(displayName() + " refused the state (it was made for another plug-in, or is damaged)");
    pending_.clear();
  }

 private:
  static std::string text(const char* value, const std::string& otherwise) {
    return value && *value ? value : otherwise;
  }
  static double normalised(const clap_param_info& info, double value) {
    return info.max_value > info.min_value ? (value - info.min_value) / (info.max_value - info.min_value) : 0.0;
  }
  static double plain(const clap_param_info& info, double value) {
    const double scaled = info.min_value + value * (info.max_value - info.min_value);
    return info.flags & kParamIsStepped ? std::round(scaled) : scaled;
  }

  std::int32_t mainPort(bool input) {
    if (!ports_ || ports_->count(instance_->plugin, input) == 0) return 0;
    clap_audio_port_info info{};
    if (!ports_->get(instance_->plugin, 0, input, &info)) return 0;
    if (!input) supports64_ = (info.flags & kAudioPortSupports64Bits) != 0;
    return static_cast<std::int32_t>(info.channel_count);
  }

  // Settings made between renders reach the plug-in outside processing.
  void flush() {
    if (events_.empty() || !params_) return;
    const bool wasProcessing = processing_;
    if (processing_) instance_->plugin->stop_processing(instance_->plugin);
    params_->flush(instance_->plugin, events_.list(), hosting::ClapEvents::sink());
    if (wasProcessing) instance_->plugin->start_processing(instance_->plugin);
    events_.clear();
  }

  template <class Sample>
  void run(Sample** inputs, Sample** outputs, std::int32_t frames) {
    clap_audio_buffer in{}, out{};
    in.channel_count = static_cast<std::uint32_t>(inputs_);
    out.channel_count = static_cast<std::uint32_t>(outputs_);
    if constexpr (sizeof(Sample) == sizeof(float)) {
      in.data32 = inputs;
      out.data32 = outputs;
    } else {
      in.data64 = inputs;
      out.data64 = outputs;
    }
    clap_process process{};
    process.steady_time = steadyTime_;
    process.frames_count = static_cast<std::uint32_t>(frames);
    process.audio_inputs = &in;
    process.audio_outputs = &out;
    process.audio_inputs_count = inputs_ > 0 ? 1 : 0;
    process.audio_outputs_count = outputs_ > 0 ? 1 : 0;
    process.in_events = events_.list();
    process.out_events = hosting::ClapEvents::sink();
    if (instance_->plugin->process(instance_->plugin, &process) == kProcessError)
      throw RenderError(displayName() + " reported a processing error");
    steadyTime_ += frames;
    events_.clear();
    pending_.clear();
  }

  std::string path_;
  hosting::ClapModule module_;
  hosting::ClapHost host_;
  bool entered_ = false;
  const clap_plugin_descriptor* descriptor_ = nullptr;
  std::optional<hosting::ClapInstance> instance_;
  const clap_plugin_params* params_ = nullptr;
  const clap_plugin_audio_ports* ports_ = nullptr;
  std::int32_t inputs_ = 0, outputs_ = 0;
  bool supports64_ = false, active_ = false, processing_ = false;
  std::vector<clap_param_info> parameters_;
  hosting::ClapEvents events_;
  std::vector<std::pair<clap_id, double>> pending_;
  std::int64_t steadyTime_ = 0;
};

}  // namespace

std::unique_ptr<RenderPlugin> openClapPlugin(const std::string& path, const std::string& id) {
  return std::make_unique<ClapRenderPlugin>(path, id);
}
