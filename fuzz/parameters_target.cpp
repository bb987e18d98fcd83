// Parameter set, get, name, label and display with arbitrary values and indices,
// interleaved with blocks of audio whose mode must follow the parameter.
#include <cmath>
#include <cstdint>

#include "fuzz/fuzz_audio.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr int kMaxRequests = 48;

// The value the parameter must hold after setParameter(0, x) from `before`: x is
// ignored when not finite, else rounded to the step of 1 and stored only when it
// moves the value by the tolerance or more.
float expectedAfterSet(float before, float x) {
  if (!std::isfinite(x)) return before;
  const double quantised = std::floor(static_cast<double>(x) + 0.5);
  const double change = quantised - static_cast<double>(before);
  if (change > -0.00001 && change < 0.00001) return before;
  return static_cast<float>(quantised);
}

void setAndCheck(FuzzInstance& instance, FuzzedDataProvider& input) {
  const VstInt32 index = fuzzParameterIndex(input);
  const float value = fuzzParameterValue(input);
  const float before = instance.checkedParameter(0);
  instance.setParameter(index, value);
  const float after = instance.checkedParameter(0);
  if (index != 0) {
    fuzzCheck(after == before, "setParameter with a foreign index changed the parameter");
    return;
  }
  fuzzCheck(after == expectedAfterSet(before, value), "setParameter stored an unexpected value");
  if (after != before) instance.mono = after != 0.0f;
}

// Name, label or display: the answer fits the promised bound; a foreign index
// leaves the buffer untouched; the one parameter answers its fixed texts.
void textAndCheck(FuzzInstance& instance, FuzzedDataProvider& input) {
  const VstInt32 index = fuzzParameterIndex(input);
  const int which = input.ConsumeIntegralInRange<int>(0, 2);
  const VstInt32 opcode = which == 0 ? effGetParamName : which == 1 ? effGetParamLabel : effGetParamDisplay;
  const std::size_t bound = opcode == effGetParamName ? 32 : 8;
  if (input.ConsumeIntegralInRange<int>(0, 15) == 0) {
    instance.dispatch(opcode, index, 0, nullptr);
    return;
  }
  FuzzText text(bound + input.ConsumeIntegralInRange<std::size_t>(0, 64));
  instance.dispatch(opcode, index, 0, text.data());
  if (index != 0) {
    fuzzCheck(text.untouched(), "a text request with a foreign index wrote to the buffer");
    return;
  }
  fuzzCheck(text.terminatedWithin(bound), "a parameter text overflowed its bound");
  if (opcode == effGetParamName) fuzzCheck(text.text() == "stereo / mono", "wrong parameter name");
  if (opcode == effGetParamLabel) fuzzCheck(text.text().empty(), "wrong parameter label");
  if (opcode == effGetParamDisplay) {
    // The value's place among the two names, truncated; a place too large for an
    // integer counts as the first.
    const float value = instance.checkedParameter(0);
    const char* expected = value >= 1.0f && value < 2147483648.0f ? "mono" : "stereo";
    fuzzCheck(text.text() == expected, "the display does not name the stored value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::unique_ptr<FuzzInstance> session = fuzzStartSession(input);
  if (!session) return 0;
  FuzzInstance& instance = *session;
  for (int request = 0; request < kMaxRequests && input.remaining_bytes() > 0; ++request) {
    switch (input.ConsumeIntegralInRange<int>(0, 5)) {
      case 0:
      case 1: setAndCheck(instance, input); break;
      case 2: {
        const VstInt32 index = fuzzParameterIndex(input);
        const float value = instance.checkedParameter(index);
        if (index != 0) fuzzCheck(value == 0.0f, "getParameter with a foreign index did not answer 0");
        break;
      }
      case 3: textAndCheck(instance, input); break;
      case 4:
        fuzzCheck(instance.dispatch(effCanBeAutomated, fuzzParameterIndex(input)) == 1,
                  "effCanBeAutomated did not answer 1");
        break;
      default: fuzzProcessAndCheck(instance, input); break;
    }
  }
  fuzzProcessAndCheck(instance, input);
  fuzzCloseInstance(instance);
  return 0;
}
