// The largest block a host promises to run, read from the options it passes at
// instantiation (buf-size maxBlockLength, mapped through its URID map).
#pragma once

#include <cstdint>
#include <optional>

#include <lv2/core/lv2.h>

namespace lv2 {

// Empty when the host passes no options or URID map, or no usable maxBlockLength: an
// Int or Long between 1 and the largest block processReplacing takes.
std::optional<std::int32_t> maxBlockLength(const LV2_Feature* const* features);

}  // namespace lv2
