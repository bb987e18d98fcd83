// What the factory tells about the one audio class, all of it from the core: its names,
// and the class ID derived from its unique ID and effect name, so that hosts which
// replace a VST 2.4 plug-in by its VST3 counterpart find this class.
#pragma once

#include <string>

#include "hosting/instance.h"
#include "abi/vst3_abi.h"

namespace vst3 {

struct ClassInfo {
  bool valid = false;
  std::string name;
  std::string vendor;
  std::string version;
  TUID cid{};
};

// The four numbers of the class ID: "VST", the unique ID, then the first nine bytes of
// the lower-cased effect name (padded with zero bytes).
std::array<uint32, 4> classIdWords(std::int32_t uniqueId, const std::string& effectName);
// Asks a temporary instance of the core.
ClassInfo describeCore(hosting::EntryFunction entry, const char* version);

}  // namespace vst3
