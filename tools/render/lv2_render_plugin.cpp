// An LV2 plug-in as a RenderPlugin: lilv reads the bundle's Turtle (ports, ranges,
// scale points) and makes the instance; hosting's Lv2Features and Lv2Instance drive it.
#include "tools/render/format_plugins.h"
#include "tools/render/render_error.h"

#if defined(VST_RENDER_HAS_LILV)

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hosting/lv2_host.h"
#include "tools/render/display_search.h"
#include "tools/render/info_report.h"

namespace {

struct ScalePoint {
  float value;
  std::string label;
};

struct ControlPort {
  std::uint32_t index;
  std::string symbol, name;
  float minimum = 0.0f, maximum = 1.0f, defaultValue = 0.0f;
  bool integer = false;
  std::vector<ScalePoint> points;
};

class Node {
 public:
  explicit Node(LilvNode* node) : node_(node) {}
  ~Node() { lilv_node_free(node_); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  operator const LilvNode*() const { return node_; }

 private:
  LilvNode* node_;
};

constexpr std::uint32_t kAtomCapacity = 8192;

class Lv2RenderPlugin final : public RenderPlugin {
 public:
  Lv2RenderPlugin(const std::string& pathOrUri, const std::string& id) : path_(pathOrUri), world_(lilv_world_new()) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::string uri = id;
    if (fs::is_directory(pathOrUri, error)) {
      // Only this bundle: a plug-in of the same URI installed elsewhere stays out.
      std::string folder = fs::absolute(pathOrUri).string();
      if (folder.back() != '/') folder += '/';
      Node bundle(lilv_new_file_uri(world_, nullptr, folder.c_str()));
      lilv_world_load_bundle(world_, bundle);
      const LilvPlugins* all = lilv_world_get_all_plugins(world_);
      std::string uris;
      LILV_FOREACH(plugins, i, all) {
        const LilvPlugin* candidate = lilv_plugins_get(all, i);
        const std::string candidateUri = lilv_node_as_uri(lilv_plugin_get_uri(candidate));
        uris += (uris.empty() ? "" : ", ") + candidateUri;
        if (id.empty() ? !plugin_ : candidateUri == id) plugin_ = candidate;
      }
      if (!plugin_)
        throw RenderError("the LV2 bundle '" + pathOrUri + "' holds no plug-in" + (id.empty() ? "" : " '" + id + "'") +
                          (uris.empty() ? "" : "; it holds " + uris));
    } else if (formatLooksLikeUri(pathOrUri)) {
      lilv_world_load_all(world_);
      Node node(lilv_new_uri(world_, pathOrUri.c_str()));
      plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
      if (!plugin_) throw RenderError("no LV2 plug-in <" + pathOrUri + "> is installed (searched LV2_PATH or the system folders)");
    } else {
      throw RenderError("LV2 bundle '" + pathOrUri + "' not found");
    }
    readPorts();
    name_ = nodeText(lilv_plugin_get_name(plugin_));
    author_ = nodeText(lilv_plugin_get_author_name(plugin_));
  }

  ~Lv2RenderPlugin() override {
    stop();
    instance_.reset();
    lilv_world_free(world_);
  }

  std::string formatName() const override { return "LV2"; }
  const std::string& path() const override { return path_; }
  std::string displayName() override { return name_.empty() ? identifier() : name_; }
  std::string vendorName() override { return author_; }
  std::string identifier() override { return lilv_node_as_uri(lilv_plugin_get_uri(plugin_)); }

