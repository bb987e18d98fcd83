// Each edition tells its core the time its own host reports: the VST3 process context,
// the CLAP transport, LV2 time:Position objects on the atom input, and without them the
// frames run since activation. Seen by a core that reports what its four time queries
// are answered (time_probe_core.cpp), in a build of each edition loaded through its
// export.
#include <gtest/gtest.h>

#include <lv2/atom/forge.h>
#include <lv2/time/time.h>

#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "editions/clap/transport_flags.h"
#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

constexpr double kRate = 48000.0;
constexpr std::int32_t kFrames = 64;

// What the core saw, as the probe reports it.
struct Seen {
  double tempo, ppqPos, numerator, denominator, flags, samplePos, barStartPos;
};

constexpr VstInt32 kMusical = kVstPpqPosValid | kVstBarsValid | kVstTempoValid | kVstTimeSigValid;
// 133.5 bpm in 3/4, bar 3 (starting at quarter note 6) beat 2.25, at 2 s, playing.
constexpr Seen kPlaying{133.5, 7.25, 3, 4, kMusical | kVstTransportPlaying | kVstTransportChanged, 96000, 6};
constexpr double kQuartersPerBlock = kFrames * 133.5 / 60.0 / kRate;

template <class Sample>
void expectSeen(const std::vector<Sample>& left, const Seen& expected, const char* what) {
  ASSERT_GE(left.size(), 9u);
  EXPECT_DOUBLE_EQ(left[0], expected.tempo) << what;
  EXPECT_NEAR(left[1], expected.ppqPos, 1e-5) << what;
  EXPECT_EQ(left[2], expected.numerator) << what;
  EXPECT_EQ(left[3], expected.denominator) << what;
  EXPECT_EQ(left[4], expected.flags) << what;
  EXPECT_EQ(left[5], expected.samplePos) << what;
  EXPECT_EQ(left[6], expected.barStartPos) << what;
  EXPECT_EQ(left[7], kRate) << what;
  EXPECT_EQ(left[8], 1.0) << what << ": the four queries answered from one record";
}

TEST(EditionTime, Vst3CoreSeesTheProcessContext) {
  Vst3Module module(TIME_PROBE_VST3);
  ASSERT_TRUE(module.loaded());
  vst3::IPluginFactory* factory = module.factory();
  ASSERT_NE(factory, nullptr);
  {
    Vst3Instance instance(factory);
    ASSERT_TRUE(instance);
    instance.start(kRate, kFrames);
    std::vector<float> in(kFrames, 0.5f), left(kFrames), right(kFrames);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {left.data(), right.data()};
    vst3::ProcessContext context{};
    // The system time has no counterpart the core reads: not passed on.
    context.state = vst3::kContextPlaying | vst3::kContextProjectTimeMusicValid | vst3::kContextTempoValid |
                    vst3::kContextBarPositionValid | vst3::kContextTimeSigValid | (1u << 8);
    context.sampleRate = kRate;
    context.projectTimeSamples = 96000;
    context.projectTimeMusic = 7.25;
    context.barPositionMusic = 6;
    context.tempo = 133.5;
    context.timeSigNumerator = 3;
    context.timeSigDenominator = 4;
    struct Step {
      const char* what;
      vst3::ProcessContext* context;
      Seen seen;
    };
    const Step steps[] = {
        {"no context: the frames run", nullptr, {0, 0, 0, 0, 0, 0, 0}},
        {"no context, next block", nullptr, {0, 0, 0, 0, 0, kFrames, 0}},
        {"playing", &context, kPlaying},
        {"playing, next block", &context, {133.5, 7.25, 3, 4, kMusical | kVstTransportPlaying, 96000, 6}},
    };
    for (const Step& step : steps) {
      ASSERT_EQ(instance.process(ins, outs, kFrames, nullptr, step.context), vst3::kResultOk);
      expectSeen(left, step.seen, step.what);
    }
    context.state = vst3::kContextTempoValid;
    context.tempo = 90;
    ASSERT_EQ(instance.process(ins, outs, kFrames, nullptr, &context), vst3::kResultOk);
    expectSeen(left, {90, 0, 0, 0, kVstTempoValid | kVstTransportChanged, 96000, 0}, "stopped");
    instance.releaseAll();
  }
  factory->table->release(factory);
}

