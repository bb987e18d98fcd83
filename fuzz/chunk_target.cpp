// State restore (effSetChunk) from arbitrary bytes, each followed by a save
// (effGetChunk) that must hold exactly what the restore could take, a round trip of
// that save, and a block whose mode follows the restored state.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_audio.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr int kMaxRestores = 4;
constexpr std::size_t kStateValues = 64;
constexpr std::size_t kChunkFloats = kStateValues + 1;
constexpr float kMarker = -1000.0f;

// A float as it comes back from a slider value: bit for bit, except that any NaN
// may come back as another NaN.
bool sameStateValue(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

float floatAt(const std::uint8_t* bytes, std::size_t index) {
  float value;
  std::memcpy(&value, bytes + index * sizeof value, sizeof value);
  return value;
}

// effGetChunk as a host calls it; the answer is copied out at once, since the
// plug-in's buffer is only valid until its next chunk request.
std::vector<float> save(FuzzInstance& instance, bool isPreset, void** handedOut = nullptr) {
  void* address = nullptr;
  const VstIntPtr size = instance.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &address);
  fuzzCheck(size == static_cast<VstIntPtr>(kChunkFloats * sizeof(float)), "a saved chunk is not 65 floats");
  fuzzCheck(address != nullptr, "effGetChunk gave no address");
  std::vector<float> chunk(kChunkFloats);
  std::memcpy(chunk.data(), address, chunk.size() * sizeof(float));
  fuzzCheck(chunk[0] == kMarker, "a saved chunk does not start with the marker");
  if (handedOut) *handedOut = address;
  return chunk;
}

VstIntPtr restore(FuzzInstance& instance, const void* data, VstIntPtr size, bool isPreset) {
  return instance.dispatch(effSetChunk, isPreset ? 1 : 0, size, const_cast<void*>(data));
}

void checkSaved(const std::vector<float>& saved, const std::vector<float>& expected) {
  for (std::size_t i = 1; i < kChunkFloats; ++i)
    fuzzCheck(sameStateValue(saved[i], expected[i]), "a saved value differs from what was restored");
}

// One restore from the input; returns the state the next save must show, and in
// `used` whether the chunk carried the marker (so the restore ran the sections).
std::vector<float> restoreFromInput(FuzzInstance& instance, FuzzedDataProvider& input,
                                    const std::vector<float>& previous, bool& used) {
  const std::size_t length = input.ConsumeIntegralInRange<int>(0, 15) == 0
                                 ? input.ConsumeIntegralInRange<std::size_t>(0, 2048)
                                 : input.ConsumeIntegralInRange<std::size_t>(0, 300);
  // Exactly sized, so AddressSanitizer sees any read past the chunk.
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[length]());
  const auto content = input.ConsumeBytes<std::uint8_t>(length);
  if (!content.empty()) std::memcpy(bytes.get(), content.data(), content.size());
  if (length >= sizeof kMarker && input.ConsumeIntegralInRange<int>(0, 3) != 0)
    std::memcpy(bytes.get(), &kMarker, sizeof kMarker);
  const std::vector<std::uint8_t> original(bytes.get(), bytes.get() + length);

  const bool passNull = input.ConsumeIntegralInRange<int>(0, 15) == 0;
  VstIntPtr size = static_cast<VstIntPtr>(length);
  if (input.ConsumeIntegralInRange<int>(0, 7) == 0) size = input.ConsumeIntegralInRange<VstIntPtr>(-8, size);
  if (passNull && input.ConsumeBool()) size = input.ConsumeIntegral<VstInt32>();
  const void* data = passNull ? nullptr : bytes.get();

  fuzzCheck(restore(instance, data, size, input.ConsumeBool()) == size, "effSetChunk did not answer its size");
  fuzzCheck(std::equal(original.begin(), original.end(), bytes.get()), "effSetChunk changed the host's bytes");

  std::vector<float> expected = previous;
  used = false;
  const std::size_t floats = data && size > 0 ? static_cast<std::size_t>(size) / sizeof(float) : 0;
  if (floats == 0 || floatAt(bytes.get(), 0) != kMarker) return expected;
  used = true;
  for (std::size_t i = 1; i < floats && i < kChunkFloats; ++i) expected[i] = floatAt(bytes.get(), i);
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::unique_ptr<FuzzInstance> session = fuzzStartSession(input);
  if (!session) return 0;
  FuzzInstance& instance = *session;

  std::vector<float> state = save(instance, input.ConsumeBool());
  for (std::size_t i = 1; i < kChunkFloats; ++i) fuzzCheck(state[i] == 0.0f, "a fresh instance saved a non-zero value");

  for (int pass = 0; pass < kMaxRestores && input.remaining_bytes() > 0; ++pass) {
    bool restored = false;
    const std::vector<float> expected = restoreFromInput(instance, input, state, restored);
    void* handedOut = nullptr;
    const std::vector<float> saved = save(instance, input.ConsumeBool(), &handedOut);
    checkSaved(saved, expected);
    // The slider section ran when the marker matched; the mode follows value 1.
    if (restored) instance.modeAfterSliderSection();

    // The round trip: a host restoring its own save gets the same state back, also
    // when it hands back the plug-in's own buffer instead of a copy.
    if (input.ConsumeBool()) {
      const VstIntPtr bytes = static_cast<VstIntPtr>(saved.size() * sizeof(float));
      const void* source = input.ConsumeBool() ? handedOut : saved.data();
      fuzzCheck(restore(instance, source, bytes, input.ConsumeBool()) == bytes, "a round trip changed the size");
      checkSaved(save(instance, input.ConsumeBool()), saved);
      instance.modeAfterSliderSection();
    }
    fuzzProcessAndCheck(instance, input);
    state = saved;
    // Opened again: the script is back in stereo until a section follows the state.
    if (input.ConsumeIntegralInRange<int>(0, 3) == 0) {
      instance.dispatch(effOpen);
      instance.mono = false;
      fuzzProcessAndCheck(instance, input);
    }
  }
  fuzzProcessAndCheck(instance, input);
  fuzzCloseInstance(instance);
  return 0;
}
