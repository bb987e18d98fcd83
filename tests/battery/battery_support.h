// What the careless-host battery hands the plug-in: blocks of finite audio (and the
// check of what comes back) and state chunks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "tests/support/test_host.h"

// What a frame of output may be: the input unchanged (bit for bit), the mean of the
// two inputs in both outputs, or (while another thread switches the mode) either.
enum class Expect { stereo, mono, either };

// Two channels of exactly `frames` samples each on the heap, so AddressSanitizer
// sees any access past the block.
template <class Sample>
class BatteryBlock {
 public:
  explicit BatteryBlock(std::int32_t frames);

  // Finite values of every kind: ordinary levels, -0.0, denormals, the largest
  // magnitudes; sometimes both channels equal.
  void fill(std::mt19937_64& random);
  // Outputs into the input buffers, as hosts that process in place do.
  void processInPlace(bool inPlace);

  void run(HostedPlugin& plugin) { plugin.processAsHost(inputs_, outputs_, frames_); }
  Sample** inputs() { return inputs_; }
  Sample** outputs() { return outputs_; }
  std::int32_t frames() const { return frames_; }

  // Every output sample finite, every frame as expected; reports the first frame
  // that is not.
  testing::AssertionResult outputIs(Expect expect) const;

 private:
  std::int32_t frames_;
  std::unique_ptr<Sample[]> in_[2], out_[2], original_[2];
  Sample* inputs_[2];
  Sample* outputs_[2];
};

extern template class BatteryBlock<float>;
extern template class BatteryBlock<double>;

// One block of `frames` through processReplacing or processDoubleReplacing (chosen by
// `random`), separate or in place, checked against `expect`.
testing::AssertionResult processRandomBlock(HostedPlugin& plugin, std::int32_t frames, Expect expect,
                                            std::mt19937_64& random);

// A state chunk as the host keeps it: the floats of effGetChunk, copied out at once.
std::vector<float> saveState(HostedPlugin& plugin);
// effSetChunk with the chunk's bytes; answers what the plug-in answered.
VstIntPtr restoreState(HostedPlugin& plugin, const std::vector<float>& state);
// Saves and hands the plug-in's own buffer straight back, as hosts that keep no copy
// do; answers what effSetChunk answered.
VstIntPtr restoreOwnSave(HostedPlugin& plugin);
// The chunk of an instance in stereo or mono with every other value 0.
std::vector<float> modeState(bool mono);
