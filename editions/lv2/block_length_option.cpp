#include "editions/lv2/block_length_option.h"

#include <cstring>
#include <limits>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

namespace lv2 {

namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (; *features; ++features)
    if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
  return nullptr;
}

std::optional<std::int64_t> integerValue(const LV2_Options_Option& option, LV2_URID intType, LV2_URID longType) {
  if (!option.value) return std::nullopt;
  if (option.type == intType && option.size == sizeof(std::int32_t)) {
    std::int32_t value;
    std::memcpy(&value, option.value, sizeof value);
    return value;
  }
  if (option.type == longType && option.size == sizeof(std::int64_t)) {
    std::int64_t value;
    std::memcpy(&value, option.value, sizeof value);
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> maxBlockLength(const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
  const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
  if (!map || !map->map || !options) return std::nullopt;
  const LV2_URID key = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID longType = map->map(map->handle, LV2_ATOM__Long);
  if (key == 0) return std::nullopt;
  // The list ends with an option whose key is 0 and whose value is null.
  for (const LV2_Options_Option* option = options; option->key != 0 || option->value; ++option) {
    if (option->context != LV2_OPTIONS_INSTANCE || option->key != key) continue;
    const auto value = integerValue(*option, intType, longType);
    if (value && *value > 0 && *value <= std::numeric_limits<std::int32_t>::max())
      return static_cast<std::int32_t>(*value);
  }
  return std::nullopt;
}

}  // namespace lv2
