// Finding the normalised value at which a parameter shows what the user typed, by
// sweeping its range; the parameter keeps its value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RenderPlugin;

// Case and outer blanks do not matter ("  MONO " finds "mono"). Answers the middle of
// the run of values showing the text (its end when the run reaches an end of the range).
std::optional<float> findValueForDisplay(RenderPlugin& plugin, std::int32_t index, const std::string& text);

// For displays that are numbers: the value whose display is numerically closest to
// `text` ("6" or "6 dB" for "6.000000" with the label "dB"), when that display is
// within its own shown precision of the number, or as close as the parameter can get
// on a continuous range. None when `text` is no number or lies outside what is shown.
std::optional<float> findValueForNumber(RenderPlugin& plugin, std::int32_t index, const std::string& text);

// The display texts across the range, in order, each once.
std::vector<std::string> displayTexts(RenderPlugin& plugin, std::int32_t index);

// Without outer blanks; normalised also in lower case: how names and texts are compared.
std::string trimmed(const std::string& text);
std::string normalised(const std::string& text);
