#include "hosting/host.h"

#include <cmath>

namespace hosting {

namespace {

// The host whose entry-point call runs on this thread: the version query comes before
// the plug-in has a record to name itself by.
thread_local Host* creatingHost = nullptr;
std::atomic<std::size_t> strayCalls{0};

// A call from a record the host has not marked: the entry-point call's, or a stray one.
// Out of line, so the marked instances' path stays a load and a jump.
[[gnu::noinline]] VstIntPtr answerUnmarked(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt) {
  if (Host* host = creatingHost) return host->answer(effect, opcode, index, value, ptr, opt);
  ++strayCalls;
  // A call with no instance in sight still learns which standard this host speaks.
  return opcode == audioMasterVersion ? kHostVersion : 0;
}

VstIntPtr VSTCALLBACK sharedCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt) {
  // An instance names its host in the record's host field.
  Host* host = effect ? reinterpret_cast<Host*>(effect->resvd1) : nullptr;
  if (!host) [[unlikely]]
    return answerUnmarked(effect, opcode, index, value, ptr, opt);
  // The time first: a plug-in asks for it several times in every block.
  if (opcode == host->directOpcode()) [[likely]]
    return host->timeAnswer();
  return host->answer(effect, opcode, index, value, ptr, opt);
}

constexpr VstInt32 kMusicalTimeFlags =
    kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;

}  // namespace

Clock::Clock() { restart(); }

void Clock::restart() {
  position_ = 0;
  changed_ = true;
  beginBlock();
}

void Clock::beginBlock() {
  time_.samplePos = static_cast<double>(position_);
  time_.sampleRate = rate_;
  if (tempo_ <= 0.0) return;
  const double seconds = static_cast<double>(position_) / rate_;
  const double quarterNotes = seconds * tempo_ / 60.0;
  time_.nanoSeconds = seconds * 1e9;
  time_.ppqPos = quarterNotes;
  time_.tempo = tempo_;
  time_.barStartPos = std::floor(quarterNotes / 4.0) * 4.0;
  time_.timeSigNumerator = 4;
  time_.timeSigDenominator = 4;
  time_.flags = kMusicalTimeFlags | (changed_ ? kVstTransportChanged : 0);
}

void Clock::advance(std::int32_t frames) {
  position_ += frames;
  changed_ = false;
  time_.samplePos = static_cast<double>(position_);
}

Host::~Host() = default;

AEffect* Host::create(EntryFunction entry) {
  if (!entry) return nullptr;
  Host* outer = creatingHost;
  creatingHost = this;
  AEffect* effect = entry(&sharedCallback);
  creatingHost = outer;
  // resvd1 is the host's own field of the record; a record without the magic is no
  // instance, and not written to.
  if (effect && effect->magic == kEffectMagic) effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
  return effect;
}

VstIntPtr Host::answer(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                       void* /*ptr*/, float /*opt*/) {
  switch (opcode) {
    case audioMasterGetTime: return timeAnswer();
    case audioMasterVersion: return versionAnswer_.load();
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(std::lround(clock_.sampleRate()));
    case audioMasterGetBlockSize: return clock_.blockSize();
    case audioMasterGetCurrentProcessLevel: return processLevel_.load();
    default: return 0;
  }
}

audioMasterCallback Host::callback() { return &sharedCallback; }

std::size_t Host::strayCallCount() { return strayCalls.load(); }

}  // namespace hosting
