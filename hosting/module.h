// A plug-in module file loaded as a host loads it (dlopen / LoadLibrary) and its
// exported entry points. The module stays loaded until the object goes away.
#pragma once

#include <string>

#include "hosting/host.h"

namespace hosting {

class Module {
 public:
  enum class Failure { none, notFound, isFolder, notLoadable };

  explicit Module(const std::string& path);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  Failure failure() const { return failure_; }
  // The loader's own words when the load failed.
  const std::string& error() const { return error_; }

  void* symbol(const char* name) const;
  // Null when the module does not export `name`.
  EntryFunction entry(const char* name) const;
  // The standard's entry point, else its older alias `main`; only the module's own
  // symbols count (a dependency's `main` is no entry point).
  EntryFunction pluginEntry() const;
  // What the platform's loader returned (the argument of a VST3 module's entry).
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  Failure failure_ = Failure::none;
  std::string error_;
};

}  // namespace hosting
