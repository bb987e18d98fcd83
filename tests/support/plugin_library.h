// The one platform seam of the host-level tests: load a plug-in library and look up
// its exported entry points as a host does.
#pragma once

#include <string>

#include "host/vst/vst2_abi.h"

using PluginEntryProc = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class PluginLibrary {
 public:
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // Null when the library does not export `name`.
  PluginEntryProc entry(const char* name) const;
  // Why the last load failed, for test messages.
  static std::string error();

 private:
  void* handle_ = nullptr;
};

// The plug-in under test: $TWINFOLD_PLUGIN if set, else the path the build baked in.
std::string pluginUnderTest();
