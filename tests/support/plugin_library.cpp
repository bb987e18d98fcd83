#include "tests/support/plugin_library.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(_WIN32)
PluginLibrary::PluginLibrary(const std::string& path) : handle_(reinterpret_cast<void*>(LoadLibraryA(path.c_str()))) {}
PluginLibrary::~PluginLibrary() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}
void* PluginLibrary::symbol(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
std::string PluginLibrary::error() { return "LoadLibrary error " + std::to_string(GetLastError()); }
#else
PluginLibrary::PluginLibrary(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
PluginLibrary::~PluginLibrary() {
  if (handle_) dlclose(handle_);
}
void* PluginLibrary::symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
std::string PluginLibrary::error() {
  const char* text = dlerror();
  return text ? text : "unknown dlopen error";
}
#endif

PluginEntryProc PluginLibrary::entry(const char* name) const { return reinterpret_cast<PluginEntryProc>(symbol(name)); }

std::string pluginUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_PLUGIN")) return path;
  return TWINFOLD_PLUGIN_PATH;
}

namespace {

std::size_t pageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

GuardedBytes::GuardedBytes(std::size_t size) : size_(size) {
  const std::size_t page = pageSize();
  const std::size_t usable = (size + page - 1) / page * page;
  mappingSize_ = usable + page;
#if defined(_WIN32)
  mapping_ = VirtualAlloc(nullptr, mappingSize_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  DWORD previous = 0;
  if (!mapping_ || !VirtualProtect(static_cast<char*>(mapping_) + usable, page, PAGE_NOACCESS, &previous))
    throw std::runtime_error("cannot set up a guard page");
#else
  mapping_ = mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED || mprotect(static_cast<char*>(mapping_) + usable, page, PROT_NONE) != 0)
    throw std::runtime_error("cannot set up a guard page");
#endif
  data_ = static_cast<char*>(mapping_) + usable - size;
}

GuardedBytes::~GuardedBytes() {
#if defined(_WIN32)
  VirtualFree(mapping_, 0, MEM_RELEASE);
#else
  munmap(mapping_, mappingSize_);
#endif
}

char* GuardedBytes::placeAtEnd(const std::string& text) {
  if (text.size() + 1 > size_) throw std::length_error("text does not fit the guarded bytes");
  char* start = data_ + size_ - text.size() - 1;
  std::memcpy(start, text.c_str(), text.size() + 1);
  return start;
}
