#include "tools/render/display_search.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "tools/render/render_plugin.h"

namespace {

// The sweep's resolution: fine enough for switches and menus of any practical size;
// continuous ranges are refined between its points.
constexpr std::int32_t kSweepSteps = 1000;
constexpr int kRefinements = 40;

float sweepValue(std::int32_t step) { return static_cast<float>(step) / static_cast<float>(kSweepSteps); }

// A number as shown: its value, what follows it (a unit, normalised) and half its last
// shown digit ("6.000000": 0.0000005).
struct ShownNumber {
  double value = 0.0;
  std::string unit;
  double halfDigit = 0.5;
};

std::optional<ShownNumber> parseShownNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin || std::isnan(value)) return std::nullopt;
  ShownNumber number{value, normalised(end), 0.5};
  const std::string digits(begin, static_cast<const char*>(end));
  const std::size_t point = digits.find('.');
  if (point != std::string::npos) {
    std::size_t decimals = 0;
    while (point + 1 + decimals < digits.size() && std::isdigit(static_cast<unsigned char>(digits[point + 1 + decimals])))
      ++decimals;
    number.halfDigit = 0.5 * std::pow(10.0, -static_cast<double>(decimals));
  }
  return number;
}

// One parameter's displays across its range; it keeps its own value.
class ParameterProbe {
 public:
  ParameterProbe(RenderPlugin& plugin, std::int32_t index) : plugin_(plugin), index_(index) {}
  ParameterProbe(const ParameterProbe&) = delete;
  ParameterProbe& operator=(const ParameterProbe&) = delete;

  std::string displayAt(float value) { return plugin_.displayAt(index_, value); }

 private:
  RenderPlugin& plugin_;
  std::int32_t index_;
};

// Displays read as numbers comparable with the request, remembering the closest.
class NumberSearch {
 public:
  NumberSearch(ParameterProbe& probe, const ShownNumber& wanted, const std::string& label)
      : probe_(probe), wanted_(wanted), label_(label) {}

  // The display at `value` as a number in the request's unit, if it is one.
  std::optional<ShownNumber> shownAt(float value) {
    std::optional<ShownNumber> shown = parseShownNumber(probe_.displayAt(value));
    if (!shown || (!wanted_.unit.empty() && wanted_.unit != shown->unit && wanted_.unit != label_)) return std::nullopt;
    const double distance = std::fabs(shown->value - wanted_.value);
    if (!best_ || distance < bestDistance_) best_ = value, bestDistance_ = distance, bestHalfDigit_ = shown->halfDigit;
    return shown;
  }
  // Shown minus wanted.
  std::optional<double> differenceAt(float value) {
    const std::optional<ShownNumber> shown = shownAt(value);
    return shown ? std::optional<double>(shown->value - wanted_.value) : std::nullopt;
  }
  bool bestIsExact() const { return best_ && bestDistance_ <= bestHalfDigit_; }
  std::optional<float> best() const { return best_; }

 private:
  ParameterProbe& probe_;
  ShownNumber wanted_;
  std::string label_;
  std::optional<float> best_;
  double bestDistance_ = 0.0;
  double bestHalfDigit_ = 0.0;
};

}  // namespace

std::string trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::string normalised(const std::string& text) {
  std::string folded = trimmed(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

std::vector<std::string> displayTexts(RenderPlugin& plugin, std::int32_t index) {
  ParameterProbe probe(plugin, index);
  std::vector<std::string> texts;
  for (std::int32_t step = 0; step <= kSweepSteps; ++step) {
    std::string text = probe.displayAt(sweepValue(step));
    if (texts.empty() || texts.back() != text) texts.push_back(std::move(text));
  }
  return texts;
}

std::optional<float> findValueForDisplay(RenderPlugin& plugin, std::int32_t index, const std::string& text) {
  const std::string wanted = normalised(text);
  ParameterProbe probe(plugin, index);
  std::optional<std::int32_t> first, last;
  for (std::int32_t step = 0; step <= kSweepSteps; ++step) {
    const bool matches = normalised(probe.displayAt(sweepValue(step))) == wanted;
    if (matches && !first) first = step;
    if (matches) last = step;
    if (!matches && first) break;
  }
  if (!first) return std::nullopt;
  // The run of values showing the text: its end when it reaches the range's end (a
  // switch's 0 or 1), else its middle, away from the rounding edges.
  if (*first == 0) return 0.0f;
  if (*last == kSweepSteps) return 1.0f;
  return sweepValue((*first + *last) / 2);
}

std::optional<float> findValueForNumber(RenderPlugin& plugin, std::int32_t index, const std::string& text) {
  const std::optional<ShownNumber> wanted = parseShownNumber(text);
  if (!wanted || std::isinf(wanted->value)) return std::nullopt;
  const std::string label = normalised(plugin.parameterLabel(index));
  std::optional<float> found;
  std::string foundText;
  {
    ParameterProbe probe(plugin, index);
    NumberSearch search(probe, *wanted, label);
    // Where the sweep's displays cross the number, bisect towards it: a continuous range
    // shows almost any number somewhere between two sweep points.
    std::optional<double> previous, lowest, highest;
    std::int32_t previousStep = 0;
    double smallestStep = INFINITY;  // across a crossing narrowed down to neighbouring floats
    for (std::int32_t step = 0; step <= kSweepSteps && !search.bestIsExact(); ++step) {
      const std::optional<double> difference = search.differenceAt(sweepValue(step));
      if (!difference) continue;
      // "-inf" at a range's end widens nothing: it is no step of a continuous range.
      if (std::isfinite(*difference)) {
        lowest = std::min(lowest.value_or(*difference), *difference);
        highest = std::max(highest.value_or(*difference), *difference);
      }
      if (previous && (*difference > 0.0) != (*previous > 0.0)) {
        float below = sweepValue(previousStep), above = sweepValue(step);
        double atBelow = *previous, atAbove = *difference;
        for (int round = 0; round < kRefinements && !search.bestIsExact(); ++round) {
          const float middle = below + (above - below) * 0.5f;
          if (middle == below || middle == above) {
            smallestStep = std::min(smallestStep, std::fabs(atAbove - atBelow));
            break;
          }
          const std::optional<double> atMiddle = search.differenceAt(middle);
          if (!atMiddle) break;
          if ((*atMiddle > 0.0) == (atAbove > 0.0)) above = middle, atAbove = *atMiddle;
          else below = middle, atBelow = *atMiddle;
        }
      }
      previous = difference;
      previousStep = step;
    }
    // Not exact at the shown precision, but at neighbouring floats of a continuous range
    // (a step far below the sweep's average), which is as close as the parameter gets;
    // a jump between menu entries is no such step.
    const bool closeAsItGets = lowest && smallestStep <= (*highest - *lowest) / kSweepSteps;
    if (!search.bestIsExact() && !closeAsItGets) return std::nullopt;
    found = search.best();
    foundText = probe.displayAt(*found);
  }
  // A display the sweep meets too is set the way a typed display text is, away from
  // the edges of its run.
  if (const std::optional<float> run = findValueForDisplay(plugin, index, foundText)) return run;
  return found;
}
