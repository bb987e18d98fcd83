// The steps every mode shares: bring the plug-in to the processing state the way a
// host does, then apply the user's preset and parameters.
#pragma once

#include <vector>

#include "tools/render/options.h"
#include "tools/render/renderer.h"

class RenderPlugin;

// Sample rate, block size and precision, then processing starts. Throws RenderError
// when the plug-in cannot process at the requested precision.
void startProcessing(RenderPlugin& plugin, const RenderOptions& options, double sampleRate);
// --preset, then each --param in order; answers the settings given a time.
std::vector<TimedChange> applyUserSettings(RenderPlugin& plugin, const RenderOptions& options, double sampleRate);
// --save-preset, when given; says where it went on stdout.
void saveRequestedPreset(RenderPlugin& plugin, const RenderOptions& options);
