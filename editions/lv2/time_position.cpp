#include "editions/lv2/time_position.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

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

// A copy of the host's bytes at `at`: no alignment is assumed of a host's buffer.
template <class T>
T readAs(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Atoms inside a sequence or an object start on 8-byte boundaries.
constexpr std::uint64_t padded(std::uint64_t size) { return (size + 7) & ~std::uint64_t{7}; }

}  // namespace

TransportClock::TransportClock(const LV2_Feature* const* features, double sampleRate) {
  record_.restart(sampleRate);
  reported_.sampleRate = sampleRate;
  const LV2_URID_Map* map = uridMap(features);
  if (!map || !map->map) return;
  const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  urids_ = {id(LV2_ATOM__Sequence),  id(LV2_ATOM__Object),         id(LV2_ATOM__Blank),
            id(LV2_TIME__Position),  id(LV2_TIME__frame),          id(LV2_TIME__speed),
            id(LV2_TIME__bar),       id(LV2_TIME__barBeat),        id(LV2_TIME__beatUnit),
            id(LV2_TIME__beatsPerBar), id(LV2_TIME__beatsPerMinute), id(LV2_ATOM__Int),
            id(LV2_ATOM__Long),      id(LV2_ATOM__Float),          id(LV2_ATOM__Double),
            id(LV2_ATOM__frameTime)};
  mapped_ = urids_.position != 0 && urids_.sequence != 0;
}

void TransportClock::restart() {
  record_.restart(record_.info()->sampleRate);
  reported_ = {};
  reported_.sampleRate = record_.info()->sampleRate;  // moves the musical position on
  hostTime_ = false;
  speed_ = 0.0;
}

bool TransportClock::numberOf(const LV2_Atom* atom, double& value) const {
  if (!atom) return false;
  const LV2_Atom header = readAs<LV2_Atom>(atom);
  const void* body = atom + 1;  // the property's walk checked that `size` bytes are there
  if (header.type == urids_.floatType && header.size >= sizeof(float)) {
    value = readAs<float>(body);
  } else if (header.type == urids_.doubleType && header.size >= sizeof(double)) {
    value = readAs<double>(body);
  } else if (header.type == urids_.intType && header.size >= sizeof(std::int32_t)) {
    value = readAs<std::int32_t>(body);
  } else if (header.type == urids_.longType && header.size >= sizeof(std::int64_t)) {
    value = static_cast<double>(readAs<std::int64_t>(body));
  } else {
    return false;
  }
  return std::isfinite(value);
}

TransportClock::Object TransportClock::readObject(const unsigned char* body, std::uint64_t size,
                                                 PositionValues& values) const {
  if (size < sizeof(LV2_Atom_Object_Body)) return Object::malformed;
  if (readAs<LV2_Atom_Object_Body>(body).otype != urids_.position) return Object::other;
  const std::pair<LV2_URID, const LV2_Atom**> wanted[] = {
      {urids_.frame, &values.frame},       {urids_.speed, &values.speed},
      {urids_.bar, &values.bar},           {urids_.barBeat, &values.barBeat},
      {urids_.beatUnit, &values.beatUnit}, {urids_.beatsPerBar, &values.beatsPerBar},
      {urids_.beatsPerMinute, &values.tempo}};
  for (std::uint64_t at = sizeof(LV2_Atom_Object_Body); at < size;) {
    if (size - at < sizeof(LV2_Atom_Property_Body)) return Object::malformed;
    const auto property = readAs<LV2_Atom_Property_Body>(body + at);
    const std::uint64_t valueAt = at + sizeof(LV2_Atom_Property_Body);
    if (padded(property.value.size) > size - valueAt) return Object::malformed;
    // The first value of a key counts.
    for (const auto& [key, value] : wanted)
      if (property.key == key && !*value)
        *value = reinterpret_cast<const LV2_Atom*>(body + at + offsetof(LV2_Atom_Property_Body, value));
    at = valueAt + padded(property.value.size);
  }
  return Object::position;
}

