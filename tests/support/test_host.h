// A scripted VST 2.4 host for the host-level tests, on the hosting library's callback:
// it answers the plug-in's calls as configured, records every call, and drives
// instances only through AEffect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hosting/host.h"
#include "hosting/instance.h"
#include "tests/support/plugin_library.h"

struct HostCall {
  const AEffect* effect;
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;

  bool operator==(const HostCall&) const = default;
};

// One host; any number of instances and threads may call it at once. It hands out no
// time information until setTimeInfo. Recording uses storage reserved up front, so a
// callback never allocates (the real-time test counts).
class TestHost : public hosting::Host {
 public:
  using Hook = std::function<void(const HostCall&)>;

  explicit TestHost(std::size_t logCapacity = 8192);

  // Runs on the calling thread after each call is recorded. Set it only while no
  // plug-in call is in flight.
  void setHook(Hook hook) { hook_ = std::move(hook); }

  std::vector<HostCall> calls() const;
  std::vector<HostCall> callsOf(VstInt32 opcode) const;
  // Every call counts here, also those past the log's capacity.
  std::size_t callCount() const;
  void clearCalls();

  VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt) override;

 private:
  mutable std::mutex mutex_;
  std::vector<HostCall> log_;
  std::size_t total_ = 0;
  Hook hook_;
};

// One plug-in instance as the host-level tests hold it: created but not opened, so a
// test scripts every call from effOpen on; closed (effClose) when it goes away.
class HostedPlugin : public hosting::Instance {
 public:
  HostedPlugin(TestHost& host, PluginEntryProc entry) : Instance(entry, &host, Opening::byCaller) {}

  // effOpen, sample rate, block size and resume, as a host starts an instance.
  void start(float sampleRate = 48000.0f, VstInt32 blockSize = 512);
  // The plug-in's own processing call, unchecked, as a host's audio thread makes it
  // (see processingFlushesDenormals).
  void processAsHost(float** inputs, float** outputs, VstInt32 frames);
  void processAsHost(double** inputs, double** outputs, VstInt32 frames);
};

// True when the environment sets TWINFOLD_TEST_FLUSH_DENORMALS: HostedPlugin's
// processing calls then run with inputs and results flushed to zero (x86 MXCSR's FTZ
// and DAZ, ARM's FZ), as many hosts run their audio thread.
bool processingFlushesDenormals();

// The plug-in under test, loaded once per test program and never unloaded.
const PluginLibrary& sharedPluginLibrary();
// One of the library's exported entry points; null when it is missing.
PluginEntryProc pluginEntry(const char* name = "VSTPluginMain");
