#include "hosting/preset_file.h"

#include <bit>
#include <cctype>

namespace hosting {

namespace {

constexpr std::uint32_t tag(const char (&text)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint32_t kContainerTag = tag("CcnK");
constexpr std::uint32_t kProgramValuesTag = tag("FxCk");
constexpr std::uint32_t kProgramChunkTag = tag("FPCh");
constexpr std::uint32_t kBankProgramsTag = tag("FxBk");
constexpr std::uint32_t kBankChunkTag = tag("FBCh");
constexpr std::size_t kBankFutureBytes = 124;

// Reads big-endian fields. The first refusal sticks and reads after it answer zeros;
// refuse() answers false, so a check reads `if (...) return in.refuse(...)`.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* bytes, std::size_t size, const std::string& source, std::string& error)
      : bytes_(bytes), size_(size), source_(source), error_(error) {}

  bool ok() const { return error_.empty(); }
  bool refuse(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
  }
  std::uint32_t u32() {
    if (!need(4)) return 0;
    const std::uint8_t* p = bytes_ + offset_;
    offset_ += 4;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }
  std::string name() {
    if (!need(kProgramNameBytes)) return {};
    std::string text;
    for (std::size_t i = 0; i < kProgramNameBytes && bytes_[offset_ + i] != 0; ++i)
      text.push_back(static_cast<char>(bytes_[offset_ + i]));
    offset_ += kProgramNameBytes;
    return text;
  }
  void skip(std::size_t count) {
    if (need(count)) offset_ += count;
  }
  std::size_t offset() const { return offset_; }
  std::size_t left() const { return size_ - offset_; }
  const std::uint8_t* here() const { return bytes_ + offset_; }

 private:
  bool need(std::size_t count) {
    if (!ok()) return false;
    if (left() >= count) return true;
    return refuse("preset '" + source_ + "' is truncated: it ends at byte " + std::to_string(size_) +
                  " in the middle of its data");
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
  const std::string& source_;
  std::string& error_;
};

class ByteWriter {
 public:
  void u32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
  void f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
  void name(const std::string& text) {
    // One byte stays NUL so readers that expect a terminated string find one.
    for (std::size_t i = 0; i < kProgramNameBytes; ++i)
      bytes_.push_back(i + 1 < kProgramNameBytes && i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
  }
  void bytes(const std::vector<std::uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  // Fills in the byteSize field of the container that starts at `start`.
  void closeContainer(std::size_t start) {
    const auto size = static_cast<std::uint32_t>(bytes_.size() - start - 8);
    for (int i = 0; i < 4; ++i)
      bytes_[start + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  }
  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t> release() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::string malformed(const std::string& source, const std::string& what) {
  return "preset '" + source + "' is malformed: " + what;
}

std::string truncatedOrMalformed(const std::string& source, bool truncated) {
  return "preset '" + source + "' is " + (truncated ? "truncated" : "malformed");
}

bool readCount(ByteReader& in, std::int32_t& count, const char* what, const std::string& source) {
  count = in.i32();
  return count >= 0 || in.refuse(malformed(source, std::string("negative ") + what + " " + std::to_string(count)));
}

// Whether `count` records of `recordBytes` each fit in what is left. Divides instead of
// multiplying: on 32-bit targets count * 4 wraps (0x40000001 * 4 is 4).
bool fitsLeft(const ByteReader& in, std::int32_t count, std::size_t recordBytes) {
  return count >= 0 && static_cast<std::uint64_t>(count) <= in.left() / recordBytes;
}

bool readValues(ByteReader& in, std::int32_t count, std::vector<float>& values, const std::string& where) {
  if (!fitsLeft(in, count, 4)) return in.refuse(where);
  values.resize(static_cast<std::size_t>(count));
  for (float& value : values) value = in.f32();
  return in.ok();
}

// The chunk forms' tail: chunkSize, then exactly that many bytes.
bool readChunk(ByteReader& in, std::vector<std::uint8_t>& chunk, const std::string& source) {
  const std::uint32_t chunkSize = in.u32();
  if (!in.ok()) return false;
  if (chunkSize != in.left())
    return in.refuse(truncatedOrMalformed(source, chunkSize > in.left()) + ": its chunk size is " +
                     std::to_string(chunkSize) + " bytes, " + std::to_string(in.left()) + " follow");
  chunk.assign(in.here(), in.here() + chunkSize);
  return true;
}

// One FxCk record inside a bank: a complete program file of its own.
bool readBankProgram(ByteReader& in, std::int32_t index, PresetFile& preset, const std::string& source) {
  const std::string where = "program " + std::to_string(index);
  if (in.left() < kProgramHeaderBytes) return in.refuse("preset '" + source + "' is truncated in " + where);
  if (in.u32() != kContainerTag) return in.refuse(malformed(source, where + " does not start with 'CcnK'"));
  const std::uint32_t byteSize = in.u32();
  if (in.u32() != kProgramValuesTag) return in.refuse(malformed(source, where + " is not an 'FxCk' record"));
  ProgramValues program;
  in.skip(4);  // the format version
  program.pluginId = in.i32();
  in.skip(4);  // the plug-in version repeats the bank's
  std::int32_t count = 0;
  if (!readCount(in, count, "parameter count", source)) return false;
  if (index > 0 && count != preset.numParams)
    return in.refuse(malformed(source, where + " has " + std::to_string(count) + " parameters, program 0 has " +
                                           std::to_string(preset.numParams)));
  preset.numParams = count;
  // 64-bit arithmetic on every target: neither term can wrap it.
  const std::uint64_t recordSize = kProgramHeaderBytes + std::uint64_t{static_cast<std::uint32_t>(count)} * 4;
  if (byteSize + 8ull != recordSize)
    return in.refuse(malformed(source, where + " gives its size as " + std::to_string(byteSize + 8ull) +
                                           " bytes instead of " + std::to_string(recordSize)));
  program.name = in.name();
  if (!readValues(in, count, program.values, "preset '" + source + "' is truncated in " + where)) return false;
  preset.programs.push_back(std::move(program));
  return true;
}

bool readPreset(ByteReader& in, std::size_t size, PresetFile& preset, const std::string& source) {
  if (size < 8) return in.refuse("preset '" + source + "' is truncated: " + std::to_string(size) + " bytes");
  if (in.u32() != kContainerTag) return in.refuse(malformed(source, "it does not start with 'CcnK'"));
  const std::uint32_t byteSize = in.u32();
  if (byteSize + 8ull != size)
    return in.refuse(truncatedOrMalformed(source, byteSize + 8ull > size) + ": its header gives " +
                     std::to_string(byteSize + 8ull) + " bytes, the file has " + std::to_string(size));
  const std::uint32_t kindTag = in.u32();
  if (!in.ok()) return false;
  if (kindTag == kProgramValuesTag) preset.kind = PresetKind::ProgramValues;
  else if (kindTag == kProgramChunkTag) preset.kind = PresetKind::ProgramChunk;
  else if (kindTag == kBankProgramsTag) preset.kind = PresetKind::BankPrograms;
  else if (kindTag == kBankChunkTag) preset.kind = PresetKind::BankChunk;
  else return in.refuse(malformed(source, "its type is none of FxCk, FPCh, FxBk, FBCh"));

  const std::size_t headerBytes = isBank(preset.kind) ? kBankHeaderBytes : kProgramHeaderBytes;
  if (size < headerBytes)
    return in.refuse("preset '" + source + "' is truncated: its header alone needs " + std::to_string(headerBytes) +
                     " bytes");
  preset.formatVersion = in.i32();
  preset.pluginId = in.i32();
  preset.pluginVersion = in.i32();

  if (!isBank(preset.kind)) {
    if (!readCount(in, preset.numParams, "parameter count", source)) return false;
    preset.program.name = in.name();
    preset.program.pluginId = preset.pluginId;
    if (preset.kind == PresetKind::ProgramChunk) return readChunk(in, preset.chunk, source);
    const std::string mismatch = malformed(source, "it holds " + std::to_string(in.left()) + " bytes of values for " +
                                                       std::to_string(preset.numParams) + " parameters");
    if (in.left() % 4 != 0 || in.left() / 4 != static_cast<std::uint32_t>(preset.numParams))
      return in.refuse(mismatch);
    return readValues(in, preset.numParams, preset.program.values, mismatch);
  }

  if (preset.formatVersion != 1 && preset.formatVersion != 2)
    return in.refuse(malformed(source, "unknown bank format version " + std::to_string(preset.formatVersion)));
  if (!readCount(in, preset.numPrograms, "program count", source)) return false;
  const std::int32_t current = in.i32();
  if (preset.formatVersion == 2) preset.currentProgram = current;
  in.skip(kBankFutureBytes);
  if (preset.kind == PresetKind::BankChunk) return readChunk(in, preset.chunk, source);
  // Each program record has at least its header.
  if (!fitsLeft(in, preset.numPrograms, kProgramHeaderBytes))
    return in.refuse("preset '" + source + "' is truncated: " + std::to_string(in.left()) + " bytes cannot hold " +
                     std::to_string(preset.numPrograms) + " programs");
  for (std::int32_t index = 0; index < preset.numPrograms; ++index)
    if (!readBankProgram(in, index, preset, source)) return false;
  return in.left() == 0 || in.refuse(malformed(source, std::to_string(in.left()) + " bytes follow the last program"));
}

}  // namespace

bool isBank(PresetKind kind) { return kind == PresetKind::BankPrograms || kind == PresetKind::BankChunk; }

const char* presetTag(PresetKind kind) {
  switch (kind) {
    case PresetKind::ProgramValues: return "FxCk";
    case PresetKind::ProgramChunk: return "FPCh";
    case PresetKind::BankPrograms: return "FxBk";
    case PresetKind::BankChunk: return "FBCh";
  }
  return "?";
}

std::string describeUniqueId(std::int32_t id) {
  const auto bits = static_cast<std::uint32_t>(id);
  std::string chars;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(bits >> shift);
    if (!std::isprint(c)) return std::to_string(id);
    chars.push_back(static_cast<char>(c));
  }
  return std::to_string(id) + " ('" + chars + "')";
}

std::optional<std::string> foreignPreset(const PresetFile& preset, std::int32_t ownId, const std::string& pluginName,
                                         const std::string& source) {
  if (preset.pluginId == ownId) return std::nullopt;
  return "preset '" + source + "' was made for another plug-in: its unique ID is " +
         describeUniqueId(preset.pluginId) + ", " + pluginName + " has " + describeUniqueId(ownId);
}

PresetParse parsePreset(const std::uint8_t* bytes, std::size_t size, const std::string& source) {
  if (!bytes) size = 0;
  std::string error;
  ByteReader reader(bytes, size, source, error);
  PresetFile preset;
  if (!readPreset(reader, size, preset, source)) return {std::nullopt, error};
  return {std::move(preset), {}};
}

std::vector<std::uint8_t> encodePreset(const PresetFile& preset) {
  ByteWriter out;
  // A container's header; closeContainer fills in its byteSize.
  const auto header = [&](std::uint32_t kindTag, std::int32_t formatVersion, std::int32_t count) {
    out.u32(kContainerTag);
    out.u32(0);
    out.u32(kindTag);
    out.i32(formatVersion);
    out.i32(preset.pluginId);
    out.i32(preset.pluginVersion);
    out.i32(count);
  };
  const auto program = [&](const ProgramValues& values) {
    out.name(values.name);
    for (float value : values.values) out.f32(value);
  };
  switch (preset.kind) {
    case PresetKind::ProgramValues:
      header(kProgramValuesTag, preset.formatVersion, static_cast<std::int32_t>(preset.program.values.size()));
      program(preset.program);
      break;
    case PresetKind::ProgramChunk:
      header(kProgramChunkTag, preset.formatVersion, preset.numParams);
      out.name(preset.program.name);
      out.u32(static_cast<std::uint32_t>(preset.chunk.size()));
      out.bytes(preset.chunk);
      break;
    case PresetKind::BankPrograms:
    case PresetKind::BankChunk: {
      const bool chunked = preset.kind == PresetKind::BankChunk;
      header(chunked ? kBankChunkTag : kBankProgramsTag, preset.formatVersion,
             chunked ? preset.numPrograms : static_cast<std::int32_t>(preset.programs.size()));
      out.i32(preset.currentProgram.value_or(0));
      out.zeros(kBankFutureBytes);
      if (chunked) {
        out.u32(static_cast<std::uint32_t>(preset.chunk.size()));
        out.bytes(preset.chunk);
        break;
      }
      for (const ProgramValues& values : preset.programs) {
        const std::size_t start = out.size();
        header(kProgramValuesTag, 1, static_cast<std::int32_t>(values.values.size()));
        program(values);
        out.closeContainer(start);
      }
      break;
    }
  }
  out.closeContainer(0);
  return out.release();
}

}  // namespace hosting
