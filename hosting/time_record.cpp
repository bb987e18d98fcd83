#include "hosting/time_record.h"

#include <cmath>
#include <initializer_list>

namespace hosting {

void TimeRecord::restart(double sampleRate) {
  time_ = {};
  time_.sampleRate = sampleRate;
  framesRun_ = blockStart_ = 0;
  wasPlaying_ = 0;
}

VstInt32 TimeRecord::dropNonFinite(VstInt32 flags) {
  VstTimeInfo& time = time_;
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
  return flags;
}

void TimeRecord::takeReport(const VstTimeInfo& reported, std::int64_t frames) {
  VstTimeInfo& time = startReport(frames);
  const double rate = time.sampleRate;
  time = reported;
  time.sampleRate = rate;
  finishReport();
}

}  // namespace hosting