TEST(EditionTime, ClapCoreSeesTheTransport) {
  ClapModule module(TIME_PROBE_CLAP);
  ASSERT_TRUE(module.loaded());
  ASSERT_TRUE(module.entry().init(TIME_PROBE_CLAP));
  {
    ClapHost host;
    ClapInstance instance(module.factory(), host);
    ASSERT_TRUE(instance);
    ASSERT_TRUE(instance.start(kRate, kFrames));
    constexpr double kFixed = 2147483648.0;
    clap::clap_event_transport transport{};
    transport.flags = clap::kTransportHasTempo | clap::kTransportHasBeatsTimeline |
                      clap::kTransportHasSecondsTimeline | clap::kTransportHasTimeSignature |
                      clap::kTransportIsPlaying;
    transport.song_pos_beats = static_cast<std::int64_t>(7.25 * kFixed);
    transport.song_pos_seconds = static_cast<std::int64_t>(2 * kFixed);
    transport.bar_start = static_cast<std::int64_t>(6 * kFixed);
    transport.tempo = 133.5;
    transport.tsig_num = 3;
    transport.tsig_denom = 4;
    struct Step {
      const char* what;
      const clap::clap_event_transport* transport;
      Seen seen;
    };
    const Step steps[] = {
        {"no transport: the frames run", nullptr, {0, 0, 0, 0, 0, 0, 0}},
        {"no transport, next block", nullptr, {0, 0, 0, 0, 0, kFrames, 0}},
        {"playing", &transport, kPlaying},
        {"no transport after playing", nullptr, {0, 0, 0, 0, kVstTransportChanged, 3 * kFrames, 0}},
    };
    for (const Step& step : steps) {
      ClapBlock<double> block(std::vector<double>(kFrames, 0.25), std::vector<double>(kFrames, 0.25));
      block.process.transport = step.transport;
      ASSERT_EQ(instance.process(block), clap::kProcessContinue);
      expectSeen(block.result(0), step.seen, step.what);
    }
    // Every combination of the transport's flags reaches the core as the flags of the
    // fields and states it names; a loop's positions need the beats timeline.
    const std::pair<std::uint32_t, VstInt32> kBits[] = {
        {clap::kTransportHasTempo, kVstTempoValid}, {clap::kTransportHasBeatsTimeline, kVstPpqPosValid | kVstBarsValid},
        {clap::kTransportHasSecondsTimeline, 0}, {clap::kTransportHasTimeSignature, kVstTimeSigValid},
        {clap::kTransportIsPlaying, kVstTransportPlaying}, {clap::kTransportIsRecording, kVstTransportRecording},
        {clap::kTransportIsLoopActive, kVstTransportCycleActive}};
    transport.song_pos_beats = transport.bar_start = transport.loop_end_beats = std::int64_t{1} << 31;
    for (std::uint32_t has = 0; has < 128; ++has) {
      VstInt32 expected = 0;
      for (const auto& [bit, flags] : kBits) expected |= has & bit ? flags : 0;
      if ((has & clap::kTransportHasBeatsTimeline) && (has & clap::kTransportIsLoopActive)) expected |= kVstCyclePosValid;
      transport.flags = has;
      ClapBlock<double> block(std::vector<double>(kFrames, 0.25), std::vector<double>(kFrames, 0.25));
      block.process.transport = &transport;
      ASSERT_EQ(instance.process(block), clap::kProcessContinue);
      EXPECT_EQ(static_cast<VstInt32>(block.result(0)[4]) & ~kVstTransportChanged, expected) << "flags " << has;
    }
  }
  module.entry().deinit();
}

// Halves away from zero, every other value to the nearest whole: what the C library's
// round() defines, and what msvcrt's round() does not do for the double just below 0.5.
TEST(EditionTime, ClapSamplePositionRoundsHalfAwayFromZero) {
  const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, double> kCases[] = {
      {0.0, 0.0},   {-0.0, -0.0}, {0.3, 0.0}, {-0.3, -0.0}, {0.5, 1.0}, {-0.5, -1.0}, {1.5, 2.0}, {-2.5, -3.0},
      {0.49999999999999994, 0.0}, {4503599627370495.5, 4503599627370496.0}, {-4503599627370495.5, -4503599627370496.0},
      {4503599627370496.0, 4503599627370496.0}, {9007199254740993.0, 9007199254740993.0}, {1e300, 1e300},
      {-1e300, -1e300}, {inf, inf}, {-inf, -inf}};
  for (const auto& [x, expected] : kCases) EXPECT_EQ(bits(clap::roundHalfAway(x)), bits(expected)) << x;
  EXPECT_TRUE(std::isnan(clap::roundHalfAway(std::numeric_limits<double>::quiet_NaN())));
  // A fixed sweep of positions and rates against rounding by floor, exact below 2^52.
  const auto byFloor = [](double x) {
    const double below = std::floor(x), fraction = x - below;
    return std::copysign(fraction > 0.5 || (fraction == 0.5 && x > 0.0) ? below + 1.0 : below, x);
  };
  std::uint64_t state = 0x9e3779b97f4a7c15u;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const auto seconds = static_cast<std::int64_t>(state >> (i % 40));
    const double rate = 8000.0 + static_cast<double>(state % 760000) * 0.25;
    const double position = seconds / clap::kFixedPointFactor * rate;
    if (std::fabs(position) < 4503599627370496.0) {
      EXPECT_EQ(bits(clap::samplePositionOf(seconds, rate)), bits(byFloor(position))) << position;
    }
  }
}

