// The benchmarks' host, on the hosting library: it loads the built library through its
// exported entry point, answers every time query from one fixed VstTimeInfo, and
// drives an instance through its AEffect record as an audio host does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosting/instance.h"

enum class FoldMode : std::int32_t { stereo, mono };

const char* modeName(FoldMode mode);

// audioMasterGetTime calls answered so far, process-wide (the host's own bookkeeping).
std::int64_t hostTimeQueries();

class PluginModule {
 public:
  // $TWINFOLD_PLUGIN if set, else the library this build made.
  static std::string defaultPath();

  // Throws when the library or its entry point is missing.
  explicit PluginModule(const std::string& path);
  hosting::EntryFunction entry() const { return entry_; }

 private:
  hosting::Module module_;
  hosting::EntryFunction entry_ = nullptr;
};

// One opened and resumed instance in the given mode; suspended and closed on
// destruction. Its calls are answered by a host that counts the time queries; the
// benchmarks time processUnchecked, the plug-in's own call with nothing of the host's
// around it.
class BenchInstance : public hosting::Instance {
 public:
  BenchInstance(const PluginModule& module, FoldMode mode, std::int32_t blockSize);
};

// What the input buffers hold: a deterministic pseudo-random signal in [-1, 1), or
// the same randomness in subnormal samples (the tail of a fade, or of a filter's
// decay).
enum class Signal { noise, subnormal };

const char* signalName(Signal signal);

// Separate input and output buffers for two channels, as most hosts hand them over.
template <class Sample>
class StereoBuffers {
 public:
  explicit StereoBuffers(std::int32_t frames, Signal signal = Signal::noise);
  StereoBuffers(const StereoBuffers&) = delete;
  StereoBuffers& operator=(const StereoBuffers&) = delete;

  Sample** inputs() { return inputs_; }
  Sample** outputs() { return outputs_; }
  std::int32_t frames() const { return frames_; }
  const std::vector<Sample>& output(std::int32_t channel) const { return store_[2 + channel]; }

 private:
  std::int32_t frames_;
  std::vector<Sample> store_[4];  // in left, in right, out left, out right
  Sample* inputs_[2];
  Sample* outputs_[2];
};

extern template class StereoBuffers<float>;
extern template class StereoBuffers<double>;
