#include "tools/render/user_settings.h"

#include <iostream>

#include "tools/render/parameter_settings.h"
#include "tools/render/render_instance.h"
#include "tools/render/preset_io.h"
#include "tools/render/render_error.h"

void startProcessing(RenderInstance& plugin, const RenderOptions& options, double sampleRate) {
  if (options.doublePrecision && !plugin.canProcessDouble())
    throw RenderError(plugin.displayName() + " offers no 64-bit processing; run without --double");
  const AEffect& record = plugin.record();
  if (!options.doublePrecision && !record.processReplacing && !record.process)
    throw RenderError(plugin.displayName() + " offers no 32-bit processing function");
  plugin.prepare(sampleRate, options.blockSize, options.doublePrecision);
  plugin.resume();
}

void applyUserSettings(RenderInstance& plugin, const RenderOptions& options) {
  if (!options.preset.empty()) loadPreset(plugin, options.preset, options.force);
  applyParameters(plugin, options.parameters);
}

void saveRequestedPreset(RenderInstance& plugin, const RenderOptions& options) {
  if (options.savePreset.empty()) return;
  savePreset(plugin, options.savePreset);
  std::cout << "Saved the plug-in's state to " << options.savePreset << "\n";
}
