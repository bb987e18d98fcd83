#include "tools/render/preset_io.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "hosting/preset_file.h"

#include "tools/render/audio_file.h"
#include "tools/render/render_plugin.h"
#include "tools/render/vst2_render_plugin.h"
#include "tools/render/render_error.h"

namespace {

using hosting::PresetFile;
using hosting::PresetKind;
using hosting::ProgramValues;

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw RenderError("preset file '" + path + "' not found or not readable");
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  if (stream.bad()) throw RenderError("cannot read preset file '" + path + "'");
  return bytes;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = text[text.size() - suffix.size() + i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != suffix[i]) return false;
  }
  return true;
}

void checkFitsPlugin(RenderInstance& plugin, const PresetFile& preset, const std::string& path, bool force) {
  if (const auto foreign = hosting::foreignPreset(preset, plugin.uniqueId(), plugin.displayName(), path);
      foreign && !force)
    throw RenderError(*foreign + " (use --force to load it anyway)");
  const bool chunked = preset.kind == PresetKind::ProgramChunk || preset.kind == PresetKind::BankChunk;
  if (chunked && !plugin.takesChunks())
    throw RenderError("preset '" + path + "' holds an opaque state chunk (" + hosting::presetTag(preset.kind) + "), but " +
                      plugin.displayName() + " does not take chunks");
  if (!chunked && preset.numParams != plugin.numParams())
    throw RenderError("preset '" + path + "' holds " + std::to_string(preset.numParams) + " parameter values, " +
                      plugin.displayName() + " has " + std::to_string(plugin.numParams()) +
                      (plugin.numParams() == 1 ? " parameter" : " parameters"));
  if (preset.kind == PresetKind::BankPrograms && preset.numPrograms > plugin.numPrograms())
    throw RenderError("preset bank '" + path + "' holds " + std::to_string(preset.numPrograms) + " programs, " +
                      plugin.displayName() + " has " + std::to_string(plugin.numPrograms()));
}

void restoreValues(RenderInstance& plugin, const ProgramValues& program) {
  plugin.dispatch(effBeginSetProgram);
  for (std::size_t index = 0; index < program.values.size(); ++index)
    plugin.setParameter(static_cast<std::int32_t>(index), program.values[index]);
  plugin.dispatch(effEndSetProgram);
  plugin.setProgramName(program.name);
}

ProgramValues captureValues(RenderInstance& plugin) {
  ProgramValues program{plugin.programName(), {}};
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) program.values.push_back(plugin.getParameter(index));
  return program;
}


void loadVst2Preset(RenderInstance& plugin, const std::string& path, bool force) {
  const std::vector<std::uint8_t> bytes = readWholeFile(path);
  hosting::PresetParse parsed = hosting::parsePreset(bytes.data(), bytes.size(), path);
  if (!parsed.preset) throw RenderError(parsed.error);
  const PresetFile& preset = *parsed.preset;
  checkFitsPlugin(plugin, preset, path, force);
  switch (preset.kind) {
    case PresetKind::ProgramChunk:
      plugin.dispatch(effBeginSetProgram);
      plugin.setChunk(preset.chunk, true);
      plugin.dispatch(effEndSetProgram);
      plugin.setProgramName(preset.program.name);
      break;
    case PresetKind::ProgramValues: restoreValues(plugin, preset.program); break;
    case PresetKind::BankChunk: plugin.setChunk(preset.chunk, false); break;
    case PresetKind::BankPrograms: {
      const VstIntPtr before = plugin.dispatch(effGetProgram);
      for (std::size_t index = 0; index < preset.programs.size(); ++index) {
        plugin.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(index));
        restoreValues(plugin, preset.programs[index]);
      }
      const std::int32_t current = preset.currentProgram.value_or(static_cast<std::int32_t>(before));
      if (current >= 0 && current < plugin.numPrograms()) plugin.dispatch(effSetProgram, 0, current);
      break;
    }
  }
}

void saveVst2Preset(RenderInstance& plugin, const std::string& path) {
  PresetFile preset;
  preset.pluginId = plugin.uniqueId();
  preset.pluginVersion = plugin.pluginVersion();
  preset.numParams = plugin.numParams();
  preset.numPrograms = plugin.numPrograms();
  const bool bank = endsWith(path, ".fxb");
  if (plugin.takesChunks()) {
    preset.kind = bank ? PresetKind::BankChunk : PresetKind::ProgramChunk;
    preset.chunk = plugin.chunk(!bank);
    if (preset.chunk.empty())
      throw RenderError(plugin.displayName() + " announces state chunks but handed out an empty one; no preset written");
  } else if (bank) {
    preset.kind = PresetKind::BankPrograms;
    const VstIntPtr current = plugin.dispatch(effGetProgram);
    for (std::int32_t index = 0; index < plugin.numPrograms(); ++index) {
      plugin.dispatch(effSetProgram, 0, index);
      preset.programs.push_back(captureValues(plugin));
    }
    plugin.dispatch(effSetProgram, 0, current);
  } else {
    preset.kind = PresetKind::ProgramValues;
  }
  if (bank) {
    preset.formatVersion = 2;
    preset.currentProgram = static_cast<std::int32_t>(plugin.dispatch(effGetProgram));
  } else {
    preset.program = captureValues(plugin);
  }
  const std::vector<std::uint8_t> bytes = hosting::encodePreset(preset);
  writeFileAtomically(path, bytes.data(), bytes.size());
}

bool isVst2PresetName(const std::string& path) { return endsWith(path, ".fxp") || endsWith(path, ".fxb"); }

}  // namespace

void loadPreset(RenderPlugin& plugin, const std::string& path, bool force) {
  if (auto* vst2 = dynamic_cast<Vst2RenderPlugin*>(&plugin)) return loadVst2Preset(vst2->instance(), path, force);
  std::error_code error;
  if (plugin.takesPresetUri() && !std::filesystem::exists(path, error) && path.find(':') != std::string::npos)
    return plugin.loadPresetUri(path);
  // This product's VST3 and CLAP editions take .fxp and .fxb files as their state too.
  const std::vector<std::uint8_t> bytes = readWholeFile(path);
  try {
    plugin.loadState(bytes);
  } catch (const RenderError& refused) {
    throw RenderError("'" + path + "': " + refused.what());
  }
}

void savePreset(RenderPlugin& plugin, const std::string& path) {
  if (auto* vst2 = dynamic_cast<Vst2RenderPlugin*>(&plugin)) return saveVst2Preset(vst2->instance(), path);
  if (isVst2PresetName(path))
    throw RenderError("'" + path + "' names a VST 2.4 preset; " + plugin.displayName() + " is a " +
                      plugin.formatName() + " plug-in: choose another file name for its state");
  const std::vector<std::uint8_t> bytes = plugin.saveState();
  writeFileAtomically(path, bytes.data(), bytes.size());
}
