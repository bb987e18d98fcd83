// The demo that runs when no input file is given: what a host sees of the plug-in,
// then a generated stereo test signal through it, with levels and left/right
// correlation before and after (in stereo and in mono when the plug-in offers the switch).
#pragma once

#include "tools/render/options.h"

void runDemo(const RenderOptions& options);