  std::int32_t numInputs() override { return static_cast<std::int32_t>(audioIn_.size()); }
  std::int32_t numOutputs() override { return static_cast<std::int32_t>(audioOut_.size()); }
  std::int32_t numParams() override { return static_cast<std::int32_t>(controls_.size()); }
  std::string parameterName(std::int32_t index) override { return controls_.at(index).name; }
  std::string parameterLabel(std::int32_t) override { return ""; }
  double getParameter(std::int32_t index) override { return normalised(controls_.at(index), values_.at(index)); }
  void setParameter(std::int32_t index, double value) override {
    values_.at(index) = plain(controls_.at(index), value);
  }
  std::string displayAt(std::int32_t index, double value) override {
    const ControlPort& port = controls_.at(index);
    const float shown = plain(port, value);
    for (const ScalePoint& point : port.points)
      if (point.value == shown) return point.label;
    char text[32];
    std::snprintf(text, sizeof text, port.integer ? "%.0f" : "%g", static_cast<double>(shown));
    return text;
  }
  std::optional<double> valueForText(std::int32_t index, const std::string& text) override {
    const ControlPort& port = controls_.at(index);
    for (const ScalePoint& point : port.points)
      if (::normalised(point.label) == ::normalised(text)) return normalised(port, point.value);
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end || !std::isfinite(number) || number < port.minimum || number > port.maximum)
      return std::nullopt;
    return normalised(port, static_cast<float>(number));
  }
  ParameterReport parameterReport(std::int32_t index) override {
    ParameterReport report = RenderPlugin::parameterReport(index);
    const ControlPort& port = controls_.at(index);
    report.id = port.symbol;
    report.minimum = port.minimum;
    report.maximum = port.maximum;
    report.defaultValue = port.defaultValue;
    if (port.integer) report.steps = static_cast<std::int32_t>(port.maximum - port.minimum);
    return report;
  }

  bool canProcessDouble() override { return false; }
  void start(double sampleRate, std::int32_t blockSize, bool doublePrecision) override {
    if (doublePrecision) throw RenderError("LV2 plug-ins process 32-bit samples only; run without --double");
    stop();
    instance_.reset();
    features_.emplace(blockSize);
    LilvInstance* made = lilv_plugin_instantiate(plugin_, sampleRate, features_->list());
    if (!made) throw RenderError(displayName() + " could not be instantiated (it may need a feature this host lacks)");
    instance_.emplace(lilv_instance_get_descriptor(made), lilv_instance_get_handle(made),
                      [made] { lilv_instance_free(made); });
    made_ = made;
    for (std::size_t i = 0; i < controls_.size(); ++i) instance_->connect(controls_[i].index, &values_[i]);
    for (std::size_t i = 0; i < outputControls_.size(); ++i) instance_->connect(outputControls_[i], &outputValues_[i]);
    atoms_.assign(atomPorts_.size(), std::vector<std::uint64_t>(kAtomCapacity / 8));
    for (std::size_t i = 0; i < atomPorts_.size(); ++i) instance_->connect(atomPorts_[i].first, atoms_[i].data());
    instance_->activate();
    active_ = true;
  }
  void stop() override {
    if (active_) instance_->deactivate();
    active_ = false;
  }
  void process(float** inputs, float** outputs, std::int32_t frames) override {
    for (std::size_t i = 0; i < audioIn_.size(); ++i) instance_->connect(audioIn_[i], inputs[i]);
    for (std::size_t i = 0; i < audioOut_.size(); ++i) instance_->connect(audioOut_[i], outputs[i]);
    resetAtoms();
    instance_->run(static_cast<std::uint32_t>(frames));
  }
  void process(double**, double**, std::int32_t) override {
    throw RenderError("LV2 plug-ins process 32-bit samples only");
  }

  std::int64_t latency() override {
    if (!latencyPort_ || !instance_) return 0;
    // The report is an output control, written by a run: one of no frames asks for it,
    // with every audio port on a buffer all the same.
    float scratch[1] = {0.0f};
    for (std::uint32_t port : audioIn_) instance_->connect(port, scratch);
    for (std::uint32_t port : audioOut_) instance_->connect(port, scratch);
    resetAtoms();
    instance_->run(0);
    const float reported = outputValues_.at(*latencyPort_);
    return reported > 0.0f ? std::lround(reported) : 0;
  }
  std::optional<std::int64_t> tail() override { return std::nullopt; }
  void printDetails(std::ostream& out) override { printCommonInfo(*this, out); }

