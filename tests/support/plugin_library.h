// The one platform seam of the host-level tests: load a plug-in library and look up
// its exported entry points as a host does.
#pragma once

#include <cstddef>
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
  void* symbol(const char* name) const;
  // What the platform's loader returned (the argument of a VST3 module's entry).
  void* handle() const { return handle_; }
  // Why the last load failed, for test messages.
  static std::string error();

 private:
  void* handle_ = nullptr;
};

// The plug-in under test: $TWINFOLD_PLUGIN if set, else the path the build baked in.
std::string pluginUnderTest();

// Bytes that end exactly where an inaccessible page begins: reading one byte past the
// end faults, so a plug-in that over-reads a host text is caught in every build.
class GuardedBytes {
 public:
  explicit GuardedBytes(std::size_t size);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Places `text` with its NUL as the last bytes; returns where it starts.
  char* placeAtEnd(const std::string& text);

 private:
  void* mapping_ = nullptr;
  std::size_t mappingSize_ = 0;
  char* data_ = nullptr;
  std::size_t size_ = 0;
};
