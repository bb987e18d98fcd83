#include "bench/bench_summary.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace {

constexpr const char* kPaths[] = {"float", "double"};
constexpr const char* kModes[] = {"stereo", "mono"};

std::string cell(std::optional<double> value, const char* format) {
  if (!value) return "-";
  char text[32];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

std::optional<double> ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b <= 0.0) return std::nullopt;
  return *a / *b;
}

std::optional<double> nanoseconds(std::optional<double> seconds) {
  if (!seconds) return std::nullopt;
  return *seconds * 1e9;
}

}  // namespace

SummaryReporter::SummaryReporter(bool color)
    : benchmark::ConsoleReporter(color ? OO_Color : OO_None) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) {
      failed_ = true;
      continue;
    }
    const std::string name = run.run_name.function_name;
    const char* key = name.rfind("block/", 0) == 0 ? "per_block" : "per_frame";
    const auto counter = run.counters.find(key);
    if (counter == run.counters.end()) continue;
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
      medians_[name] = counter->second.value;
    else if (run.run_type == Run::RT_Iteration)
      singles_[name] = counter->second.value;
  }
  benchmark::ConsoleReporter::ReportRuns(runs);
}

std::optional<double> SummaryReporter::secondsOf(const std::string& name) const {
  if (const auto median = medians_.find(name); median != medians_.end()) return median->second;
  if (const auto single = singles_.find(name); single != singles_.end()) return single->second;
  return std::nullopt;
}

void SummaryReporter::printFrameTable(std::ostream& out) const {
  out << "\nns per frame (" << (medians_.empty() ? "single runs" : "medians")
      << "); ratios are the plug-in's time over memcpy, the hand loop and the plain effect loop\n";
  char line[160];
  std::snprintf(line, sizeof line, "%-20s %9s %9s %8s %9s %8s %9s %8s\n", "case", "plug-in", "memcpy", "ratio",
                "hand loop", "ratio", "plain", "ratio");
  out << line;
  for (const char* path : kPaths)
    for (const std::int32_t frames : kBenchFrameCounts)
      for (const char* mode : kModes) {
        const std::string suffix = std::string(path) + "/" + mode + "/" + std::to_string(frames);
        const auto plugin = nanoseconds(secondsOf("plugin/" + suffix));
        if (!plugin) continue;
        const auto copy = nanoseconds(secondsOf("memcpy/" + std::string(path) + "/" + std::to_string(frames)));
        const auto hand = nanoseconds(secondsOf("hand/" + suffix));
        const auto plain = nanoseconds(secondsOf("plain/" + suffix));
        std::snprintf(line, sizeof line, "%-20s %9s %9s %8s %9s %8s %9s %8s\n", suffix.c_str(),
                      cell(plugin, "%.3f").c_str(), cell(copy, "%.3f").c_str(),
                      cell(ratio(plugin, copy), "%.2fx").c_str(), cell(hand, "%.3f").c_str(),
                      cell(ratio(plugin, hand), "%.2fx").c_str(), cell(plain, "%.3f").c_str(),
                      cell(ratio(plugin, plain), "%.2fx").c_str());
        out << line;
      }
}

void SummaryReporter::printSubnormalTable(std::ostream& out) const {
  char line[160];
  bool header = false;
  for (const char* path : kPaths)
    for (const char* mode : kModes) {
      const std::string suffix = std::string(path) + "/" + mode + "/" + std::to_string(kSubnormalFrames);
      const auto subnormal = nanoseconds(secondsOf("subnormal/" + suffix));
      const auto noise = nanoseconds(secondsOf("plugin/" + suffix));
      if (!subnormal) continue;
      if (!header) {
        out << "\nsubnormal input and in-place buffers against noise in separate buffers, ns per frame\n";
        std::snprintf(line, sizeof line, "%-20s %10s %10s %8s %10s %8s\n", "case", "subnormal", "noise", "ratio",
                      "in place", "ratio");
        out << line;
        header = true;
      }
      const auto inPlace = nanoseconds(secondsOf("inplace/" + suffix));
      std::snprintf(line, sizeof line, "%-20s %10s %10s %8s %10s %8s\n", suffix.c_str(),
                    cell(subnormal, "%.3f").c_str(), cell(noise, "%.3f").c_str(),
                    cell(ratio(subnormal, noise), "%.2fx").c_str(), cell(inPlace, "%.3f").c_str(),
                    cell(ratio(inPlace, noise), "%.2fx").c_str());
      out << line;
    }
}

void SummaryReporter::printBlockTable(std::ostream& out) const {
  char line[160];
  bool header = false;
  for (const char* path : kPaths) {
    const auto empty = nanoseconds(secondsOf("block/" + std::string(path) + "/0"));
    const auto single = nanoseconds(secondsOf("block/" + std::string(path) + "/1"));
    if (!empty && !single) continue;
    // 64 frames of the cheaper mode at 512 frames per block: the stricter bound.
    std::optional<double> frames64;
    for (const char* mode : kModes)
      if (const auto perFrame = nanoseconds(secondsOf("plugin/" + std::string(path) + "/" + mode + "/512")))
        frames64 = std::min(frames64.value_or(*perFrame * 64.0), *perFrame * 64.0);
    if (!header) {
      out << "\nfixed cost of a block, ns (64 frames: the cheaper mode at 512 frames per block)\n";
      std::snprintf(line, sizeof line, "%-20s %10s %10s %10s %14s\n", "path", "0 frames", "1 frame", "64 frames",
                    "0 frames / 64");
      out << line;
      header = true;
    }
    std::snprintf(line, sizeof line, "%-20s %10s %10s %10s %14s\n", path, cell(empty, "%.1f").c_str(),
                  cell(single, "%.1f").c_str(), cell(frames64, "%.1f").c_str(),
                  cell(ratio(empty, frames64), "%.2fx").c_str());
    out << line;
  }
}

void SummaryReporter::Finalize() {
  std::ostream& out = GetOutputStream();
  printFrameTable(out);
  printSubnormalTable(out);
  printBlockTable(out);
  out.flush();
  benchmark::ConsoleReporter::Finalize();
}
