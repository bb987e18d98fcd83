// A value that tells the calling thread from every other thread alive: the address of
// its thread control block, read from the register that points to it. One instruction,
// no call into the runtime and no thread-local storage, so it may be read on an audio
// thread on every target (mingw's thread_local is emulated: it allocates and locks).
#pragma once

#include <cstdint>

#if !(defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__))
#include <pthread.h>
#endif

namespace hosting {

inline std::uintptr_t thisThreadTag() {
  std::uintptr_t tag;
#if defined(_WIN64)
  __asm__("movq %%gs:0x30, %0" : "=r"(tag));  // the thread environment block's own address
#elif defined(_WIN32)
  __asm__("movl %%fs:0x18, %0" : "=r"(tag));
#elif defined(__x86_64__)
  __asm__("movq %%fs:0, %0" : "=r"(tag));  // the thread control block's self pointer
#elif defined(__i386__)
  __asm__("movl %%gs:0, %0" : "=r"(tag));
#elif defined(__aarch64__)
  __asm__("mrs %0, tpidr_el0" : "=r"(tag));
#elif defined(__arm__)
  __asm__("mrc p15, 0, %0, c13, c0, 3" : "=r"(tag));
#else
  tag = reinterpret_cast<std::uintptr_t>(pthread_self());
#endif
  return tag;
}

}  // namespace hosting
