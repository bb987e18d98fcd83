// The options list a host passes at instantiation, of arbitrary content: the largest
// block it promises is read only from an instance-context maxBlockLength option whose
// Int or Long value lies in 1..2^31-1, and nothing is read past an option's stated size
// or the list's terminating entry.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "fuzz/fuzz_host.h"
#include "editions/lv2/block_length_option.h"

namespace {

constexpr std::size_t kMaxOptions = 12;

// A host's URID map with the IDs it hands out taken from the input; 0 is the map's
// "cannot map" answer.
struct FuzzUridMap {
  LV2_URID maxBlockLength, intType, longType, other;

  static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
    const auto* ids = static_cast<const FuzzUridMap*>(handle);
    if (std::strcmp(uri, LV2_BUF_SIZE__maxBlockLength) == 0) return ids->maxBlockLength;
    if (std::strcmp(uri, LV2_ATOM__Int) == 0) return ids->intType;
    if (std::strcmp(uri, LV2_ATOM__Long) == 0) return ids->longType;
    return ids->other;
  }
};

LV2_URID fuzzUrid(FuzzedDataProvider& input) { return input.ConsumeIntegralInRange<LV2_URID>(0, 6); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzUridMap ids{fuzzUrid(input), fuzzUrid(input), fuzzUrid(input), fuzzUrid(input)};
  LV2_URID_Map map{&ids, input.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : &FuzzUridMap::map};

  // Each value gets exactly its stated size on the heap, so reading past it is caught.
  std::vector<std::unique_ptr<std::uint8_t[]>> values;
  std::vector<LV2_Options_Option> options;
  const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, kMaxOptions);
  for (std::size_t i = 0; i < count; ++i) {
    LV2_Options_Option option{};
    option.context = static_cast<LV2_Options_Context>(input.ConsumeIntegralInRange<int>(0, 3));
    option.subject = input.ConsumeIntegral<std::uint32_t>();
    option.key = fuzzUrid(input);
    option.type = fuzzUrid(input);
    const std::uint32_t stated = input.ConsumeIntegralInRange<std::uint32_t>(0, 9);
    option.size = stated;
    if (input.ConsumeIntegralInRange<int>(0, 7) != 0) {
      values.push_back(std::make_unique<std::uint8_t[]>(stated ? stated : 1));
      const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(stated);
      if (!bytes.empty()) std::memcpy(values.back().get(), bytes.data(), bytes.size());
      option.value = values.back().get();
    }
    options.push_back(option);
  }
  options.push_back(LV2_Options_Option{});

  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature optionsFeature{LV2_OPTIONS__options, options.data()};
  const LV2_Feature unrelated{"urn:fuzz:unrelated", nullptr};
  std::vector<const LV2_Feature*> features;
  for (const LV2_Feature* feature : {&unrelated, &mapFeature, &optionsFeature})
    if (input.ConsumeIntegralInRange<int>(0, 7) != 0) features.push_back(feature);
  features.push_back(nullptr);

  const std::optional<std::int32_t> found = lv2::maxBlockLength(input.ConsumeBool() ? features.data() : nullptr);
  if (!found) return 0;
  fuzzCheck(*found >= 1, "a block length below 1 was accepted");
  fuzzCheck(ids.maxBlockLength != 0, "a block length was read though its key did not map");
  bool offered = false;
  for (const LV2_Options_Option& option : options) {
    if (option.key != ids.maxBlockLength || option.context != LV2_OPTIONS_INSTANCE || !option.value) continue;
    std::int64_t value = 0;
    if (option.type == ids.intType && option.size == 4) {
      std::int32_t narrow;
      std::memcpy(&narrow, option.value, 4);
      value = narrow;
    } else if (option.type == ids.longType && option.size == 8) {
      std::memcpy(&value, option.value, 8);
    }
    offered = offered || value == *found;
  }
  fuzzCheck(offered, "the block length is not one the host offered as maxBlockLength");
  return 0;
}
