#include "editions/clap/factory.h"

#include <atomic>
#include <cstring>

#include "editions/clap/plugin.h"
#include "host/entry_point.h"

#if !defined(TWINFOLD_VERSION_TEXT) || !defined(TWINFOLD_PRODUCT_TEXT) || !defined(TWINFOLD_VENDOR_TEXT)
#error "TWINFOLD_VERSION_TEXT, TWINFOLD_PRODUCT_TEXT and TWINFOLD_VENDOR_TEXT must come from the build"
#endif

namespace clap {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "utility", "stereo", nullptr};

// Hosts store the id in their sessions: it never changes.
constexpr clap_plugin_descriptor kDescriptor = {
    {1, 2, 10},
    "com.quillmarsh.twinfold",
    TWINFOLD_PRODUCT_TEXT,
    TWINFOLD_VENDOR_TEXT,
    "",
    "",
    "",
    TWINFOLD_VERSION_TEXT,
    "Two channels passed through unchanged (stereo), or both carrying the mean of the two inputs (mono).",
    kFeatures,
};

std::atomic<int> entries{0};

std::uint32_t CLAP_CALL pluginCount(const clap_plugin_factory* /*factory*/) { return 1; }

const clap_plugin_descriptor* CLAP_CALL descriptorAt(const clap_plugin_factory* /*factory*/, std::uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin* CLAP_CALL createPlugin(const clap_plugin_factory* /*factory*/, const clap_host* host,
                                          const char* id) {
  if (!libraryEntered() || !id || std::strcmp(id, kDescriptor.id) != 0) return nullptr;
  Plugin* plugin = Plugin::create(host, &kDescriptor, &VSTPluginMain);
  return plugin ? plugin->object() : nullptr;
}

constexpr clap_plugin_factory kFactory = {pluginCount, descriptorAt, createPlugin};

}  // namespace

const clap_plugin_factory* pluginFactory() { return &kFactory; }
const clap_plugin_descriptor* pluginDescriptor() { return &kDescriptor; }

bool enterLibrary() {
  entries.fetch_add(1);
  return true;
}

void leaveLibrary() {
  int count = entries.load();
  while (count > 0 && !entries.compare_exchange_weak(count, count - 1)) {
  }
}

bool libraryEntered() { return entries.load() > 0; }

}  // namespace clap
