// The standard's preset files as bytes: program files (.fxp: FxCk parameter list or
// FPCh opaque chunk) and bank files (.fxb: FxBk program list or FBCh opaque chunk).
// Every header integer is big-endian; parsing checks every size against the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class PresetKind { ProgramValues, ProgramChunk, BankPrograms, BankChunk };

struct ProgramValues {
  std::string name;
  std::vector<float> values;  // normalised parameter values
};

struct PresetFile {
  PresetKind kind = PresetKind::ProgramChunk;
  std::int32_t formatVersion = 1;
  std::int32_t pluginId = 0;
  std::int32_t pluginVersion = 0;
  std::int32_t numParams = 0;    // program files and bank program records
  std::int32_t numPrograms = 0;  // bank files
  std::optional<std::int32_t> currentProgram;  // bank files of format version 2
  ProgramValues program;                       // ProgramValues: name and values; ProgramChunk: name
  std::vector<ProgramValues> programs;         // BankPrograms
  std::vector<std::uint8_t> chunk;             // ProgramChunk, BankChunk
};

constexpr std::size_t kProgramNameBytes = 28;
constexpr std::size_t kProgramHeaderBytes = 56;
constexpr std::size_t kBankHeaderBytes = 156;

// Throws RenderError naming `source` when the bytes are not a complete, consistent preset.
PresetFile parsePreset(const std::vector<std::uint8_t>& bytes, const std::string& source);
std::vector<std::uint8_t> encodePreset(const PresetFile& preset);

bool isBank(PresetKind kind);
const char* presetTag(PresetKind kind);
// A unique ID as hosts show it: the number, and its four characters when printable.
std::string describeUniqueId(std::int32_t id);
