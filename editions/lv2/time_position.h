// The host's transport as LV2 hosts tell it: time:Position objects on the plug-in's atom
// input, kept between them and moved on by the frames each run processes. Without
// them (no URID map, the port unconnected, a host that sends none) the record carries
// the frames run since activation. The core's time queries are answered from record().
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include "host/vst/vst2_abi.h"

namespace lv2 {

class TransportClock {
 public:
  TransportClock(const LV2_Feature* const* features, double sampleRate);

  const VstTimeInfo* record() const { return &time_; }
  // Back to the start, as after activation.
  void restart();
  // Reads the run's position objects, the last one winning, into the record for the
  // run's first frame. `events` may be null.
  void beginRun(const LV2_Atom_Sequence* events);
  void endRun(std::uint32_t frames);

 private:
  struct Urids {
    LV2_URID object = 0, blank = 0, position = 0, frame = 0, speed = 0, bar = 0, barBeat = 0, beatUnit = 0,
             beatsPerBar = 0, beatsPerMinute = 0, intType = 0, longType = 0, floatType = 0, doubleType = 0,
             frameTime = 0;
  };
  // Reads one object when it is a position; answers whether it was.
  bool readPosition(const LV2_Atom_Object* object);
  bool numberOf(const LV2_Atom* atom, double& value) const;

  Urids urids_;
  bool mapped_ = false;
  bool hostTime_ = false;  // a position has arrived since activation
  double speed_ = 0.0;
  VstTimeInfo time_{};
};

}  // namespace lv2
