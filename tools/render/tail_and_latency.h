// How far past INPUT a render runs: the tail (--tail, else the one the plug-in
// reports) and the plug-in's latency, compensated unless --no-latency-compensation.
#pragma once

#include <cstdint>
#include <string>

#include "tools/render/options.h"
#include "tools/render/renderer.h"

class RenderPlugin;

struct TailAndLatency {
  RenderExtent extent;
  std::string description;  // "tail 2.000 s, latency 64 frames compensated"; empty when neither applies
};

// Asked once the settings are in, since a reverb's tail follows its decay setting.
TailAndLatency planTailAndLatency(RenderPlugin& plugin, const RenderOptions& options, double sampleRate);

// The effGetTailSize answer as --info shows it.
std::string describeTailAnswer(std::intptr_t answer);