// A time:Position object at `frame` of the run, in an atom sequence of its own.
class PositionSequence {
 public:
  explicit PositionSequence(Lv2Features& features) : features_(features) {
    lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(features.mapFeature()->data)));
  }
  const LV2_Atom_Sequence* with(std::int64_t frame, std::int64_t positionFrame, float speed, std::int64_t bar,
                                float barBeat) {
    lv2_atom_forge_set_buffer(&forge_, buffer_.data(), buffer_.size());
    LV2_Atom_Forge_Frame sequence, object;
    lv2_atom_forge_sequence_head(&forge_, &sequence, 0);
    lv2_atom_forge_frame_time(&forge_, frame);
    lv2_atom_forge_object(&forge_, &object, 0, id(LV2_TIME__Position));
    lv2_atom_forge_key(&forge_, id(LV2_TIME__frame));
    lv2_atom_forge_long(&forge_, positionFrame);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__speed));
    lv2_atom_forge_float(&forge_, speed);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__bar));
    lv2_atom_forge_long(&forge_, bar);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge_, barBeat);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge_, 4);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge_, 3.0f);
    lv2_atom_forge_key(&forge_, id(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge_, 133.5f);
    lv2_atom_forge_pop(&forge_, &object);
    lv2_atom_forge_pop(&forge_, &sequence);
    return reinterpret_cast<const LV2_Atom_Sequence*>(buffer_.data());
  }
  // A sequence without events, as hosts pass between positions.
  const LV2_Atom_Sequence* empty() {
    lv2_atom_forge_set_buffer(&forge_, buffer_.data(), buffer_.size());
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge_, &sequence, 0);
    lv2_atom_forge_pop(&forge_, &sequence);
    return reinterpret_cast<const LV2_Atom_Sequence*>(buffer_.data());
  }

 private:
  LV2_URID id(const char* uri) { return features_.map(uri); }
  Lv2Features& features_;
  LV2_Atom_Forge forge_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1024);
};

TEST(EditionTime, Lv2CoreSeesTimePositions) {
  Lv2Module module(TIME_PROBE_LV2_BUNDLE, lv2BinaryName());
  ASSERT_TRUE(module.loaded());
  const LV2_Descriptor* descriptor = module.descriptor(kTwinfoldUri);
  ASSERT_NE(descriptor, nullptr);
  Lv2Features features(kFrames);
  PositionSequence positions(features);
  Lv2Instance instance(descriptor, descriptor->instantiate(descriptor, kRate, module.bundle().c_str(), features.list()));
  constexpr std::uint32_t kTimePort = kPortCount;  // the atom input follows the mode control
  std::vector<float> in(kFrames, 0.5f), left(kFrames), right(kFrames);
  float mode = 0.0f;
  instance.connect(kInLeft, in.data());
  instance.connect(kInRight, in.data());
  instance.connect(kOutLeft, left.data());
  instance.connect(kOutRight, right.data());
  instance.connect(kModePort, &mode);
  instance.activate();
  const auto run = [&](const LV2_Atom_Sequence* events) {
    instance.connect(kTimePort, const_cast<LV2_Atom_Sequence*>(events));
    instance.run(kFrames);
  };
  run(nullptr);
  expectSeen(left, {0, 0, 0, 0, 0, 0, 0}, "port unconnected: the frames run");
  run(positions.empty());
  expectSeen(left, {0, 0, 0, 0, 0, kFrames, 0}, "no position yet");
  // Bar 2 counted from 0, beat 1.25: quarter note 7.25 in 3/4.
  run(positions.with(0, 96000, 1.0f, 2, 1.25f));
  expectSeen(left, kPlaying, "a position at the run's start");
  run(positions.empty());
  expectSeen(left, {133.5, 7.25 + kQuartersPerBlock, 3, 4, kMusical | kVstTransportPlaying, 96000 + kFrames, 6},
             "the next run, moved on by the frames");
  // A position inside the run holds at its frame: the run started 16 frames earlier.
  run(positions.with(16, 96016, 1.0f, 2, 1.25f));
  expectSeen(left,
             {133.5, 7.25 - kQuartersPerBlock / 4, 3, 4, kMusical | kVstTransportPlaying, 96000, 6},
             "a position 16 frames into the run");
  run(positions.with(0, 48000, 0.0f, 0, 0.0f));
  expectSeen(left, {133.5, 0, 3, 4, kMusical | kVstTransportChanged, 48000, 0}, "stopped");
  run(positions.empty());
  expectSeen(left, {133.5, 0, 3, 4, kMusical, 48000, 0}, "stopped stands still");
  instance.deactivate();
}

}  // namespace
