// --param settings: "INDEX=VALUE" with a normalised value, or "NAME=TEXT" matching a
// parameter by name and a value by the display text the plug-in shows for it, or by
// the closest number it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RenderInstance;

struct ParameterChoice {
  std::int32_t index = 0;
  float value = 0.0f;
};

// Resolves one setting against the plug-in; throws UsageError listing the valid
// names or display texts when nothing matches.
ParameterChoice resolveParameter(RenderInstance& plugin, const std::string& setting);
void applyParameters(RenderInstance& plugin, const std::vector<std::string>& settings);

