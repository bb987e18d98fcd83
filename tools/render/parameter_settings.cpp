#include "tools/render/parameter_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "tools/render/plugin_instance.h"
#include "tools/render/render_error.h"

namespace {

// The sweep's resolution: fine enough for switches and menus of any practical size.
constexpr std::int32_t kSweepSteps = 1000;
constexpr std::size_t kListedTexts = 16;

std::string normalised(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  std::string folded;
  for (std::size_t i = begin; i < end; ++i) folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))));
  return folded;
}

std::optional<std::int32_t> parseIndex(const std::string& text) {
  std::int32_t index = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, index);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return index;
}

std::optional<float> parseValue(const std::string& text) {
  try {
    std::size_t used = 0;
    const float value = std::stof(text, &used);
    if (used != text.size()) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

float sweepValue(std::int32_t step) { return static_cast<float>(step) / static_cast<float>(kSweepSteps); }

// The display texts the parameter shows across its range, in order, each once.
std::vector<std::string> displayTexts(PluginInstance& plugin, std::int32_t index) {
  const float original = plugin.parameter(index);
  std::vector<std::string> texts;
  for (std::int32_t step = 0; step <= kSweepSteps; ++step) {
    plugin.setParameter(index, sweepValue(step));
    std::string text = plugin.parameterDisplay(index);
    if (texts.empty() || texts.back() != text) texts.push_back(std::move(text));
  }
  plugin.setParameter(index, original);
  return texts;
}

// All texts of a switch or menu; the ends of a continuous range.
std::string describeTexts(const std::vector<std::string>& texts) {
  if (texts.size() > kListedTexts)
    return "run from \"" + texts.front() + "\" to \"" + texts.back() + "\" in " + std::to_string(texts.size()) +
           " steps; set it by number with INDEX=VALUE instead";
  std::string list = "are ";
  for (std::size_t i = 0; i < texts.size(); ++i) list += (i ? ", \"" : "\"") + texts[i] + "\"";
  return list;
}

std::vector<std::string> parameterNames(PluginInstance& plugin) {
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

ParameterChoice byIndex(PluginInstance& plugin, std::int32_t index, const std::string& valueText,
                        const std::string& setting) {
  if (index < 0 || index >= plugin.numParams())
    throw UsageError("--param \"" + setting + "\": no parameter " + std::to_string(index) + "; " +
                      parameterList(parameterNames(plugin)));
  const std::optional<float> value = parseValue(valueText);
  if (!value || !std::isfinite(*value) || *value < 0.0f || *value > 1.0f)
    throw UsageError("--param \"" + setting + "\": the value must be a number from 0 to 1 (a normalised value)");
  return {index, *value};
}

}  // namespace

std::optional<float> findValueForDisplay(PluginInstance& plugin, std::int32_t index, const std::string& text) {
  const std::string wanted = normalised(text);
  const float original = plugin.parameter(index);
  std::optional<std::int32_t> first, last;
  for (std::int32_t step = 0; step <= kSweepSteps; ++step) {
    plugin.setParameter(index, sweepValue(step));
    const bool matches = normalised(plugin.parameterDisplay(index)) == wanted;
    if (matches && !first) first = step;
    if (matches) last = step;
    if (!matches && first) break;
  }
  plugin.setParameter(index, original);
  if (!first) return std::nullopt;
  // The run of values showing the text: its end when it reaches the range's end (a
  // switch's 0 or 1), else its middle, away from the rounding edges.
  if (*first == 0) return 0.0f;
  if (*last == kSweepSteps) return 1.0f;
  return sweepValue((*first + *last) / 2);
}

ParameterChoice resolveParameter(PluginInstance& plugin, const std::string& setting) {
  const std::size_t firstEquals = setting.find('=');
  if (firstEquals == std::string::npos)
    throw UsageError("--param \"" + setting + "\": write INDEX=VALUE or NAME=TEXT");
  if (const std::optional<std::int32_t> index = parseIndex(setting.substr(0, firstEquals)))
    return byIndex(plugin, *index, setting.substr(firstEquals + 1), setting);

  // A name may itself hold '=': try each split, leftmost first.
  const std::vector<std::string> names = parameterNames(plugin);
  for (std::size_t split = firstEquals; split != std::string::npos; split = setting.find('=', split + 1)) {
    const std::string name = normalised(setting.substr(0, split));
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& candidate) {
      return normalised(candidate) == name;
    });
    if (found == names.end()) continue;
    const auto index = static_cast<std::int32_t>(found - names.begin());
    const std::string text = setting.substr(split + 1);
    if (const std::optional<float> value = findValueForDisplay(plugin, index, text)) return {index, *value};
    throw UsageError("--param \"" + setting + "\": parameter \"" + *found + "\" never shows \"" + text +
                      "\"; its display texts " + describeTexts(displayTexts(plugin, index)));
  }
  throw UsageError("--param \"" + setting + "\": the plug-in has no parameter named \"" +
                    setting.substr(0, firstEquals) + "\"; " + parameterList(names));
}

void applyParameters(PluginInstance& plugin, const std::vector<std::string>& settings) {
  // In order: a later text may depend on an earlier setting (a mode that changes units).
  for (const std::string& setting : settings) {
    const ParameterChoice choice = resolveParameter(plugin, setting);
    plugin.setParameter(choice.index, choice.value);
  }
}
