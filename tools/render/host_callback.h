// What the offline host tells a plug-in: its version, the sample rate, the block size,
// the process level and a running transport at 120 BPM in 4/4.
#pragma once

#include <cstdint>

#include "host/vst/vst2_abi.h"

class HostContext {
 public:
  HostContext();

  void configure(double sampleRate, std::int32_t blockSize);
  // Back to position zero; the next block reports a transport change.
  void startTransport();
  // Called once per block, before the plug-in processes it.
  void beginBlock();
  void advance(std::int32_t frames);
  void setProcessing(bool processing) { processing_ = processing; }

  double sampleRate() const { return sampleRate_; }
  std::int32_t blockSize() const { return blockSize_; }
  VstIntPtr answer(VstInt32 opcode);

  static constexpr double kTempo = 120.0;
  static constexpr VstInt32 kHostVersion = 2400;

 private:
  double sampleRate_ = 44100.0;
  std::int32_t blockSize_ = 512;
  std::int64_t position_ = 0;
  bool transportChanged_ = true;
  bool processing_ = false;
  VstTimeInfo time_{};
};

// The callback handed to the plug-in's entry point. It finds its HostContext through
// AEffect::resvd1 (the host's field) or, during the entry call, through bindHost().
VstIntPtr VSTCALLBACK offlineHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);
void bindHostForEntry(HostContext* host);
