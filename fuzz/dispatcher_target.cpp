// The dispatcher driven by arbitrary sequences of requests, mixed with the AEffect
// functions a host calls between them; effClose only at the end. Each request gets
// the buffers a host may pass (text buffers of at least the size the plug-in
// promises to respect, valid addresses or null) and its answer is checked.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_audio.h"
#include "fuzz/fuzz_events.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr int kMaxRequests = 64;
constexpr float kMarker = -1000.0f;
constexpr std::size_t kProgramNameBytes = 24;
constexpr char kMidiCapability[] = "receiveVstMidiEvent";

VstInt32 chooseOpcode(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: return input.ConsumeIntegral<VstInt32>();
    case 1: return input.ConsumeIntegralInRange<VstInt32>(80, 200);
    default: return input.ConsumeIntegralInRange<VstInt32>(0, 79);
  }
}

VstIntPtr chooseValue(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? input.ConsumeIntegralInRange<VstIntPtr>(-1, 3) : input.ConsumeIntegral<VstIntPtr>();
}

float chooseOpt(FuzzedDataProvider& input) {
  constexpr float kRates[] = {0.0f, -1.0f, 8000.0f, 44100.0f, 48000.0f, 384000.0f, 1.0e30f};
  if (input.ConsumeBool()) return kRates[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kRates) - 1)];
  return fuzzParameterValue(input);
}

// The buffer of the last save, which a host may hand straight back: valid until the
// next chunk request.
struct LastSave {
  void* address = nullptr;
  VstIntPtr bytes = 0;
} lastSave;

bool maybeNull(FuzzedDataProvider& input) { return input.ConsumeIntegralInRange<int>(0, 15) == 0; }

std::string programName(const FuzzInstance& instance) {
  FuzzText text(kProgramNameBytes);
  instance.dispatch(effGetProgramName, 0, 0, text.data());
  fuzzCheck(text.terminatedWithin(kProgramNameBytes), "the program name overflowed 24 bytes");
  return text.text();
}

// A host's text: arbitrary bytes, or the one capability the plug-in claims, cut short
// or run on.
std::string hostText(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
    std::string capability = kMidiCapability;
    return capability.substr(0, input.ConsumeIntegralInRange<std::size_t>(0, capability.size() + 1)) +
           (input.ConsumeBool() ? "" : "s");
  }
  return input.ConsumeRandomLengthString(48);
}

void setProgramName(const FuzzInstance& instance, FuzzedDataProvider& input) {
  const std::string before = programName(instance);
  if (maybeNull(input)) {
    fuzzCheck(instance.dispatch(effSetProgramName) == 0, "effSetProgramName did not answer 0");
    fuzzCheck(programName(instance) == before, "a null program name changed the name");
    return;
  }
  // NUL-terminated, or 24 bytes and more without a NUL, of which the plug-in must
  // read no more than 24.
  std::string text = hostText(input);
  const bool terminated = text.size() < kProgramNameBytes || input.ConsumeBool();
  if (!terminated) {
    const std::size_t extra = input.ConsumeIntegralInRange<std::size_t>(0, 8);
    text.resize(std::max(text.size(), kProgramNameBytes) + extra, 'x');
  }
  const std::size_t bytes = text.size() + (terminated ? 1 : 0);
  std::unique_ptr<char[]> buffer(new char[bytes]);
  std::memcpy(buffer.get(), text.c_str(), bytes);
  fuzzCheck(instance.dispatch(effSetProgramName, 0, 0, buffer.get()) == 0, "effSetProgramName did not answer 0");
  // The host's text up to its NUL, at most 24 bytes of it, shown with room for a NUL.
  std::string expected(buffer.get(), std::min(bytes, kProgramNameBytes));
  expected = expected.substr(0, std::min(expected.find('\0'), kProgramNameBytes - 1));
  fuzzCheck(programName(instance) == expected, "the program name is not the host's text");
}

void textAnswer(const FuzzInstance& instance, FuzzedDataProvider& input, VstInt32 opcode, std::size_t bound,
                const std::string& expected, VstIntPtr answer) {
  if (maybeNull(input)) {
    instance.dispatch(opcode, 0, 0, nullptr);
    return;
  }
  FuzzText text(bound + input.ConsumeIntegralInRange<std::size_t>(0, 32));
  fuzzCheck(instance.dispatch(opcode, 0, 0, text.data()) == answer, "unexpected answer to a name request");
  fuzzCheck(text.terminatedWithin(bound), "a name overflowed its bound");
  fuzzCheck(text.text() == expected, "a name is not the effect's");
}

