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

// Reads big-endian fields; the first refusal sticks, and reads after it answer zeros,
// so a parser checks failed() where a value decides what comes next.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* bytes, std::size_t size, std::size_t offset, const std::string& source,
             std::string& error)
      : bytes_(bytes), size_(size), offset_(offset), source_(source), error_(error) {}

  bool failed() const { return !error_.empty(); }
  void refuse(const std::string& message) {
    if (error_.empty()) error_ = message;
  }

  std::uint32_t u32() {
    if (!need(4)) return 0;
    const std::uint32_t value = (static_cast<std::uint32_t>(bytes_[offset_]) << 24) |
                                (static_cast<std::uint32_t>(bytes_[offset_ + 1]) << 16) |
                                (static_cast<std::uint32_t>(bytes_[offset_ + 2]) << 8) |
                                static_cast<std::uint32_t>(bytes_[offset_ + 3]);
    offset_ += 4;
    return value;
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
  std::vector<std::uint8_t> take(std::size_t count) {
    if (!need(count)) return {};
    std::vector<std::uint8_t> taken(bytes_ + offset_, bytes_ + offset_ + count);
    offset_ += count;
    return taken;
  }
  void skip(std::size_t count) {
    if (need(count)) offset_ += count;
  }
  std::size_t offset() const { return offset_; }
  std::size_t left() const { return size_ - offset_; }

 private:
  bool need(std::size_t count) {
    if (failed()) return false;
    if (size_ - offset_ >= count) return true;
    refuse("preset '" + source_ + "' is truncated: it ends at byte " + std::to_string(size_) +
           " in the middle of its data");
    return false;
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t offset_;
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

// Reads the container tag and byteSize at the reader's position and checks that the
// container covers exactly `available` bytes.
void readContainer(ByteReader& reader, std::size_t available, const std::string& source) {
  if (available < 8) return reader.refuse("preset '" + source + "' is truncated: " + std::to_string(available) + " bytes");
  if (reader.u32() != kContainerTag) return reader.refuse(malformed(source, "it does not start with 'CcnK'"));
  const std::uint32_t byteSize = reader.u32();
  if (static_cast<std::uint64_t>(byteSize) + 8 != available)
    reader.refuse("preset '" + source + "' is " + (byteSize + 8ull > available ? "truncated" : "malformed") +
                  ": its header gives " + std::to_string(byteSize + 8ull) + " bytes, the file has " +
                  std::to_string(available));
}

std::int32_t readCount(ByteReader& reader, const char* what, const std::string& source) {
  const std::int32_t count = reader.i32();
  if (count >= 0) return count;
  reader.refuse(malformed(source, std::string("negative ") + what + " " + std::to_string(count)));
  return 0;
}

std::vector<float> readValues(ByteReader& reader, std::int32_t count, const std::string& source) {
  if (reader.failed()) return {};
  if (reader.left() != static_cast<std::size_t>(count) * 4) {
    reader.refuse(malformed(source, "it holds " + std::to_string(reader.left()) + " bytes of values for " +
                                        std::to_string(count) + " parameters"));
    return {};
  }
  std::vector<float> values(static_cast<std::size_t>(count));
  for (float& value : values) value = reader.f32();
  return values;
}

std::vector<std::uint8_t> readChunk(ByteReader& reader, const std::string& source) {
  const std::uint32_t chunkSize = reader.u32();
  if (reader.failed()) return {};
  if (chunkSize != reader.left()) {
    reader.refuse("preset '" + source + "' is " + (chunkSize > reader.left() ? "truncated" : "malformed") +
                  ": its chunk size is " + std::to_string(chunkSize) + " bytes, " + std::to_string(reader.left()) +
                  " follow");
    return {};
  }
  return reader.take(chunkSize);
}

// One FxCk record inside a bank: a complete program file of its own. Answers the
// record's size, 0 when it was refused.
std::size_t readBankProgram(const std::uint8_t* bytes, std::size_t size, std::size_t offset, std::int32_t index,
                            const std::string& source, std::string& error, PresetFile& preset) {
  ByteReader reader(bytes, size, offset, source, error);
  const std::string where = "program " + std::to_string(index);
  if (reader.left() < kProgramHeaderBytes) return reader.refuse("preset '" + source + "' is truncated in " + where), 0;
  if (reader.u32() != kContainerTag) return reader.refuse(malformed(source, where + " does not start with 'CcnK'")), 0;
  const std::uint32_t byteSize = reader.u32();
  if (reader.u32() != kProgramValuesTag) return reader.refuse(malformed(source, where + " is not an 'FxCk' record")), 0;
  ProgramValues program;
  reader.skip(4);  // the format version
  program.pluginId = reader.i32();
  reader.skip(4);  // the plug-in version repeats the bank's
  const std::int32_t count = readCount(reader, "parameter count", source);
  if (reader.failed()) return 0;
  if (index > 0 && count != preset.numParams)
    return reader.refuse(malformed(source, where + " has " + std::to_string(count) + " parameters, program 0 has " +
                                               std::to_string(preset.numParams))),
           0;
  preset.numParams = count;
  const std::size_t recordSize = kProgramHeaderBytes + static_cast<std::size_t>(count) * 4;
  if (byteSize + 8ull != recordSize)
    return reader.refuse(malformed(source, where + " gives its size as " + std::to_string(byteSize + 8ull) +
                                               " bytes instead of " + std::to_string(recordSize))),
           0;
  program.name = reader.name();
  if (reader.left() < static_cast<std::size_t>(count) * 4)
    return reader.refuse("preset '" + source + "' is truncated in " + where), 0;
  program.values.resize(static_cast<std::size_t>(count));
  for (float& value : program.values) value = reader.f32();
  preset.programs.push_back(std::move(program));
  return recordSize;
}

PresetParse refused(std::string error) { return {std::nullopt, std::move(error)}; }

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
  std::string error;
  ByteReader reader(bytes, bytes ? size : 0, 0, source, error);
  readContainer(reader, bytes ? size : 0, source);
  if (reader.failed()) return refused(error);
  PresetFile preset;
  const std::uint32_t kindTag = reader.u32();
  if (reader.failed()) return refused(error);
  if (kindTag == kProgramValuesTag) preset.kind = PresetKind::ProgramValues;
  else if (kindTag == kProgramChunkTag) preset.kind = PresetKind::ProgramChunk;
  else if (kindTag == kBankProgramsTag) preset.kind = PresetKind::BankPrograms;
  else if (kindTag == kBankChunkTag) preset.kind = PresetKind::BankChunk;
  else return refused(malformed(source, "its type is none of FxCk, FPCh, FxBk, FBCh"));

  const std::size_t headerBytes = isBank(preset.kind) ? kBankHeaderBytes : kProgramHeaderBytes;
  if (size < headerBytes)
    return refused("preset '" + source + "' is truncated: its header alone needs " + std::to_string(headerBytes) +
                   " bytes");
  preset.formatVersion = reader.i32();
  preset.pluginId = reader.i32();
  preset.pluginVersion = reader.i32();

  if (!isBank(preset.kind)) {
    preset.numParams = readCount(reader, "parameter count", source);
    preset.program.name = reader.name();
    preset.program.pluginId = preset.pluginId;
    if (preset.kind == PresetKind::ProgramValues) preset.program.values = readValues(reader, preset.numParams, source);
    else preset.chunk = readChunk(reader, source);
    if (reader.failed()) return refused(error);
    return {std::move(preset), {}};
  }

  if (preset.formatVersion != 1 && preset.formatVersion != 2)
    return refused(malformed(source, "unknown bank format version " + std::to_string(preset.formatVersion)));
  preset.numPrograms = readCount(reader, "program count", source);
  const std::int32_t current = reader.i32();
  if (preset.formatVersion == 2) preset.currentProgram = current;
  reader.skip(kBankFutureBytes);
  if (preset.kind == PresetKind::BankChunk) {
    preset.chunk = readChunk(reader, source);
    if (reader.failed()) return refused(error);
    return {std::move(preset), {}};
  }
  if (reader.failed()) return refused(error);
  std::size_t offset = reader.offset();
  for (std::int32_t index = 0; index < preset.numPrograms; ++index) {
    const std::size_t recordSize = readBankProgram(bytes, size, offset, index, source, error, preset);
    if (!error.empty()) return refused(error);
    offset += recordSize;
  }
  if (offset != size) return refused(malformed(source, std::to_string(size - offset) + " bytes follow the last program"));
  return {std::move(preset), {}};
}

std::vector<std::uint8_t> encodePreset(const PresetFile& preset) {
  ByteWriter out;
  const auto header = [&](std::uint32_t kindTag, std::int32_t count) {
    out.u32(kContainerTag);
    out.u32(0);  // byteSize, filled in by closeContainer
    out.u32(kindTag);
    out.i32(preset.formatVersion);
    out.i32(preset.pluginId);
    out.i32(preset.pluginVersion);
    out.i32(count);
  };
  switch (preset.kind) {
    case PresetKind::ProgramValues:
      header(kProgramValuesTag, static_cast<std::int32_t>(preset.program.values.size()));
      out.name(preset.program.name);
      for (float value : preset.program.values) out.f32(value);
      break;
    case PresetKind::ProgramChunk:
      header(kProgramChunkTag, preset.numParams);
      out.name(preset.program.name);
      out.u32(static_cast<std::uint32_t>(preset.chunk.size()));
      out.bytes(preset.chunk);
      break;
    case PresetKind::BankPrograms:
    case PresetKind::BankChunk: {
      const bool chunked = preset.kind == PresetKind::BankChunk;
      header(chunked ? kBankChunkTag : kBankProgramsTag,
             chunked ? preset.numPrograms : static_cast<std::int32_t>(preset.programs.size()));
      out.i32(preset.currentProgram.value_or(0));
      out.zeros(kBankFutureBytes);
      if (chunked) {
        out.u32(static_cast<std::uint32_t>(preset.chunk.size()));
        out.bytes(preset.chunk);
        break;
      }
      for (const ProgramValues& program : preset.programs) {
        const std::size_t start = out.size();
        out.u32(kContainerTag);
        out.u32(0);
        out.u32(kProgramValuesTag);
        out.i32(1);
        out.i32(preset.pluginId);
        out.i32(preset.pluginVersion);
        out.i32(static_cast<std::int32_t>(program.values.size()));
        out.name(program.name);
        for (float value : program.values) out.f32(value);
        out.closeContainer(start);
      }
      break;
    }
  }
  out.closeContainer(0);
  return out.release();
}

}  // namespace hosting
