#include "tests/support/test_host.h"

#include <xmmintrin.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// Which host an instance belongs to. Fixed storage: routing a call never allocates.
struct Route {
  const AEffect* effect = nullptr;
  TestHost* host = nullptr;
};
std::mutex routesMutex;
std::array<Route, 256> routes;

// The host whose entry-point call is running on this thread: the version query comes
// before the plug-in has a record to name itself by.
thread_local TestHost* creatingHost = nullptr;
std::atomic<std::size_t> strayCalls{0};

void addRoute(const AEffect* effect, TestHost* host) {
  std::lock_guard lock(routesMutex);
  Route* free = nullptr;
  for (Route& route : routes) {
    if (route.effect == effect) {
      route.host = host;
      return;
    }
    if (!free && !route.effect) free = &route;
  }
  if (free) *free = {effect, host};
}

void removeRoutes(const AEffect* effect, const TestHost* host) {
  std::lock_guard lock(routesMutex);
  for (Route& route : routes)
    if ((effect && route.effect == effect) || (host && route.host == host)) route = {};
}

TestHost* routeOf(const AEffect* effect) {
  std::lock_guard lock(routesMutex);
  for (const Route& route : routes)
    if (route.effect == effect) return route.host;
  return nullptr;
}

}  // namespace

TestHost::TestHost(std::size_t logCapacity) { log_.reserve(logCapacity); }

TestHost::~TestHost() { removeRoutes(nullptr, this); }

AEffect* TestHost::create(PluginEntryProc entry) {
  if (!entry) return nullptr;
  TestHost* outer = creatingHost;
  creatingHost = this;
  AEffect* effect = entry(callback());
  creatingHost = outer;
  if (effect) addRoute(effect, this);
  return effect;
}

void TestHost::forget(const AEffect* effect) { removeRoutes(effect, nullptr); }

std::vector<HostCall> TestHost::calls() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<HostCall> TestHost::callsOf(VstInt32 opcode) const {
  std::vector<HostCall> matching;
  for (const HostCall& call : calls())
    if (call.opcode == opcode) matching.push_back(call);
  return matching;
}

std::size_t TestHost::callCount() const {
  std::lock_guard lock(mutex_);
  return total_;
}

void TestHost::clearCalls() {
  std::lock_guard lock(mutex_);
  log_.clear();
  total_ = 0;
}

std::size_t TestHost::strayCallCount() { return strayCalls.load(); }

audioMasterCallback TestHost::callback() { return &TestHost::dispatch; }

VstIntPtr VSTCALLBACK TestHost::dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* /*ptr*/, float /*opt*/) {
  TestHost* host = effect ? routeOf(effect) : nullptr;
  if (!host) host = creatingHost;
  if (!host) {
    ++strayCalls;
    return 0;
  }
  return host->answer({effect, opcode, index, value});
}

VstIntPtr TestHost::answer(const HostCall& call) {
  {
    std::lock_guard lock(mutex_);
    ++total_;
    if (log_.size() < log_.capacity()) log_.push_back(call);
  }
  if (hook_) hook_(call);
  switch (call.opcode) {
    case audioMasterVersion: return versionAnswer_.load();
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(timeInfo_.load());
    default: return 0;
  }
}

HostedPlugin::HostedPlugin(TestHost& host, PluginEntryProc entry) : host_(host), effect_(host.create(entry)) {}

HostedPlugin::~HostedPlugin() {
  if (effect_) close();
}

VstIntPtr HostedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void HostedPlugin::start(float sampleRate, VstInt32 blockSize) {
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  dispatch(effSetBlockSize, 0, blockSize);
  dispatch(effMainsChanged, 0, 1);
}

void HostedPlugin::setParameter(VstInt32 index, float value) { effect_->setParameter(effect_, index, value); }
float HostedPlugin::getParameter(VstInt32 index) { return effect_->getParameter(effect_, index); }

bool processingFlushesDenormals() {
  static const bool flushes = std::getenv("TWINFOLD_TEST_FLUSH_DENORMALS") != nullptr;
  return flushes;
}

namespace {

// Flush-to-zero and denormals-are-zero for the plug-in's call, as such a host runs
// its audio thread; the test's own arithmetic around the call keeps the defaults.
class ProcessingFlags {
 public:
  ProcessingFlags() : saved_(_mm_getcsr()) {
    if (processingFlushesDenormals()) _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
  }
  ~ProcessingFlags() { _mm_setcsr(saved_); }
  ProcessingFlags(const ProcessingFlags&) = delete;
  ProcessingFlags& operator=(const ProcessingFlags&) = delete;

 private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned saved_;
};

}  // namespace

void HostedPlugin::process(float** inputs, float** outputs, VstInt32 frames) {
  const ProcessingFlags flags;
  effect_->processReplacing(effect_, inputs, outputs, frames);
}
void HostedPlugin::process(double** inputs, double** outputs, VstInt32 frames) {
  const ProcessingFlags flags;
  effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
}

std::string HostedPlugin::text(VstInt32 opcode, VstInt32 index) {
  char buffer[256] = {};
  dispatch(opcode, index, 0, buffer);
  return std::string(buffer, std::find(buffer, buffer + sizeof buffer, '\0'));
}

VstIntPtr HostedPlugin::close() {
  AEffect* effect = effect_;
  effect_ = nullptr;
  const VstIntPtr answer = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  host_.forget(effect);
  return answer;
}

const PluginLibrary& sharedPluginLibrary() {
  static const PluginLibrary* library = new PluginLibrary(pluginUnderTest());
  return *library;
}

PluginEntryProc pluginEntry(const char* name) { return sharedPluginLibrary().entry(name); }
