#include "tests/support/plugin_library.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

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
