// VST 2.4 preset files as bytes: program files (.fxp: FxCk parameter list or FPCh
// opaque chunk) and bank files (.fxb: FxBk program list or FBCh opaque chunk). Every
// header integer is big-endian; parsing checks every size against the file and
// answers a refusal as a message, never by throwing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hosting {

enum class PresetKind { ProgramValues, ProgramChunk, BankPrograms, BankChunk };

struct ProgramValues {
  std::string name;
  std::vector<float> values;  // normalised parameter values
  std::int32_t pluginId = 0;  // a bank's program records repeat the bank's ID
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

// A parsed file, or why the bytes are not a complete, consistent preset.
struct PresetParse {
  std::optional<PresetFile> preset;
  std::string error;
};

inline constexpr std::size_t kProgramNameBytes = 28;
inline constexpr std::size_t kProgramHeaderBytes = 56;
inline constexpr std::size_t kBankHeaderBytes = 156;

// Messages name the file as `source`.
PresetParse parsePreset(const std::uint8_t* bytes, std::size_t size, const std::string& source);
std::vector<std::uint8_t> encodePreset(const PresetFile& preset);
// Why a preset of `preset.pluginId` does not belong to the plug-in `pluginName` with
// `ownId`; nothing when it does.
std::optional<std::string> foreignPreset(const PresetFile& preset, std::int32_t ownId, const std::string& pluginName,
                                         const std::string& source);

bool isBank(PresetKind kind);
const char* presetTag(PresetKind kind);
// A unique ID as hosts show it: the number, and its four characters when printable.
std::string describeUniqueId(std::int32_t id);

}  // namespace hosting
