#include "hosting/time_record.h"

#include <cmath>
#include <initializer_list>

#include "hosting/host.h"

namespace hosting {

void TimeRecord::restart(double sampleRate) {
  time_ = {};
  time_.sampleRate = sampleRate;
  framesRun_ = blockStart_ = 0;
  wasPlaying_ = 0;
}

void TimeRecord::finishReport() {
  VstTimeInfo& time = time_;
  VstInt32 flags = time.flags & kReportedFlags;
  // Fields without their flag are 0 here: one sum is finite when every field is, so a
  // sane report costs one test for them all.
  const double any = (time.samplePos - time.samplePos) + (time.nanoSeconds - time.nanoSeconds) +
                     (time.ppqPos - time.ppqPos) + (time.barStartPos - time.barStartPos) +
                     (time.cycleStartPos - time.cycleStartPos) + (time.cycleEndPos - time.cycleEndPos) +
                     (time.tempo - time.tempo);
  if (any != 0.0) [[unlikely]] {
    if (!std::isfinite(time.samplePos)) time.samplePos = static_cast<double>(blockStart_);
    const auto keep = [&flags](VstInt32 flag, std::initializer_list<double*> fields) {
      bool finite = true;
      for (double* field : fields) finite = finite && std::isfinite(*field);
      if (finite) return;
      flags &= ~flag;
      for (double* field : fields) *field = 0.0;
    };
    keep(kVstNanosValid, {&time.nanoSeconds});
    keep(kVstPpqPosValid, {&time.ppqPos});
    keep(kVstBarsValid, {&time.barStartPos});
    keep(kVstCyclePosValid, {&time.cycleStartPos, &time.cycleEndPos});
    keep(kVstTempoValid, {&time.tempo});
  }
  if ((flags & kVstTempoValid) && !(time.tempo > 0.0)) {
    flags &= ~kVstTempoValid;
    time.tempo = 0.0;
  }
  if ((flags & kVstTimeSigValid) && !signatureValid(time.timeSigNumerator, time.timeSigDenominator)) {
    flags &= ~kVstTimeSigValid;
    time.timeSigNumerator = time.timeSigDenominator = 0;
  }
  time.flags = flags | ((flags & kVstTransportPlaying) != wasPlaying_ ? kVstTransportChanged : 0);
}

void TimeRecord::takeReport(const VstTimeInfo& reported, std::int64_t frames) {
  VstTimeInfo& time = startReport(frames);
  const double rate = time.sampleRate;
  time = reported;
  time.sampleRate = rate;
  finishReport();
}

void TimeRecord::advance(std::int32_t frames) { advanceTimeInfo(time_, frames); }

}  // namespace hosting
