#include "tools/render/preset_file.h"

#include <bit>
#include <cctype>

#include "tools/render/render_error.h"

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

class ByteReader {
 public:
  ByteReader(const std::vector<std::uint8_t>& bytes, std::size_t offset, const std::string& source)
      : bytes_(bytes), offset_(offset), source_(source) {}

  std::uint32_t u32() {
    need(4);
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
    need(kProgramNameBytes);
    std::string text;
    for (std::size_t i = 0; i < kProgramNameBytes && bytes_[offset_ + i] != 0; ++i)
      text.push_back(static_cast<char>(bytes_[offset_ + i]));
    offset_ += kProgramNameBytes;
    return text;
  }
  std::vector<std::uint8_t> take(std::size_t count) {
    need(count);
    std::vector<std::uint8_t> taken(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_),
                                    bytes_.begin() + static_cast<std::ptrdiff_t>(offset_ + count));
    offset_ += count;
    return taken;
  }
  void skip(std::size_t count) {
    need(count);
    offset_ += count;
  }
  std::size_t offset() const { return offset_; }
  std::size_t left() const { return bytes_.size() - offset_; }

 private:
  void need(std::size_t count) const {
    if (bytes_.size() - offset_ < count)
      throw RenderError("preset '" + source_ + "' is truncated: it ends at byte " + std::to_string(bytes_.size()) +
                        " in the middle of its data");
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t offset_;
  const std::string& source_;
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
    for (int i = 0; i < 4; ++i) bytes_[start + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
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
  if (available < 8) throw RenderError("preset '" + source + "' is truncated: " + std::to_string(available) + " bytes");
  if (reader.u32() != kContainerTag) throw RenderError(malformed(source, "it does not start with 'CcnK'"));
  const std::uint32_t byteSize = reader.u32();
  if (static_cast<std::uint64_t>(byteSize) + 8 != available)
    throw RenderError("preset '" + source + "' is " + (byteSize + 8ull > available ? "truncated" : "malformed") +
                      ": its header gives " + std::to_string(byteSize + 8ull) + " bytes, the file has " +
                      std::to_string(available));
}

std::int32_t readCount(ByteReader& reader, const char* what, const std::string& source) {
  const std::int32_t count = reader.i32();
  if (count < 0) throw RenderError(malformed(source, std::string("negative ") + what + " " + std::to_string(count)));
  return count;
}

std::vector<float> readValues(ByteReader& reader, std::int32_t count, const std::string& source) {
  if (reader.left() != static_cast<std::size_t>(count) * 4)
    throw RenderError(malformed(source, "it holds " + std::to_string(reader.left()) + " bytes of values for " +
                                            std::to_string(count) + " parameters"));
  std::vector<float> values(static_cast<std::size_t>(count));
  for (float& value : values) value = reader.f32();
  return values;
}

std::vector<std::uint8_t> readChunk(ByteReader& reader, const std::string& source) {
  const std::uint32_t chunkSize = reader.u32();
  if (chunkSize != reader.left())
    throw RenderError("preset '" + source + "' is " + (chunkSize > reader.left() ? "truncated" : "malformed") +
                      ": its chunk size is " + std::to_string(chunkSize) + " bytes, " +
                      std::to_string(reader.left()) + " follow");
  return reader.take(chunkSize);
}

// One FxCk record inside a bank: a complete program file of its own.
ProgramValues readBankProgram(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t index,
                              const std::string& source, std::int32_t& numParams, std::size_t& recordSize) {
  ByteReader reader(bytes, offset, source);
  const std::string where = "program " + std::to_string(index);
  if (reader.left() < kProgramHeaderBytes) throw RenderError("preset '" + source + "' is truncated in " + where);
  if (reader.u32() != kContainerTag) throw RenderError(malformed(source, where + " does not start with 'CcnK'"));
  const std::uint32_t byteSize = reader.u32();
  if (reader.u32() != kProgramValuesTag) throw RenderError(malformed(source, where + " is not an 'FxCk' record"));
  reader.skip(12);  // format version, plug-in ID and version repeat the bank's
  const std::int32_t count = readCount(reader, "parameter count", source);
  if (index > 0 && count != numParams)
    throw RenderError(malformed(source, where + " has " + std::to_string(count) + " parameters, program 0 has " +
                                            std::to_string(numParams)));
  numParams = count;
  recordSize = kProgramHeaderBytes + static_cast<std::size_t>(count) * 4;
  if (byteSize + 8ull != recordSize)
    throw RenderError(malformed(source, where + " gives its size as " + std::to_string(byteSize + 8ull) +
                                            " bytes instead of " + std::to_string(recordSize)));
  ProgramValues program;
  program.name = reader.name();
  if (reader.left() < static_cast<std::size_t>(count) * 4)
    throw RenderError("preset '" + source + "' is truncated in " + where);
  program.values.resize(static_cast<std::size_t>(count));
  for (float& value : program.values) value = reader.f32();
  return program;
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

PresetFile parsePreset(const std::vector<std::uint8_t>& bytes, const std::string& source) {
  ByteReader reader(bytes, 0, source);
  readContainer(reader, bytes.size(), source);
  PresetFile preset;
  const std::uint32_t kindTag = reader.u32();
  if (kindTag == kProgramValuesTag) preset.kind = PresetKind::ProgramValues;
  else if (kindTag == kProgramChunkTag) preset.kind = PresetKind::ProgramChunk;
  else if (kindTag == kBankProgramsTag) preset.kind = PresetKind::BankPrograms;
  else if (kindTag == kBankChunkTag) preset.kind = PresetKind::BankChunk;
  else throw RenderError(malformed(source, "its type is none of FxCk, FPCh, FxBk, FBCh"));

  if (bytes.size() < (isBank(preset.kind) ? kBankHeaderBytes : kProgramHeaderBytes))
    throw RenderError("preset '" + source + "' is truncated: its header alone needs " +
                      std::to_string(isBank(preset.kind) ? kBankHeaderBytes : kProgramHeaderBytes) + " bytes");
  preset.formatVersion = reader.i32();
  preset.pluginId = reader.i32();
  preset.pluginVersion = reader.i32();

  if (!isBank(preset.kind)) {
    preset.numParams = readCount(reader, "parameter count", source);
    preset.program.name = reader.name();
    if (preset.kind == PresetKind::ProgramValues) preset.program.values = readValues(reader, preset.numParams, source);
    else preset.chunk = readChunk(reader, source);
    return preset;
  }

  if (preset.formatVersion != 1 && preset.formatVersion != 2)
    throw RenderError(malformed(source, "unknown bank format version " + std::to_string(preset.formatVersion)));
  preset.numPrograms = readCount(reader, "program count", source);
  const std::int32_t current = reader.i32();
  if (preset.formatVersion == 2) preset.currentProgram = current;
  reader.skip(kBankFutureBytes);
  if (preset.kind == PresetKind::BankChunk) {
    preset.chunk = readChunk(reader, source);
    return preset;
  }
  std::size_t offset = reader.offset();
  for (std::int32_t index = 0; index < preset.numPrograms; ++index) {
    std::size_t recordSize = 0;
    preset.programs.push_back(readBankProgram(bytes, offset, index, source, preset.numParams, recordSize));
    offset += recordSize;
  }
  if (offset != bytes.size())
    throw RenderError(malformed(source, std::to_string(bytes.size() - offset) + " bytes follow the last program"));
  return preset;
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
