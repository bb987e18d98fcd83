// A host of the CLAP edition, for the tests and the benchmarks: loads a .clap file by its
// one export, as hosts do, and offers the host-side objects a plug-in is handed (the host record with or without extensions,
// event lists, streams with short or failing calls), and instances driven through
// their function tables.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "abi/clap_abi.h"
#include "hosting/module.h"

namespace hosting {

inline constexpr const char* kClapPluginId = "com.quillmarsh.twinfold";

// The file under test: $TWINFOLD_CLAP if set, else the path the build baked in.
std::string clapFileUnderTest();

// A loaded file and its clap_entry; nothing is called on load.
class ClapModule {
 public:
  explicit ClapModule(const std::string& path = clapFileUnderTest());
  bool loaded() const { return entry_ != nullptr; }
  const clap::clap_plugin_entry& entry() const { return *entry_; }
  const clap::clap_plugin_factory* factory() const;
  const hosting::Module& library() const { return library_; }

 private:
  hosting::Module library_;
  const clap::clap_plugin_entry* entry_ = nullptr;
};

// The host record. With `offersParams` it answers "clap.params" and records every
// rescan with the thread it came from; otherwise every extension is null, as the
// scanners of Carla and Qtractor answer.
class ClapHost {
 public:
  explicit ClapHost(bool offersParams = true);
  ClapHost(const ClapHost&) = delete;
  ClapHost& operator=(const ClapHost&) = delete;
  const clap::clap_host* record() const { return &host_; }

  struct Rescan {
    std::uint32_t flags;
    std::thread::id thread;
  };
  std::vector<Rescan> rescans;
  std::vector<std::string> askedFor;

 private:
  clap::clap_host host_{};
  clap::clap_host_params params_{};
  bool offersParams_;
  friend struct ClapHostCalls;
};

// Input events as a host lists them, in the order added (any order, any time).
class ClapEvents {
 public:
  ClapEvents();
  ClapEvents(const ClapEvents&) = delete;
  ClapEvents& operator=(const ClapEvents&) = delete;
  // A value of parameter `id` at frame `time`, in event space `space`; note fields -1, or
  // 0 with `zeroFilled` (as Qtractor sends them).
  ClapEvents& value(std::uint32_t time, double value, clap::clap_id id = 0, std::uint16_t space = 0,
                    bool zeroFilled = false);
  // A transport event at frame `time`.
  ClapEvents& transport(std::uint32_t time);
  // An event of exactly these bytes, header fields as written (sizes that lie included).
  ClapEvents& raw(std::vector<unsigned char> bytes);
  // What size() answers instead of the count of events added (get() still answers null
  // past them), as a careless host's list may.
  void claimSize(std::uint32_t count) {
    claimedSize_ = count;
    claimsSize_ = true;
  }
  const clap::clap_input_events* list() const { return &list_; }
  // An output list that takes every event.
  static const clap::clap_output_events* sink();

 private:
  std::vector<std::vector<unsigned char>> events_;
  bool claimsSize_ = false;
  std::uint32_t claimedSize_ = 0;
  clap::clap_input_events list_{};
  friend struct ClapEventCalls;
};

// Streams over memory: at most `chunk` bytes per call; `failWith` (0 or -1) is what a
// write answers, or a read answers instead of data, once `failAfter` bytes went through.
class ClapOutStream {
 public:
  explicit ClapOutStream(std::uint64_t chunk = UINT64_MAX, std::int64_t failWith = 1,
                         std::uint64_t failAfter = UINT64_MAX);
  const clap::clap_ostream* stream() const { return &stream_; }
  std::vector<unsigned char> bytes;
  std::uint64_t chunk;
  std::int64_t failWith;
  std::uint64_t failAfter;

 private:
  clap::clap_ostream stream_{};
};

class ClapInStream {
 public:
  explicit ClapInStream(std::vector<unsigned char> bytes, std::uint64_t chunk = UINT64_MAX, std::int64_t failWith = 0,
                        std::uint64_t failAfter = UINT64_MAX);
  const clap::clap_istream* stream() const { return &stream_; }
  std::vector<unsigned char> bytes;
  std::size_t position = 0;
  std::uint64_t chunk;
  std::int64_t failWith;
  std::uint64_t failAfter;

 private:
  clap::clap_istream stream_{};
};

// Stereo buffers of one block for a process call, the input in `In` samples and the
// output in `Out` (data32 for float, data64 for double); `inPlace` (same sizes only)
// makes the outputs the input memory. Outputs start as NaN, beyond the block too.
template <class In, class Out = In>
struct ClapBlock {
  ClapBlock(std::vector<In> left, std::vector<In> right, bool inPlace = false);
  ClapBlock(const ClapBlock&) = delete;
  ClapBlock& operator=(const ClapBlock&) = delete;
  std::uint32_t frames() const { return static_cast<std::uint32_t>(in[0].size()); }
  // What the plug-in wrote (the input memory when in place).
  const std::vector<Out>& result(std::size_t channel) const {
    if constexpr (std::is_same_v<In, Out>)
      return inPlace ? in[channel] : out[channel];
    else
      return out[channel];
  }

  std::vector<In> in[2];
  std::vector<Out> out[2];
  In* inputs[2];
  Out* outputs[2];
  bool inPlace;
  clap::clap_audio_buffer inputBuffer{}, outputBuffer{};
  clap::clap_process process{};
};

// One instance made by a factory for a host. `init` is called by the constructor;
// `destroy` when it goes away, in whatever state the test left it.
class ClapInstance {
 public:
  ClapInstance(const clap::clap_plugin_factory* factory, const ClapHost& host, const char* id = kClapPluginId);
  ~ClapInstance();
  ClapInstance(const ClapInstance&) = delete;
  ClapInstance& operator=(const ClapInstance&) = delete;

  explicit operator bool() const { return plugin != nullptr; }
  template <class Extension>
  const Extension* extension(const char* id) const {
    return static_cast<const Extension*>(plugin->get_extension(plugin, id));
  }
  // activate and start_processing.
  bool start(double rate = 48000.0, std::uint32_t maxFrames = 512);
  // One process call over the block with these events (none when null).
  template <class In, class Out>
  std::int32_t process(ClapBlock<In, Out>& block, const ClapEvents* events = nullptr,
                       std::uint32_t frames = UINT32_MAX);
  double value() const;
  bool setValueByFlush(double value);
  std::vector<unsigned char> save();
  bool load(std::vector<unsigned char> bytes, std::uint64_t chunk = UINT64_MAX);

  const clap::clap_plugin* plugin = nullptr;
  bool initialized = false;
};

}  // namespace hosting
