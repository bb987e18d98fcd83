// What a CLAP transport tells the core, cheaply enough for every block: the core's time
// flags read from a table built at compile time (one load rather than a test per flag;
// a field's valid flag says only that the host has it, whether the value holds is the
// time record's check), and the sample position rounded without a library call, which
// would make the whole time fill save and restore registers.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "abi/clap_abi.h"
#include "host/vst/vst2_abi.h"

namespace clap {

inline constexpr std::uint32_t kTransportFlagBits = 7;  // the transport flags the core has a meaning for

constexpr VstInt32 coreTimeFlags(std::uint32_t has) {
  VstInt32 flags = 0;
  if (has & kTransportHasBeatsTimeline) {
    flags |= kVstPpqPosValid | kVstBarsValid;
    if (has & kTransportIsLoopActive) flags |= kVstCyclePosValid;
  }
  if (has & kTransportHasTempo) flags |= kVstTempoValid;
  if (has & kTransportHasTimeSignature) flags |= kVstTimeSigValid;
  if (has & kTransportIsPlaying) flags |= kVstTransportPlaying;
  if (has & kTransportIsRecording) flags |= kVstTransportRecording;
  if (has & kTransportIsLoopActive) flags |= kVstTransportCycleActive;
  return flags;
}

inline constexpr auto kCoreTimeFlags = [] {
  std::array<VstInt32, 1u << kTransportFlagBits> table{};
  for (std::uint32_t has = 0; has < table.size(); ++has) table[has] = coreTimeFlags(has);
  return table;
}();

inline VstInt32 coreTimeFlagsOf(std::uint32_t has) { return kCoreTimeFlags[has & (kCoreTimeFlags.size() - 1)]; }

// std::round's result, bit for bit: halves away from zero, the sign kept (also of a zero).
inline double roundHalfAway(double x) {
  constexpr double kWholeFrom = 4503599627370496.0;  // 2^52: every double from here on is whole
  if (!(std::fabs(x) < kWholeFrom)) return x;
  const double whole = static_cast<double>(static_cast<std::int64_t>(x));  // exact: |x| < 2^52
  return std::copysign(std::fabs(x - whole) >= 0.5 ? whole + std::copysign(1.0, x) : whole, x);
}

inline double samplePositionOf(std::int64_t seconds, double sampleRate) {
  return roundHalfAway(static_cast<double>(seconds) / kFixedPointFactor * sampleRate);
}

}  // namespace clap
