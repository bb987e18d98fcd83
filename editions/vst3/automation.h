// The parameter's automation points of one processing call, in the order the block is
// split at: offsets clamped to the block, NaN dropped, values clamped to 0 … 1, sorted by
// offset with equal offsets kept in the host's order. Fixed storage: no allocation.
#pragma once

#include <array>
#include <cstddef>

#include "abi/vst3_abi.h"

namespace vst3 {

class AutomationPoints {
 public:
  struct Point {
    int32 offset;
    double value;
  };
  static constexpr std::size_t kCapacity = 256;

  // Collects the points of parameter `id` from every queue of `changes` (which may be
  // null); a host's bad counts or null queues are skipped. Past the capacity, a point
  // replaces the last one kept, so the block still ends on the host's final value.
  void collect(IParameterChanges* changes, ParamID id, int32 numSamples);

  std::size_t size() const { return size_; }
  const Point& operator[](std::size_t i) const { return points_[i]; }

 private:
  void add(int32 offset, double value, int32 numSamples);

  std::array<Point, kCapacity> points_{};
  std::size_t size_ = 0;
};

}  // namespace vst3
