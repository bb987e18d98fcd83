#include "tests/support/test_host.h"

#if defined(__SSE__) || defined(_M_X64) || defined(_M_IX86)
#include <xmmintrin.h>
#define TWINFOLD_TEST_HAS_MXCSR 1
#endif

#include <cstdlib>

TestHost::TestHost(std::size_t logCapacity) {
  log_.reserve(logCapacity);
  setTimeInfo(nullptr);
}

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

VstIntPtr TestHost::answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const HostCall call{effect, opcode, index, value};
  {
    std::lock_guard lock(mutex_);
    ++total_;
    if (log_.size() < log_.capacity()) log_.push_back(call);
  }
  if (hook_) hook_(call);
  return Host::answer(effect, opcode, index, value, ptr, opt);
}

void HostedPlugin::start(float sampleRate, VstInt32 blockSize) {
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  dispatch(effSetBlockSize, 0, blockSize);
  dispatch(effMainsChanged, 0, 1);
}

bool processingFlushesDenormals() {
  static const bool flushes = std::getenv("TWINFOLD_TEST_FLUSH_DENORMALS") != nullptr;
  return flushes;
}

namespace {

// Flush-to-zero and denormals-are-zero for the plug-in's call, as such a host runs
// its audio thread; the test's own arithmetic around the call keeps the defaults.
#if defined(TWINFOLD_TEST_HAS_MXCSR)
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
#else
struct ProcessingFlags {};
#endif

}  // namespace

void HostedPlugin::processAsHost(float** inputs, float** outputs, VstInt32 frames) {
  const ProcessingFlags flags;
  processUnchecked(inputs, outputs, frames);
}
void HostedPlugin::processAsHost(double** inputs, double** outputs, VstInt32 frames) {
  const ProcessingFlags flags;
  processUnchecked(inputs, outputs, frames);
}

const PluginLibrary& sharedPluginLibrary() {
  static const PluginLibrary* library = new PluginLibrary(pluginUnderTest());
  return *library;
}

PluginEntryProc pluginEntry(const char* name) { return sharedPluginLibrary().entry(name); }
