#include "host/vst3/state_bytes.h"

#include <cmath>
#include <cstring>

namespace vst3 {

namespace {

constexpr unsigned char kMarker[4] = {0x00, 0x00, 0x7A, 0xC4};  // -1000.0f, little-endian
constexpr std::size_t kProgramHeader = 56;                      // up to the program's content
constexpr std::size_t kBankHeader = 156;

std::uint32_t bigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

float floatOf(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

float littleEndianFloat(const unsigned char* p) {
  return floatOf(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                 (std::uint32_t{p[3]} << 24));
}

bool tagIs(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// The common header of both files: tag, byte size matching the length, the core's ID.
bool fileHeaderFits(const unsigned char* bytes, std::size_t size, std::size_t headerSize, const CoreIdentity& core) {
  return size >= headerSize && tagIs(bytes, "CcnK") && bigEndian(bytes + 4) == size - 8 &&
         static_cast<std::int32_t>(bigEndian(bytes + 16)) == core.uniqueId;
}

// A chunk-form body at `at`: its size field, then exactly that many bytes of core chunk.
StateImage chunkBody(const unsigned char* bytes, std::size_t size, std::size_t at) {
  StateImage image;
  if (size < at + 4) return image;
  const std::size_t chunkSize = bigEndian(bytes + at);
  if (chunkSize != size - at - 4 || !isCoreChunk(bytes + at + 4, chunkSize)) return image;
  image.kind = StateImage::Kind::Chunk;
  image.chunk = bytes + at + 4;
  image.chunkSize = chunkSize;
  return image;
}

// A parameter-list program record of exactly `size` bytes: every value within 0 … 1.
StateImage parameterProgram(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  StateImage image;
  const std::int32_t count = static_cast<std::int32_t>(bigEndian(bytes + 24));
  if (count != core.numParams || size != kProgramHeader + 4 * static_cast<std::size_t>(count)) return image;
  for (std::int32_t i = 0; i < count; ++i) {
    const float value = floatOf(bigEndian(bytes + kProgramHeader + 4 * i));
    if (!(value >= 0.0f && value <= 1.0f)) return image;
    image.values.push_back(value);
  }
  image.kind = StateImage::Kind::ParameterValues;
  return image;
}

StateImage programFile(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  if (!fileHeaderFits(bytes, size, kProgramHeader, core)) return {};
  if (tagIs(bytes + 8, "FPCh")) return chunkBody(bytes, size, kProgramHeader);
  if (tagIs(bytes + 8, "FxCk")) return parameterProgram(bytes, size, core);
  return {};
}

StateImage bankFile(const unsigned char* bytes, std::size_t size, const CoreIdentity& core) {
  if (!fileHeaderFits(bytes, size, kBankHeader, core)) return {};
  if (static_cast<std::int32_t>(bigEndian(bytes + 24)) != core.numPrograms) return {};
  if (tagIs(bytes + 8, "FBCh")) return chunkBody(bytes, size, kBankHeader);
  // A parameter-list bank of a one-program core holds one program file.
  if (tagIs(bytes + 8, "FxBk") && core.numPrograms == 1) {
    const unsigned char* program = bytes + kBankHeader;
    const std::size_t programSize = size - kBankHeader;
    if (programSize >= kProgramHeader && tagIs(program, "CcnK") && tagIs(program + 8, "FxCk") &&
        bigEndian(program + 4) == programSize - 8 && static_cast<std::int32_t>(bigEndian(program + 16)) == core.uniqueId)
      return parameterProgram(program, programSize, core);
  }
  return {};
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
  if (tagIs(bytes + 8, "FPCh") || tagIs(bytes + 8, "FxCk")) return programFile(bytes, size, core);
  if (tagIs(bytes + 8, "FBCh") || tagIs(bytes + 8, "FxBk")) return bankFile(bytes, size, core);
  return {};
}

std::size_t stateLengthFromHeader(const unsigned char* header8, std::size_t available) {
  if (available >= 4 && std::memcmp(header8, kMarker, 4) == 0) return kCoreChunkMaxBytes;
  if (available < 8 || !tagIs(header8, "CcnK")) return 0;
  const std::size_t total = std::size_t{bigEndian(header8 + 4)} + 8;
  return total <= kStateMaxBytes ? total : 0;
}

}  // namespace vst3
