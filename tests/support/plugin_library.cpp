#include "tests/support/plugin_library.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if defined(_WIN32)
PluginLibrary::PluginLibrary(const std::string& path) : handle_(reinterpret_cast<void*>(LoadLibraryA(path.c_str()))) {}
PluginLibrary::~PluginLibrary() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}
PluginEntryProc PluginLibrary::entry(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
}
std::string PluginLibrary::error() { return "LoadLibrary error " + std::to_string(GetLastError()); }
#else
PluginLibrary::PluginLibrary(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
PluginLibrary::~PluginLibrary() {
  if (handle_) dlclose(handle_);
}
PluginEntryProc PluginLibrary::entry(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<PluginEntryProc>(dlsym(handle_, name));
}
std::string PluginLibrary::error() {
  const char* text = dlerror();
  return text ? text : "unknown dlopen error";
}
#endif

std::string pluginUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_PLUGIN")) return path;
  return TWINFOLD_PLUGIN_PATH;
}
