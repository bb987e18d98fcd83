// INPUT to OUTPUT through the plug-in: the renderer's everyday job.
#pragma once

#include <string>

#include "tools/render/options.h"

class InputFile;
class RenderPlugin;

// Throws RenderError naming the file and the fix when its channels (and the sidechain's)
// cannot feed the plug-in's inputs (a mono file feeds several inputs only with --upmix);
// answers a note when inputs are left to silence, else nothing.
std::string checkChannelsFit(const InputFile& input, const InputFile* sidechain, RenderPlugin& plugin, bool upmix);
void renderFile(const RenderOptions& options);
// -o FOLDER: every input in turn, each with a fresh instance; answers the number that failed.
int renderBatch(const RenderOptions& options);
