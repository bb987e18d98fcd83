// The host's transport as LV2 hosts tell it: time:Position objects on the plug-in's atom
// input, kept between them and moved on by the frames each run processes. Without
// them (no URID map, the port unconnected, a host that sends none) the core is told the
// frames run since activation. The core's time queries are answered from record().
//
// The host's atoms are walked by hand with 64-bit offsets, every size checked against
// the bytes it claims to lie in: the walk stops at the first atom that does not fit, and
// what it would have said is ignored.
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include "host/vst/vst2_abi.h"
#include "hosting/time_record.h"

namespace lv2 {

class TransportClock {
 public:
  // A sequence claiming more bytes than this is no host's transport: ignored whole.
  static constexpr std::uint32_t kLargestSequence = 1u << 20;

  TransportClock(const LV2_Feature* const* features, double sampleRate);

  const VstTimeInfo* record() const { return record_.info(); }
  // Back to the start, as after activation.
  void restart();
  // Reads the run's position objects, the last one winning, into the record for the
  // run's first frame. `events` may be null.
  void beginRun(const LV2_Atom_Sequence* events, std::uint32_t frames);
  // After the core processed `frames` of the run.
  void endPart(std::uint32_t frames);

 private:
  struct Urids {
    LV2_URID sequence = 0, object = 0, blank = 0, position = 0, frame = 0, speed = 0, bar = 0, barBeat = 0,
             beatUnit = 0, beatsPerBar = 0, beatsPerMinute = 0, intType = 0, longType = 0, floatType = 0,
             doubleType = 0, frameTime = 0;
  };
  // The values of one position object; null where it has none.
  struct PositionValues {
    const LV2_Atom *frame = nullptr, *speed = nullptr, *bar = nullptr, *barBeat = nullptr, *beatUnit = nullptr,
                   *beatsPerBar = nullptr, *tempo = nullptr;
  };
  // Reads the run's positions into reported_; answers whether there was one.
  bool readPositions(const LV2_Atom_Sequence* events);
  enum class Object { position, other, malformed };
  // Reads the object of `size` bytes at `body` when it is a position; malformed when
  // its header or a property does not fit in it.
  Object readObject(const unsigned char* body, std::uint64_t size, PositionValues& values) const;
  void apply(const PositionValues& values);
  bool numberOf(const LV2_Atom* atom, double& value) const;

  Urids urids_;
  bool mapped_ = false;
  bool hostTime_ = false;  // a position has arrived since activation
  double speed_ = 0.0;
  VstTimeInfo reported_{};  // the host's time as its positions said, moved on by the runs
  hosting::TimeRecord record_;
};

}  // namespace lv2
