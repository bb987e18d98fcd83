// The module's exported entry points. Entry and exit calls are counted: a host may load
// the module once per instance, so pairs overlap; an exit without an entry is refused.
#include <atomic>

#include "editions/vst3/factory.h"

#if defined(_WIN32)
// Exported undecorated through the .def file.
#define TWINFOLD_VST3_EXPORT extern "C"
#else
#define TWINFOLD_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::atomic<int> entries{0};

bool enter() {
  entries.fetch_add(1);
  return true;
}

bool leave() {
  int count = entries.load();
  while (count > 0 && !entries.compare_exchange_weak(count, count - 1)) {
  }
  return count > 0;
}

}  // namespace

TWINFOLD_VST3_EXPORT vst3::IPluginFactory* V3_API GetPluginFactory() { return vst3::acquireFactory(); }

#if defined(_WIN32)
TWINFOLD_VST3_EXPORT bool InitDll() { return enter(); }
TWINFOLD_VST3_EXPORT bool ExitDll() { return leave(); }
#else
TWINFOLD_VST3_EXPORT bool ModuleEntry(void* /*libraryHandle*/) { return enter(); }
TWINFOLD_VST3_EXPORT bool ModuleExit() { return leave(); }
#endif
