#include "tools/render/file_render.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
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

// Interleaved file frames to the plug-in's input planes: a mono file feeds every input
// when upmixing; otherwise the file fills the first inputs, the sidechain file (if any)
// the next, and the inputs left over get silence (so does a sidechain past its end).
template <typename Sample>
class FileSource final : public BlockSource<Sample> {
 public:
  FileSource(InputFile& file, InputFile* sidechain, std::int32_t pluginInputs, std::int32_t blockSize)
      : file_(file),
        sidechain_(sidechain),
        fileChannels_(file.format().channels),
        sideChannels_(sidechain ? sidechain->format().channels : 0),
        pluginInputs_(pluginInputs),
        interleaved_(static_cast<std::size_t>(blockSize) * static_cast<std::size_t>(fileChannels_)),
        side_(static_cast<std::size_t>(blockSize) * static_cast<std::size_t>(sideChannels_)) {}

  std::int32_t read(Sample* const* planes, std::int32_t maxFrames) override {
    const auto frames = static_cast<std::int32_t>(file_.read(interleaved_.data(), maxFrames));
    const auto sideFrames =
        sidechain_ && frames > 0 ? static_cast<std::int32_t>(sidechain_->read(side_.data(), frames)) : 0;
    const bool upmix = fileChannels_ == 1 && !sidechain_;
    for (std::int32_t input = 0; input < pluginInputs_; ++input) {
      Sample* plane = planes[input];
      if (upmix || input < fileChannels_)
        copyChannel(interleaved_, fileChannels_, upmix ? 0 : input, plane, frames);
      else if (input < fileChannels_ + sideChannels_)
        copyChannel(side_, sideChannels_, input - fileChannels_, plane, sideFrames);
      const std::int32_t filled = upmix || input < fileChannels_ ? frames
                                  : input < fileChannels_ + sideChannels_ ? sideFrames
                                                                          : 0;
      std::fill(plane + filled, plane + std::max(frames, filled), Sample(0));
    }
    return frames;
  }

 private:
  static void copyChannel(const std::vector<Sample>& from, std::int32_t channels, std::int32_t channel, Sample* plane,
                          std::int32_t frames) {
    for (std::int32_t frame = 0; frame < frames; ++frame)
      plane[frame] = from[static_cast<std::size_t>(frame) * static_cast<std::size_t>(channels) +
                          static_cast<std::size_t>(channel)];
  }

  InputFile& file_;
  InputFile* sidechain_;
  std::int32_t fileChannels_, sideChannels_;
  std::int32_t pluginInputs_;
  std::vector<Sample> interleaved_, side_;
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
RenderResult renderThrough(RenderPlugin& plugin, InputFile& input, InputFile* sidechain, OutputFile& output,
                           std::int32_t blockSize, const RenderExtent& extent) {
  FileSource<Sample> source(input, sidechain, plugin.numInputs(), blockSize);
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

std::string checkChannelsFit(const InputFile& input, const InputFile* sidechain, RenderPlugin& plugin, bool upmix) {
  const std::int32_t channels = input.format().channels + (sidechain ? sidechain->format().channels : 0);
  const std::int32_t inputs = plugin.numInputs();
  const std::string name = plugin.displayName();
  if (inputs <= 0)
    throw RenderError(name + " takes no audio input, so it cannot process '" + input.path() + "'");
  if (channels == inputs) return "";
  if (channels == 1 && upmix) return "";
  if (channels < inputs && (channels > 1 || sidechain))
    return name + " takes " + channelWord(inputs, "input") + "; input" + (inputs - channels == 1 ? " " : "s ") +
           std::to_string(channels + 1) + (inputs - channels == 1 ? "" : " to " + std::to_string(inputs)) +
           " get silence" + (sidechain ? "" : " (feed them with --sidechain FILE)");
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
  std::unique_ptr<InputFile> sidechain;
  if (!options.sidechain.empty()) {
    sidechain = std::make_unique<InputFile>(options.sidechain);
    if (sidechain->format().sampleRate != input.format().sampleRate)
      throw RenderError("the sidechain '" + options.sidechain + "' runs at " +
                        std::to_string(static_cast<long>(sidechain->format().sampleRate)) + " Hz, '" + options.input +
                        "' at " + std::to_string(static_cast<long>(input.format().sampleRate)) + " Hz");
  }
  if (const std::string note = checkChannelsFit(input, sidechain.get(), plugin, options.upmix); !note.empty())
    std::cout << "Note: " << note << "\n";
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
                                  ? renderThrough<double>(plugin, input, sidechain.get(), output, options.blockSize, extent)
                                  : renderThrough<float>(plugin, input, sidechain.get(), output, options.blockSize, extent);
  plugin.stop();
  output.commit();
  std::cout << "Rendered " << options.output << " as " << format.name
            << (format.fallback.empty() ? "" : " (" + format.fallback + ")") << ": " << renderSummary(result)
            << (tailAndLatency.description.empty() ? "" : "; " + tailAndLatency.description) << "\n";
}

namespace {

std::string batchOutputName(const RenderOptions& options, const std::string& input) {
  const std::filesystem::path from(input);
  std::string extension = options.fileType.empty() ? from.extension().string() : "." + options.fileType;
  return (std::filesystem::path(options.outputFolder) / (from.stem().string() + extension)).string();
}

}  // namespace

int renderBatch(const RenderOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_directory(options.outputFolder, error))
    throw RenderError("the output folder '" + options.outputFolder + "' does not exist");
  int failed = 0;
  std::vector<std::string> written;
  for (const std::string& input : options.batchInputs) {
    RenderOptions one = options;
    one.input = input;
    one.output = batchOutputName(options, input);
    try {
      if (std::find(written.begin(), written.end(), one.output) != written.end())
        throw RenderError("'" + one.output + "' was written from an earlier input of the same name");
      renderFile(one);
      written.push_back(one.output);
    } catch (const RenderError& problem) {
      std::cerr << "vst-render: " << input << ": " << problem.what() << "\n";
      ++failed;
    }
  }
  std::cout << "Batch: " << options.batchInputs.size() - static_cast<std::size_t>(failed) << " of "
            << options.batchInputs.size() << " files rendered into " << options.outputFolder << "\n";
  return failed;
}
