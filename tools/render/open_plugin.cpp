#include "tools/render/open_plugin.h"

#include <cctype>

#include "tools/render/format_plugins.h"
#include "tools/render/render_error.h"
#include "tools/render/vst2_render_plugin.h"

namespace {

bool endsWithFolded(std::string text, const std::string& suffix) {
  while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i]) return false;
  return true;
}

}  // namespace

PluginFormat formatOf(const std::string& plugin) {
  if (endsWithFolded(plugin, ".vst3")) return PluginFormat::vst3;
  if (endsWithFolded(plugin, ".clap")) return PluginFormat::clap;
  if (endsWithFolded(plugin, ".lv2") || plugin.rfind("urn:", 0) == 0 || plugin.find("://") != std::string::npos)
    return PluginFormat::lv2;
  return PluginFormat::vst2;
}

std::unique_ptr<RenderPlugin> openPlugin(const RenderOptions& options) {
  switch (formatOf(options.plugin)) {
    case PluginFormat::vst3: return openVst3Plugin(options.plugin, options.pluginId);
    case PluginFormat::clap: return openClapPlugin(options.plugin, options.pluginId);
    case PluginFormat::lv2: return openLv2Plugin(options.plugin, options.pluginId);
    case PluginFormat::vst2: break;
  }
  if (!options.pluginId.empty()) throw UsageError("--plugin-id is for CLAP files, VST3 bundles and LV2 bundles");
  return std::make_unique<Vst2RenderPlugin>(options.plugin);
}
