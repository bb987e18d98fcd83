#include "fuzz/fuzz_host.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "hosting/module.h"

namespace {

constexpr const char* kEntryNames[] = {"VSTPluginMain", "main", "MAIN"};

const char* pluginPath() {
  const char* path = std::getenv("TWINFOLD_PLUGIN");
  return path ? path : TWINFOLD_PLUGIN_PATH;
}

// The library stays loaded for the life of the process, as in a host.
struct LoadedPlugin {
  hosting::Module module{pluginPath()};
  hosting::EntryFunction entries[3] = {};

  LoadedPlugin() {
    for (int i = 0; i < 3; ++i) {
      entries[i] = module.entry(kEntryNames[i]);
      if (entries[i]) continue;
      std::fprintf(stderr, "cannot load %s or it does not export %s: %s\n", pluginPath(), kEntryNames[i],
                   module.error().c_str());
      std::abort();
    }
  }
};

const LoadedPlugin& plugin() {
  static const LoadedPlugin loaded;
  return loaded;
}

// The host, and the answers taken from the input; the fuzz targets run on one thread.
hosting::Host fuzzHost;
VstIntPtr version = hosting::kHostVersion;
VstTimeInfo timeAnswer{};

}  // namespace

// Loads the library before fuzzing starts, so libFuzzer counts its coverage from the
// first input on.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  plugin();
  return 0;
}

void fuzzFail(const char* what) {
  std::fprintf(stderr, "twinfold fuzz check failed: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
}

FuzzInstance::FuzzInstance(FuzzedDataProvider& input)
    : Instance(plugin().entries[input.ConsumeIntegralInRange<int>(0, 2)], &fuzzHost, Opening::byCaller) {}

float FuzzInstance::checkedParameter(VstInt32 index) const {
  const float value = getParameter(index);
  fuzzCheck(std::isfinite(value), "getParameter answered a non-finite value");
  return value;
}

void fuzzHostAnswers(FuzzedDataProvider& input) {
  // Mostly a sane host; sometimes one that refuses every version or gives no time.
  version = input.ConsumeIntegralInRange<int>(0, 31) == 0 ? 0 : 2400;
  fuzzHost.setVersionAnswer(version);
  fuzzHost.setTimeInfo(input.ConsumeIntegralInRange<int>(0, 7) != 0 ? &timeAnswer : nullptr);
  // Any bytes at all, NaN tempo and absurd signatures included.
  std::memset(&timeAnswer, 0, sizeof timeAnswer);
  const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, sizeof(VstTimeInfo));
  const auto bytes = input.ConsumeBytes<std::uint8_t>(length);
  if (!bytes.empty()) std::memcpy(&timeAnswer, bytes.data(), bytes.size());
}

std::unique_ptr<FuzzInstance> fuzzCreateInstance(FuzzedDataProvider& input) {
  auto instance = std::make_unique<FuzzInstance>(input);
  using Failure = hosting::Instance::Failure;
  if (version == 0) {
    fuzzCheck(instance->failure() == Failure::noInstance, "an instance was created for a host that answered version 0");
    return nullptr;
  }
  fuzzCheck(instance->failure() != Failure::noInstance, "the entry point answered null to a working host");
  fuzzCheck(instance->failure() != Failure::notAnEffect, "the record lacks the VST magic or the dispatcher");
  fuzzCheck(instance->numInputs() == 2 && instance->numOutputs() == 2, "the record is not two in, two out");
  fuzzCheck(instance->numParams() == 1 && instance->numPrograms() == 1, "unexpected parameter or program count");
  return instance;
}

std::unique_ptr<FuzzInstance> fuzzStartSession(FuzzedDataProvider& input) {
  fuzzHostAnswers(input);
  std::unique_ptr<FuzzInstance> instance = fuzzCreateInstance(input);
  if (!instance) return nullptr;
  if (input.ConsumeIntegralInRange<int>(0, 3) != 0) instance->dispatch(effOpen);
  if (input.ConsumeBool()) {
    instance->dispatch(effMainsChanged, 0, 1);
    instance->modeAfterSliderSection();
  }
  return instance;
}

void fuzzCloseInstance(FuzzInstance& instance) {
  if (!instance.valid()) return;
  fuzzCheck(instance.close() == 1, "effClose did not answer 1");
}

namespace {
constexpr char kTextMark = static_cast<char>(0xa5);
}

FuzzText::FuzzText(std::size_t size) : size_(size), bytes_(new char[size]) {
  std::memset(bytes_.get(), kTextMark, size);
}

bool FuzzText::untouched() const {
  for (std::size_t i = 0; i < size_; ++i)
    if (bytes_[i] != kTextMark) return false;
  return true;
}

bool FuzzText::terminatedWithin(std::size_t bound) const {
  return std::memchr(bytes_.get(), '\0', std::min(bound, size_)) != nullptr;
}

VstInt32 fuzzParameterIndex(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return input.ConsumeIntegral<VstInt32>();
    case 1: return input.ConsumeIntegralInRange<VstInt32>(-2, 130);
    default: return 0;
  }
}

float fuzzParameterValue(FuzzedDataProvider& input) {
  constexpr float kUsual[] = {0.0f,
                              -0.0f,
                              1.0f,
                              0.5f,
                              0.49f,
                              0.4999999f,
                              0.50001f,
                              0.7f,
                              -0.5f,
                              1.5f,
                              -3.0f,
                              1.0e-6f,
                              1.00001f,
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
  if (input.ConsumeBool()) return kUsual[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kUsual) - 1)];
  const auto bits = input.ConsumeIntegral<std::uint32_t>();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
