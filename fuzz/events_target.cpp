// Event lists of arbitrary content through effProcessEvents, each followed by a
// block: the plug-in answers 1, changes nothing the host handed over, and its audio
// mode stays what the parameter says.
#include <cstdint>

#include "fuzz/fuzz_audio.h"
#include "fuzz/fuzz_events.h"
#include "fuzz/fuzz_host.h"

namespace {
constexpr int kMaxLists = 6;
// Enough events to wrap the plug-in's queue of 1000 more than once.
constexpr std::int32_t kLongList = 2100;
constexpr std::int32_t kShortList = 40;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::unique_ptr<FuzzInstance> session = fuzzStartSession(input);
  if (!session) return 0;
  FuzzInstance& instance = *session;
  for (int pass = 0; pass < kMaxLists && input.remaining_bytes() > 0; ++pass) {
    if (input.ConsumeIntegralInRange<int>(0, 3) == 0) {
      const float before = instance.checkedParameter(0);
      instance.setParameter(0, input.ConsumeBool() ? 1.0f : 0.0f);
      if (instance.checkedParameter(0) != before) instance.modeAfterSliderSection();
    }
    const bool longList = input.ConsumeIntegralInRange<int>(0, 31) == 0;
    FuzzEventList events(input, longList ? kLongList : kShortList);
    VstEvents* list = input.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : events.list();
    fuzzCheck(instance.dispatch(effProcessEvents, 0, 0, list) == 1, "effProcessEvents did not answer 1");
    events.checkUnchanged();
    fuzzProcessAndCheck(instance, input);
  }
  fuzzCloseInstance(instance);
  return 0;
}
