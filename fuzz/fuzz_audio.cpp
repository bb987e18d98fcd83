#include "fuzz/fuzz_audio.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

namespace {

constexpr int kChannels = 2;

// How the host lays out the block.
enum class Layout { separate, inPlace, overlapping, nullInputs, nullOutputs, nullInputChannel, nullOutputChannel };

Layout chooseLayout(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 12)) {
    case 0: return Layout::nullInputs;
    case 1: return Layout::nullOutputs;
    case 2: return Layout::nullInputChannel;
    case 3: return Layout::nullOutputChannel;
    case 4:
    case 5:
    case 6: return Layout::inPlace;
    case 7: return Layout::overlapping;
    default: return Layout::separate;
  }
}

std::int32_t chooseFrames(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: return input.ConsumeIntegralInRange<std::int32_t>(-4, 0);
    case 1: return input.ConsumeIntegralInRange<std::int32_t>(513, 8192);
    default: return input.ConsumeIntegralInRange<std::int32_t>(1, 512);
  }
}

// Sample values: extremes that break careless arithmetic, and arbitrary bit patterns
// made finite.
class SampleSource {
 public:
  explicit SampleSource(std::uint64_t seed) : state_(seed) {}

  template <class Sample>
  Sample next() {
    const std::uint64_t bits = nextBits();
    constexpr Sample kSpecial[] = {0,
                                   -0.0,
                                   1,
                                   -1,
                                   0.5,
                                   0.25,
                                   std::numeric_limits<Sample>::denorm_min(),
                                   -std::numeric_limits<Sample>::denorm_min(),
                                   std::numeric_limits<Sample>::min(),
                                   std::numeric_limits<Sample>::max(),
                                   -std::numeric_limits<Sample>::max(),
                                   static_cast<Sample>(1.0e30)};
    if ((bits & 3) == 0) return kSpecial[(bits >> 2) % std::size(kSpecial)];
    Sample value;
    if constexpr (std::is_same_v<Sample, float>) {
      const auto narrow = static_cast<std::uint32_t>(bits >> 32);
      std::memcpy(&value, &narrow, sizeof value);
    } else {
      std::memcpy(&value, &bits, sizeof value);
    }
    return std::isfinite(value) ? value : std::copysign(std::numeric_limits<Sample>::max(), value);
  }

 private:
  // splitmix64: cheap and good enough to vary long blocks from a few input bytes.
  std::uint64_t nextBits() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }

  std::uint64_t state_;
};

