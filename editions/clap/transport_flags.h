// The core's time flags for a CLAP transport's flags, read from a table built at compile
// time so that a block's time costs one load rather than a test per flag. A field's valid
// flag says only that the host has it; whether the value holds is the time record's check.
#pragma once

#include <array>
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

}  // namespace clap
