// The plug-in as CLAP hosts see it: one object behind the clap_plugin record and its
// extensions, hosting the VST 2.4 core in-process. The trampolines of plugin_tables.cpp
// recover the object; the operations below are named after the calls they serve.
//
// Threads and states: `init` fixes the main thread. Calls the interface assigns to the
// main thread are refused from any other; calls that need another state than the
// object's (inactive, active, processing) are refused too. `process` and `flush` enter
// the core's audio side through one flag, so a host that overlaps them (or deactivates
// during a block) gets a refusal instead of a race.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "abi/clap_abi.h"
#include "hosting/instance.h"
#include "hosting/time_record.h"

namespace clap {

class Plugin {
 public:
  // A new object for `host`, or null when the core refuses to load.
  static Plugin* create(const clap_host* host, const clap_plugin_descriptor* descriptor, hosting::EntryFunction entry);
  const clap_plugin* object() const { return &plugin_; }

  // clap_plugin
  bool init();
  void destroy();
  bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
  void deactivate();
  bool startProcessing();
  void stopProcessing();
  void reset();
  std::int32_t process(const clap_process* process);
  const void* getExtension(const char* id);
  void onMainThread();

  // clap.audio-ports
  std::uint32_t audioPortCount(bool isInput);
  bool audioPortInfo(std::uint32_t index, bool isInput, clap_audio_port_info* info);

  // clap.params
  std::uint32_t paramCount();
  bool paramInfo(std::uint32_t index, clap_param_info* info);
  bool paramValue(clap_id id, double* value);
  bool valueToText(clap_id id, double value, char* text, std::uint32_t capacity);
  bool textToValue(clap_id id, const char* text, double* value);
  void flush(const clap_input_events* in, const clap_output_events* out);

  // clap.state
  bool save(const clap_ostream* stream);
  bool load(const clap_istream* stream);

  // clap.latency, clap.tail
  std::uint32_t latency();
  std::uint32_t tail();

 private:
  enum class Stage { Created, Inactive, Active, Processing };
  // Parts of a block that pass through the scratch below are at most this long.
  static constexpr std::uint32_t kScratchFrames = 512;
  static constexpr std::size_t kChannels = 2;

  // One port's channels as the host gave them: each 32-bit, 64-bit or missing.
  struct PortChannels {
    float* single[kChannels] = {};
    double* dual[kChannels] = {};
    template <class Sample>
    Sample* of(std::size_t channel) const {
      if constexpr (sizeof(Sample) == sizeof(float))
        return single[channel];
      else
        return dual[channel];
    }
  };
  // Per channel, the core's input and output for the parts of a block that cannot run
  // on the host's buffers: a missing channel, or one in the other sample size.
  template <class Sample>
  struct Scratch {
    std::vector<Sample> memory;
    Sample* in(std::size_t channel, std::size_t frames) { return memory.data() + channel * frames; }
    Sample* out(std::size_t channel, std::size_t frames) { return memory.data() + (kChannels + channel) * frames; }
  };

  Plugin(const clap_host* host, const clap_plugin_descriptor* descriptor, hosting::EntryFunction entry);
  bool calledOnMainThread() const;
  bool initialized() const { return stage_.load() != Stage::Created; }
  // The audio side: entered by one call at a time.
  bool enterAudio();
  void leaveAudio();
  // Leaves the audio side on every way out of a call that entered it, a throw included.
  struct AudioTurn {
    Plugin& plugin;
    ~AudioTurn() { plugin.leaveAudio(); }
  };
  // Sets the mode from an event, when it is a value of the parameter.
  void applyEvent(const clap_event_header* event);
  void applyEvents(const clap_input_events* events);
  // Fills the core's time record for a block of `frames` from the host's transport.
  void takeTime(const clap_event_transport* transport, std::int32_t frames);
  template <class Sample>
  void processBlock(const clap_process& process, const PortChannels& in, const PortChannels& out);
  template <class Sample>
  void processPart(const PortChannels& in, const PortChannels& out, std::int32_t from, std::int32_t to);
  // processPart's frames where a channel is missing or of the other size: out of line,
  // so the common part keeps few registers.
  template <class Sample>
  [[gnu::noinline]] void processPartThroughScratch(const PortChannels& in, const PortChannels& out,
                                                   std::int32_t from, std::int32_t to);
  template <class Sample>
  Scratch<Sample>& scratch();

  clap_plugin plugin_;
  const clap_host* host_;
  const clap_host_params* hostParams_ = nullptr;
  hosting::Instance core_;
  std::atomic<Stage> stage_{Stage::Created};
  std::atomic<bool> audioBusy_{false};
  std::thread::id mainThread_;
  // What the core's time queries are answered from, filled once per block.
  hosting::TimeRecord time_;

  // The parameter: its value as 0 or 1 (read on the main thread while the audio side
  // writes it), its default, and the core's texts for both values, read at creation.
  std::atomic<double> value_{0.0};
  double defaultValue_ = 0.0;
  std::string name_;
  std::array<std::string, 2> texts_;

  // Allocated by activate, for parts of at most scratchFrames_ frames.
  std::uint32_t scratchFrames_ = 0;
  Scratch<float> scratch32_;
  Scratch<double> scratch64_;
};

}  // namespace clap
