#include "hosting/module.h"

#include <sys/stat.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hosting {

Module::Module(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    failure_ = Failure::notFound;
    error_ = "no such file";
    return;
  }
  if (S_ISDIR(status.st_mode)) {
    failure_ = Failure::isFolder;
    error_ = "a folder";
    return;
  }
#if defined(_WIN32)
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!handle_) error_ = "LoadLibrary error " + std::to_string(GetLastError());
#else
  // A bare file name would send dlopen searching the library path instead.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = ::dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = ::dlerror();
    error_ = reason ? reason : "unknown reason";
  }
#endif
  if (!handle_) failure_ = Failure::notLoadable;
}

Module::~Module() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  ::dlclose(handle_);
#endif
}

void* Module::symbol(const char* name) const {
  if (!handle_) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return ::dlsym(handle_, name);
#endif
}

EntryFunction Module::entry(const char* name) const { return reinterpret_cast<EntryFunction>(symbol(name)); }

EntryFunction Module::pluginEntry() const {
  for (const char* name : {"VSTPluginMain", "main"}) {
    void* found = symbol(name);
    if (!found) continue;
#if !defined(_WIN32)
    // dlsym also searches the module's dependencies.
    Dl_info origin{};
    if (::dladdr(found, &origin) == 0) continue;
    void* owner = ::dlopen(origin.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (owner) ::dlclose(owner);
    if (owner != handle_) continue;
#endif
    return reinterpret_cast<EntryFunction>(found);
  }
  return nullptr;
}

}  // namespace hosting
