#include "tools/render/tail_and_latency.h"

#include <cmath>
#include <cstdio>

#include "tools/render/render_plugin.h"

namespace {

// Some plug-ins answer an "endless" tail with a huge number; past this the render
// stops and says so (--tail sets any length up to an hour).
constexpr double kLongestReportedTailSeconds = 60.0;

std::string seconds(std::int64_t frames, double sampleRate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frames) / sampleRate);
  return text;
}

std::string frameCount(std::int64_t frames) { return std::to_string(frames) + (frames == 1 ? " frame" : " frames"); }

}  // namespace

TailAndLatency planTailAndLatency(RenderPlugin& plugin, const RenderOptions& options, double sampleRate) {
  TailAndLatency plan;
  std::string tail;
  if (options.tailSeconds) {
    plan.extent.tailFrames = std::llround(*options.tailSeconds * sampleRate);
    if (plan.extent.tailFrames > 0)
      tail = "tail " + seconds(plan.extent.tailFrames, sampleRate) + " (" + frameCount(plan.extent.tailFrames) + ")";
  } else if (const std::int64_t reported = plugin.tail().value_or(0); reported > 0) {
    const auto longest = static_cast<std::int64_t>(kLongestReportedTailSeconds * sampleRate);
    plan.extent.tailFrames = std::min<std::int64_t>(reported, longest);
    tail = "tail " + frameCount(plan.extent.tailFrames) + " (the plug-in's";
    if (reported > longest)
      tail.append(" ").append(std::to_string(reported)).append(", cut to ").append(seconds(longest, sampleRate));
    tail += ")";
  }
  std::string latency;
  // A negative initialDelay is nonsense a plug-in may still hold; it counts as none.
  if (const std::int64_t delay = plugin.latency(); delay > 0) {
    if (options.compensateLatency) plan.extent.latencyFrames = delay;
    latency = "latency " + frameCount(delay) + (options.compensateLatency ? " compensated" : " not compensated");
  }
  plan.description = tail + (tail.empty() || latency.empty() ? "" : ", ") + latency;
  return plan;
}

std::string describeTailAnswer(std::intptr_t answer) {
  if (answer == 0) return "not reported";
  if (answer == 1) return "none";
  return answer < 0 ? "not reported (" + std::to_string(answer) + ")" : std::to_string(answer) + " samples";
}