  // The state as lilv writes it (Turtle): the control values and the plug-in's own.
  std::vector<std::uint8_t> saveState() override {
    requireInstance();
    LilvState* state = lilv_state_new_from_instance(plugin_, instanceOf(), features_->mapper(), nullptr, nullptr,
                                                    nullptr, nullptr, &Lv2RenderPlugin::portValue, this, 0, nullptr);
    if (!state) throw RenderError(displayName() + " handed out no state");
    char* text = lilv_state_to_string(world_, features_->mapper(), features_->unmapper(), state,
                                      "urn:vst-render:state", nullptr);
    lilv_state_free(state);
    if (!text) throw RenderError("lilv could not write the state of " + displayName());
    std::vector<std::uint8_t> bytes(text, text + std::strlen(text));
    lilv_free(text);
    return bytes;
  }
  void loadState(const std::vector<std::uint8_t>& bytes) override {
    requireInstance();
    const std::string text(bytes.begin(), bytes.end());
    restore(lilv_state_new_from_string(world_, features_->mapper(), text.c_str()), "the state file");
  }
  bool takesPresetUri() override { return true; }
  void loadPresetUri(const std::string& uri) override {
    requireInstance();
    // The plug-in's bundle names its presets; the one holding this preset is read now.
    Node node(lilv_new_uri(world_, uri.c_str()));
    lilv_world_load_resource(world_, node);
    LilvState* state = lilv_state_new_from_world(world_, features_->mapper(), node);
    if (!state) throw RenderError("no LV2 preset <" + uri + "> was found for " + displayName());
    restore(state, "preset <" + uri + ">");
  }

 private:
  void requireInstance() {
    if (!instance_) throw RenderError(displayName() + " is not instantiated yet");
  }
  LilvInstance* instanceOf() { return made_; }

  static const void* portValue(const char* symbol, void* self, std::uint32_t* size, std::uint32_t* type) {
    auto& plugin = *static_cast<Lv2RenderPlugin*>(self);
    for (std::size_t i = 0; i < plugin.controls_.size(); ++i)
      if (plugin.controls_[i].symbol == symbol) {
        *size = sizeof(float);
        *type = plugin.features_->map(LV2_ATOM__Float);
        return &plugin.values_[i];
      }
    *size = *type = 0;
    return nullptr;
  }
  static void setPortValue(const char* symbol, void* self, const void* value, std::uint32_t size, std::uint32_t type) {
    auto& plugin = *static_cast<Lv2RenderPlugin*>(self);
    if (size != sizeof(float) || type != plugin.features_->map(LV2_ATOM__Float)) return;
    for (std::size_t i = 0; i < plugin.controls_.size(); ++i)
      if (plugin.controls_[i].symbol == symbol) std::memcpy(&plugin.values_[i], value, sizeof(float));
  }

  // Refuses a state of another plug-in before anything changes.
  void restore(LilvState* state, const std::string& what) {
    if (!state) throw RenderError(what + " is not an LV2 state lilv can read");
    const std::string owner = lilv_node_as_uri(lilv_state_get_plugin_uri(state));
    if (owner != identifier()) {
      lilv_state_free(state);
      throw RenderError(what + " was made for <" + owner + ">, not for " + displayName() + " <" + identifier() + ">");
    }
    lilv_state_restore(state, made_, &Lv2RenderPlugin::setPortValue, this, 0, features_->list());
    lilv_state_free(state);
  }

  static bool formatLooksLikeUri(const std::string& text) {
    return text.rfind("urn:", 0) == 0 || text.find("://") != std::string::npos;
  }
  static std::string nodeText(LilvNode* node) {
    std::string text = node ? lilv_node_as_string(node) : "";
    lilv_node_free(node);
    return text;
  }
  static double normalised(const ControlPort& port, float value) {
    return port.maximum > port.minimum ? (value - port.minimum) / (port.maximum - port.minimum) : 0.0;
  }
  static float plain(const ControlPort& port, double value) {
    const double scaled = port.minimum + std::clamp(value, 0.0, 1.0) * (port.maximum - port.minimum);
    return static_cast<float>(port.integer ? std::round(scaled) : scaled);
  }

