#include "bench/bench_host.h"

#include <dlfcn.h>

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

VstIntPtr VSTCALLBACK hostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                                   void* /*ptr*/, float /*opt*/) {
  // The time first: the plug-in asks for it four times per block.
  if (opcode == audioMasterGetTime) {
    timeQueries.store(timeQueries.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return reinterpret_cast<VstIntPtr>(&fixedTimeInfo);
  }
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

const char* modeName(FoldMode mode) { return mode == FoldMode::mono ? "mono" : "stereo"; }

std::int64_t hostTimeQueries() { return timeQueries.load(std::memory_order_relaxed); }

std::string PluginModule::defaultPath() {
  if (const char* path = std::getenv("TWINFOLD_PLUGIN")) return path;
  return TWINFOLD_PLUGIN_PATH;
}

PluginModule::PluginModule(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!handle_) throw std::runtime_error("cannot load " + path + ": " + dlerror());
  entry_ = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(handle_, "VSTPluginMain"));
  if (!entry_) throw std::runtime_error(path + " does not export VSTPluginMain");
}

PluginModule::~PluginModule() { dlclose(handle_); }

AEffect* PluginModule::createInstance() const {
  AEffect* effect = entry_(hostCallback);
  if (!effect || effect->magic != kEffectMagic) throw std::runtime_error("the entry point gave no instance");
  return effect;
}

PluginInstance::PluginInstance(const PluginModule& module, FoldMode mode, std::int32_t blockSize)
    : effect_(module.createInstance()) {
  dispatch(effOpen, 0, 0);
  dispatch(effSetSampleRate, 0, 0, 48000.0f);
  dispatch(effSetBlockSize, 0, blockSize);
  dispatch(effMainsChanged, 0, 1);
  effect_->setParameter(effect_, 0, mode == FoldMode::mono ? 1.0f : 0.0f);
}

PluginInstance::~PluginInstance() {
  dispatch(effMainsChanged, 0, 0);
  dispatch(effClose, 0, 0);
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, nullptr, opt);
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
