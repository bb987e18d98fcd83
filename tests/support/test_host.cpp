#include "tests/support/test_host.h"

#include <cstdlib>

#include "tests/support/flush_to_zero.h"

TestHost::TestHost(std::size_t logCapacity) : Host(TimeQueries::passedToAnswer) {
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

// Flushing of inputs and results for the plug-in's call, as such a host runs its audio
// thread; the test's own arithmetic around the call keeps the defaults.
class ProcessingFlags {
 public:
  ProcessingFlags() : scope_(processingFlushesDenormals() ? flush_to_zero::settings().back().bits : 0) {}

 private:
  flush_to_zero::Scope scope_;
};

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
