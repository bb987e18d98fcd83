#include "tools/render/renderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

#include "tools/render/render_plugin.h"
#include "tools/render/progress_bar.h"
#include "tools/render/render_error.h"

volatile std::sig_atomic_t renderInterrupted = 0;

namespace {

// Planar buffers with at least one channel, so a plug-in without inputs or outputs
// still receives a valid pointer array.
template <typename Sample>
class PlanarBuffer {
 public:
  PlanarBuffer(std::int32_t channels, std::int32_t frames)
      : storage_(static_cast<std::size_t>(std::max(channels, 1)) * static_cast<std::size_t>(frames), Sample(0)) {
    for (std::int32_t channel = 0; channel < std::max(channels, 1); ++channel)
      planes_.push_back(storage_.data() + static_cast<std::size_t>(channel) * static_cast<std::size_t>(frames));
    shifted_ = planes_;
  }
  Sample** planes() { return planes_.data(); }
  // The planes from frame `offset` on.
  Sample** planesFrom(std::int32_t offset) {
    for (std::size_t channel = 0; channel < planes_.size(); ++channel) shifted_[channel] = planes_[channel] + offset;
    return shifted_.data();
  }
  void silence(std::int32_t frames) {
    for (Sample* plane : planes_) std::fill_n(plane, frames, Sample(0));
  }

 private:
  std::vector<Sample> storage_;
  std::vector<Sample*> planes_;
  std::vector<Sample*> shifted_;
};

}  // namespace

void checkChannelCounts(RenderPlugin& plugin) {
  for (const auto& [count, side] : {std::pair{plugin.numInputs(), "inputs"}, std::pair{plugin.numOutputs(), "outputs"}})
    if (count > kMostRenderChannels)
      throw RenderError(plugin.displayName() + " announces " + std::to_string(count) + " audio " + side +
                        "; vst-render takes at most " + std::to_string(kMostRenderChannels));
}

namespace {

// One block, with the changes that fall in it: as events at their frame where the
// format takes them, else by splitting the block there.
template <typename Sample>
void processBlock(RenderPlugin& plugin, PlanarBuffer<Sample>& inputs, PlanarBuffer<Sample>& outputs, std::int32_t frames,
                  std::int64_t position, const std::vector<TimedChange>& changes, std::size_t& nextChange) {
  const std::int64_t end = position + frames;
  if (plugin.takesTimedChanges()) {
    for (; nextChange < changes.size() && changes[nextChange].frame < end; ++nextChange)
      plugin.scheduleParameter(changes[nextChange].index, changes[nextChange].value,
                               static_cast<std::int32_t>(std::max<std::int64_t>(changes[nextChange].frame - position, 0)));
    plugin.process(inputs.planes(), outputs.planes(), frames);
    return;
  }
  std::int32_t done = 0;
  while (done < frames) {
    for (; nextChange < changes.size() && changes[nextChange].frame <= position + done; ++nextChange)
      plugin.setParameter(changes[nextChange].index, changes[nextChange].value);
    const std::int64_t stop = nextChange < changes.size() ? std::min(changes[nextChange].frame, end) : end;
    const auto piece = static_cast<std::int32_t>(stop - (position + done));
    plugin.process(inputs.planesFrom(done), outputs.planesFrom(done), piece);
    done += piece;
  }
}

}  // namespace

template <typename Sample>
RenderResult renderBlocks(RenderPlugin& plugin, double sampleRate, std::int32_t blockSize, BlockSource<Sample>& source,
                          BlockSink<Sample>* sink, std::int64_t expectedFrames, const RenderExtent& extent) {
  checkChannelCounts(plugin);
  PlanarBuffer<Sample> inputs(plugin.numInputs(), blockSize);
  PlanarBuffer<Sample> outputs(plugin.numOutputs(), blockSize);
  RenderResult result;
  result.blockSize = blockSize;
  result.sampleRate = sampleRate;
  result.output = LevelMeter(plugin.numOutputs());
  ProgressBar progress(expectedFrames, result.sampleRate);

  std::int64_t silenceLeft = extent.tailFrames + extent.latencyFrames;
  std::int64_t dropLeft = extent.latencyFrames;
  bool sourceDry = false;
  std::int64_t position = 0;
  std::size_t nextChange = 0;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (renderInterrupted) throw RenderError("interrupted; nothing was written");
    std::int32_t frames = sourceDry ? 0 : source.read(inputs.planes(), blockSize);
    if (frames <= 0) {
      sourceDry = true;
      if (silenceLeft <= 0) break;
      frames = static_cast<std::int32_t>(std::min<std::int64_t>(silenceLeft, blockSize));
      silenceLeft -= frames;
      inputs.silence(frames);
    }
    processBlock(plugin, inputs, outputs, frames, position, extent.changes, nextChange);
    position += frames;
    ++result.blocks;
    // The first frames are the plug-in's latency: they come before the input does.
    const auto dropped = static_cast<std::int32_t>(std::min<std::int64_t>(dropLeft, frames));
    dropLeft -= dropped;
    const std::int32_t kept = frames - dropped;
    if (kept == 0) continue;
    Sample** written = outputs.planesFrom(dropped);
    if (sink) sink->write(written, kept);
    result.output.add(written, kept);
    result.frames += kept;
    progress.update(result.frames);
  }
  progress.finish();
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

template RenderResult renderBlocks<float>(RenderPlugin&, double, std::int32_t, BlockSource<float>&, BlockSink<float>*,
                                          std::int64_t, const RenderExtent&);
template RenderResult renderBlocks<double>(RenderPlugin&, double, std::int32_t, BlockSource<double>&,
                                           BlockSink<double>*, std::int64_t, const RenderExtent&);

std::string renderTiming(const RenderResult& result) {
  const double audioSeconds = result.sampleRate > 0.0 ? static_cast<double>(result.frames) / result.sampleRate : 0.0;
  char timing[160];
  if (result.seconds > 0.0)
    std::snprintf(timing, sizeof timing, "%.3f s (%.0fx realtime)", result.seconds, audioSeconds / result.seconds);
  else
    std::snprintf(timing, sizeof timing, "%.3f s", result.seconds);
  return std::to_string(result.frames) + " frames, " + std::to_string(result.blocks) + " blocks of " +
         std::to_string(result.blockSize) + ", " + timing;
}

std::string renderSummary(const RenderResult& result) {
  return renderTiming(result) + "; " + levelSummary(result.output, "out");
}
