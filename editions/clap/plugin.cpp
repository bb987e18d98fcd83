#include "editions/clap/plugin.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>
#include <type_traits>
#include <vector>

#include "editions/clap/transport_flags.h"
#include "hosting/edition_state.h"

namespace clap {

namespace {

constexpr clap_id kModeParameter = 0;
constexpr clap_id kMainPort = 0;

// A stepped value as the interface reads it: truncated once, within 0 … 1.
double stepOf(double value) { return std::trunc(std::clamp(value, 0.0, 1.0)); }

// At most capacity − 1 bytes and a terminating NUL, never ending inside a UTF-8 sequence.
void copyBounded(const std::string& text, char* out, std::size_t capacity) {
  std::size_t length = std::min(text.size(), capacity - 1);
  if (length < text.size())
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

class OstreamWriter : public hosting::StateWriter {
 public:
  explicit OstreamWriter(const clap_ostream* stream) : stream_(stream) {}
  std::int64_t write(const unsigned char* bytes, std::size_t size) override {
    return stream_->write(stream_, bytes, size);
  }

 private:
  const clap_ostream* stream_;
};

class IstreamReader : public hosting::StateReader {
 public:
  explicit IstreamReader(const clap_istream* stream) : stream_(stream) {}
  std::int64_t read(unsigned char* out, std::size_t size) override {
    const std::int64_t got = stream_->read(stream_, out, size);
    return got > 0 ? std::min<std::int64_t>(got, static_cast<std::int64_t>(size)) : got;
  }

 private:
  const clap_istream* stream_;
};

}  // namespace

bool Plugin::calledOnMainThread() const { return std::this_thread::get_id() == mainThread_; }

// Entering is a full exchange, so it and deactivate's store and load (both sequentially
// consistent) never both miss each other; leaving only publishes the block's work.
bool Plugin::enterAudio() { return !audioBusy_.exchange(true); }
void Plugin::leaveAudio() { audioBusy_.store(false, std::memory_order_release); }

// Life cycle ------------------------------------------------------------------------

bool Plugin::init() {
  if (initialized()) return false;
  mainThread_ = std::this_thread::get_id();
  // The host's extensions may be asked for from here on, and may all be missing.
  if (host_->get_extension)
    hostParams_ = static_cast<const clap_host_params*>(host_->get_extension(host_, kParamsId));
  stage_.store(Stage::Inactive);
  return true;
}

void Plugin::destroy() {
  // Hosts destroy active instances too; the core is suspended by its host's destructor.
  delete this;
}

bool Plugin::activate(double sampleRate, std::uint32_t /*minFrames*/, std::uint32_t maxFrames) {
  if (!calledOnMainThread() || stage_.load() != Stage::Inactive) return false;
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || maxFrames == 0) return false;
  // Scratch for the largest block the host announced, bounded; longer blocks go in parts.
  const std::uint32_t frames = std::min(maxFrames, kScratchFrames);
  try {
    scratch32_.memory.assign(2 * kChannels * frames, 0.0f);
    scratch64_.memory.assign(core_.canProcessDouble() ? 2 * kChannels * frames : 0, 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  scratchFrames_ = frames;
  core_.setSampleRate(sampleRate);
  core_.setBlockSize(static_cast<VstInt32>(std::min<std::uint32_t>(maxFrames, INT32_MAX)));
  time_.restart(sampleRate);
  core_.resume();
  stage_.store(Stage::Active);
  return true;
}

void Plugin::deactivate() {
  const Stage stage = stage_.load();
  if (!calledOnMainThread() || (stage != Stage::Active && stage != Stage::Processing)) return;
  // Also stops processing, for hosts that skip stop_processing. A block still running
  // on another thread keeps the instance active.
  stage_.store(Stage::Inactive);
  if (audioBusy_.load()) {
    stage_.store(stage);
    return;
  }
  core_.suspend();
}

// The audio role may be played by any thread, the main one included.
bool Plugin::startProcessing() {
  Stage expected = Stage::Active;
  return stage_.compare_exchange_strong(expected, Stage::Processing) || expected == Stage::Processing;
}

void Plugin::stopProcessing() {
  Stage expected = Stage::Processing;
  stage_.compare_exchange_strong(expected, Stage::Active);
}

// The core keeps no signal memory between blocks: nothing to clear.
void Plugin::reset() {}
void Plugin::onMainThread() {}

// Processing ------------------------------------------------------------------------

namespace {

// A port's channels: data32 when given, else data64; at most two channels, and a single
// input channel feeds both sides of the core.
template <class Channels>
[[gnu::always_inline]] inline Channels channelsOf(const clap_audio_buffer* port, bool isInput) {
  Channels channels;
  const std::size_t count = port ? std::min<std::size_t>(port->channel_count, std::size(channels.single)) : 0;
  static_assert(std::size(channels.single) == 2);
  if (count > 0 && port->data32) {
    channels.single[0] = port->data32[0];
    if (count > 1) channels.single[1] = port->data32[1];
  } else if (count > 0 && port->data64) {
    channels.dual[0] = port->data64[0];
    if (count > 1) channels.dual[1] = port->data64[1];
  }
  if (isInput && !channels.single[1] && !channels.dual[1]) {
    channels.single[1] = channels.single[0];
    channels.dual[1] = channels.dual[0];
  }
  return channels;
}

template <class Channels>
bool anyOf(const Channels& channels, bool dual) {
  for (std::size_t c = 0; c < std::size(channels.single); ++c)
    if (dual ? channels.dual[c] != nullptr : channels.single[c] != nullptr) return true;
  return false;
}

}  // namespace

template <>
Plugin::Scratch<float>& Plugin::scratch<float>() {
  return scratch32_;
}
template <>
Plugin::Scratch<double>& Plugin::scratch<double>() {
  return scratch64_;
}

std::int32_t Plugin::process(const clap_process* process) {
  if (!process || !enterAudio()) return kProcessError;
  const AudioTurn turn{*this};
  if (stage_.load() != Stage::Processing) return kProcessError;
  clap_audio_buffer* outputs = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;
  for (std::uint32_t i = 0; outputs && i < process->audio_outputs_count; ++i) outputs[i].constant_mask = 0;
  const clap_audio_buffer* inputs = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
  const PortChannels in = channelsOf<PortChannels>(inputs, true);
  const PortChannels out = channelsOf<PortChannels>(outputs, false);
  // The core runs in 64 bits only when no channel is 32-bit: a port pair of mixed sizes
  // runs the 32-bit path, so its output is what 32-bit ports give for the same samples.
  const bool has32 = anyOf(in, false) || anyOf(out, false);
  if (!anyOf(out, false) && !anyOf(out, true))
    applyEvents(process->in_events);
  else if (!has32 && core_.canProcessDouble())
    processBlock<double>(*process, in, out);
  else
    processBlock<float>(*process, in, out);
  return kProcessContinue;
}

template <class Sample>
void Plugin::processBlock(const clap_process& process, const PortChannels& in, const PortChannels& out) {
  const std::int32_t frames = static_cast<std::int32_t>(std::min<std::uint32_t>(process.frames_count, INT32_MAX));
  takeTime(process.transport, frames);
  // Each value takes effect at its event's frame: out of order counts as the current
  // frame, beyond the block as its last.
  const clap_input_events* events = process.in_events;
  const std::uint32_t count = events && events->size && events->get ? events->size(events) : 0;
  const std::int32_t last = std::max(frames - 1, 0);
  std::int32_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const clap_event_header* event = events->get(events, i);
    if (!event) break;  // the list ends where the host has no event, whatever its size said
    const std::int32_t time = static_cast<std::int32_t>(std::min<std::uint32_t>(event->time, INT32_MAX));
    const std::int32_t from = std::clamp(time, at, std::max(at, last));
    if (from > at) {
      processPart<Sample>(in, out, at, from);
      at = from;
    }
    applyEvent(event);
  }
  processPart<Sample>(in, out, at, frames);
}

// The core in `Sample` over frames [from, to). Channels in that size are used in place;
// the others pass through the scratch in parts: an input of the other size converted
// (64 to 32 bits rounds to nearest), a missing one as silence, an output of the other
// size widened after the part, a missing one into the scratch.
template <class Sample>
void Plugin::processPart(const PortChannels& in, const PortChannels& out, std::int32_t from, std::int32_t to) {
  if (to <= from) return;
  Sample* direct[2 * kChannels] = {in.of<Sample>(0), in.of<Sample>(1), out.of<Sample>(0), out.of<Sample>(1)};
  if (std::all_of(std::begin(direct), std::end(direct), [](Sample* channel) { return channel != nullptr; })) {
    Sample* partIn[kChannels] = {direct[0] + from, direct[1] + from};
    Sample* partOut[kChannels] = {direct[2] + from, direct[3] + from};
    core_.process(partIn, partOut, to - from);
    time_.advance(to - from);
    return;
  }
  processPartThroughScratch<Sample>(in, out, from, to);
}

template <class Sample>
void Plugin::processPartThroughScratch(const PortChannels& in, const PortChannels& out, std::int32_t from,
                                       std::int32_t to) {
  using Other = std::conditional_t<sizeof(Sample) == sizeof(float), double, float>;
  Scratch<Sample>& spare = scratch<Sample>();
  const std::size_t frames = scratchFrames_;
  for (std::int32_t at = from; at < to;) {
    const std::int32_t length = std::min(to - at, static_cast<std::int32_t>(frames));
    Sample* partIn[kChannels];
    Sample* partOut[kChannels];
    for (std::size_t c = 0; c < kChannels; ++c) {
      if (Sample* same = in.of<Sample>(c)) {
        partIn[c] = same + at;
      } else {
        partIn[c] = spare.in(c, frames);
        if (const Other* other = in.of<Other>(c))
          std::transform(other + at, other + at + length, partIn[c], [](Other v) { return static_cast<Sample>(v); });
        else
          std::fill_n(partIn[c], length, Sample(0));
      }
      Sample* same = out.of<Sample>(c);
      partOut[c] = same ? same + at : spare.out(c, frames);
    }
    core_.process(partIn, partOut, length);
    time_.advance(length);
    for (std::size_t c = 0; c < kChannels; ++c)
      if (Other* other = out.of<Other>(c))  // a channel is given in one size only
        std::transform(partOut[c], partOut[c] + length, other + at, [](Sample v) { return static_cast<Other>(v); });
    at += length;
  }
}

void Plugin::takeTime(const clap_event_transport* transport, std::int32_t frames) {
  VstTimeInfo& time = time_.startReport(frames);
  if (transport) {
    const std::uint32_t has = transport->flags;
    if (has & kTransportHasSecondsTimeline)
      time.samplePos = samplePositionOf(transport->song_pos_seconds, time.sampleRate);
    if (has & kTransportHasBeatsTimeline) {
      time.ppqPos = static_cast<double>(transport->song_pos_beats) / kFixedPointFactor;
      time.barStartPos = static_cast<double>(transport->bar_start) / kFixedPointFactor;
      if (has & kTransportIsLoopActive) {
        time.cycleStartPos = static_cast<double>(transport->loop_start_beats) / kFixedPointFactor;
        time.cycleEndPos = static_cast<double>(transport->loop_end_beats) / kFixedPointFactor;
      }
    }
    if (has & kTransportHasTempo) time.tempo = transport->tempo;
    if (has & kTransportHasTimeSignature) {
      time.timeSigNumerator = transport->tsig_num;
      time.timeSigDenominator = transport->tsig_denom;
    }
    time.flags = coreTimeFlagsOf(has);
  }
  time_.finishReport();
}

void Plugin::applyEvent(const clap_event_header* event) {
  if (!event || event->space_id != kCoreEventSpace || event->type != kEventParamValue ||
      event->size < sizeof(clap_event_param_value))
    return;
  const auto* change = reinterpret_cast<const clap_event_param_value*>(event);
  if (change->param_id != kModeParameter || std::isnan(change->value)) return;
  const double step = stepOf(change->value);
  core_.setParameter(static_cast<VstInt32>(kModeParameter), static_cast<float>(step));
  value_.store(step);
}

void Plugin::applyEvents(const clap_input_events* events) {
  const std::uint32_t count = events && events->size && events->get ? events->size(events) : 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const clap_event_header* event = events->get(events, i);
    if (!event) break;
    applyEvent(event);
  }
}

void Plugin::flush(const clap_input_events* in, const clap_output_events* /*out*/) {
  // Main thread while inactive, the audio side while active; never beside a block.
  const Stage stage = stage_.load();
  if (stage == Stage::Created || (stage == Stage::Inactive && !calledOnMainThread()) || !enterAudio()) return;
  const AudioTurn turn{*this};
  applyEvents(in);
}

// Ports and parameter -----------------------------------------------------------------

std::uint32_t Plugin::audioPortCount(bool /*isInput*/) { return calledOnMainThread() ? 1 : 0; }

bool Plugin::audioPortInfo(std::uint32_t index, bool isInput, clap_audio_port_info* info) {
  if (!info || index != 0 || !calledOnMainThread()) return false;
  *info = {};
  info->id = kMainPort;
  copyBounded(isInput ? "Stereo In" : "Stereo Out", info->name, sizeof info->name);
  info->flags = kAudioPortIsMain | (core_.canProcessDouble() ? kAudioPortSupports64Bits : 0);
  info->channel_count = kChannels;
  info->port_type = "stereo";
  info->in_place_pair = kMainPort;
  return true;
}

std::uint32_t Plugin::paramCount() { return calledOnMainThread() ? 1 : 0; }

bool Plugin::paramInfo(std::uint32_t index, clap_param_info* info) {
  if (!info || index != 0 || !calledOnMainThread()) return false;
  *info = {};
  info->id = kModeParameter;  // the core's parameter index; index and id are both 0
  info->flags = kParamIsStepped | kParamIsAutomatable | kParamIsEnum;
  copyBounded(name_, info->name, sizeof info->name);
  info->min_value = 0.0;
  info->max_value = 1.0;
  info->default_value = defaultValue_;
  return true;
}

bool Plugin::paramValue(clap_id id, double* value) {
  if (!value || id != kModeParameter || !calledOnMainThread()) return false;
  *value = value_.load();
  return true;
}

bool Plugin::valueToText(clap_id id, double value, char* text, std::uint32_t capacity) {
  if (!text || capacity == 0 || id != kModeParameter || std::isnan(value) || !calledOnMainThread()) return false;
  copyBounded(texts_[static_cast<std::size_t>(stepOf(value))], text, capacity);
  return true;
}

bool Plugin::textToValue(clap_id id, const char* text, double* value) {
  if (!text || !value || id != kModeParameter || !calledOnMainThread()) return false;
  for (std::size_t step = 0; step < texts_.size(); ++step) {
    if (texts_[step] != text) continue;
    *value = static_cast<double>(step);
    return true;
  }
  return false;
}

std::uint32_t Plugin::latency() { return static_cast<std::uint32_t>(std::max(core_.initialDelay(), 0)); }

// The core's tail, where 0 and 1 both mean none.
std::uint32_t Plugin::tail() {
  const VstIntPtr tail = core_.tailSize();
  return tail > 1 ? static_cast<std::uint32_t>(std::min<VstIntPtr>(tail, kInfiniteTail)) : 0;
}

// State -----------------------------------------------------------------------------

bool Plugin::save(const clap_ostream* stream) {
  if (!stream || !stream->write || !initialized() || !calledOnMainThread()) return false;
  OstreamWriter writer(stream);
  return hosting::writeState(writer, core_);
}

bool Plugin::load(const clap_istream* stream) {
  if (!stream || !stream->read || !initialized() || !calledOnMainThread()) return false;
  IstreamReader reader(stream);
  const std::vector<unsigned char> bytes = hosting::readState(reader);
  const hosting::StateImage image = hosting::parseState(bytes.data(), bytes.size(), hosting::identityOf(core_));
  if (!image.valid()) return false;
  if (!hosting::restoreState(core_, image)) return false;
  const double step = stepOf(core_.getParameter(static_cast<VstInt32>(kModeParameter)));
  if (value_.exchange(step) != step && hostParams_ && hostParams_->rescan)
    hostParams_->rescan(host_, kParamRescanValues);
  return true;
}

}  // namespace clap
