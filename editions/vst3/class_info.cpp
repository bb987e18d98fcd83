#include "editions/vst3/class_info.h"

#include <cctype>

namespace vst3 {

std::array<uint32, 4> classIdWords(std::int32_t uniqueId, const std::string& effectName) {
  unsigned char name[9] = {};
  for (std::size_t i = 0; i < sizeof name && i < effectName.size(); ++i)
    name[i] = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(effectName[i])));
  const auto word = [](unsigned a, unsigned b, unsigned c, unsigned d) {
    return static_cast<uint32>((a << 24) | (b << 16) | (c << 8) | d);
  };
  const auto id = static_cast<uint32>(uniqueId);
  return {word('V', 'S', 'T', id >> 24), word((id >> 16) & 0xFF, (id >> 8) & 0xFF, id & 0xFF, name[0]),
          word(name[1], name[2], name[3], name[4]), word(name[5], name[6], name[7], name[8])};
}

ClassInfo describeCore(hosting::EntryFunction entry, const char* version) {
  ClassInfo info;
  const hosting::Instance core(entry);
  if (!core.valid()) return info;
  info.valid = true;
  info.name = core.effectName();
  info.vendor = core.vendorName();
  info.version = version;
  const auto words = classIdWords(core.uniqueId(), info.name);
  info.cid = makeTuid(words[0], words[1], words[2], words[3]);
  return info;
}

}  // namespace vst3
