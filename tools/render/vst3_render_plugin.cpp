// A VST3 bundle as a RenderPlugin, over hosting's Vst3Module and Vst3Instance.
#include <cstring>
#include <filesystem>

#include "hosting/vst3_host.h"
#include "tools/render/format_plugins.h"
#include "tools/render/info_report.h"
#include "tools/render/render_error.h"

namespace {

using namespace vst3;

// The binary inside a bundle folder for this target; a file is taken as it is.
std::string bundleBinary(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(path, error)) return path;
#if defined(_WIN32)
  const char* arch = sizeof(void*) == 8 ? "x86_64-win" : "x86-win";
  const char* suffix = ".vst3";
#elif defined(__aarch64__)
  const char* arch = "aarch64-linux";
  const char* suffix = ".so";
#elif defined(__arm__)
  const char* arch = "armv7l-linux";
  const char* suffix = ".so";
#else
  const char* arch = sizeof(void*) == 8 ? "x86_64-linux" : "i386-linux";
  const char* suffix = ".so";
#endif
  fs::path bundle(path);
  if (!bundle.has_filename()) bundle = bundle.parent_path();
  return (bundle / "Contents" / arch / (bundle.stem().string() + suffix)).string();
}

std::u16string utf16(const std::string& text) {
  std::u16string out;
  for (const char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

class Vst3RenderPlugin final : public RenderPlugin {
 public:
  Vst3RenderPlugin(const std::string& path, const std::string& id) : path_(path), module_(bundleBinary(path)) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw RenderError("plug-in '" + path + "' not found");
    if (!module_.library().loaded())
      throw RenderError("'" + path + "' is not a loadable VST3 bundle: " + module_.library().error());
    if (!module_.loaded()) throw RenderError("the VST3 module '" + path + "' refused to start (its entry function failed)");
    factory_ = module_.factory();
    if (!factory_) throw RenderError("'" + path + "' is not a VST3 plug-in: it has no plug-in factory");
    TUID classId = hosting::audioClassId(factory_);
    PClassInfo info{};
    for (int32 index = 0; index < V3CALL(factory_, countClasses); ++index) {
      if (V3CALL(factory_, getClassInfo, index, &info) != kResultOk) continue;
      if (id.empty() ? std::memcmp(info.cid, classId.data(), 16) == 0 : std::string(info.name) == id) {
        std::memcpy(classId.data(), info.cid, 16);
        name_ = std::string(info.name, strnlen(info.name, sizeof info.name));
        break;
      }
    }
    if (!id.empty() && name_.empty()) throw RenderError("'" + path + "' holds no VST3 class named '" + id + "'");
    PFactoryInfo factoryInfo{};
    if (V3CALL(factory_, getFactoryInfo, &factoryInfo) == kResultOk)
      vendor_ = std::string(factoryInfo.vendor, strnlen(factoryInfo.vendor, sizeof factoryInfo.vendor));
    char hex[40];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02X", static_cast<unsigned char>(classId[i]));
    classText_ = hex;
    instance_.emplace(factory_, IComponent_iid, &classId);
    if (!*instance_) throw RenderError("the VST3 plug-in '" + path + "' answered no component, processor or controller");
    // Parameters and buses are known once initialized; start() sets up processing.
    V3CALL(instance_->component, initialize, hostContext());
    initialized_ = true;
    if (instance_->separateController()) {
      V3CALL(instance_->controller, initialize, hostContext());
      syncController();
    }
    V3CALL(instance_->controller, setComponentHandler, &handler_);
    inputs_ = mainChannels(kInput);
    outputs_ = mainChannels(kOutput);
    for (int32 index = 0; index < V3CALL(instance_->controller, getParameterCount); ++index) {
      ParameterInfo parameter{};
      if (V3CALL(instance_->controller, getParameterInfo, index, &parameter) == kResultOk) parameters_.push_back(parameter);
    }
  }

  ~Vst3RenderPlugin() override {
    if (processing_) stop();
    if (instance_ && initialized_) V3CALL(instance_->component, terminate);
    instance_.reset();
    if (factory_) V3CALL(factory_, release);
  }

  std::string formatName() const override { return "VST3"; }
  const std::string& path() const override { return path_; }
  std::string displayName() override { return name_.empty() ? path_ : name_; }
  std::string vendorName() override { return vendor_; }
  std::string identifier() override { return classText_; }

  std::int32_t numInputs() override { return inputs_; }
  std::int32_t numOutputs() override { return outputs_; }
  std::int32_t numParams() override { return static_cast<std::int32_t>(parameters_.size()); }
  std::string parameterName(std::int32_t index) override { return hosting::utf8(parameters_.at(index).title); }
  std::string parameterLabel(std::int32_t index) override { return hosting::utf8(parameters_.at(index).units); }
  double getParameter(std::int32_t index) override {
    return V3CALL(instance_->controller, getParamNormalized, parameters_.at(index).id);
  }
  void setParameter(std::int32_t index, double value) override { scheduleParameter(index, value, 0); }
  std::string displayAt(std::int32_t index, double value) override {
    String128 text{};
    if (V3CALL(instance_->controller, getParamStringByValue, parameters_.at(index).id, value, text) != kResultOk)
      return "";
    return hosting::utf8(text);
  }
  std::optional<double> valueForText(std::int32_t index, const std::string& text) override {
    std::u16string wide = utf16(text);
    double value = 0.0;
    if (V3CALL(instance_->controller, getParamValueByString, parameters_.at(index).id,
               const_cast<char16*>(wide.c_str()), &value) != kResultOk || !(value >= 0.0 && value <= 1.0))
      return std::nullopt;
    return value;
  }
  ParameterReport parameterReport(std::int32_t index) override {
    ParameterReport report = RenderPlugin::parameterReport(index);
    const ParameterInfo& info = parameters_.at(index);
    report.id = std::to_string(info.id);
    report.steps = info.stepCount;
    report.defaultValue = info.defaultNormalizedValue;
    return report;
  }

  bool takesTimedChanges() const override { return true; }
  void scheduleParameter(std::int32_t index, double value, std::int32_t frame) override {
    const ParamID id = parameters_.at(index).id;
    V3CALL(instance_->controller, setParamNormalized, id, value);
    for (auto& queue : changes_.queues)
      if (queue.id == id) {
        queue.points.push_back({frame, value});
        return;
      }
    changes_.add(id, {{frame, value}});
  }

  bool canProcessDouble() override {
    return V3CALL(instance_->processor, canProcessSampleSize, kSample64) == kResultOk;
  }
  void start(double sampleRate, std::int32_t blockSize, bool doublePrecision) override {
    if (doublePrecision && !canProcessDouble())
      throw RenderError(displayName() + " offers no 64-bit processing; run without --double");
    if (processing_) stop();
    sampleSize_ = doublePrecision ? kSample64 : kSample32;
    ProcessSetup setup{kOffline, sampleSize_, blockSize, sampleRate};
    if (V3CALL(instance_->processor, setupProcessing, &setup) != kResultOk)
      throw RenderError(displayName() + " refused the processing setup (" + std::to_string(sampleRate) + " Hz, " +
                        std::to_string(blockSize) + " frames)");
    V3CALL(instance_->component, setActive, 1);
    V3CALL(instance_->processor, setProcessing, 1);
    processing_ = true;
  }
  void stop() override {
    if (!processing_) return;
    V3CALL(instance_->processor, setProcessing, 0);
    V3CALL(instance_->component, setActive, 0);
    processing_ = false;
  }
  void process(float** inputs, float** outputs, std::int32_t frames) override { run(inputs, outputs, frames); }
  void process(double** inputs, double** outputs, std::int32_t frames) override { run(inputs, outputs, frames); }

  std::int64_t latency() override { return V3CALL(instance_->processor, getLatencySamples); }
  std::optional<std::int64_t> tail() override {
    const uint32 frames = V3CALL(instance_->processor, getTailSamples);
    return frames == 0xFFFFFFFFu ? std::optional<std::int64_t>() : std::optional<std::int64_t>(frames);
  }
  std::string describeTail() override {
    const uint32 frames = V3CALL(instance_->processor, getTailSamples);
    return frames == 0 ? "none" : frames == 0xFFFFFFFFu ? "endless" : std::to_string(frames) + " samples";
  }
  void printDetails(std::ostream& out) override { printCommonInfo(*this, out); }

  std::vector<std::uint8_t> saveState() override {
    flushChanges();
    hosting::MemoryStream stream;
    if (V3CALL(instance_->component, getState, &stream) != kResultOk)
      throw RenderError(displayName() + " handed out no state");
    return stream.bytes;
  }
  void loadState(const std::vector<std::uint8_t>& bytes) override {
    hosting::MemoryStream stream(bytes);
    if (V3CALL(instance_->component, setState, &stream) != kResultOk)
      throw RenderError(displayName() + " refused the state (it was made for another plug-in, or is damaged)");
    syncController();
  }

 private:
  // The host application object, as the plug-in's initialize takes it.
  FUnknown* hostContext() { return reinterpret_cast<FUnknown*>(static_cast<IHostApplication*>(&host_)); }

  int32 mainChannels(int32 direction) {
    BusInfo bus{};
    const int32 buses = V3CALL(instance_->component, getBusCount, kAudio, direction);
    for (int32 index = 0; index < buses; ++index)
      V3CALL(instance_->component, activateBus, kAudio, direction, index, index == 0 ? 1 : 0);
    if (buses <= 0 || V3CALL(instance_->component, getBusInfo, kAudio, direction, 0, &bus) != kResultOk) return 0;
    return bus.channelCount;
  }

  void syncController() {
    if (!instance_->separateController()) return;
    hosting::MemoryStream state;
    if (V3CALL(instance_->component, getState, &state) != kResultOk || state.bytes.empty()) return;
    state.position = 0;
    V3CALL(instance_->controller, setComponentState, &state);
  }

  // Changes made without processing reach the processor in a call without audio.
  void flushChanges() {
    if (changes_.queues.empty() || !processing_) return;
    if (sampleSize_ == kSample64)
      run<double>(nullptr, nullptr, 0);
    else
      run<float>(nullptr, nullptr, 0);
  }

  template <class Sample>
  void run(Sample** inputs, Sample** outputs, std::int32_t frames) {
    instance_->processBuses(inputs, frames ? inputs_ : 0, outputs, frames ? outputs_ : 0, frames,
                            changes_.queues.empty() ? nullptr : &changes_, nullptr, kOffline, &outputChanges_);
    changes_.queues.clear();
  }

  std::string path_;
  hosting::Vst3Module module_;
  IPluginFactory* factory_ = nullptr;
  hosting::HostApplication host_;
  hosting::ComponentHandler handler_;
  std::optional<hosting::Vst3Instance> instance_;
  std::string name_, vendor_, classText_;
  int32 inputs_ = 0, outputs_ = 0;
  std::vector<ParameterInfo> parameters_;
  hosting::ParameterChanges changes_;
  hosting::ParameterChanges outputChanges_;  // takes no changes: the renderer has no use for them
  int32 sampleSize_ = kSample32;
  bool initialized_ = false, processing_ = false;
};

}  // namespace

std::unique_ptr<RenderPlugin> openVst3Plugin(const std::string& path, const std::string& id) {
  return std::make_unique<Vst3RenderPlugin>(path, id);
}
