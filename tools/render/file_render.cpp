#include "tools/render/file_render.h"

#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include "tools/render/audio_file.h"
#include "tools/render/output_format.h"
#include "tools/render/open_plugin.h"
#include "tools/render/render_plugin.h"
#include "tools/render/render_error.h"
#include "tools/render/renderer.h"
#include "tools/render/tail_and_latency.h"
#include "tools/render/user_settings.h"

namespace {

// Interleaved file frames to the plug-in's input planes; a mono file feeds every
// input when upmixing.
template <typename Sample>
class FileSource final : public BlockSource<Sample> {
 public:
  FileSource(InputFile& file, std::int32_t pluginInputs, std::int32_t blockSize)
      : file_(file),
        fileChannels_(file.format().channels),
        pluginInputs_(pluginInputs),
        interleaved_(static_cast<std::size_t>(blockSize) * static_cast<std::size_t>(fileChannels_)) {}

  std::int32_t read(Sample* const* planes, std::int32_t maxFrames) override {
    const auto frames = static_cast<std::int32_t>(file_.read(interleaved_.data(), maxFrames));
    for (std::int32_t input = 0; input < pluginInputs_; ++input) {
      const std::int32_t channel = fileChannels_ == 1 ? 0 : input;
      Sample* plane = planes[input];
      for (std::int32_t frame = 0; frame < frames; ++frame)
        plane[frame] = interleaved_[static_cast<std::size_t>(frame) * static_cast<std::size_t>(fileChannels_) +
                                    static_cast<std::size_t>(channel)];
    }
    return frames;
  }

 private:
  InputFile& file_;
  std::int32_t fileChannels_;
  std::int32_t pluginInputs_;
  std::vector<Sample> interleaved_;
};

template <typename Sample>
class FileSink final : public BlockSink<Sample> {
 public:
  FileSink(OutputFile& file, std::int32_t channels, std::int32_t blockSize)
      : file_(file), channels_(channels), interleaved_(static_cast<std::size_t>(blockSize) * static_cast<std::size_t>(channels)) {}

  void write(const Sample* const* planes, std::int32_t frames) override {
    for (std::int32_t channel = 0; channel < channels_; ++channel)
      for (std::int32_t frame = 0; frame < frames; ++frame)
        interleaved_[static_cast<std::size_t>(frame) * static_cast<std::size_t>(channels_) +
                     static_cast<std::size_t>(channel)] = planes[channel][frame];
    file_.write(interleaved_.data(), frames);
  }

 private:
  OutputFile& file_;
  std::int32_t channels_;
  std::vector<Sample> interleaved_;
};

template <typename Sample>
RenderResult renderThrough(RenderPlugin& plugin, InputFile& input, OutputFile& output, std::int32_t blockSize,
                           const RenderExtent& extent) {
  FileSource<Sample> source(input, plugin.numInputs(), blockSize);
  FileSink<Sample> sink(output, plugin.numOutputs(), blockSize);
  // libsndfile answers the largest count for a file of unknown length: no sum past it.
  const std::int64_t frames = input.format().frames;
  const std::int64_t expected = frames > INT64_MAX - extent.tailFrames ? INT64_MAX : frames + extent.tailFrames;
  return renderBlocks<Sample>(plugin, input.format().sampleRate, blockSize, source, &sink, expected, extent);
}

std::string channelWord(std::int32_t count, const char* singular) {
  return std::to_string(count) + " " + singular + (count == 1 ? "" : "s");
}

}  // namespace

void checkChannelsFit(const InputFile& input, RenderPlugin& plugin, bool upmix) {
  const std::int32_t channels = input.format().channels;
  const std::int32_t inputs = plugin.numInputs();
  const std::string name = plugin.displayName();
  if (inputs <= 0)
    throw RenderError(name + " takes no audio input, so it cannot process '" + input.path() + "'");
  if (channels == inputs) return;
  if (channels == 1 && upmix) return;
  if (channels == 1)
    throw RenderError("'" + input.path() + "' is mono but " + name + " takes " + channelWord(inputs, "input") +
                      "; add --upmix to feed the mono channel to every input");
  throw RenderError("'" + input.path() + "' has " + channelWord(channels, "channel") + " but " + name + " takes " +
                    channelWord(inputs, "input") + "; convert the file to " + channelWord(inputs, "channel") +
                    " first");
}

void renderFile(const RenderOptions& options) {
  const OutputType outputType = outputTypeFor(options.output, options.encoding, options.fileType);
  InputFile input(options.input);
  const OutputFormat format = chooseOutputFormat(outputType, input.format().fileFormat);
  const std::unique_ptr<RenderPlugin> opened = openPlugin(options);
  RenderPlugin& plugin = *opened;
  checkChannelsFit(input, plugin, options.upmix);
  checkChannelCounts(plugin);
  if (plugin.numOutputs() <= 0) throw RenderError(plugin.displayName() + " has no audio outputs to write");
  startProcessing(plugin, options, input.format().sampleRate);
  std::vector<TimedChange> changes = applyUserSettings(plugin, options, input.format().sampleRate);
  saveRequestedPreset(plugin, options);
  TailAndLatency tailAndLatency = planTailAndLatency(plugin, options, input.format().sampleRate);
  RenderExtent& extent = tailAndLatency.extent;
  extent.changes = std::move(changes);

  OutputFile output(options.output, format.fileFormat, plugin.numOutputs(), input.format().sampleRate);
  const RenderResult result = options.doublePrecision
                                  ? renderThrough<double>(plugin, input, output, options.blockSize, extent)
                                  : renderThrough<float>(plugin, input, output, options.blockSize, extent);
  plugin.stop();
  output.commit();
  std::cout << "Rendered " << options.output << " as " << format.name
            << (format.fallback.empty() ? "" : " (" + format.fallback + ")") << ": " << renderSummary(result)
            << (tailAndLatency.description.empty() ? "" : "; " + tailAndLatency.description) << "\n";
}
