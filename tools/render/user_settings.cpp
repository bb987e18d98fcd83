#include "tools/render/user_settings.h"

#include <iostream>

#include "tools/render/parameter_settings.h"
#include "tools/render/preset_io.h"
#include "tools/render/render_plugin.h"

void startProcessing(RenderPlugin& plugin, const RenderOptions& options, double sampleRate) {
  plugin.start(sampleRate, options.blockSize, options.doublePrecision);
}

std::vector<TimedChange> applyUserSettings(RenderPlugin& plugin, const RenderOptions& options, double sampleRate) {
  if (!options.preset.empty()) loadPreset(plugin, options.preset, options.force);
  return applyParameters(plugin, options.parameters, sampleRate);
}

void saveRequestedPreset(RenderPlugin& plugin, const RenderOptions& options) {
  if (options.savePreset.empty()) return;
  savePreset(plugin, options.savePreset);
  std::cout << "Saved the plug-in's state to " << options.savePreset << "\n";
}