  void readPorts() {
    Node input(lilv_new_uri(world_, LILV_URI_INPUT_PORT)), output(lilv_new_uri(world_, LILV_URI_OUTPUT_PORT));
    Node audio(lilv_new_uri(world_, LILV_URI_AUDIO_PORT)), control(lilv_new_uri(world_, LILV_URI_CONTROL_PORT));
    Node atom(lilv_new_uri(world_, LV2_ATOM__AtomPort));
    Node optional(lilv_new_uri(world_, LV2_CORE__connectionOptional));
    Node integer(lilv_new_uri(world_, LV2_CORE__integer)), toggled(lilv_new_uri(world_, LV2_CORE__toggled));
    Node enumeration(lilv_new_uri(world_, LV2_CORE__enumeration));
    Node reportsLatency(lilv_new_uri(world_, LV2_CORE__reportsLatency));
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin_);
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin_, minimum.data(), maximum.data(), defaults.data());
    for (std::uint32_t index = 0; index < count; ++index) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, index);
      const bool isInput = lilv_port_is_a(plugin_, port, input);
      if (lilv_port_is_a(plugin_, port, audio)) {
        (isInput ? audioIn_ : audioOut_).push_back(index);
      } else if (lilv_port_is_a(plugin_, port, control) && isInput) {
        ControlPort parameter;
        parameter.index = index;
        parameter.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin_, port));
        parameter.name = nodeText(lilv_port_get_name(plugin_, port));
        const bool isToggle = lilv_port_has_property(plugin_, port, toggled);
        parameter.minimum = std::isnan(minimum[index]) ? 0.0f : minimum[index];
        parameter.maximum = std::isnan(maximum[index]) ? (isToggle ? 1.0f : parameter.minimum) : maximum[index];
        parameter.defaultValue = std::isnan(defaults[index]) ? parameter.minimum : defaults[index];
        parameter.integer = isToggle || lilv_port_has_property(plugin_, port, integer) ||
                            lilv_port_has_property(plugin_, port, enumeration);
        if (LilvScalePoints* points = lilv_port_get_scale_points(plugin_, port)) {
          LILV_FOREACH(scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            parameter.points.push_back({lilv_node_as_float(lilv_scale_point_get_value(point)),
                                        lilv_node_as_string(lilv_scale_point_get_label(point))});
          }
          lilv_scale_points_free(points);
        }
        controls_.push_back(parameter);
        values_.push_back(parameter.defaultValue);
      } else if (lilv_port_is_a(plugin_, port, control)) {
        if (lilv_port_has_property(plugin_, port, reportsLatency)) latencyPort_ = outputControls_.size();
        outputControls_.push_back(index);
      } else if (lilv_port_is_a(plugin_, port, atom)) {
        atomPorts_.push_back({index, isInput});
      } else if (!lilv_port_has_property(plugin_, port, optional)) {
        throw RenderError(displayName() + " has a port of a kind vst-render cannot feed (port " + std::to_string(index) +
                          ", \"" + lilv_node_as_string(lilv_port_get_symbol(plugin_, port)) + "\")");
      }
    }
    outputValues_.assign(outputControls_.size(), 0.0f);
  }

  // Empty event sequences in, room for events out, before every run.
  void resetAtoms() {
    for (std::size_t i = 0; i < atomPorts_.size(); ++i) {
      auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms_[i].data());
      if (atomPorts_[i].second) {
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
        sequence->atom.type = features_->map(LV2_ATOM__Sequence);
      } else {
        sequence->atom.size = kAtomCapacity - sizeof(LV2_Atom);
        sequence->atom.type = features_->map(LV2_ATOM__Chunk);
      }
      sequence->body.unit = 0;
      sequence->body.pad = 0;
    }
  }

  std::string path_;
  LilvWorld* world_;
  const LilvPlugin* plugin_ = nullptr;
  std::string name_, author_;
  std::vector<std::uint32_t> audioIn_, audioOut_, outputControls_;
  std::vector<ControlPort> controls_;
  std::vector<float> values_, outputValues_;
  std::optional<std::size_t> latencyPort_;
  std::vector<std::pair<std::uint32_t, bool>> atomPorts_;
  std::vector<std::vector<std::uint64_t>> atoms_;
  std::optional<hosting::Lv2Features> features_;
  std::optional<hosting::Lv2Instance> instance_;
  LilvInstance* made_ = nullptr;
  bool active_ = false;
};

}  // namespace

std::unique_ptr<RenderPlugin> openLv2Plugin(const std::string& pathOrUri, const std::string& id) {
  return std::make_unique<Lv2RenderPlugin>(pathOrUri, id);
}

#else

std::unique_ptr<RenderPlugin> openLv2Plugin(const std::string& pathOrUri, const std::string&) {
  throw RenderError("cannot open the LV2 plug-in '" + pathOrUri + "': this build of vst-render has no LV2 hosting (it was built without lilv)");
}

#endif
