#include "tools/render/parameter_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "tools/render/display_search.h"
#include "tools/render/render_plugin.h"
#include "tools/render/renderer.h"
#include "tools/render/render_error.h"

namespace {

constexpr std::size_t kListedTexts = 16;

std::optional<std::int32_t> parseIndex(const std::string& text) {
  std::int32_t index = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, index);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return index;
}

std::optional<double> parseValue(const std::string& text) {
  try {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used != text.size()) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// All texts of a switch or menu; the ends of a continuous range.
std::string describeTexts(const std::vector<std::string>& texts) {
  if (texts.size() > kListedTexts)
    return "run from \"" + texts.front() + "\" to \"" + texts.back() + "\" (" + std::to_string(texts.size()) +
           " different texts)";
  std::string list = "are ";
  for (std::size_t i = 0; i < texts.size(); ++i) list += (i ? ", \"" : "\"") + texts[i] + "\"";
  return list;
}

std::vector<std::string> parameterNames(RenderPlugin& plugin) {
  std::vector<std::string> names;
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) names.push_back(plugin.parameterName(index));
  return names;
}

std::string parameterList(const std::vector<std::string>& names) {
  if (names.empty()) return "it has no parameters";
  std::string list = "its parameters are";
  for (std::size_t index = 0; index < names.size(); ++index)
    list += (index ? ", " : " ") + std::to_string(index) + " \"" + names[index] + "\"";
  return list;
}

// The parameter called `name`, case and outer blanks aside; among names that differ
// only so, the one written exactly that way. Throws UsageError when that still leaves several.
std::optional<std::int32_t> parameterNamed(const std::vector<std::string>& names, const std::string& name,
                                           const std::string& setting) {
  std::vector<std::int32_t> matches, exact;
  for (std::size_t index = 0; index < names.size(); ++index) {
    if (normalised(names[index]) != normalised(name)) continue;
    matches.push_back(static_cast<std::int32_t>(index));
    if (trimmed(names[index]) == trimmed(name)) exact.push_back(matches.back());
  }
  if (matches.size() == 1) return matches[0];
  if (matches.empty()) return std::nullopt;
  if (exact.size() == 1) return exact[0];
  std::string list;
  for (std::int32_t index : matches)
    list += (list.empty() ? "" : ", ") + std::to_string(index) + " \"" + names[static_cast<std::size_t>(index)] + "\"";
  throw UsageError("--param \"" + setting + "\": " + std::to_string(matches.size()) + " parameters are named \"" +
                   normalised(name) + "\": " + list + "; set one by number with INDEX=VALUE");
}

ParameterChoice byIndex(RenderPlugin& plugin, std::int32_t index, const std::string& valueText,
                        const std::string& setting) {
  if (index < 0 || index >= plugin.numParams())
    throw UsageError("--param \"" + setting + "\": no parameter " + std::to_string(index) + "; " +
                      parameterList(parameterNames(plugin)));
  const std::optional<double> value = parseValue(valueText);
  if (!value || !std::isfinite(*value) || *value < 0.0 || *value > 1.0)
    throw UsageError("--param \"" + setting + "\": the value must be a number from 0 to 1 (a normalised value)");
  return {index, *value};
}

}  // namespace

ParameterChoice resolveParameter(RenderPlugin& plugin, const std::string& setting) {
  const std::size_t firstEquals = setting.find('=');
  if (firstEquals == std::string::npos)
    throw UsageError("--param \"" + setting + "\": write INDEX=VALUE or NAME=TEXT");
  if (const std::optional<std::int32_t> index = parseIndex(setting.substr(0, firstEquals)))
    return byIndex(plugin, *index, setting.substr(firstEquals + 1), setting);

  // A name may itself hold '=': try each split, leftmost first.
  const std::vector<std::string> names = parameterNames(plugin);
  for (std::size_t split = firstEquals; split != std::string::npos; split = setting.find('=', split + 1)) {
    const std::optional<std::int32_t> index = parameterNamed(names, setting.substr(0, split), setting);
    if (!index) continue;
    const std::string text = setting.substr(split + 1);
    if (const std::optional<double> value = plugin.valueForText(*index, text)) return {*index, *value};
    if (const std::optional<float> value = findValueForDisplay(plugin, *index, text)) return {*index, *value};
    if (const std::optional<float> value = findValueForNumber(plugin, *index, text)) return {*index, *value};
    throw UsageError("--param \"" + setting + "\": parameter \"" + names[static_cast<std::size_t>(*index)] +
                     "\" never shows \"" + text + "\"; its display texts " + describeTexts(displayTexts(plugin, *index)));
  }
  throw UsageError("--param \"" + setting + "\": the plug-in has no parameter named \"" +
                   setting.substr(0, firstEquals) + "\"; " + parameterList(names));
}

SettingTime splitSettingTime(const std::string& text, double sampleRate) {
  const std::size_t at = text.rfind('@');
  if (at == std::string::npos) return {text, std::nullopt};
  std::string time = trimmed(text.substr(at + 1));
  const bool frames = !time.empty() && (time.back() == 'f' || time.back() == 'F');
  if (!time.empty() && (frames || time.back() == 's' || time.back() == 'S')) time.pop_back();
  const std::optional<double> number = parseValue(time);
  // '@' followed by no time belongs to a display text ("Send @ pre").
  if (!number) return {text, std::nullopt};
  if (!std::isfinite(*number) || *number < 0.0 || (frames && *number != std::floor(*number)))
    throw UsageError("--param \"" + text + "\": the time after '@' must be seconds (1.5) or whole frames (72000f)");
  const double frame = frames ? *number : *number * sampleRate;
  if (frame > 9.0e15) throw UsageError("--param \"" + text + "\": the time after '@' is too far");
  return {text.substr(0, at), std::llround(frame)};
}

std::vector<TimedChange> applyParameters(RenderPlugin& plugin, const std::vector<std::string>& settings,
                                         double sampleRate) {
  std::vector<TimedChange> timed;
  // In order: a later text may depend on an earlier setting (a mode that changes units).
  for (const std::string& text : settings) {
    const SettingTime split = splitSettingTime(text, sampleRate);
    const ParameterChoice choice = resolveParameter(plugin, split.setting);
    if (split.frame)
      timed.push_back({*split.frame, choice.index, choice.value});
    else
      plugin.setParameter(choice.index, choice.value);
  }
  std::stable_sort(timed.begin(), timed.end(),
                   [](const TimedChange& a, const TimedChange& b) { return a.frame < b.frame; });
  return timed;
}
