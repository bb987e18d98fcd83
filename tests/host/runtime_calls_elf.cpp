// The allocation functions of this process, counted. Under a sanitizer, which owns
// malloc, its allocation hook counts instead.
#include "tests/host/runtime_calls.h"

#include <cstddef>

int watch(const hosting::Module& module) { return module.loaded() ? 1 : 0; }

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TWINFOLD_SANITIZED_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TWINFOLD_SANITIZED_MALLOC 1
#endif
#endif

#if defined(TWINFOLD_SANITIZED_MALLOC)
// The sanitizers' runtime calls these on every allocation and release.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*allocated)(const volatile void*, std::size_t),
                                                        void (*freed)(const volatile void*));

namespace {
void countedBySanitizer(const volatile void*, std::size_t) { countRuntimeCall("an allocation"); }
void freed(const volatile void*) {}
const int hooked = __sanitizer_install_malloc_and_free_hooks(countedBySanitizer, freed);
}  // namespace

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);

void* malloc(std::size_t size) {
  countRuntimeCall("malloc");
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  countRuntimeCall("calloc");
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) {
  countRuntimeCall("realloc");
  return __libc_realloc(block, size);
}
}

#endif
