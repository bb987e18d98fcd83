// The bytes a component state may hold: the core's own chunk (the marker -1000.0, then
// up to 64 little-endian floats), or a VST 2.4 program or bank file around it. Checked
// completely before anything is restored, so a refused state changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vst3 {

inline constexpr std::size_t kCoreChunkMaxBytes = 65 * 4;
// The largest state read from a stream: a bank file around a full chunk fits many times.
inline constexpr std::size_t kStateMaxBytes = 1 << 16;

// What the core is identified by in a program or bank file.
struct CoreIdentity {
  std::int32_t uniqueId = 0;
  std::int32_t numParams = 0;
  std::int32_t numPrograms = 0;
};

struct StateImage {
  enum class Kind { Invalid, Chunk, ParameterValues };
  Kind kind = Kind::Invalid;
  // Kind::Chunk: the core chunk inside the given bytes.
  const unsigned char* chunk = nullptr;
  std::size_t chunkSize = 0;
  // Kind::ParameterValues: a parameter-list program, one normalised value per parameter.
  std::vector<float> values;

  bool valid() const { return kind != Kind::Invalid; }
};

// The marker followed by 1 to 64 finite floats, whole floats only.
bool isCoreChunk(const unsigned char* bytes, std::size_t size);
// Recognises a core chunk, or a program (.fxp) or bank (.fxb) file of this core in either
// the chunk or the parameter-list form. The result points into `bytes`.
StateImage parseState(const unsigned char* bytes, std::size_t size, const CoreIdentity& core);
// How many bytes a state starting with these 8 bytes has in total; 0 when they start no
// state this plug-in reads. A core chunk is open-ended: kCoreChunkMaxBytes.
std::size_t stateLengthFromHeader(const unsigned char* header8, std::size_t available);

}  // namespace vst3
