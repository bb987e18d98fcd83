// The time record's rules: the frame count without host time, the changed flag, and
// the values a host got wrong losing their valid flag.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "hosting/time_record.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr VstInt32 kAll = hosting::TimeRecord::kReportedFlags;

// 120 bpm in 6/8 at quarter note 10, bar at 8, cycle 4 to 12, 1 s in: playing.
VstTimeInfo sane() {
  VstTimeInfo time{};
  time.samplePos = 48000;
  time.nanoSeconds = 1e9;
  time.ppqPos = 10;
  time.barStartPos = 8;
  time.cycleStartPos = 4;
  time.cycleEndPos = 12;
  time.tempo = 120;
  time.timeSigNumerator = 6;
  time.timeSigDenominator = 8;
  time.flags = kAll & ~kVstTransportRecording;
  return time;
}

VstTimeInfo reportOnce(hosting::TimeRecord& record, void (*spoil)(VstTimeInfo&)) {
  VstTimeInfo reported = sane();
  spoil(reported);
  record.restart(48000);
  VstTimeInfo& time = record.startReport(64);
  time = reported;
  time.sampleRate = 48000;
  record.finishReport();
  return *record.info();
}

TEST(TimeRecord, AValueAHostGotWrongLosesItsFlag) {
  struct Case {
    const char* what;
    void (*spoil)(VstTimeInfo&);
    VstInt32 lost;
  };
  const Case cases[] = {
      {"sane", [](VstTimeInfo&) {}, 0},
      {"tempo 0", [](VstTimeInfo& t) { t.tempo = 0; }, kVstTempoValid},
      {"tempo below 0", [](VstTimeInfo& t) { t.tempo = -120; }, kVstTempoValid},
      {"tempo NaN", [](VstTimeInfo& t) { t.tempo = kNaN; }, kVstTempoValid},
      {"tempo infinite", [](VstTimeInfo& t) { t.tempo = kInf; }, kVstTempoValid},
      {"numerator 0", [](VstTimeInfo& t) { t.timeSigNumerator = 0; }, kVstTimeSigValid},
      {"numerator below 0", [](VstTimeInfo& t) { t.timeSigNumerator = -3; }, kVstTimeSigValid},
      {"denominator 3", [](VstTimeInfo& t) { t.timeSigDenominator = 3; }, kVstTimeSigValid},
      {"denominator 0", [](VstTimeInfo& t) { t.timeSigDenominator = 0; }, kVstTimeSigValid},
      {"denominator -4", [](VstTimeInfo& t) { t.timeSigDenominator = -4; }, kVstTimeSigValid},
      {"position NaN", [](VstTimeInfo& t) { t.ppqPos = kNaN; }, kVstPpqPosValid},
      {"bar infinite", [](VstTimeInfo& t) { t.barStartPos = -kInf; }, kVstBarsValid},
      {"cycle end NaN", [](VstTimeInfo& t) { t.cycleEndPos = kNaN; }, kVstCyclePosValid},
      {"nanoseconds infinite", [](VstTimeInfo& t) { t.nanoSeconds = kInf; }, kVstNanosValid},
  };
  hosting::TimeRecord record;
  for (const Case& c : cases) {
    const VstTimeInfo seen = reportOnce(record, c.spoil);
    const VstInt32 expected = ((kAll & ~kVstTransportRecording) & ~c.lost) | kVstTransportChanged;
    EXPECT_EQ(seen.flags, expected) << c.what;
    EXPECT_EQ(seen.samplePos, 48000) << c.what;
    EXPECT_EQ(seen.sampleRate, 48000) << c.what;
    // What lost its flag reads 0; the rest as reported.
    EXPECT_EQ(seen.tempo, c.lost == kVstTempoValid ? 0 : 120) << c.what;
    EXPECT_EQ(seen.timeSigDenominator, c.lost == kVstTimeSigValid ? 0 : 8) << c.what;
    EXPECT_EQ(seen.ppqPos, c.lost == kVstPpqPosValid ? 0 : 10) << c.what;
    EXPECT_EQ(seen.cycleEndPos, c.lost == kVstCyclePosValid ? 0 : 12) << c.what;
    EXPECT_EQ(seen.cycleStartPos, c.lost == kVstCyclePosValid ? 0 : 4) << c.what;
  }
}

// One block after another: what the host reports (null: nothing, or a non-finite
// position) and what the record says.
TEST(TimeRecord, TheFrameCountAndTheChangedFlag) {
  struct Step {
    const char* what;
    bool reports;
    VstInt32 flags;
    double samplePos;
    VstInt32 seenFlags;
    double seenPos;
  };
  constexpr VstInt32 kPlaying = kVstTransportPlaying;
  constexpr VstInt32 kChanged = kVstTransportChanged;
  const Step steps[] = {
      {"no host time: the frames run", false, 0, 0, 0, 0},
      {"no host time, next block", false, 0, 0, 0, 64},
      {"starts playing", true, kPlaying, 1000, kPlaying | kChanged, 1000},
      {"plays on", true, kPlaying, 1064, kPlaying, 1064},
      {"a position that is no number: the frames run", true, kPlaying, kNaN, kPlaying, 256},
      {"stops", true, 0, 1128, kChanged, 1128},
      {"stopped", true, 0, 1128, 0, 1128},
      {"plays again", true, kPlaying, 1128, kPlaying | kChanged, 1128},
      {"the host's time goes away while playing", false, 0, 0, kChanged, 512},
      {"and stays away", false, 0, 0, 0, 576},
      {"a changed flag from the host is the record's own", true, kChanged, 7, 0, 7},
  };
  hosting::TimeRecord record;
  record.restart(44100);
  for (const Step& step : steps) {
    VstTimeInfo& time = record.startReport(64);
    if (step.reports) {
      time.flags = step.flags;
      time.samplePos = step.samplePos;
    }
    record.finishReport();
    EXPECT_EQ(record.info()->flags, step.seenFlags) << step.what;
    EXPECT_EQ(record.info()->samplePos, step.seenPos) << step.what;
    EXPECT_EQ(record.info()->sampleRate, 44100) << step.what;
  }
  // A restart is a new start: stopped, nothing changed, the count from 0.
  record.restart(44100);
  record.startReport(64);
  record.finishReport();
  EXPECT_EQ(record.info()->flags, 0);
  EXPECT_EQ(record.info()->samplePos, 0);
}

// A host that reports changes only: the record runs on between its reports.
TEST(TimeRecord, RunsOnBetweenReports) {
  hosting::TimeRecord record;
  record.restart(48000);
  VstTimeInfo reported = sane();
  record.takeReport(reported, 480);
  EXPECT_EQ(record.info()->flags, reported.flags | kVstTransportChanged);
  record.advance(480);
  record.continueBlock(480);
  EXPECT_EQ(record.info()->flags, reported.flags) << "changed only in the block that changed";
  EXPECT_EQ(record.info()->samplePos, 48480);
  EXPECT_DOUBLE_EQ(record.info()->ppqPos, 10 + 480 * 120 / 60.0 / 48000);
  EXPECT_EQ(record.framesRun(), 960);
}

}  // namespace
