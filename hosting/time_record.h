// The time a hosted core is told, as every edition tells it: each block the edition
// writes what its own host reported (or nothing) between startReport() and
// finishReport(), and the record keeps the rules the editions share. Without host time
// the position is the frames run since the last restart. The transport changed when
// playing starts or stops, also when the host's time goes away while playing. A value
// a host got wrong (not finite; a tempo not above 0; a signature whose numerator is
// below 1 or whose denominator is no positive power of two) loses its valid flag and
// reads 0. The core's time queries are answered with info(), which the record keeps in
// place: hand it to Host::setTimeInfo once.
#pragma once

#include <cstdint>

#include "host/vst/vst2_abi.h"

namespace hosting {

// Moves a record its owner filled for a block on by `frames`, for a block processed in
// parts: the sample position always, the musical position where the record has a tempo
// and a position and the transport plays.
inline void advanceTimeInfo(VstTimeInfo& time, std::int32_t frames) {
  time.samplePos += frames;
  constexpr VstInt32 kMoving = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
  if ((time.flags & kMoving) == kMoving && time.sampleRate > 0.0)
    time.ppqPos += frames * time.tempo / (60.0 * time.sampleRate);
}

class TimeRecord {
 public:
  // The flags a report may carry: transport states and the fields' valid flags. The
  // record sets kVstTransportChanged itself.
  static constexpr VstInt32 kReportedFlags = kVstTransportPlaying | kVstTransportCycleActive |
                                             kVstTransportRecording | kVstNanosValid | kVstPpqPosValid |
                                             kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;

  const VstTimeInfo* info() const { return &time_; }
  std::int64_t framesRun() const { return framesRun_; }
  // Position 0, stopped, nothing changed: as after activation.
  void restart(double sampleRate);
  void setSampleRate(double sampleRate) { time_.sampleRate = sampleRate; }

  // Starts the record of a block of `frames` frames: no flags, every field 0 but the
  // rate and the position, which is the frames run. The caller writes what its host
  // reported (each field with its valid flag; samplePos if the host has one) into the
  // answer, then calls finishReport(). A host without time writes nothing.
  VstTimeInfo& startReport(std::int64_t frames) {
    wasPlaying_ = time_.flags & kVstTransportPlaying;
    // The fields a report may fill; the others stay 0 from restart().
    time_.samplePos = static_cast<double>(framesRun_);
    time_.nanoSeconds = time_.ppqPos = time_.tempo = time_.barStartPos = 0.0;
    time_.cycleStartPos = time_.cycleEndPos = 0.0;
    time_.timeSigNumerator = time_.timeSigDenominator = 0;
    time_.flags = 0;
    blockStart_ = framesRun_;
    framesRun_ += frames;
    return time_;
  }
  // Checks the report's values and sets the changed flag.
  void finishReport() {
    VstTimeInfo& time = time_;
    VstInt32 flags = time.flags & kReportedFlags;
    // Fields without their flag are 0 here. The sum of finite values minus itself is 0
    // (unless it overflows, which only takes the careful way): a sane report costs one
    // test for all its fields.
    const double sum = time.samplePos + time.nanoSeconds + time.ppqPos + time.barStartPos + time.cycleStartPos +
                       time.cycleEndPos + time.tempo;
    if (sum - sum != 0.0) [[unlikely]]
      flags = dropNonFinite(flags);
    if ((flags & kVstTempoValid) && !(time.tempo > 0.0)) [[unlikely]] {
      flags &= ~kVstTempoValid;
      time.tempo = 0.0;
    }
    if ((flags & kVstTimeSigValid) && !signatureValid(time.timeSigNumerator, time.timeSigDenominator)) [[unlikely]] {
      flags &= ~kVstTimeSigValid;
      time.timeSigNumerator = time.timeSigDenominator = 0;
    }
    time.flags = flags | ((flags & kVstTransportPlaying) != wasPlaying_ ? kVstTransportChanged : 0);
  }
  // The record of a block of `frames` from a whole report kept by the caller (a host
  // that reports changes only): its rate and changed flag are the record's own.
  void takeReport(const VstTimeInfo& reported, std::int64_t frames);
  // The record for the next block of `frames` when the host reported nothing new: the
  // record as advance() left it, unchanged.
  void continueBlock(std::int64_t frames) {
    framesRun_ += frames;
    time_.flags &= ~kVstTransportChanged;
  }
  // Moves the record on by `frames` processed: within a block processed in parts, or
  // after a block when the next one continues it.
  void advance(std::int32_t frames) { advanceTimeInfo(time_, frames); }

  static bool signatureValid(std::int64_t numerator, std::int64_t denominator) {
    return numerator >= 1 && denominator >= 1 && (denominator & (denominator - 1)) == 0;
  }

 private:
  // The report's flags without those of fields that are not finite, which read 0; a
  // position that is not finite is the frames run.
  VstInt32 dropNonFinite(VstInt32 flags);

  VstTimeInfo time_{};
  std::int64_t framesRun_ = 0;  // since the last restart: the position without host time
  std::int64_t blockStart_ = 0;  // framesRun_ at the start of the block reported
  VstInt32 wasPlaying_ = 0;     // the last block's transport
};

}  // namespace hosting
