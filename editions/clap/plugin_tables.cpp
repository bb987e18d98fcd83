// The object's plumbing: trampolines from the clap_plugin record and each extension
// table to the operations of Plugin, and the extension lookup.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "host/call_guard.h"
#include "editions/clap/plugin.h"

namespace clap {

namespace {

// One trampoline per operation: recovers the object from the record the host called
// through and forwards the arguments; a null record, and a body that throws, get the
// empty answer (false, 0, null, kProcessError).
template <class Method, Method method>
struct Trampoline;

template <class R, class... Args, R (Plugin::*method)(Args...)>
struct Trampoline<R (Plugin::*)(Args...), method> {
  static R CLAP_CALL call(const clap_plugin* self, Args... args) {
    auto* plugin = self ? static_cast<Plugin*>(self->plugin_data) : nullptr;
    if (!plugin) return R();
    if constexpr (std::is_void_v<R>)
      guardedCall([&] { (plugin->*method)(args...); });
    else
      return guardedCall(R(), [&] { return (plugin->*method)(args...); });
  }
};

#define TWINFOLD_CLAP(name) &Trampoline<decltype(&Plugin::name), &Plugin::name>::call

constexpr clap_plugin_audio_ports kAudioPorts = {
    TWINFOLD_CLAP(audioPortCount),
    TWINFOLD_CLAP(audioPortInfo),
};

constexpr clap_plugin_params kParams = {
    TWINFOLD_CLAP(paramCount),  TWINFOLD_CLAP(paramInfo),   TWINFOLD_CLAP(paramValue),
    TWINFOLD_CLAP(valueToText), TWINFOLD_CLAP(textToValue), TWINFOLD_CLAP(flush),
};

constexpr clap_plugin_state kState = {
    TWINFOLD_CLAP(save),
    TWINFOLD_CLAP(load),
};

constexpr clap_plugin_latency kLatency = {TWINFOLD_CLAP(latency)};
constexpr clap_plugin_tail kTail = {TWINFOLD_CLAP(tail)};

}  // namespace

Plugin* Plugin::create(const clap_host* host, const clap_plugin_descriptor* descriptor, hosting::EntryFunction entry) {
  if (!host) return nullptr;
  auto* plugin = new Plugin(host, descriptor, entry);
  if (plugin->core_.valid()) return plugin;
  delete plugin;
  return nullptr;
}

Plugin::Plugin(const clap_host* host, const clap_plugin_descriptor* descriptor, hosting::EntryFunction entry)
    : plugin_{descriptor,
              this,
              TWINFOLD_CLAP(init),
              TWINFOLD_CLAP(destroy),
              TWINFOLD_CLAP(activate),
              TWINFOLD_CLAP(deactivate),
              TWINFOLD_CLAP(startProcessing),
              TWINFOLD_CLAP(stopProcessing),
              TWINFOLD_CLAP(reset),
              TWINFOLD_CLAP(process),
              TWINFOLD_CLAP(getExtension),
              TWINFOLD_CLAP(onMainThread)},
      host_(host),
      core_(entry) {
  if (!core_.valid()) return;
  // The core's time comes from the host's transport, filled into time_ each block.
  core_.host().setTimeInfo(time_.info());
  // The parameter's name, default and the core's texts of both values, asked before
  // anything else can reach the core.
  const VstInt32 mode = 0;
  const float initial = core_.getParameter(mode);
  name_ = core_.parameterName(mode);
  for (std::size_t step = 0; step < texts_.size(); ++step) {
    core_.setParameter(mode, static_cast<float>(step));
    texts_[step] = core_.parameterDisplay(mode);
  }
  core_.setParameter(mode, initial);
  defaultValue_ = std::trunc(std::clamp(static_cast<double>(initial), 0.0, 1.0));
  value_.store(defaultValue_);
}

const void* Plugin::getExtension(const char* id) {
  if (!id || !initialized()) return nullptr;
  const struct {
    const char* id;
    const void* table;
  } extensions[] = {
      {kAudioPortsId, &kAudioPorts}, {kParamsId, &kParams}, {kStateId, &kState},
      {kLatencyId, &kLatency},       {kTailId, &kTail},
  };
  for (const auto& extension : extensions)
    if (std::strcmp(id, extension.id) == 0) return extension.table;
  return nullptr;
}

#undef TWINFOLD_CLAP

}  // namespace clap
