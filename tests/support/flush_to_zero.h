// The processor's flush-to-zero controls for the calling thread, as hosts set them for
// their audio threads: x86 MXCSR's flush-to-zero (results) and denormals-are-zero
// (inputs), each alone or both; the FZ bit of aarch64's FPCR and of 32-bit ARM's FPSCR
// (bit 24), which flushes inputs and results alike; and aarch64's newer modes, FPCR.FIZ
// (bit 0, inputs only) and FPCR.AH (bit 1, alternate handling), which older cores and
// emulators do not keep.
#pragma once

#include <cstdint>
#include <span>

#if defined(__SSE__) || defined(_M_X64) || defined(_M_IX86)
#include <xmmintrin.h>
#endif

namespace flush_to_zero {

struct Setting {
  const char* name;
  std::uint64_t bits;
};

#if defined(__SSE__) || defined(_M_X64) || defined(_M_IX86)
inline constexpr Setting kSettings[] = {{"FTZ", 0x8000}, {"DAZ", 0x0040}, {"FTZ+DAZ", 0x8040}};
inline std::uint64_t control() { return _mm_getcsr(); }
inline void setControl(std::uint64_t value) { _mm_setcsr(static_cast<unsigned>(value)); }
#elif defined(__aarch64__)
inline constexpr Setting kSettings[] = {{"FPCR.FZ", std::uint64_t{1} << 24}};
inline std::uint64_t control() {
  std::uint64_t value;
  asm volatile("mrs %0, fpcr" : "=r"(value));
  return value;
}
inline void setControl(std::uint64_t value) { asm volatile("msr fpcr, %0" : : "r"(value) : "memory"); }
inline constexpr Setting kNewerSettings[] = {{"FPCR.FIZ", 1},
                                             {"FPCR.FIZ+FZ", 1 | std::uint64_t{1} << 24},
                                             {"FPCR.AH", 2},
                                             {"FPCR.AH+FZ", 2 | std::uint64_t{1} << 24},
                                             {"FPCR.AH+FIZ+FZ", 3 | std::uint64_t{1} << 24}};
#elif defined(__arm__) && defined(__ARM_FP)
inline constexpr Setting kSettings[] = {{"FPSCR.FZ", std::uint64_t{1} << 24}};
inline std::uint64_t control() {
  std::uint32_t value;
  asm volatile("vmrs %0, fpscr" : "=r"(value));
  return value;
}
inline void setControl(std::uint64_t value) {
  asm volatile("vmsr fpscr, %0" : : "r"(static_cast<std::uint32_t>(value)) : "memory");
}
#else
inline constexpr Setting kSettings[] = {{"none", 0}};
inline std::uint64_t control() { return 0; }
inline void setControl(std::uint64_t) {}
#endif

// Every way a host can set flushing on this processor; the last flushes both inputs and
// results.
inline std::span<const Setting> settings() { return kSettings; }
inline bool available() { return settings().back().bits != 0; }

// Modes that only newer processors have; none off aarch64.
#if defined(__aarch64__)
inline std::span<const Setting> newerSettings() { return kNewerSettings; }
#else
inline std::span<const Setting> newerSettings() { return {}; }
#endif

// Sets the given bits for its lifetime, then restores the whole control word.
class Scope {
 public:
  explicit Scope(std::uint64_t bits) : saved_(control()) {
    if (bits != 0) setControl(saved_ | bits);
  }
  ~Scope() { setControl(saved_); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  std::uint64_t saved_;
};

// Whether this processor keeps the given bits once they are set.
inline bool sticks(std::uint64_t bits) {
  const Scope scope(bits);
  return (control() & bits) == bits;
}

}  // namespace flush_to_zero