void parameterText(const FuzzInstance& instance, FuzzedDataProvider& input, VstInt32 opcode, std::size_t bound) {
  const VstInt32 index = fuzzParameterIndex(input);
  if (maybeNull(input)) {
    instance.dispatch(opcode, index, 0, nullptr);
    return;
  }
  FuzzText text(bound + input.ConsumeIntegralInRange<std::size_t>(0, 32));
  fuzzCheck(instance.dispatch(opcode, index, 0, text.data()) == 0, "a parameter text request did not answer 0");
  if (index == 0)
    fuzzCheck(text.terminatedWithin(bound), "a parameter text overflowed its bound");
  else
    fuzzCheck(text.untouched(), "a parameter text request with a foreign index wrote to the buffer");
}

void getChunk(const FuzzInstance& instance, FuzzedDataProvider& input) {
  lastSave = {};
  if (maybeNull(input)) {
    instance.dispatch(effGetChunk, input.ConsumeBool(), 0, nullptr);
    return;
  }
  void* address = nullptr;
  const VstIntPtr size = instance.dispatch(effGetChunk, input.ConsumeBool(), 0, &address);
  fuzzCheck(size == 260 && address, "effGetChunk did not hand out 260 bytes");
  float chunk[65];
  std::memcpy(chunk, address, sizeof chunk);
  fuzzCheck(chunk[0] == kMarker, "a saved chunk does not start with the marker");
  lastSave = {address, size};
}

void setChunk(FuzzInstance& instance, FuzzedDataProvider& input) {
  const LastSave own = lastSave;
  lastSave = {};
  if (own.address && input.ConsumeBool()) {
    fuzzCheck(instance.dispatch(effSetChunk, 0, own.bytes, own.address) == own.bytes,
              "restoring the plug-in's own save did not answer its size");
    instance.modeAfterSliderSection();
    return;
  }
  const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 280);
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[length]());
  const auto content = input.ConsumeBytes<std::uint8_t>(length);
  if (!content.empty()) std::memcpy(bytes.get(), content.data(), content.size());
  if (length >= sizeof kMarker && input.ConsumeBool()) std::memcpy(bytes.get(), &kMarker, sizeof kMarker);
  const bool passNull = maybeNull(input);
  VstIntPtr size = static_cast<VstIntPtr>(length);
  if (input.ConsumeIntegralInRange<int>(0, 7) == 0) size = input.ConsumeIntegralInRange<VstIntPtr>(-8, size);
  if (passNull) size = chooseValue(input);
  const VstIntPtr answer = instance.dispatch(effSetChunk, input.ConsumeBool(), size, passNull ? nullptr : bytes.get());
  fuzzCheck(answer == size, "effSetChunk did not answer its size");
  float marker = 0.0f;
  if (!passNull && size >= 4) std::memcpy(&marker, bytes.get(), sizeof marker);
  if (marker == kMarker) instance.modeAfterSliderSection();
}

void canDo(const FuzzInstance& instance, FuzzedDataProvider& input) {
  if (maybeNull(input)) {
    fuzzCheck(instance.dispatch(effCanDo) == -1, "effCanDo with no text did not answer -1");
    return;
  }
  const std::string text = hostText(input);
  std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
  std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
  // The plug-in sees the text up to its first NUL.
  const VstIntPtr expected = std::strcmp(buffer.get(), kMidiCapability) == 0 ? 1 : -1;
  fuzzCheck(instance.dispatch(effCanDo, 0, 0, buffer.get()) == expected, "wrong effCanDo answer");
}

void speakerArrangement(const FuzzInstance& instance, FuzzedDataProvider& input) {
  void* sentinel = &input;
  void* in = sentinel;
  void* out = sentinel;
  const bool giveIn = input.ConsumeBool();
  const bool giveOut = input.ConsumeBool();
  instance.dispatch(effGetSpeakerArrangement, 0, giveIn ? reinterpret_cast<VstIntPtr>(&in) : 0,
                    giveOut ? &out : nullptr);
  fuzzCheck(in == (giveIn ? nullptr : sentinel) && out == (giveOut ? nullptr : sentinel),
            "effGetSpeakerArrangement did not clear exactly the addresses given");
}

