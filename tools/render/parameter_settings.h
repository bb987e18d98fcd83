// --param settings: "INDEX=VALUE" with a normalised value, or "NAME=TEXT" matching a
// parameter by name and a value by the display text the plug-in shows for it, or by
// the closest number it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RenderPlugin;
struct TimedChange;

struct ParameterChoice {
  std::int32_t index = 0;
  double value = 0.0;
};

// "SETTING@TIME": seconds ("1.5", "1.5s") or frames ("72000f"); none without an '@'
// followed by such a time. Throws UsageError for a time that is no number.
struct SettingTime {
  std::string setting;
  std::optional<std::int64_t> frame;
};
SettingTime splitSettingTime(const std::string& text, double sampleRate);

// Resolves one setting against the plug-in; throws UsageError listing the valid
// names or display texts when nothing matches.
ParameterChoice resolveParameter(RenderPlugin& plugin, const std::string& setting);
// Applies the settings without a time in order; answers those with one, in time order
// (the same time keeps the command line's order).
std::vector<TimedChange> applyParameters(RenderPlugin& plugin, const std::vector<std::string>& settings,
                                         double sampleRate);

