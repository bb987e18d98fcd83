#include "hosting/edition_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "hosting/preset_file.h"

namespace hosting {

namespace {

constexpr unsigned char kMarker[4] = {0x00, 0x00, 0x7A, 0xC4};  // -1000.0f, little-endian
constexpr char kStateTag[4] = {'T', 'W', 'F', 'S'};

std::uint32_t littleEndian(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

void putLittleEndian(unsigned char* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t bigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

float littleEndianFloat(const unsigned char* p) {
  const std::uint32_t bits = littleEndian(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool tagIs(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

StateImage chunkAt(const unsigned char* bytes, std::size_t size, bool program) {
  StateImage image;
  if (!isCoreChunk(bytes, size)) return image;
  image.kind = StateImage::Kind::Chunk;
  image.chunk = bytes;
  image.chunkSize = size;
  image.program = program;
  return image;
}

// The header, then exactly the byte count it gives of core chunk.
StateImage headedState(const unsigned char* bytes, std::size_t size) {
  if (size < kStateHeaderBytes || littleEndian(bytes + 4) != kStateVersion ||
      littleEndian(bytes + 8) != size - kStateHeaderBytes)
    return {};
  return chunkAt(bytes + kStateHeaderBytes, size - kStateHeaderBytes, false);
}

// A parameter-list program of this core: every value within 0 … 1.
StateImage parameterProgram(const ProgramValues& program, const CoreIdentity& core) {
  StateImage image;
  if (program.pluginId != core.uniqueId || program.values.size() != static_cast<std::size_t>(core.numParams))
    return image;
  for (const float value : program.values)
    if (!(value >= 0.0f && value <= 1.0f)) return image;
  image.values = program.values;
  image.kind = StateImage::Kind::ParameterValues;
  return image;
}

// A program or bank file of this core; a chunk-form file ends with the chunk it carries.
StateImage presetState(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  const PresetParse parsed = parsePreset(bytes, size, "state");
  if (!parsed.preset || parsed.preset->pluginId != core.uniqueId) return {};
  const PresetFile& file = *parsed.preset;
  const unsigned char* chunk = bytes + size - file.chunk.size();
  switch (file.kind) {
    case PresetKind::ProgramChunk: return chunkAt(chunk, file.chunk.size(), true);
    case PresetKind::ProgramValues: return parameterProgram(file.program, core);
    case PresetKind::BankChunk:
      return file.numPrograms == core.numPrograms ? chunkAt(chunk, file.chunk.size(), false) : StateImage{};
    case PresetKind::BankPrograms:
      // A parameter-list bank of a one-program core holds one program.
      if (file.numPrograms != core.numPrograms || core.numPrograms != 1 || file.programs.size() != 1) return {};
      return parameterProgram(file.programs.front(), core);
  }
  return {};
}

// How many bytes a state starting with these bytes has in total (they hold at least 4,
// or 12 when the first 4 ask for more); 0 when they start no state this reader takes.
// A bare core chunk is open-ended: kCoreChunkMaxBytes.
std::size_t stateLength(const unsigned char* start, std::size_t available) {
  if (available >= 4 && std::memcmp(start, kMarker, 4) == 0) return kCoreChunkMaxBytes;
  // Each size is compared before anything is added to it: a 32-bit size_t wraps.
  if (available >= 12 && tagIs(start, kStateTag)) {
    const std::uint32_t chunk = littleEndian(start + 8);
    return chunk <= kCoreChunkMaxBytes ? kStateHeaderBytes + chunk : 0;
  }
  if (available < 8 || !tagIs(start, "CcnK")) return 0;
  const std::uint32_t body = bigEndian(start + 4);
  return body <= kStateMaxBytes - 8 ? body + 8 : 0;
}

}  // namespace

bool isCoreChunk(const unsigned char* bytes, std::size_t size) {
  if (!bytes || size < 8 || size > kCoreChunkMaxBytes || size % 4 != 0) return false;
  if (std::memcmp(bytes, kMarker, 4) != 0) return false;
  for (std::size_t at = 4; at < size; at += 4)
    if (!std::isfinite(littleEndianFloat(bytes + at))) return false;
  return true;
}

CoreIdentity identityOf(const Instance& core) { return {core.uniqueId(), core.numParams(), core.numPrograms()}; }

StateImage parseState(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  if (isCoreChunk(bytes, size)) return chunkAt(bytes, size, false);
  if (!bytes || size < 12) return {};
  if (tagIs(bytes, kStateTag)) return headedState(bytes, size);
  if (tagIs(bytes, "CcnK")) return presetState(bytes, size, core);
  return {};
}

std::size_t readUpTo(StateReader& stream, unsigned char* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t got = stream.read(out + done, size - done);
    if (got <= 0) break;
    done += std::min(static_cast<std::size_t>(got), size - done);
  }
  return done;
}

std::vector<unsigned char> readState(StateReader& stream) {
  std::vector<unsigned char> bytes(kStateHeaderBytes);
  // The marker alone tells a bare chunk; a file needs its tag and byte size, a headed
  // state its whole header.
  std::size_t got = readUpTo(stream, bytes.data(), 4);
  if (got == 4 && stateLength(bytes.data(), 4) == 0) {
    const std::size_t more = tagIs(bytes.data(), kStateTag) ? kStateHeaderBytes - 4 : 4;
    got += readUpTo(stream, bytes.data() + 4, more);
  }
  const std::size_t total = stateLength(bytes.data(), got);
  if (total < got) return {};
  bytes.resize(total);
  got += readUpTo(stream, bytes.data() + got, total - got);
  bytes.resize(got);
  return bytes;
}

bool writeState(StateWriter& stream, Instance& core) {
  const Instance::Chunk chunk = core.saveChunk();
  if (chunk.size == 0 || chunk.size > kCoreChunkMaxBytes) return false;
  unsigned char bytes[kStateHeaderBytes + kCoreChunkMaxBytes];
  std::memcpy(bytes, kStateTag, 4);
  putLittleEndian(bytes + 4, kStateVersion);
  putLittleEndian(bytes + 8, static_cast<std::uint32_t>(chunk.size));
  std::memcpy(bytes + kStateHeaderBytes, chunk.data, chunk.size);
  const std::size_t size = kStateHeaderBytes + chunk.size;
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t written = stream.write(bytes + done, size - done);
    if (written <= 0) return false;
    done += std::min(static_cast<std::size_t>(written), size - done);
  }
  return true;
}

bool restoreState(Instance& core, const StateImage& image) {
  if (image.kind == StateImage::Kind::Chunk &&
      core.restoreChunk(image.chunk, image.chunkSize, image.program) != static_cast<VstIntPtr>(image.chunkSize))
    return false;
  for (std::size_t i = 0; i < image.values.size(); ++i) core.setParameter(static_cast<VstInt32>(i), image.values[i]);
  return true;
}

}  // namespace hosting
