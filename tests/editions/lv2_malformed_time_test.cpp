// Transport input a host got wrong: sizes that claim more bytes than there are, an
// atom that is no sequence, values no signature or tempo can have. Each is ignored:
// the built bundle passes its stereo input through unchanged, and a core told the time
// (the probe) keeps the time the last sound position gave, moved on by the run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include "hosting/lv2_host.h"

using namespace hosting;

namespace {

constexpr double kRate = 48000.0;
constexpr std::uint32_t kFrames = 64;
constexpr std::uint32_t kTimePort = kPortCount;  // the atom input follows the mode control
constexpr double kQuartersPerRun = kFrames * 133.5 / 60.0 / kRate;

// A sequence with one time:Position event, written atom by atom so that a case can
// spoil one size or value; every atom padded to 8 bytes, as hosts write them.
class PositionWriter {
 public:
  explicit PositionWriter(Lv2Features& features) : features_(features) {}

  struct Values {
    std::int64_t frame = 96000;
    double speed = 1.0, bar = 2, barBeat = 1.25, beatUnit = 4, beatsPerBar = 3, tempo = 133.5;
  };
  // Byte offsets of the sizes a case may spoil.
  struct Layout {
    std::size_t eventBodySize = 0, tempoValueSize = 0;
  };

  std::vector<std::uint64_t> write(const Values& v, Layout& layout) {
    bytes_.clear();
    atom(0, id(LV2_ATOM__Sequence));
    word(0, 0);  // unit: frames, as 0 says
    const std::size_t sequenceSize = 0;
    put<std::int64_t>(0);  // the event's frame in the run
    layout.eventBodySize = bytes_.size();
    const std::size_t objectAt = bytes_.size();
    atom(0, id(LV2_ATOM__Object));
    word(0, id(LV2_TIME__Position));
    property(LV2_TIME__frame, LV2_ATOM__Long, [&] { put<std::int64_t>(v.frame); });
    property(LV2_TIME__speed, LV2_ATOM__Float, [&] { put<float>(static_cast<float>(v.speed)); });
    property(LV2_TIME__bar, LV2_ATOM__Double, [&] { put<double>(v.bar); });
    property(LV2_TIME__barBeat, LV2_ATOM__Double, [&] { put<double>(v.barBeat); });
    property(LV2_TIME__beatUnit, LV2_ATOM__Float, [&] { put<float>(static_cast<float>(v.beatUnit)); });
    property(LV2_TIME__beatsPerBar, LV2_ATOM__Float, [&] { put<float>(static_cast<float>(v.beatsPerBar)); });
    layout.tempoValueSize = bytes_.size() + 8;
    property(LV2_TIME__beatsPerMinute, LV2_ATOM__Double, [&] { put<double>(v.tempo); });
    setSize(objectAt, bytes_.size() - objectAt - sizeof(LV2_Atom));
    setSize(sequenceSize, bytes_.size() - sizeof(LV2_Atom));
    bytes_.resize(bytes_.size() + 256);  // what the host's buffer holds beyond the sequence
    std::vector<std::uint64_t> words((bytes_.size() + 7) / 8);
    std::memcpy(words.data(), bytes_.data(), bytes_.size());
    return words;
  }

 private:
  LV2_URID id(const char* uri) { return features_.map(uri); }
  template <class T>
  void put(T value) {
    const auto* from = reinterpret_cast<const unsigned char*>(&value);
    bytes_.insert(bytes_.end(), from, from + sizeof value);
  }
  void word(std::uint32_t a, std::uint32_t b) {
    put(a);
    put(b);
  }
  void atom(std::uint32_t size, LV2_URID type) { word(size, type); }
  void setSize(std::size_t at, std::size_t size) {
    const auto value = static_cast<std::uint32_t>(size);
    std::memcpy(bytes_.data() + at, &value, sizeof value);
  }
  void property(const char* key, const char* type, const std::function<void()>& value) {
    word(id(key), 0);
    const std::size_t at = bytes_.size();
    atom(0, id(type));
    value();
    setSize(at, bytes_.size() - at - sizeof(LV2_Atom));
    while (bytes_.size() % 8) bytes_.push_back(0);
  }

