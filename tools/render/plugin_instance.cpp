#include "tools/render/plugin_instance.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tools/render/render_error.h"

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

constexpr std::size_t kTextBufferBytes = 512;
constexpr VstIntPtr kProcessPrecision32 = 0;
constexpr VstIntPtr kProcessPrecision64 = 1;

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// The shared library, closed last (after the instance it carries was closed).
class PluginInstance::Library {
 public:
  explicit Library(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) throw RenderError("plug-in '" + path + "' not found");
    if (S_ISDIR(status.st_mode))
      throw RenderError("plug-in '" + path + "' is a folder, not a VST 2.4 plug-in library (.so)");
    // A bare file name would send dlopen searching the library path instead.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = ::dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* reason = ::dlerror();
      throw RenderError("'" + path + "' is not a loadable plug-in library: " + (reason ? reason : "unknown reason"));
    }
  }
  ~Library() { ::dlclose(handle_); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The standard's entry point, or its older alias; only symbols of this very library
  // count (a dependency's "main" is no entry point).
  PluginEntry entryPoint() const {
    for (const char* name : {"VSTPluginMain", "main"}) {
      void* symbol = ::dlsym(handle_, name);
      Dl_info origin{};
      if (!symbol || ::dladdr(symbol, &origin) == 0) continue;
      void* owner = ::dlopen(origin.dli_fname, RTLD_NOW | RTLD_NOLOAD);
      if (owner) ::dlclose(owner);
      if (owner == handle_) return reinterpret_cast<PluginEntry>(symbol);
    }
    return nullptr;
  }

 private:
  void* handle_ = nullptr;
};

PluginInstance::PluginInstance(const std::string& path)
    : path_(path), library_(std::make_unique<Library>(path)), host_(std::make_unique<HostContext>()) {
  const PluginEntry entry = library_->entryPoint();
  if (!entry)
    throw RenderError("'" + path + "' is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main");
  bindHostForEntry(host_.get());
  AEffect* created = entry(offlineHostCallback);
  bindHostForEntry(nullptr);
  if (!created)
    throw RenderError("the plug-in '" + path + "' refused to start: its entry point answered no instance (null)");
  if (created->magic != kEffectMagic || !created->dispatcher)
    throw RenderError("'" + path + "' is not a VST 2.4 plug-in: its entry point answered a record without the 'VstP' magic");
  effect_ = created;
  effect_->resvd1 = reinterpret_cast<VstIntPtr>(host_.get());
  dispatch(effOpen);
}

PluginInstance::~PluginInstance() {
  if (!effect_) return;
  if (resumed_) suspend();
  dispatch(effClose);
  effect_ = nullptr;
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginInstance::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  std::array<char, kTextBufferBytes> buffer{};
  dispatch(opcode, index, value, buffer.data());
  buffer.back() = '\0';
  return buffer.data();
}

std::string PluginInstance::displayName() {
  std::string name = effectName();
  if (name.empty()) name = text(effGetProductString);
  if (name.empty()) name = fileNameOf(path_);
  return name;
}

std::int32_t PluginInstance::pluginVersion() {
  const VstIntPtr vendorVersion = dispatch(effGetVendorVersion);
  return vendorVersion != 0 ? static_cast<std::int32_t>(vendorVersion) : effect_->version;
}

void PluginInstance::setProgramName(const std::string& name) {
  std::array<char, kTextBufferBytes> buffer{};
  std::copy_n(name.begin(), std::min(name.size(), buffer.size() - 1), buffer.begin());
  dispatch(effSetProgramName, 0, 0, buffer.data());
}

std::vector<std::uint8_t> PluginInstance::chunk(bool singleProgram) {
  void* data = nullptr;
  const VstIntPtr size = dispatch(effGetChunk, singleProgram ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

void PluginInstance::setChunk(const std::vector<std::uint8_t>& data, bool singleProgram) {
  // Some plug-ins keep the pointer until the call returns; a copy keeps the caller's bytes intact.
  std::vector<std::uint8_t> copy = data;
  dispatch(effSetChunk, singleProgram ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
}

void PluginInstance::prepare(double sampleRate, std::int32_t blockSize, bool doublePrecision) {
  if (resumed_) suspend();
  host_->configure(sampleRate, blockSize);
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  dispatch(effSetBlockSize, 0, blockSize);
  if (doublePrecision || canProcessDouble())
    dispatch(effSetProcessPrecision, 0, doublePrecision ? kProcessPrecision64 : kProcessPrecision32);
}

void PluginInstance::resume() {
  host_->startTransport();
  dispatch(effMainsChanged, 0, 1);
  dispatch(effStartProcess);
  host_->setProcessing(true);
  resumed_ = true;
}

void PluginInstance::suspend() {
  host_->setProcessing(false);
  dispatch(effStopProcess);
  dispatch(effMainsChanged, 0, 0);
  resumed_ = false;
}

void PluginInstance::process(float** inputs, float** outputs, std::int32_t frames) {
  host_->beginBlock();
  if (effect_->processReplacing && hasFlag(effFlagsCanReplacing)) {
    effect_->processReplacing(effect_, inputs, outputs, frames);
  } else {
    for (std::int32_t channel = 0; channel < numOutputs(); ++channel)
      std::fill_n(outputs[channel], frames, 0.0f);
    effect_->process(effect_, inputs, outputs, frames);
  }
  host_->advance(frames);
}

void PluginInstance::process(double** inputs, double** outputs, std::int32_t frames) {
  host_->beginBlock();
  effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
  host_->advance(frames);
}
