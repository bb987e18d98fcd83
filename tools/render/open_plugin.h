// PLUGIN on the command line to a plug-in of its format: a VST3 bundle (.vst3), a CLAP
// file (.clap), an LV2 bundle (.lv2) or URI, else a VST 2.4 library.
#pragma once

#include <memory>
#include <string>

#include "tools/render/options.h"
#include "tools/render/render_plugin.h"

enum class PluginFormat { vst2, vst3, clap, lv2 };

PluginFormat formatOf(const std::string& plugin);
// Throws RenderError when the plug-in cannot be found, loaded or started.
std::unique_ptr<RenderPlugin> openPlugin(const RenderOptions& options);
