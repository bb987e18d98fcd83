#include "hosting/host.h"

#include <array>
#include <cmath>

namespace hosting {

namespace {

// Which host an instance belongs to. Fixed storage of atomics: routing a call neither
// allocates nor locks, so it is safe on an audio thread. Lookups scan only the slots
// ever used.
struct Route {
  std::atomic<const AEffect*> effect{nullptr};
  std::atomic<Host*> host{nullptr};
};
std::array<Route, 256> routes;
std::atomic<std::size_t> routesUsed{0};

// The host whose entry-point call runs on this thread: the version query comes before
// the plug-in has a record to name itself by.
thread_local Host* creatingHost = nullptr;
std::atomic<std::size_t> strayCalls{0};

void addRoute(const AEffect* effect, Host* host) {
  for (std::size_t i = 0; i < routes.size(); ++i) {
    const AEffect* expected = nullptr;
    if (routes[i].effect.load() == effect || routes[i].effect.compare_exchange_strong(expected, effect)) {
      routes[i].host.store(host);
      std::size_t used = routesUsed.load();
      while (used < i + 1 && !routesUsed.compare_exchange_weak(used, i + 1)) {
      }
      return;
    }
  }
}

void removeRoutes(const AEffect* effect, const Host* host) {
  const std::size_t used = routesUsed.load();
  for (Route* route = routes.data(); route < routes.data() + used; ++route) {
    if ((effect && route->effect.load() == effect) || (host && route->host.load() == host)) {
      route->host.store(nullptr);
      route->effect.store(nullptr);
    }
  }
}

Host* routeOf(const AEffect* effect) {
  const std::size_t used = routesUsed.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < used; ++i)
    if (routes[i].effect.load(std::memory_order_acquire) == effect) return routes[i].host.load(std::memory_order_acquire);
  return nullptr;
}

VstIntPtr VSTCALLBACK sharedCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt) {
  Host* host = effect ? routeOf(effect) : nullptr;
  if (!host) host = creatingHost;
  if (!host) {
    ++strayCalls;
    // A call with no instance in sight still learns which standard this host speaks.
    return opcode == audioMasterVersion ? kHostVersion : 0;
  }
  return host->answer({effect, opcode, index, value, ptr, opt});
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

Host::~Host() { removeRoutes(nullptr, this); }

AEffect* Host::create(EntryFunction entry) {
  if (!entry) return nullptr;
  Host* outer = creatingHost;
  creatingHost = this;
  AEffect* effect = entry(&sharedCallback);
  creatingHost = outer;
  if (effect) addRoute(effect, this);
  return effect;
}

void Host::forget(const AEffect* effect) {
  if (effect) removeRoutes(effect, nullptr);
}

VstIntPtr Host::answer(const PluginCall& call) {
  // The time first: a plug-in asks for it several times in every block.
  if (call.opcode == audioMasterGetTime) [[likely]]
    return reinterpret_cast<VstIntPtr>(timeReplaced_.load(std::memory_order_acquire)
                                           ? timeInfo_.load(std::memory_order_relaxed)
                                           : clock_.info());
  switch (call.opcode) {
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
