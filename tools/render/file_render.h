// INPUT to OUTPUT through the plug-in: the renderer's everyday job.
#pragma once

#include "tools/render/options.h"

class InputFile;
class RenderPlugin;

// Throws RenderError naming the file and the fix when its channels cannot feed the
// plug-in's inputs (a mono file feeds several inputs only with --upmix).
void checkChannelsFit(const InputFile& input, RenderPlugin& plugin, bool upmix);
void renderFile(const RenderOptions& options);
