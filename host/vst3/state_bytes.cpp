#include "host/vst3/state_bytes.h"

#include <cmath>
#include <cstring>

#include "hosting/preset_file.h"

namespace vst3 {

namespace {

constexpr unsigned char kMarker[4] = {0x00, 0x00, 0x7A, 0xC4};  // -1000.0f, little-endian

std::uint32_t bigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

float littleEndianFloat(const unsigned char* p) {
  const std::uint32_t bits = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                             (std::uint32_t{p[3]} << 24);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool tagIs(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// A chunk-form file ends with the core chunk it carries.
StateImage chunkBody(const unsigned char* bytes, std::size_t size, const std::vector<std::uint8_t>& chunk) {
  StateImage image;
  const unsigned char* start = bytes + size - chunk.size();
  if (!isCoreChunk(start, chunk.size())) return image;
  image.kind = StateImage::Kind::Chunk;
  image.chunk = start;
  image.chunkSize = chunk.size();
  return image;
}

// A parameter-list program of this core: every value within 0 … 1.
StateImage parameterProgram(const hosting::ProgramValues& program, const CoreIdentity& core) {
  StateImage image;
  if (program.pluginId != core.uniqueId || program.values.size() != static_cast<std::size_t>(core.numParams))
    return image;
  for (const float value : program.values)
    if (!(value >= 0.0f && value <= 1.0f)) return image;
  image.values = program.values;
  image.kind = StateImage::Kind::ParameterValues;
  return image;
}

}  // namespace

bool isCoreChunk(const unsigned char* bytes, std::size_t size) {
  if (!bytes || size < 8 || size > kCoreChunkMaxBytes || size % 4 != 0) return false;
  if (std::memcmp(bytes, kMarker, 4) != 0) return false;
  for (std::size_t at = 4; at < size; at += 4)
    if (!std::isfinite(littleEndianFloat(bytes + at))) return false;
  return true;
}

StateImage parseState(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  if (isCoreChunk(bytes, size)) {
    StateImage image;
    image.kind = StateImage::Kind::Chunk;
    image.chunk = bytes;
    image.chunkSize = size;
    return image;
  }
  if (!bytes || size < 12 || !tagIs(bytes, "CcnK")) return {};
  const hosting::PresetParse parsed = hosting::parsePreset(bytes, size, "state");
  if (!parsed.preset || parsed.preset->pluginId != core.uniqueId) return {};
  const hosting::PresetFile& file = *parsed.preset;
  switch (file.kind) {
    case hosting::PresetKind::ProgramChunk: return chunkBody(bytes, size, file.chunk);
    case hosting::PresetKind::ProgramValues: return parameterProgram(file.program, core);
    case hosting::PresetKind::BankChunk:
      return file.numPrograms == core.numPrograms ? chunkBody(bytes, size, file.chunk) : StateImage{};
    case hosting::PresetKind::BankPrograms:
      // A parameter-list bank of a one-program core holds one program.
      if (file.numPrograms != core.numPrograms || core.numPrograms != 1 || file.programs.size() != 1) return {};
      return parameterProgram(file.programs.front(), core);
  }
  return {};
}

std::size_t stateLengthFromHeader(const unsigned char* header8, std::size_t available) {
  if (available >= 4 && std::memcmp(header8, kMarker, 4) == 0) return kCoreChunkMaxBytes;
  if (available < 8 || !tagIs(header8, "CcnK")) return 0;
  const std::size_t total = std::size_t{bigEndian(header8 + 4)} + 8;
  return total <= kStateMaxBytes ? total : 0;
}

}  // namespace vst3
