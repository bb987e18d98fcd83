// The module's one export: the descriptor whose trampolines reach an lv2::Plugin.
#include <cmath>
#include <new>

#include <lv2/core/lv2.h>

#include "host/lv2/block_length_option.h"
#include "host/lv2/plugin.h"

namespace {

constexpr const char* kPluginUri = "urn:quillmarsh:twinfold";

lv2::Plugin* instanceOf(LV2_Handle handle) { return static_cast<lv2::Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double sampleRate, const char* /*bundlePath*/,
                       const LV2_Feature* const* features) {
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0) return nullptr;
  auto* instance = new (std::nothrow)
      lv2::Plugin(sampleRate, lv2::maxBlockLength(features).value_or(lv2::Plugin::kDefaultBlockLength), features);
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

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) { return index == 0 ? &descriptor : nullptr; }
