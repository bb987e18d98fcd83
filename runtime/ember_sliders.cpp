#include "runtime/ember_sliders.h"

#include <cmath>
#include <cstdio>
#include <utility>

void CEmberDescription::registerSlider(TEmberSlider record, const std::vector<std::string>& enumNames) {
  sliders.push_back(std::move(record));
  TEmberSlider& last = sliders.back();
  if (!last.resolved) last.resolved = true;
  last.valueNames.insert(last.valueNames.end(), enumNames.begin(), enumNames.end());
}

std::string emberSliderDisplay(const TEmberSlider& slider, double v) {
  const auto count = static_cast<std::int64_t>(slider.valueNames.size());
  if (count > 0) {
    // Position proportional to the value's place in the range, truncated; a quotient
    // that is not finite or does not fit counts as 0.
    const double position = (v - slider.minimum) * static_cast<double>(count - 1) / (slider.maximum - slider.minimum);
    std::int64_t k = 0;
    if (position > -2147483649.0 && position < 2147483648.0) k = static_cast<std::int32_t>(position);
    if (k < 0) k = 0;
    if (k > count - 1) k = count - 1;
    return slider.valueNames[static_cast<std::size_t>(k)];
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}
