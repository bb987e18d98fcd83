#include "tests/battery/battery_support.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <class Sample>
Sample finiteSample(std::mt19937_64& random) {
  using Limits = std::numeric_limits<Sample>;
  const Sample special[] = {0, -0.0, 1, -1, 0.5, Limits::denorm_min(), -Limits::denorm_min(),
                            Limits::min(), Limits::max(), -Limits::max(), Limits::max() / 2};
  const std::uint64_t bits = random();
  switch (bits % 8) {
    case 0: return special[(bits >> 8) % std::size(special)];
    case 1: {  // any finite bit pattern
      Sample value;
      if constexpr (sizeof(Sample) == 4) {
        const auto narrow = static_cast<std::uint32_t>(bits >> 32);
        std::memcpy(&value, &narrow, sizeof value);
      } else {
        std::memcpy(&value, &bits, sizeof value);
      }
      return std::isfinite(value) ? value : Sample(0.125);
    }
    default:  // an ordinary level
      return static_cast<Sample>(std::uniform_real_distribution<double>(-1.0, 1.0)(random));
  }
}

template <class Sample>
bool sameBits(Sample a, Sample b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Within the rounding of the one operation the mean takes. The mean is taken in the
// widest type there is; where that is double itself (32-bit ARM), a sum that overflows
// is halved first.
template <class Sample>
bool isMean(Sample out, Sample a, Sample b) {
  const long double wideA = a, wideB = b;
  const long double sum = wideA + wideB;
  const long double exact = std::isfinite(sum) ? sum * 0.5L : wideA * 0.5L + wideB * 0.5L;
  const long double tolerance = std::fabs(exact) * std::numeric_limits<Sample>::epsilon() +
                                static_cast<long double>(std::numeric_limits<Sample>::denorm_min());
  return std::fabs(static_cast<long double>(out) - exact) <= tolerance;
}

}  // namespace

template <class Sample>
BatteryBlock<Sample>::BatteryBlock(std::int32_t frames) : frames_(frames) {
  const auto length = static_cast<std::size_t>(frames > 0 ? frames : 0);
  for (int c = 0; c < 2; ++c) {
    in_[c].reset(new Sample[length]());
    out_[c].reset(new Sample[length]());
    original_[c].reset(new Sample[length]());
    inputs_[c] = in_[c].get();
    outputs_[c] = out_[c].get();
  }
}

template <class Sample>
void BatteryBlock<Sample>::fill(std::mt19937_64& random) {
  const bool equalChannels = random() % 8 == 0;
  for (std::int32_t j = 0; j < frames_; ++j) {
    in_[0][j] = original_[0][j] = finiteSample<Sample>(random);
    in_[1][j] = original_[1][j] = equalChannels ? in_[0][j] : finiteSample<Sample>(random);
    out_[0][j] = out_[1][j] = std::numeric_limits<Sample>::quiet_NaN();
  }
}

template <class Sample>
void BatteryBlock<Sample>::processInPlace(bool inPlace) {
  for (int c = 0; c < 2; ++c) outputs_[c] = inPlace ? in_[c].get() : out_[c].get();
}

template <class Sample>
testing::AssertionResult BatteryBlock<Sample>::outputIs(Expect expect) const {
  // Under Expect::either the mode switches at most once within a block: among the
  // frames that are only stereo or only mono, the kind changes at most once.
  int kindChanges = 0;
  std::int32_t lastDecided = -1;
  bool lastMono = false;
  for (std::int32_t j = 0; j < frames_; ++j) {
    const Sample a = original_[0][j], b = original_[1][j];
    const Sample left = outputs_[0][j], right = outputs_[1][j];
    if (!std::isfinite(left) || !std::isfinite(right))
      return testing::AssertionFailure() << "frame " << j << " of " << frames_ << ": non-finite output " << left
                                         << ", " << right << " from " << a << ", " << b;
    const bool stereo = sameBits(left, a) && sameBits(right, b);
    const bool mono = sameBits(left, right) && isMean(left, a, b);
    const bool expected = expect == Expect::stereo ? stereo : expect == Expect::mono ? mono : stereo || mono;
    if (!expected)
      return testing::AssertionFailure() << "frame " << j << " of " << frames_ << ": output " << left << ", "
                                         << right << " from " << a << ", " << b << " is not "
                                         << (expect == Expect::stereo ? "stereo"
                                             : expect == Expect::mono ? "mono"
                                                                      : "stereo or mono");
    if (expect != Expect::either || stereo == mono) continue;
    if (lastDecided >= 0 && mono != lastMono && ++kindChanges > 1)
      return testing::AssertionFailure() << "frame " << j << " of " << frames_ << " switches the mode back after frame "
                                         << lastDecided;
    lastDecided = j;
    lastMono = mono;
  }
  return testing::AssertionSuccess();
}

template class BatteryBlock<float>;
template class BatteryBlock<double>;

namespace {
template <class Sample>
testing::AssertionResult processBlock(HostedPlugin& plugin, std::int32_t frames, Expect expect,
                                      std::mt19937_64& random) {
  BatteryBlock<Sample> block(frames);
  block.fill(random);
  block.processInPlace(random() % 4 == 0);
  block.run(plugin);
  return block.outputIs(expect);
}
}  // namespace

testing::AssertionResult processRandomBlock(HostedPlugin& plugin, std::int32_t frames, Expect expect,
                                            std::mt19937_64& random) {
  if (random() % 2 == 0) return processBlock<float>(plugin, frames, expect, random);
  return processBlock<double>(plugin, frames, expect, random);
}

std::vector<float> saveState(HostedPlugin& plugin) {
  void* address = nullptr;
  const VstIntPtr bytes = plugin.dispatch(effGetChunk, 0, 0, &address);
  if (bytes <= 0 || !address) return {};
  std::vector<float> state(static_cast<std::size_t>(bytes) / sizeof(float));
  std::memcpy(state.data(), address, state.size() * sizeof(float));
  return state;
}

VstIntPtr restoreState(HostedPlugin& plugin, const std::vector<float>& state) {
  return plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size() * sizeof(float)),
                         const_cast<float*>(state.data()));
}

VstIntPtr restoreOwnSave(HostedPlugin& plugin) {
  void* address = nullptr;
  const VstIntPtr bytes = plugin.dispatch(effGetChunk, 0, 0, &address);
  return plugin.dispatch(effSetChunk, 0, bytes, address);
}

std::vector<float> modeState(bool mono) {
  std::vector<float> state(65, 0.0f);
  state[0] = -1000.0f;
  state[1] = mono ? 1.0f : 0.0f;
  return state;
}
