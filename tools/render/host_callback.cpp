#include "tools/render/host_callback.h"

#include <cmath>

namespace {

// The context of the instance being created: the plug-in may call back from inside
// its entry point, before the host could store anything in the record.
HostContext* hostInCreation = nullptr;

constexpr VstInt32 kProcessLevelUser = 1;
constexpr VstInt32 kProcessLevelOffline = 4;

constexpr VstInt32 kTimeFlags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid |
                                kVstBarsValid | kVstTimeSigValid;

}  // namespace

HostContext::HostContext() { startTransport(); }

void HostContext::configure(double sampleRate, std::int32_t blockSize) {
  sampleRate_ = sampleRate;
  blockSize_ = blockSize;
  startTransport();
}

void HostContext::startTransport() {
  position_ = 0;
  transportChanged_ = true;
  beginBlock();
}

void HostContext::beginBlock() {
  const double seconds = static_cast<double>(position_) / sampleRate_;
  const double quarterNotes = seconds * kTempo / 60.0;
  time_.samplePos = static_cast<double>(position_);
  time_.sampleRate = sampleRate_;
  time_.nanoSeconds = seconds * 1e9;
  time_.ppqPos = quarterNotes;
  time_.tempo = kTempo;
  time_.barStartPos = std::floor(quarterNotes / 4.0) * 4.0;
  time_.cycleStartPos = 0.0;
  time_.cycleEndPos = 0.0;
  time_.timeSigNumerator = 4;
  time_.timeSigDenominator = 4;
  time_.smpteOffset = 0;
  time_.smpteFrameRate = 0;
  time_.samplesToNextClock = 0;
  time_.flags = kTimeFlags | (transportChanged_ ? kVstTransportChanged : 0);
}

void HostContext::advance(std::int32_t frames) {
  position_ += frames;
  transportChanged_ = false;
}

VstIntPtr HostContext::answer(VstInt32 opcode) {
  switch (opcode) {
    case audioMasterVersion: return kHostVersion;
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&time_);
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(std::lround(sampleRate_));
    case audioMasterGetBlockSize: return blockSize_;
    case audioMasterGetCurrentProcessLevel: return processing_ ? kProcessLevelOffline : kProcessLevelUser;
    default: return 0;
  }
}

void bindHostForEntry(HostContext* host) { hostInCreation = host; }

VstIntPtr VSTCALLBACK offlineHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                                          void* /*ptr*/, float /*opt*/) {
  HostContext* host = (effect && effect->resvd1) ? reinterpret_cast<HostContext*>(effect->resvd1) : hostInCreation;
  if (host) return host->answer(opcode);
  // A call with no instance in sight still learns which standard this host speaks.
  return opcode == audioMasterVersion ? HostContext::kHostVersion : 0;
}
