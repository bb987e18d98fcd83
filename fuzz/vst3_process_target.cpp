// The VST3 edition's readers of a process call's ProcessContext and parameter changes,
// loaded through the module's exports and driven as a VST3 host drives it. The input,
// front to back: a layout byte (bit 0: a context follows; bit 1: in place; bit 2: the
// queue count lies), the frame count (16 bits, modulo 1025), the signal's seed (64 bits),
// the context's bytes, the queue count (and the claimed one), then each queue: its ID
// (the mode parameter's, or any), its point count (and a claimed one), and each point's
// offset and value. Every frame must have the mode of the last point at or before it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/edition_input.h"
#include "fuzz/fuzz_audio.h"
#include "hosting/editions_under_test.h"
#include "hosting/vst3_host.h"

namespace {

using namespace vst3;

constexpr std::uint32_t kMostFrames = 1024;
// The context's bytes in the input: its size where 64-bit members are 8-aligned, so a seed
// reads the same on every target (a record with 4-aligned ones takes fewer).
constexpr std::size_t kContextBytes = 112;

struct Setup {
  hosting::Vst3Module module{hosting::vst3BinaryUnderTest()};
  IPluginFactory* factory = module.loaded() ? module.factory() : nullptr;
};

const Setup& setup() {
  static const Setup* loaded = new Setup;
  fuzzCheck(loaded->factory != nullptr, "the VST3 module did not load");
  return *loaded;
}

void readQueues(EditionInput& input, hosting::ParameterChanges& changes) {
  const auto queues = input.next<std::uint8_t>() % 9;
  for (int q = 0; q < queues; ++q) {
    const auto kind = input.next<std::uint8_t>();
    const ParamID id = kind % 4 == 3 ? input.next<ParamID>() : 0;
    const auto points = input.next<std::uint8_t>() % 17;
    std::vector<hosting::ParameterChanges::Point> list;
    for (int i = 0; i < points; ++i) {
      const auto offset = input.next<std::int32_t>();
      list.push_back({offset, input.next<double>()});
    }
    changes.add(id, std::move(list));
    if (kind & 4) changes.queues.back().claimedPoints = input.next<std::int32_t>();
  }
}

// The mode of every frame: points of the mode parameter only, as far as the host's lists
// go; NaN ignored; offsets held to the block and values to 0 … 1; the latest offset at or
// before a frame wins, and of equal offsets the one listed last.
std::vector<bool> expectedModes(const hosting::ParameterChanges& changes, std::uint32_t frames) {
  struct Point {
    std::int32_t offset;
    bool mono;
  };
  std::vector<Point> points;
  const std::int32_t last = std::max<std::int32_t>(static_cast<std::int32_t>(frames) - 1, 0);
  const auto queues = static_cast<std::int32_t>(changes.queues.size());
  for (std::int32_t q = 0; q < std::min(changes.claimedCount.value_or(queues), queues); ++q) {
    const auto& queue = changes.queues[static_cast<std::size_t>(q)];
    if (queue.id != 0) continue;
    const auto count = static_cast<std::int32_t>(queue.points.size());
    for (std::int32_t i = 0; i < std::min(queue.claimedPoints.value_or(count), count); ++i) {
      const auto& point = queue.points[static_cast<std::size_t>(i)];
      if (std::isnan(point.value)) continue;
      const float value = static_cast<float>(std::clamp(point.value, 0.0, 1.0));
      points.push_back({std::clamp(point.offset, 0, last), value >= 0.5f});
    }
  }
  std::vector<bool> modes(frames, false);
  for (std::uint32_t frame = 0; frame < frames; ++frame) {
    std::int32_t best = -1;
    for (const Point& point : points) {
      if (point.offset <= static_cast<std::int32_t>(frame) && point.offset >= best) {
        best = point.offset;
        modes[frame] = point.mono;
      }
    }
  }
  return modes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Setup& host = setup();
  EditionInput input(data, size);
  const auto layout = input.next<std::uint8_t>();
  const std::uint32_t frames = input.next<std::uint16_t>() % (kMostFrames + 1);
  const auto seed = input.next<std::uint64_t>();
  std::unique_ptr<ProcessContext> context;
  if (layout & 1) context = input.record<ProcessContext>(kContextBytes);
  hosting::ParameterChanges changes;
  readQueues(input, changes);
  if (layout & 4) changes.claimedCount = input.next<std::int32_t>();

  std::vector<float> in[2] = {std::vector<float>(frames), std::vector<float>(frames)};
  fuzzFillSignal(seed, in[0].data(), frames);
  fuzzFillSignal(~seed, in[1].data(), frames);
  std::vector<float> buffers[2] = {in[0], in[1]};
  std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
  float* inputs[2] = {buffers[0].data(), buffers[1].data()};
  float* outputs[2] = {out[0].data(), out[1].data()};
  if (layout & 2) std::copy(std::begin(inputs), std::end(inputs), outputs);

  hosting::Vst3Instance instance(host.factory);
  fuzzCheck(static_cast<bool>(instance), "the VST3 instance was not made");
  instance.start(48000.0, kMostFrames, kSample32);
  fuzzCheck(instance.process(inputs, outputs, static_cast<std::int32_t>(frames), &changes, context.get()) == kResultOk,
            "process did not answer kResultOk");
  const std::vector<bool> modes = expectedModes(changes, frames);
  for (std::uint32_t i = 0; i < frames; ++i)
    fuzzCheck(fuzzFrameMatches(modes[i], in[0][i], in[1][i], outputs[0][i], outputs[1][i]),
              "a frame does not have the mode of its points");
  V3CALL(instance.processor, setProcessing, 0);
  V3CALL(instance.component, setActive, 0);
  V3CALL(instance.component, terminate);
  return 0;
}