void TransportClock::apply(const PositionValues& values) {
  double value = 0.0;
  if (numberOf(values.frame, value)) reported_.samplePos = value;
  if (numberOf(values.speed, value)) speed_ = value;
  if (numberOf(values.tempo, value) && value > 0.0) {
    reported_.tempo = value;
    reported_.flags |= kVstTempoValid;
  }
  // A signature counts whole beats per bar and a beat unit that divides a whole note.
  double perBar = 0.0, unit = 0.0;
  if (numberOf(values.beatsPerBar, perBar) && numberOf(values.beatUnit, unit) && perBar >= 0.5 &&
      perBar < INT32_MAX && unit >= 0.5 && unit < INT32_MAX) {
    const long numerator = std::lround(perBar), denominator = std::lround(unit);
    if (hosting::TimeRecord::signatureValid(numerator, denominator)) {
      reported_.timeSigNumerator = static_cast<VstInt32>(numerator);
      reported_.timeSigDenominator = static_cast<VstInt32>(denominator);
      reported_.flags |= kVstTimeSigValid;
    }
  }
  // Bars and beats count in the signature's beat unit; the record counts quarter notes.
  double bars = 0.0, beat = 0.0;
  if ((reported_.flags & kVstTimeSigValid) && numberOf(values.bar, bars) && numberOf(values.barBeat, beat)) {
    const double quarters = 4.0 / reported_.timeSigDenominator;
    reported_.barStartPos = bars * reported_.timeSigNumerator * quarters;
    reported_.ppqPos = reported_.barStartPos + beat * quarters;
    reported_.flags |= kVstPpqPosValid | kVstBarsValid;
  }
  reported_.flags = (reported_.flags & ~kVstTransportPlaying) | (speed_ != 0.0 ? kVstTransportPlaying : 0);
}

void TransportClock::beginRun(const LV2_Atom_Sequence* events, std::uint32_t frames) {
  // Most runs carry an empty sequence: told apart by its header alone.
  if (events && mapped_ && readAs<LV2_Atom>(events).size > sizeof(LV2_Atom_Sequence_Body) && readPositions(events))
    return record_.takeReport(reported_, frames);
  // Between positions the record runs on as the host's time does (endPart).
  record_.continueBlock(frames);
}

bool TransportClock::readPositions(const LV2_Atom_Sequence* events) {
  const auto header = readAs<LV2_Atom>(events);
  const std::uint64_t size = header.size;
  if (header.type != urids_.sequence || size < sizeof(LV2_Atom_Sequence_Body) || size > kLargestSequence)
    return false;
  const auto* body = reinterpret_cast<const unsigned char*>(events) + sizeof(LV2_Atom);
  const LV2_URID unit = readAs<LV2_Atom_Sequence_Body>(body).unit;
  // Until a position says otherwise, the host's time starts where the frame count is.
  if (!hostTime_) reported_.samplePos = static_cast<double>(record_.framesRun());
  bool found = false;
  std::int64_t lastFrame = 0;
  for (std::uint64_t at = sizeof(LV2_Atom_Sequence_Body); at < size;) {
    if (size - at < sizeof(LV2_Atom_Event)) break;
    const auto event = readAs<LV2_Atom_Event>(body + at);
    const std::uint64_t eventBodyAt = at + sizeof(LV2_Atom_Event);
    if (padded(event.body.size) > size - eventBodyAt) break;
    if (event.body.type == urids_.object || event.body.type == urids_.blank) {
      PositionValues values;
      const Object object = readObject(body + eventBodyAt, event.body.size, values);
      if (object == Object::malformed) break;  // nothing after it is trusted
      if (object == Object::position) {
        apply(values);
        found = true;
        lastFrame = event.time.frames;
      }
    }
    at = eventBodyAt + padded(event.body.size);
  }
  if (!found) return false;
  hostTime_ = true;
  // The position holds at its event's frame: the run starts that many frames earlier.
  const bool inFrames = unit == 0 || unit == urids_.frameTime;
  if (inFrames && lastFrame > 0 && speed_ != 0.0)
    hosting::advanceTimeInfo(reported_, -static_cast<std::int32_t>(std::min<std::int64_t>(lastFrame, INT32_MAX)));
  return true;
}

void TransportClock::endPart(std::uint32_t frames) {
  // A host's stopped transport stands still; the frame count without one runs on.
  if (hostTime_ && speed_ == 0.0) return;
  const auto moved = static_cast<std::int32_t>(std::min<std::uint32_t>(frames, INT32_MAX));
  record_.advance(moved);
  if (hostTime_) hosting::advanceTimeInfo(reported_, moved);
}

}  // namespace lv2
