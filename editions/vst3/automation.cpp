#include "editions/vst3/automation.h"

#include <algorithm>
#include <cmath>

namespace vst3 {

void AutomationPoints::collect(IParameterChanges* changes, ParamID id, int32 numSamples) {
  size_ = 0;
  if (!changes) return;
  const int32 queues = changes->table->getParameterCount(changes);
  for (int32 q = 0; q < queues; ++q) {
    IParamValueQueue* queue = changes->table->getParameterData(changes, q);
    if (!queue || queue->table->getParameterId(queue) != id) continue;
    const int32 count = queue->table->getPointCount(queue);
    for (int32 i = 0; i < count; ++i) {
      int32 offset = 0;
      double value = 0.0;
      if (queue->table->getPoint(queue, i, &offset, &value) == kResultOk) add(offset, value, numSamples);
    }
  }
  // Insertion sort: stable, in place (std::stable_sort may allocate), and linear for the
  // sorted lists hosts normally send.
  for (std::size_t i = 1; i < size_; ++i) {
    const Point point = points_[i];
    std::size_t j = i;
    for (; j > 0 && points_[j - 1].offset > point.offset; --j) points_[j] = points_[j - 1];
    points_[j] = point;
  }
}

void AutomationPoints::add(int32 offset, double value, int32 numSamples) {
  if (std::isnan(value)) return;
  const Point point{std::clamp(offset, int32{0}, std::max(numSamples - 1, int32{0})), std::clamp(value, 0.0, 1.0)};
  if (size_ < kCapacity)
    points_[size_++] = point;
  else
    points_[kCapacity - 1] = point;
}

}  // namespace vst3
