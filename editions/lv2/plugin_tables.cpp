// The object's plumbing: the descriptor whose trampolines reach an lv2::Plugin.
#include <cmath>
#include <new>

#include "editions/lv2/block_length_option.h"
#include "editions/lv2/plugin.h"

namespace lv2 {

namespace {

constexpr const char* kPluginUri = "urn:quillmarsh:twinfold";

Plugin* instanceOf(LV2_Handle handle) { return static_cast<Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double sampleRate, const char* /*bundlePath*/,
                       const LV2_Feature* const* features) {
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0) return nullptr;
  auto* instance = new (std::nothrow)
      Plugin(sampleRate, maxBlockLength(features).value_or(Plugin::kDefaultBlockLength), features);
  if (instance && !instance->valid()) {
    delete instance;
    return nullptr;
  }
  return instance;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { instanceOf(handle)->connect(port, data); }
void activate(LV2_Handle handle) { instanceOf(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { instanceOf(handle)->run(frames); }
void deactivate(LV2_Handle handle) { instanceOf(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete instanceOf(handle); }
const void* extensionData(const char* /*uri*/) { return nullptr; }

const LV2_Descriptor descriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                   extensionData};

}  // namespace

const LV2_Descriptor* pluginDescriptor() { return &descriptor; }

}  // namespace lv2
