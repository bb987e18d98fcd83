// The library's exported entry point: one new instance per call.
#include "host/entry_point.h"

#include "host/ember_handlers.h"
#include "host/script_effect.h"

#if defined(_WIN32)
#define TWINFOLD_EXPORT extern "C"
#else
#define TWINFOLD_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

AEffect* createInstance(audioMasterCallback audioMaster) {
  const TVeSTFunctions table = emberFunctionTable();
  TEmber* effect = newScriptEffect();
  CVeST* wrapper = VeSTCreate(effect, &table, audioMaster, 1, static_cast<std::int32_t>(effect->sliders.size()));
  effect->hostWrapper = wrapper;
  if (!wrapper) {
    delete effect;
    return nullptr;
  }
  return VeSTGetAEffect(wrapper);
}

}  // namespace

TWINFOLD_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) {
  return createInstance(audioMaster);
}

TWINFOLD_EXPORT AEffect* VSTCALLBACK MAIN(audioMasterCallback audioMaster) { return createInstance(audioMaster); }

#if defined(_WIN32)
#include <windows.h>
// The .def file exports VSTPluginMain a second time under the name main.
extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) { return 1; }
#else
// C++ reserves the name main for the program's entry; the assembler name gives the
// library the conventional second export without declaring ::main.
extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* vstPluginMainAlias(
    audioMasterCallback audioMaster) __asm__("main");
#endif