template <class Sample>
bool sameBits(Sample a, Sample b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Output bits no processing can produce from finite input: a NaN with a payload.
template <class Sample>
Sample untouchedMark() {
  if constexpr (std::is_same_v<Sample, float>) {
    const std::uint32_t bits = 0x7fc0beefu;
    Sample value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  } else {
    const std::uint64_t bits = 0x7ff8deadbeef0001ull;
    Sample value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
}

// Whether `out` is the mean of a and b within the rounding of one operation.
template <class Sample>
bool isMean(Sample out, Sample a, Sample b) {
  const long double exact = (static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L;
  const long double epsilon = std::numeric_limits<Sample>::epsilon();
  const long double tolerance =
      std::fabs(exact) * epsilon + static_cast<long double>(std::numeric_limits<Sample>::denorm_min());
  return std::fabs(static_cast<long double>(out) - exact) <= tolerance;
}

template <class Sample>
void process(AEffect* effect, Sample** inputs, Sample** outputs, std::int32_t frames) {
  if constexpr (std::is_same_v<Sample, float>)
    effect->processReplacing(effect, inputs, outputs, frames);
  else
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
}

// What one frame leaves in the outputs: the inputs, or their mean (the sum halved,
// or each halved first where the sum would overflow), computed in double.
template <class Sample>
void referenceFrame(bool mono, Sample a, Sample b, Sample& left, Sample& right) {
  if (!mono) {
    left = a;
    right = b;
    return;
  }
  const double sum = static_cast<double>(a) + static_cast<double>(b);
  const double mean = std::isfinite(sum) ? sum * 0.5 : static_cast<double>(a) * 0.5 + static_cast<double>(b) * 0.5;
  left = right = static_cast<Sample>(mean);
}

// All four channel buffers in one stretch of memory, each starting 0 to 3 samples
// in, so they overlap in every way. The plug-in must give what processing frame by
// frame gives: both inputs read, then the left and the right output written.
template <class Sample>
void processOverlapping(FuzzInstance& instance, std::int32_t frames, SampleSource& source,
                        FuzzedDataProvider& input) {
  constexpr std::size_t kMaxOffset = 3;
  const auto length = static_cast<std::size_t>(frames) + kMaxOffset;
  std::unique_ptr<Sample[]> arena(new Sample[length]);
  for (std::size_t i = 0; i < length; ++i) arena[i] = source.next<Sample>();
  std::unique_ptr<Sample[]> expected(new Sample[length]);
  std::memcpy(expected.get(), arena.get(), length * sizeof(Sample));

  std::size_t offsets[4];
  for (std::size_t& offset : offsets) offset = input.ConsumeIntegralInRange<std::size_t>(0, kMaxOffset);
  Sample* inputs[kChannels] = {arena.get() + offsets[0], arena.get() + offsets[1]};
  Sample* outputs[kChannels] = {arena.get() + offsets[2], arena.get() + offsets[3]};
  for (std::int32_t j = 0; j < frames; ++j) {
    const auto at = static_cast<std::size_t>(j);
    referenceFrame(instance.mono, expected[offsets[0] + at], expected[offsets[1] + at], expected[offsets[2] + at],
                   expected[offsets[3] + at]);
  }
  process(instance.effect(), inputs, outputs, frames);
  for (std::size_t i = 0; i < length; ++i) {
    fuzzCheck(std::isfinite(arena[i]), "non-finite output from finite input");
    fuzzCheck(sameBits(arena[i], expected[i]), "overlapping buffers were not processed frame by frame");
  }
}

template <class Sample>
void processOne(FuzzInstance& instance, FuzzedDataProvider& input) {
  const std::int32_t frames = chooseFrames(input);
  const Layout layout = chooseLayout(input);
  if (layout == Layout::overlapping && frames > 0) {
    SampleSource source(input.ConsumeIntegral<std::uint64_t>());
    return processOverlapping<Sample>(instance, frames, source, input);
  }
  const auto length = static_cast<std::size_t>(frames > 0 ? frames : 0);
  SampleSource source(input.ConsumeIntegral<std::uint64_t>());

  // Exactly sized heap buffers, so AddressSanitizer sees any access past the block.
  std::unique_ptr<Sample[]> in[kChannels], out[kChannels], original[kChannels];
  for (int c = 0; c < kChannels; ++c) {
    in[c].reset(new Sample[length]);
    out[c].reset(new Sample[length]);
    original[c].reset(new Sample[length]);
    for (std::size_t j = 0; j < length; ++j) {
      original[c][j] = in[c][j] = source.next<Sample>();
      out[c][j] = untouchedMark<Sample>();
    }
  }
  // Equal channels are common in real signals and make both modes agree.
  if (input.ConsumeIntegralInRange<int>(0, 7) == 0)
    for (std::size_t j = 0; j < length; ++j) original[1][j] = in[1][j] = in[0][j];

  Sample* inputs[kChannels] = {in[0].get(), in[1].get()};
  Sample* outputs[kChannels] = {out[0].get(), out[1].get()};
  if (layout == Layout::inPlace) {
    outputs[0] = inputs[0];
    outputs[1] = inputs[1];
  }
  if (layout == Layout::nullInputChannel) inputs[input.ConsumeIntegralInRange<int>(0, 1)] = nullptr;
  if (layout == Layout::nullOutputChannel) outputs[input.ConsumeIntegralInRange<int>(0, 1)] = nullptr;
  Sample** inputArray = layout == Layout::nullInputs ? nullptr : inputs;
  Sample** outputArray = layout == Layout::nullOutputs ? nullptr : outputs;

  process(instance.effect(), inputArray, outputArray, frames);

  if (layout != Layout::separate && layout != Layout::inPlace && layout != Layout::overlapping) {
    for (int c = 0; c < kChannels; ++c) {
      for (std::size_t j = 0; j < length; ++j) {
        fuzzCheck(sameBits(out[c][j], untouchedMark<Sample>()), "an unusable block wrote an output");
        fuzzCheck(sameBits(in[c][j], original[c][j]), "an unusable block changed an input");
      }
    }
    return;
  }
  for (std::size_t j = 0; j < length; ++j) {
    const Sample left = outputs[0][j];
    const Sample right = outputs[1][j];
    fuzzCheck(std::isfinite(left) && std::isfinite(right), "non-finite output from finite input");
    const Sample a = original[0][j];
    const Sample b = original[1][j];
    if (instance.mono) {
      fuzzCheck(sameBits(left, right), "mono outputs differ");
      fuzzCheck(isMean(left, a, b), "mono output is not the mean of the inputs");
    } else {
      fuzzCheck(sameBits(left, a) && sameBits(right, b), "stereo output is not the input bit for bit");
    }
  }
}

}  // namespace

void fuzzProcessAndCheck(FuzzInstance& instance, FuzzedDataProvider& input) {
  if (input.ConsumeBool())
    processOne<double>(instance, input);
  else
    processOne<float>(instance, input);
}

void fuzzDeprecatedProcess(FuzzInstance& instance, FuzzedDataProvider& input) {
  const std::int32_t frames = input.ConsumeIntegralInRange<std::int32_t>(0, 64);
  const auto length = static_cast<std::size_t>(frames);
  std::unique_ptr<float[]> in[kChannels], out[kChannels];
  for (int c = 0; c < kChannels; ++c) {
    in[c].reset(new float[length]);
    out[c].reset(new float[length]);
    for (std::size_t j = 0; j < length; ++j) {
      in[c][j] = 0.5f;
      out[c][j] = 0.25f;
    }
  }
  float* inputs[kChannels] = {in[0].get(), in[1].get()};
  float* outputs[kChannels] = {out[0].get(), out[1].get()};
  instance.effect()->process(instance.effect(), inputs, outputs, frames);
  for (int c = 0; c < kChannels; ++c)
    for (std::size_t j = 0; j < length; ++j)
      fuzzCheck(out[c][j] == 0.25f, "the deprecated accumulating process touched an output");
}

void fuzzFillSignal(std::uint64_t seed, float* samples, std::size_t count) {
  SampleSource source(seed);
  for (std::size_t i = 0; i < count; ++i) samples[i] = source.next<float>();
}

bool fuzzFrameMatches(bool mono, float a, float b, float left, float right) {
  if (!std::isfinite(left) || !std::isfinite(right)) return false;
  if (!mono) return sameBits(left, a) && sameBits(right, b);
  return sameBits(left, right) && isMean(left, a, b);
}