  Lv2Features& features_;
  std::vector<unsigned char> bytes_;
};

struct Case {
  const char* what;
  std::function<void(PositionWriter::Values&)> values;
  std::function<void(unsigned char* bytes, const PositionWriter::Layout&)> spoil;
};

void setWord(unsigned char* at, std::uint32_t value) { std::memcpy(at, &value, sizeof value); }

std::vector<Case> malformedInputs(Lv2Features& features) {
  const auto none = [](PositionWriter::Values&) {};
  const auto sound = [](unsigned char*, const PositionWriter::Layout&) {};
  const LV2_URID chunk = features.map(LV2_ATOM__Chunk);
  return {
      {"an event claiming 0xFFFFFFF0 bytes", none,
       [](unsigned char* b, const PositionWriter::Layout& l) { setWord(b + l.eventBodySize, 0xFFFFFFF0u); }},
      {"a sequence claiming 0xFFFFFFF8 bytes", none, [](unsigned char* b, auto&) { setWord(b, 0xFFFFFFF8u); }},
      {"a sequence claiming 2 MiB", none, [](unsigned char* b, auto&) { setWord(b, 2u << 20); }},
      {"a property beyond its object", none,
       [](unsigned char* b, const PositionWriter::Layout& l) { setWord(b + l.tempoValueSize, 0x100); }},
      {"a chunk, not a sequence", none, [chunk](unsigned char* b, auto&) { setWord(b + 4, chunk); }},
      {"beat unit 0.25", [](auto& v) { v.beatUnit = 0.25; }, sound},
      {"beat unit 3", [](auto& v) { v.beatUnit = 3; }, sound},
      {"0 beats per bar", [](auto& v) { v.beatsPerBar = 0; }, sound},
      {"tempo 0", [](auto& v) { v.tempo = 0; }, sound},
      {"tempo NaN", [](auto& v) { v.tempo = std::numeric_limits<double>::quiet_NaN(); }, sound},
      {"tempo infinite", [](auto& v) { v.tempo = std::numeric_limits<double>::infinity(); }, sound},
  };
}

// The position where the sound one leaves the clock a run later: what every bad input
// says apart from its fault, so that what it gets wrong is all that could differ.
PositionWriter::Values movedOn() {
  PositionWriter::Values v;
  v.frame += kFrames;
  v.barBeat += kQuartersPerRun;
  return v;
}

// An instance of the bundle at `path` fed a sound position, then each case's input in
// the next run; `check` looks at the second run's output.
void feedEachCase(const std::string& path, Lv2StereoBlock& block,
                  const std::function<void(const Case&)>& check) {
  const Lv2Module module(path);
  const LV2_Descriptor* descriptor = module.descriptor(kTwinfoldUri);
  ASSERT_NE(descriptor, nullptr);
  Lv2Features features(kFrames);
  PositionWriter writer(features);
  Lv2Instance instance(descriptor, descriptor->instantiate(descriptor, kRate, module.bundle().c_str(), features.list()));
  for (const Case& c : malformedInputs(features)) {
    PositionWriter::Layout layout;
    std::vector<std::uint64_t> first = writer.write({}, layout);
    PositionWriter::Values values = movedOn();
    c.values(values);
    std::vector<std::uint64_t> bad = writer.write(values, layout);
    c.spoil(reinterpret_cast<unsigned char*>(bad.data()), layout);
    instance.activate();
    instance.connect(kTimePort, first.data());
    block.run(instance, 0.0f);
    instance.connect(kTimePort, bad.data());
    block.run(instance, 0.0f);
    check(c);
    instance.deactivate();
  }
}

TEST(Lv2MalformedTime, TheBundlePassesItsInputThroughUnchanged) {
  std::vector<float> left(kFrames), right(kFrames);
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    left[i] = std::sin(0.1f * static_cast<float>(i)) * 0.7f;
    right[i] = 1.0f / static_cast<float>(i + 3);
  }
  Lv2StereoBlock block(left, right);
  feedEachCase(lv2BundleUnderTest(), block, [&](const Case& c) {
    EXPECT_EQ(std::memcmp(block.out[0].data(), left.data(), kFrames * sizeof(float)), 0) << c.what;
    EXPECT_EQ(std::memcmp(block.out[1].data(), right.data(), kFrames * sizeof(float)), 0) << c.what;
  });
}

TEST(Lv2MalformedTime, TheCoreKeepsTheTimeOfTheLastSoundPosition) {
  Lv2StereoBlock block(std::vector<float>(kFrames, 0.5f), std::vector<float>(kFrames, 0.5f));
  constexpr double kFlags = kVstPpqPosValid | kVstBarsValid | kVstTempoValid | kVstTimeSigValid | kVstTransportPlaying;
  feedEachCase(TIME_PROBE_LV2_BUNDLE, block, [&](const Case& c) {
    // The probe's report: tempo, position, signature, flags, sample position, bar.
    const std::vector<float>& seen = block.out[0];
    EXPECT_EQ(seen[0], 133.5f) << c.what;
    EXPECT_NEAR(seen[1], 7.25 + kQuartersPerRun, 1e-5) << c.what;
    EXPECT_EQ(seen[2], 3.0f) << c.what;
    EXPECT_EQ(seen[3], 4.0f) << c.what;
    EXPECT_EQ(seen[4], kFlags) << c.what << ": all sound, playing, unchanged";
    EXPECT_EQ(seen[5], 96000.0f + kFrames) << c.what;
    EXPECT_EQ(seen[6], 6.0f) << c.what;
  });
}

}  // namespace
