// The CLAP edition's readers of a process call's transport and input events, loaded
// through clap_entry and driven as a CLAP host drives it. The input, front to back: a
// layout byte (bit 0: a transport follows; bit 1: in place; bit 2: the events go to the
// parameters' flush instead, outside any block), the frame count (16 bits,
// modulo 1025), the signal's seed (64 bits), the transport record's bytes, the event count
// and what size() claims, then each event: a header (time, space, type, size), a
// parameter ID and a value, the event's memory exactly as long as its header's size says
// (at least a header; at most 256 bytes). Every frame must have the mode the events
// before it chose; after a flush the parameter holds the last event's value.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/edition_input.h"
#include "fuzz/fuzz_audio.h"
#include "hosting/editions_under_test.h"
#include "hosting/clap_host.h"

namespace {

using namespace clap;

constexpr std::uint32_t kMostFrames = 1024;
constexpr std::uint32_t kMostEventBytes = 256;
// The transport's bytes in the input: its size where 64-bit members are 8-aligned, so a
// seed reads the same on every target (a record with 4-aligned ones takes fewer).
constexpr std::size_t kTransportBytes = 104;

struct Setup {
  hosting::ClapModule module{hosting::clapFileUnderTest()};
  hosting::ClapHost host;
  bool entered = module.loaded() && module.entry().init(hosting::clapFileUnderTest().c_str());
};

const Setup& setup() {
  static const Setup* loaded = new Setup;
  fuzzCheck(loaded->entered && loaded->module.factory(), "the CLAP file did not load");
  return *loaded;
}

// One event from the input, and the mode it sets when the plug-in should take it: a value
// of the mode parameter in the core's space, as long as its type, not NaN.
struct Event {
  std::vector<unsigned char> bytes;
  std::uint32_t time = 0;
  bool sets = false;
  bool mono = false;
};

Event readEvent(EditionInput& input) {
  clap_event_param_value value{};
  value.header.time = input.next<std::uint32_t>();
  value.header.space_id = input.next<std::uint16_t>();
  value.header.type = input.next<std::uint16_t>();
  value.header.size = input.next<std::uint32_t>();
  value.param_id = input.next<std::uint32_t>();
  value.value = input.next<double>();
  Event event;
  event.time = value.header.time;
  event.sets = value.header.space_id == kCoreEventSpace && value.header.type == kEventParamValue &&
               value.header.size >= sizeof value && value.param_id == 0 && !std::isnan(value.value);
  event.mono = value.value >= 1.0;
  const std::size_t length = std::clamp<std::size_t>(value.header.size, sizeof(clap_event_header), kMostEventBytes);
  event.bytes.assign(length, 0);
  std::memcpy(event.bytes.data(), &value, std::min(length, sizeof value));
  return event;
}

// The mode of every frame: each value from its event's frame on, an event out of order
// at the frame reached so far, one past the block at its last frame.
std::vector<bool> expectedModes(const std::vector<Event>& events, std::uint32_t claimed, std::uint32_t frames) {
  std::vector<bool> modes(frames, false);
  const std::uint32_t last = frames > 0 ? frames - 1 : 0;
  bool mono = false;
  std::uint32_t at = 0;
  for (std::uint32_t i = 0; i < claimed && i < events.size(); ++i) {
    const std::uint32_t from = std::clamp(events[i].time, at, std::max(at, last));
    std::fill(modes.begin() + at, modes.begin() + std::min(from, frames), mono);
    at = std::max(at, from);
    if (events[i].sets) mono = events[i].mono;
  }
  std::fill(modes.begin() + std::min(at, frames), modes.end(), mono);
  return modes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Setup& host = setup();
  EditionInput input(data, size);
  const auto layout = input.next<std::uint8_t>();
  const std::uint32_t frames = input.next<std::uint16_t>() % (kMostFrames + 1);
  const auto seed = input.next<std::uint64_t>();
  std::unique_ptr<clap_event_transport> transport;
  if (layout & 1) transport = input.record<clap_event_transport>(kTransportBytes);
  const std::uint32_t count = input.next<std::uint8_t>() % 33;
  const auto claim = input.next<std::uint8_t>();
  const std::uint32_t claimed = claim % 4 == 2 ? input.next<std::uint32_t>() : claim % 4 == 3 ? count + 1 + claim / 4 : count;
  std::vector<Event> events;
  hosting::ClapEvents list;
  for (std::uint32_t i = 0; i < count; ++i) {
    events.push_back(readEvent(input));
    list.raw(events.back().bytes);
  }
  if (claimed != count) list.claimSize(claimed);

  std::vector<float> left(frames), right(frames);
  fuzzFillSignal(seed, left.data(), frames);
  fuzzFillSignal(~seed, right.data(), frames);
  hosting::ClapBlock<float> block(left, right, layout & 2);
  block.process.transport = transport.get();
  hosting::ClapInstance instance(host.module.factory(), host.host);
  fuzzCheck(instance.initialized && instance.start(48000.0, kMostFrames), "the CLAP instance did not start");
  if (layout & 4) {
    const auto* params = instance.extension<clap_plugin_params>(kParamsId);
    fuzzCheck(params != nullptr, "no parameters extension");
    params->flush(instance.plugin, list.list(), hosting::ClapEvents::sink());
    const bool mono = expectedModes(events, claimed, 1)[0];
    fuzzCheck(instance.value() == (mono ? 1.0 : 0.0), "a flush left another value than its events chose");
  } else {
    fuzzCheck(instance.process(block, &list) == kProcessContinue, "process did not answer continue");
    const std::vector<bool> modes = expectedModes(events, claimed, frames);
    for (std::uint32_t i = 0; i < frames; ++i)
      fuzzCheck(fuzzFrameMatches(modes[i], left[i], right[i], block.result(0)[i], block.result(1)[i]),
                "a frame does not have the mode its events chose");
  }
  instance.plugin->stop_processing(instance.plugin);
  instance.plugin->deactivate(instance.plugin);
  return 0;
}
