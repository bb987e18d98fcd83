// Numeric conventions of generated script code: sanitised stores, the integer
// conversion, the comparison tolerance, the loop cap, and the shared value cell.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>

// Every store into a script variable replaces NaN and +-infinity by 0.0; finite
// values, -0.0 and denormals included, pass bit for bit.
inline double sanitise(double x) noexcept { return std::isfinite(x) ? x : 0.0; }

// Script numbers handed on as integers: nudged by 0.0001 away from zero, then
// truncated. Values that do not fit (and NaN) give INT32_MIN, the x86 "integer
// indefinite" answer, so the result is the same on every target.
inline std::int32_t emberInt(double x) noexcept {
  const double nudged = x >= 0.0 ? x + 0.0001 : x - 0.0001;
  if (!(nudged > -2147483649.0 && nudged < 2147483648.0)) return INT32_MIN;
  return static_cast<std::int32_t>(nudged);
}

inline constexpr double kEmberTolerance = 0.00001;

// False means strictly inside (-tolerance, tolerance).
inline bool emberIsTrue(double x) noexcept { return !(x > -kEmberTolerance && x < kEmberTolerance); }
inline bool emberEqual(double a, double b) noexcept { return !emberIsTrue(a - b); }

inline constexpr std::int32_t kEmberLoopCap = 1000000;

// Runs body() until it answers false, at most kEmberLoopCap times; returns the
// number of passes made.
template <class Body>
std::int32_t emberRepeat(Body&& body) {
  std::int32_t passes = 0;
  while (passes < kEmberLoopCap) {
    ++passes;
    if (!body()) break;
  }
  return passes;
}

// A double that the parameter thread and the audio thread may touch at once.
// Relaxed atomic loads and stores are plain moves on x86, so a reader sees the old
// or the new value, never a torn one, without a lock. Stores are raw; generated
// code applies sanitise() where the conventions ask for it.
class TEmberVar {
 public:
  constexpr TEmberVar(double v = 0.0) noexcept : value_(v) {}
  TEmberVar(const TEmberVar&) = delete;
  TEmberVar& operator=(const TEmberVar& other) noexcept {
    store(other.load());
    return *this;
  }
  TEmberVar& operator=(double v) noexcept {
    store(v);
    return *this;
  }
  operator double() const noexcept { return load(); }
  double load() const noexcept { return value_.load(std::memory_order_relaxed); }
  void store(double v) noexcept { value_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<double> value_;
};
static_assert(std::atomic<double>::is_always_lock_free);
