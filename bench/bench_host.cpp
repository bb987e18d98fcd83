#include "bench/bench_host.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace {

// Counted without a locked instruction, so the count costs the measured call next to
// nothing; only the benchmark's own thread drives the plug-in.
std::atomic<std::int64_t> timeQueries{0};

// Playing at 120 BPM in 4/4: every field the block section asks for is valid.
VstTimeInfo makeTimeInfo() {
  VstTimeInfo info{};
  info.sampleRate = 48000.0;
  info.ppqPos = 16.0;
  info.tempo = 120.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
  return info;
}

VstTimeInfo fixedTimeInfo = makeTimeInfo();

class BenchHost : public hosting::Host {
 public:
  BenchHost() : Host(TimeQueries::passedToAnswer) {}
  VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt) override {
    if (opcode != audioMasterGetTime) return Host::answer(effect, opcode, index, value, ptr, opt);
    timeQueries.store(timeQueries.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return reinterpret_cast<VstIntPtr>(&fixedTimeInfo);
  }
};

BenchHost& benchHost() {
  static BenchHost* host = new BenchHost();
  return *host;
}

}  // namespace

const char* modeName(FoldMode mode) { return mode == FoldMode::mono ? "mono" : "stereo"; }

std::int64_t hostTimeQueries() { return timeQueries.load(std::memory_order_relaxed); }

std::string PluginModule::defaultPath() {
  if (const char* path = std::getenv("TWINFOLD_PLUGIN")) return path;
  return TWINFOLD_PLUGIN_PATH;
}

PluginModule::PluginModule(const std::string& path) : module_(path), entry_(module_.entry("VSTPluginMain")) {
  if (!module_.loaded()) throw std::runtime_error("cannot load " + path + ": " + module_.error());
  if (!entry_) throw std::runtime_error(path + " does not export VSTPluginMain");
}

BenchInstance::BenchInstance(const PluginModule& module, FoldMode mode, std::int32_t blockSize)
    : Instance(module.entry(), &benchHost()) {
  if (!valid()) throw std::runtime_error("the entry point gave no instance");
  setSampleRate(48000.0);
  setBlockSize(blockSize);
  resume();
  setParameter(0, mode == FoldMode::mono ? 1.0f : 0.0f);
}

const char* signalName(Signal signal) { return signal == Signal::subnormal ? "subnormal" : "noise"; }

template <class Sample>
StereoBuffers<Sample>::StereoBuffers(std::int32_t frames, Signal signal) : frames_(frames) {
  const auto size = static_cast<std::size_t>(std::max(frames, 1));
  for (auto& channel : store_) channel.assign(size, Sample(0));
  // Below the smallest normal sample, by a factor that keeps them nonzero.
  const double subnormalScale = static_cast<double>(std::numeric_limits<Sample>::min()) / 2.0;
  std::uint32_t state = 0x2545f491u;
  for (std::int32_t c = 0; c < 2; ++c)
    for (Sample& sample : store_[c]) {
      state = state * 1664525u + 1013904223u;  // LCG: the same signal on every run
      const double noise = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
      sample = static_cast<Sample>(signal == Signal::subnormal ? noise * subnormalScale : noise);
    }
  for (std::int32_t c = 0; c < 2; ++c) {
    inputs_[c] = store_[c].data();
    outputs_[c] = store_[2 + c].data();
  }
}

template class StereoBuffers<float>;
template class StereoBuffers<double>;
