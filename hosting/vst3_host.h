// A host of the VST3 edition, for the tests and the benchmarks: loads a bundle's binary
// by its exports, as hosts do, and offers the
// host-side objects a plug-in is handed (streams, parameter changes, host context,
// component handler), with the non-counting references of real hosts where it matters.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/vst3_abi.h"
#include "hosting/module.h"

namespace hosting {

// Calls a method through an interface pointer's table.
#define V3CALL(object, method, ...) ((object)->table->method((object) __VA_OPT__(, ) __VA_ARGS__))

// The bundle's binary under test: $TWINFOLD_VST3 if set, else the path the build baked in.
std::string vst3BinaryUnderTest();

// A loaded module: the entry function on load, the exit function on unload.
class Vst3Module {
 public:
  explicit Vst3Module(const std::string& path = vst3BinaryUnderTest());
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  bool loaded() const { return library_.loaded() && entered_; }
  const hosting::Module& library() const { return library_; }
  // The platform's entry and exit functions, as the loader found them.
  bool enter();
  bool exit();
  // A new factory reference the caller releases.
  vst3::IPluginFactory* factory() const;

 private:
  hosting::Module library_;
  bool entered_ = false;
};

// A host's memory stream. `chunk` limits the bytes per read or write call (short reads);
// at the end a read answers kResultOk with 0 bytes, or with `falseWhenShort` kResultFalse
// for every read that delivers less than asked, as some hosts' file streams do. Its
// references are not counted.
class MemoryStream : public vst3::IBStream {
 public:
  explicit MemoryStream(std::vector<unsigned char> bytes = {}, std::int32_t chunk = 1 << 30);
  std::vector<unsigned char> bytes;
  std::size_t position = 0;
  std::int32_t chunk;
  bool falseWhenShort = false;
  int reads = 0;
};

// Input parameter changes: queues of points in the order given.
class ParameterChanges : public vst3::IParameterChanges {
 public:
  struct Point {
    std::int32_t offset;
    double value;
  };
  ParameterChanges();
  // Adds a queue for `id` with these points.
  void add(vst3::ParamID id, std::vector<Point> points);

  struct Queue : vst3::IParamValueQueue {
    vst3::ParamID id;
    std::vector<Point> points;
    // When set, what getPointCount answers instead of the points' count (getPoint still
    // refuses an index past them), as a careless host's queue may.
    std::optional<std::int32_t> claimedPoints;
  };
  std::vector<Queue> queues;
  // The same for getParameterCount and the queues.
  std::optional<std::int32_t> claimedCount;
};

// Counts the references the plug-in takes, so a test can see them balanced.
template <class Base>
class CountedHostObject : public Base {
 public:
  std::atomic<int> references{0};
};

class HostApplication : public CountedHostObject<vst3::IHostApplication> {
 public:
  HostApplication();
};

class ComponentHandler : public CountedHostObject<vst3::IComponentHandler> {
 public:
  ComponentHandler();
  int edits = 0;
};

// One instance as a host holds it: the component, and its other faces queried from it.
// Releases every reference it holds when it goes away.
class Vst3Instance {
 public:
  explicit Vst3Instance(vst3::IPluginFactory* factory, const vst3::TUID& iid = vst3::IComponent_iid);
  ~Vst3Instance();
  Vst3Instance(const Vst3Instance&) = delete;
  Vst3Instance& operator=(const Vst3Instance&) = delete;

  explicit operator bool() const { return component && processor && controller; }
  // Drops every reference; answers the count the last release returned.
  std::uint32_t releaseAll();

  // setupProcessing, setActive(true), setProcessing(true), after initialize.
  void start(double rate = 48000.0, std::int32_t maxBlock = 512, std::int32_t sampleSize = vst3::kSample32);
  vst3::tresult setState(std::vector<unsigned char> bytes, std::int32_t chunk = 1 << 30);
  std::vector<unsigned char> getState();
  // One call over stereo buffers (in place when `in` and `out` are the same), with
  // optional parameter changes and transport.
  template <class Sample>
  vst3::tresult process(Sample** in, Sample** out, std::int32_t frames, vst3::IParameterChanges* changes = nullptr,
                        vst3::ProcessContext* context = nullptr);

  vst3::IComponent* component = nullptr;
  vst3::IAudioProcessor* processor = nullptr;
  vst3::IEditController* controller = nullptr;
};

// The first class's ID, as the factory lists it.
vst3::TUID firstClassId(vst3::IPluginFactory* factory);
// A text of the interface as UTF-8.
std::string utf8(const vst3::char16* text, std::size_t capacity = 128);

}  // namespace hosting
