// What the host-level tests load (the hosting library's modules) and the guarded
// memory they hand a plug-in.
#pragma once

#include <cstddef>
#include <string>

#include "hosting/module.h"

using PluginEntryProc = hosting::EntryFunction;
using PluginLibrary = hosting::Module;

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