// An opcode the plug-in does not serve, or one it answers without looking at the
// buffer: the answer is fixed and the buffer stays untouched.
void fixedAnswer(const FuzzInstance& instance, FuzzedDataProvider& input, VstInt32 opcode, VstIntPtr expected) {
  const VstInt32 index = input.ConsumeIntegral<VstInt32>();
  const VstIntPtr value = chooseValue(input);
  std::unique_ptr<FuzzText> buffer;
  if (!maybeNull(input)) buffer = std::make_unique<FuzzText>(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  void* ptr = buffer ? buffer->data() : nullptr;
  // Requests whose value is an address get a valid one.
  const VstIntPtr passed = opcode == effSetSpeakerArrangement ? reinterpret_cast<VstIntPtr>(ptr) : value;
  const VstIntPtr answer = instance.dispatch(opcode, index, passed, ptr, chooseOpt(input));
  fuzzCheck(answer == (opcode == effSetTotalSampleToProcess ? passed : expected), "unexpected fixed answer");
  fuzzCheck(!buffer || buffer->untouched(), "a request that takes no buffer wrote to it");
}

void dispatchRequest(FuzzInstance& instance, FuzzedDataProvider& input) {
  const VstInt32 opcode = chooseOpcode(input);
  switch (opcode) {
    case effClose: return;  // only at the end
    case effOpen:
      fuzzCheck(instance.dispatch(effOpen) == 0, "effOpen did not answer 0");
      instance.mono = false;  // the open section resets the script's mode
      return;
    case effSetProgram:
      instance.dispatch(effSetProgram, 0, chooseValue(input));
      fuzzCheck(instance.dispatch(effGetProgram) == 0, "the only program is not current");
      return;
    case effSetProgramName: return setProgramName(instance, input);
    case effGetProgramName: return textAnswer(instance, input, opcode, kProgramNameBytes, programName(instance), 0);
    case effGetParamLabel: return parameterText(instance, input, opcode, 8);
    case effGetParamDisplay: return parameterText(instance, input, opcode, 8);
    case effGetParamName: return parameterText(instance, input, opcode, 32);
    case effSetSampleRate: instance.dispatch(opcode, 0, 0, nullptr, chooseOpt(input)); return;
    case effSetBlockSize: instance.dispatch(opcode, 0, chooseValue(input)); return;
    case effMainsChanged: {
      const VstIntPtr value = chooseValue(input);
      instance.dispatch(opcode, 0, value);
      if (value != 0) instance.modeAfterSliderSection();
      return;
    }
    case effEditGetRect: {
      void* rect = &input;
      fuzzCheck(instance.dispatch(opcode, 0, 0, maybeNull(input) ? nullptr : &rect) == 0 && rect == &input,
                "effEditGetRect answered a rectangle");
      return;
    }
    case effGetChunk: return getChunk(instance, input);
    case effSetChunk: return setChunk(instance, input);
    case effProcessEvents: {
      FuzzEventList events(input, 40);
      fuzzCheck(instance.dispatch(opcode, 0, 0, maybeNull(input) ? nullptr : events.list()) == 1,
                "effProcessEvents did not answer 1");
      events.checkUnchanged();
      return;
    }
    case effCanBeAutomated:
      fuzzCheck(instance.dispatch(opcode, fuzzParameterIndex(input)) == 1, "a parameter is not automatable");
      return;
    case effGetEffectName: return textAnswer(instance, input, opcode, 32, "Quillmarsh_twinfold", 1);
    case effGetVendorString: return textAnswer(instance, input, opcode, 64, "Quillmarsh", 1);
    case effGetProductString: return textAnswer(instance, input, opcode, 64, "Quillmarsh_twinfold", 1);
    case effCanDo: return canDo(instance, input);
    case effGetSpeakerArrangement: return speakerArrangement(instance, input);
    case effIdentify: return fixedAnswer(instance, input, opcode, vstFourChars('N', 'v', 'E', 'f'));
    case effGetVendorVersion: return fixedAnswer(instance, input, opcode, 1000);
    case effGetVstVersion: return fixedAnswer(instance, input, opcode, 2400);
    case effGetCurrentMidiProgram: return fixedAnswer(instance, input, opcode, -1);
    case effGetProgram:
    case effGetPlugCategory:
    case effGetProgramNameIndexed:
    default: return fixedAnswer(instance, input, opcode, 0);
  }
}

void setParameter(FuzzInstance& instance, FuzzedDataProvider& input) {
  const float before = instance.checkedParameter(0);
  instance.setParameter(fuzzParameterIndex(input), fuzzParameterValue(input));
  if (instance.checkedParameter(0) != before) instance.modeAfterSliderSection();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  fuzzHostAnswers(input);
  const std::unique_ptr<FuzzInstance> created = fuzzCreateInstance(input);
  if (!created) return 0;
  FuzzInstance& instance = *created;
  lastSave = {};
  for (int request = 0; request < kMaxRequests && input.remaining_bytes() > 0; ++request) {
    switch (input.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: setParameter(instance, input); break;
      case 1: instance.checkedParameter(fuzzParameterIndex(input)); break;
      case 2: fuzzProcessAndCheck(instance, input); break;
      case 3: fuzzDeprecatedProcess(instance, input); break;
      default: dispatchRequest(instance, input); break;
    }
  }
  fuzzProcessAndCheck(instance, input);
  fuzzCloseInstance(instance);
  return 0;
}
