#include "editions/lv2/time_position.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include <lv2/atom/util.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include "hosting/host.h"

namespace lv2 {

namespace {

const LV2_URID_Map* uridMap(const LV2_Feature* const* features) {
  for (; features && *features; ++features)
    if ((*features)->URI && std::strcmp((*features)->URI, LV2_URID__map) == 0)
      return static_cast<const LV2_URID_Map*>((*features)->data);
  return nullptr;
}

}  // namespace

TransportClock::TransportClock(const LV2_Feature* const* features, double sampleRate) {
  time_.sampleRate = sampleRate;
  const LV2_URID_Map* map = uridMap(features);
  if (!map || !map->map) return;
  const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  urids_ = {id(LV2_ATOM__Object), id(LV2_ATOM__Blank),         id(LV2_TIME__Position),
            id(LV2_TIME__frame),  id(LV2_TIME__speed),         id(LV2_TIME__bar),
            id(LV2_TIME__barBeat), id(LV2_TIME__beatUnit),     id(LV2_TIME__beatsPerBar),
            id(LV2_TIME__beatsPerMinute), id(LV2_ATOM__Int),   id(LV2_ATOM__Long),
            id(LV2_ATOM__Float),  id(LV2_ATOM__Double),      id(LV2_ATOM__frameTime)};
  mapped_ = urids_.position != 0;
}

void TransportClock::restart() {
  const double rate = time_.sampleRate;
  time_ = {};
  time_.sampleRate = rate;
  hostTime_ = false;
  speed_ = 0.0;
}

bool TransportClock::numberOf(const LV2_Atom* atom, double& value) const {
  if (!atom) return false;
  if (atom->type == urids_.floatType && atom->size >= sizeof(float)) {
    value = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  } else if (atom->type == urids_.doubleType && atom->size >= sizeof(double)) {
    value = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  } else if (atom->type == urids_.intType && atom->size >= sizeof(std::int32_t)) {
    value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  } else if (atom->type == urids_.longType && atom->size >= sizeof(std::int64_t)) {
    value = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  } else {
    return false;
  }
  return std::isfinite(value);
}

bool TransportClock::readPosition(const LV2_Atom_Object* object) {
  if (object->body.otype != urids_.position) return false;
  const LV2_Atom *frame = nullptr, *speed = nullptr, *bar = nullptr, *barBeat = nullptr, *beatUnit = nullptr,
                 *beatsPerBar = nullptr, *tempo = nullptr;
  lv2_atom_object_get(object, urids_.frame, &frame, urids_.speed, &speed, urids_.bar, &bar, urids_.barBeat, &barBeat,
                      urids_.beatUnit, &beatUnit, urids_.beatsPerBar, &beatsPerBar, urids_.beatsPerMinute, &tempo,
                      0);
  double value = 0.0;
  if (numberOf(frame, value)) time_.samplePos = value;
  if (numberOf(speed, value)) speed_ = value;
  if (numberOf(tempo, value) && value > 0.0) {
    time_.tempo = value;
    time_.flags |= kVstTempoValid;
  }
  double perBar = 0.0, unit = 0.0;
  if (numberOf(beatsPerBar, perBar) && numberOf(beatUnit, unit) && perBar > 0.0 && unit > 0.0) {
    time_.timeSigNumerator = static_cast<VstInt32>(std::lround(perBar));
    time_.timeSigDenominator = static_cast<VstInt32>(std::lround(unit));
    time_.flags |= kVstTimeSigValid;
  }
  // Bars and beats count in the signature's beat unit; the record counts quarter notes.
  double bars = 0.0, beat = 0.0;
  if ((time_.flags & kVstTimeSigValid) && numberOf(bar, bars) && numberOf(barBeat, beat)) {
    const double quarters = 4.0 / time_.timeSigDenominator;
    time_.barStartPos = bars * time_.timeSigNumerator * quarters;
    time_.ppqPos = time_.barStartPos + beat * quarters;
    time_.flags |= kVstPpqPosValid | kVstBarsValid;
  }
  const VstInt32 wasPlaying = time_.flags & kVstTransportPlaying;
  const VstInt32 playing = speed_ != 0.0 ? kVstTransportPlaying : 0;
  time_.flags = (time_.flags & ~(kVstTransportPlaying | kVstTransportChanged)) | playing |
                (playing != wasPlaying ? kVstTransportChanged : 0);
  return true;
}

void TransportClock::beginRun(const LV2_Atom_Sequence* events) {
  if (!events || !mapped_ || events->atom.size <= sizeof(LV2_Atom_Sequence_Body)) return;
  const LV2_Atom_Event* last = nullptr;
  LV2_ATOM_SEQUENCE_FOREACH(events, event) {
    const LV2_Atom& body = event->body;
    if ((body.type == urids_.object || body.type == urids_.blank) && body.size >= sizeof(LV2_Atom_Object_Body) &&
        readPosition(reinterpret_cast<const LV2_Atom_Object*>(&body)))
      last = event;
  }
  if (!last) return;
  hostTime_ = true;
  // The position holds at its event's frame: the run starts that many frames earlier.
  const bool inFrames = events->body.unit == 0 || events->body.unit == urids_.frameTime;
  if (inFrames && last->time.frames > 0 && speed_ != 0.0)
    hosting::advanceTimeInfo(time_, -static_cast<std::int32_t>(std::min<std::int64_t>(last->time.frames, INT32_MAX)));
}

void TransportClock::endRun(std::uint32_t frames) {
  time_.flags &= ~kVstTransportChanged;
  // A host's stopped transport stands still; the frame count without one runs on.
  if (hostTime_ && speed_ == 0.0) return;
  hosting::advanceTimeInfo(time_, static_cast<std::int32_t>(std::min<std::uint32_t>(frames, INT32_MAX)));
}

}  // namespace lv2
