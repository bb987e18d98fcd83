// The steps every mode shares: bring the plug-in to the processing state the way a
// host does, then apply the user's preset and parameters.
#pragma once

#include "tools/render/options.h"

class RenderInstance;

// Sample rate, block size and precision, then resume. Throws RenderError when the
// plug-in cannot process at the requested precision.
void startProcessing(RenderInstance& plugin, const RenderOptions& options, double sampleRate);
// --preset, then each --param in order.
void applyUserSettings(RenderInstance& plugin, const RenderOptions& options);
// --save-preset, when given; says where it went on stdout.
void saveRequestedPreset(RenderInstance& plugin, const RenderOptions& options);
