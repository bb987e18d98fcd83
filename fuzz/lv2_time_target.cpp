// The LV2 edition's reader of the host's time sequence, loaded through lv2_descriptor and
// run as an LV2 host runs it. The input, front to back: the mode control (an index into
// kModes), the frame count (16 bits, taken modulo 1025), the run count and layout, the
// signal's seed (64 bits), then the time port's sequence with every size field as the
// input wrote it. The port's memory ends exactly where the sequence's own size says it
// does (zeros after the input's bytes, the bytes beyond dropped): that much a host
// guarantees, and no plug-in can check it. So any read past the sequence, by an event,
// object or property whose size lies, is outside the allocation. No bytes leave the port
// unconnected. The URIDs are fixed: see kUris.
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include "fuzz/edition_input.h"
#include "fuzz/fuzz_audio.h"
#include "hosting/lv2_host.h"

namespace {

constexpr std::uint32_t kTimePort = 5;
constexpr std::uint32_t kMostFrames = 1024;
// A larger sequence than this is not one a host could hand over here.
constexpr std::size_t kMostSequenceBytes = std::size_t{1} << 20;

// Mapped first and in this order, so these URIDs are 1, 2, 3, … whatever the plug-in maps.
constexpr const char* kUris[] = {LV2_ATOM__Object,      LV2_ATOM__Blank,       LV2_TIME__Position,
                                 LV2_TIME__frame,       LV2_TIME__speed,       LV2_TIME__bar,
                                 LV2_TIME__barBeat,     LV2_TIME__beatUnit,    LV2_TIME__beatsPerBar,
                                 LV2_TIME__beatsPerMinute, LV2_ATOM__Int,      LV2_ATOM__Long,
                                 LV2_ATOM__Float,       LV2_ATOM__Double,      LV2_ATOM__frameTime,
                                 LV2_ATOM__beatTime,    LV2_ATOM__Sequence};

// Control values and the mode each leaves: the port's range is 0 to 1, the parameter has
// two steps, and a value that is not a number keeps the mode (stereo at the start).
struct Mode {
  float control;
  bool mono;
};
constexpr Mode kModes[] = {{0.0f, false}, {1.0f, true},  {0.25f, false}, {0.75f, true},
                           {-3.0f, false}, {7.0f, true}, {0.5f, true},
                           {std::numeric_limits<float>::quiet_NaN(), false}};

struct Setup {
  hosting::Lv2Module module{hosting::lv2BundleUnderTest()};
  hosting::Lv2Features features;
  const LV2_Descriptor* descriptor = nullptr;
  Setup() {
    for (const char* uri : kUris) features.map(uri);
    descriptor = module.descriptor(hosting::kTwinfoldUri);
  }
};

const Setup& setup() {
  static const Setup* loaded = new Setup;
  fuzzCheck(loaded->descriptor != nullptr, "the LV2 bundle did not load");
  return *loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Setup& host = setup();
  EditionInput input(data, size);
  const Mode mode = kModes[input.next<std::uint8_t>() % std::size(kModes)];
  const std::uint32_t frames = input.next<std::uint16_t>() % (kMostFrames + 1);
  const auto layout = input.next<std::uint8_t>();
  const int runs = 1 + layout % 3;
  const bool inPlace = layout & 4;
  const auto seed = input.next<std::uint64_t>();
  std::vector<unsigned char> sequence = input.rest();
  std::unique_ptr<unsigned char[]> port;
  if (!sequence.empty()) {
    LV2_Atom atom{};
    std::memcpy(&atom, sequence.data(), std::min(sequence.size(), sizeof atom));
    if (atom.size > kMostSequenceBytes - sizeof atom) return -1;  // before the sum, which wraps on 32 bits
    const std::size_t length = sizeof atom + atom.size;
    sequence.resize(length);
    port.reset(new unsigned char[length]);
    std::copy(sequence.begin(), sequence.end(), port.get());
  }

  const LV2_Descriptor* descriptor = host.descriptor;
  hosting::Lv2Instance instance(descriptor,
                                descriptor->instantiate(descriptor, 48000.0, host.module.bundle().c_str(),
                                                        host.features.list()));
  instance.connect(kTimePort, port.get());
  instance.activate();
  for (int run = 0; run < runs; ++run) {
    std::vector<float> left(frames), right(frames);
    fuzzFillSignal(seed + 2 * run, left.data(), frames);
    fuzzFillSignal(seed + 2 * run + 1, right.data(), frames);
    hosting::Lv2StereoBlock block(left, right);
    if (inPlace)
      block.runInPlace(instance, mode.control);
    else
      block.run(instance, mode.control);
    for (std::uint32_t i = 0; i < frames; ++i)
      fuzzCheck(fuzzFrameMatches(mode.mono, left[i], right[i], block.out[0][i], block.out[1][i]),
                "a run with a time sequence did not give the mode's audio");
  }
  instance.deactivate();
  return 0;
}
