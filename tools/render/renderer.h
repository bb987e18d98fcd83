// The block loop: pull a block from a source, run the plug-in over it, hand the
// result to a sink, meter it, repeat until the source runs dry; then silence for the
// tail and the latency, whose first frames of output are dropped.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/level_meter.h"

class RenderPlugin;

// Set from a signal handler; the loop stops at the next block and the render fails.
extern volatile std::sig_atomic_t renderInterrupted;

template <typename Sample>
class BlockSource {
 public:
  virtual ~BlockSource() = default;
  // Fills up to `maxFrames` frames of each plug-in input; answers how many (0 at the end).
  virtual std::int32_t read(Sample* const* planes, std::int32_t maxFrames) = 0;
};

template <typename Sample>
class BlockSink {
 public:
  virtual ~BlockSink() = default;
  virtual void write(const Sample* const* planes, std::int32_t frames) = 0;
};

// A parameter setting at a frame of the render (the source's first frame is 0).
struct TimedChange {
  std::int64_t frame = 0;
  std::int32_t index = 0;
  double value = 0.0;
};

// How far past the source a render runs, and what changes on the way.
struct RenderExtent {
  std::int64_t tailFrames = 0;     // silence after the source, kept in the output
  std::int64_t latencyFrames = 0;  // more silence, and as many frames dropped at the start
  std::vector<TimedChange> changes;  // in frame order
};

struct RenderResult {
  std::int64_t frames = 0;
  std::int64_t blocks = 0;
  std::int32_t blockSize = 0;
  double sampleRate = 0.0;
  double seconds = 0.0;
  LevelMeter output{0};
};

// The most channels a render takes on either side (libsndfile's own limit); more is a
// RenderError before any buffer is sized by the plug-in's counts.
inline constexpr std::int32_t kMostRenderChannels = 1024;
void checkChannelCounts(RenderPlugin& plugin);

// The plug-in must be started at this rate and block size. `expectedFrames` (the frames
// the sink will get) only drives the progress bar.
template <typename Sample>
RenderResult renderBlocks(RenderPlugin& plugin, double sampleRate, std::int32_t blockSize, BlockSource<Sample>& source,
                          BlockSink<Sample>* sink, std::int64_t expectedFrames, const RenderExtent& extent = {});

// "192000 frames, 375 blocks of 512, 0.02 s (960x realtime)"
std::string renderTiming(const RenderResult& result);
// The timing, then the levels: "...; out 1 peak -6.0 dBFS RMS -9.0 dBFS, out 2 ..."
std::string renderSummary(const RenderResult& result);
