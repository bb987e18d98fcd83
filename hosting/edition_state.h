// The state the editions that host the core save and load, one format for all of them:
// a 12-byte header (the tag "TWFS", a version and the chunk's byte count, both 32-bit
// little-endian) followed by the core's own chunk. Loading also takes the bare core chunk
// (the marker -1000.0, then up to 64 little-endian floats, as saved before the header
// existed) and VST 2.4 program (.fxp) and bank (.fxb) files of this core. A state is read
// through the host's stream in a loop that keeps every byte a read returned, and checked
// completely before anything is restored, so a refused state changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hosting/instance.h"

namespace hosting {

inline constexpr std::size_t kCoreChunkMaxBytes = 65 * 4;
inline constexpr std::size_t kStateHeaderBytes = 12;
inline constexpr std::uint32_t kStateVersion = 1;
// The largest state read from a stream: a bank file around a full chunk fits many times.
inline constexpr std::size_t kStateMaxBytes = 1 << 16;

// What the core is identified by in a program or bank file.
struct CoreIdentity {
  std::int32_t uniqueId = 0;
  std::int32_t numParams = 0;
  std::int32_t numPrograms = 0;
};
CoreIdentity identityOf(const Instance& core);

struct StateImage {
  enum class Kind { Invalid, Chunk, ParameterValues };
  Kind kind = Kind::Invalid;
  // Kind::Chunk: the core chunk inside the given bytes, and whether it is a program's
  // (restored with effSetChunk index 1) rather than the whole bank's (index 0).
  const unsigned char* chunk = nullptr;
  std::size_t chunkSize = 0;
  bool program = false;
  // Kind::ParameterValues: a parameter-list program, one normalised value per parameter.
  std::vector<float> values;

  bool valid() const { return kind != Kind::Invalid; }
};

// The marker followed by 1 to 64 finite floats, whole floats only.
bool isCoreChunk(const unsigned char* bytes, std::size_t size);
// Recognises a headed state, a bare core chunk, or a program or bank file of this core in
// either the chunk or the parameter-list form (read by parsePreset). A chunk in the
// result points into `bytes`.
StateImage parseState(const unsigned char* bytes, std::size_t size, const CoreIdentity& core);

// A host's stream, as the edition adapts it. `read` answers the bytes it placed (which
// count even when the host also reported a failure), 0 at the end, negative on error;
// `write` answers the bytes it took, 0 or negative when it took none.
struct StateReader {
  virtual ~StateReader() = default;
  virtual std::int64_t read(unsigned char* out, std::size_t size) = 0;
};
struct StateWriter {
  virtual ~StateWriter() = default;
  virtual std::int64_t write(const unsigned char* bytes, std::size_t size) = 0;
};

// Reads until `size` bytes arrived or a read yields nothing; answers the bytes read.
std::size_t readUpTo(StateReader& stream, unsigned char* out, std::size_t size);
// Reads one state from the stream's position: exactly its length when it says it
// (headed state, program or bank file), up to a full chunk for a bare one. Empty when
// the stream holds none.
std::vector<unsigned char> readState(StateReader& stream);
// The header and the core's current chunk; false when the core has none or the stream
// takes fewer bytes.
bool writeState(StateWriter& stream, Instance& core);

// Applies a checked state to a core: a program's chunk as a program, anything else as
// the bank. False when the core refused the chunk (it answers its size when it takes
// one), which leaves it as it was.
bool restoreState(Instance& core, const StateImage& image);

}  // namespace hosting
