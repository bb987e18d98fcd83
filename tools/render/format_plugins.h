// The adapters of the formats other than VST 2.4, each over the hosting library's host
// of its format. `id` picks one plug-in of a file or bundle that holds several (a CLAP
// plug-in ID, a VST3 class name, an LV2 URI); empty: the only one, or the first.
#pragma once

#include <memory>
#include <string>

#include "tools/render/render_plugin.h"

std::unique_ptr<RenderPlugin> openVst3Plugin(const std::string& path, const std::string& id);
std::unique_ptr<RenderPlugin> openClapPlugin(const std::string& path, const std::string& id);
// Throws RenderError when the build has no LV2 hosting (no lilv).
std::unique_ptr<RenderPlugin> openLv2Plugin(const std::string& pathOrUri, const std::string& id);
