// One LV2 instance: the plug-in's VST 2.4 core hosted in-process, its ports handed to
// processReplacing and its control port to the core's one parameter.
#pragma once

#include <cstdint>

#include <lv2/core/lv2.h>

#include "editions/lv2/time_position.h"
#include "hosting/instance.h"

namespace lv2 {

class Plugin {
 public:
  // Port indices, as the plug-in's Turtle description lists them.
  enum Port : std::uint32_t { inLeft, inRight, outLeft, outRight, mode, time, portCount };
  // The block size the core is told when the host announces none; any run length works.
  static constexpr std::int32_t kDefaultBlockLength = 4096;

  Plugin(double sampleRate, std::int32_t maxBlockLength, const LV2_Feature* const* features);
  bool valid() const { return core_.valid(); }

  void connect(std::uint32_t port, void* data);
  void activate() {
    transport_.restart();
    core_.resume();
  }
  void deactivate() { core_.suspend(); }
  // Applies a changed mode, then one processReplacing over the host's buffers. Never
  // allocates and takes no lock.
  void run(std::uint32_t frames);

 private:
  void applyMode();
  // A run longer than one processReplacing call counts, split into calls; out of line,
  // so the common run keeps few registers.
  [[gnu::cold, gnu::noinline]] void runInParts(float** inputs, float** outputs, std::uint32_t frames);

  hosting::Instance core_;
  TransportClock transport_;
  const LV2_Atom_Sequence* events_ = nullptr;
  float* audio_[4] = {};
  const float* mode_ = nullptr;
  // The last control value passed to the core (the core starts at stereo, 0).
  float appliedMode_ = 0.0f;
};

// The descriptor whose trampolines (plugin_tables.cpp) reach a Plugin.
const LV2_Descriptor* pluginDescriptor();

}  // namespace lv2
