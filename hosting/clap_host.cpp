#include "hosting/clap_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace hosting {

using namespace clap;

std::string clapFileUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_CLAP")) return path;
  return TWINFOLD_CLAP_PATH;
}

ClapModule::ClapModule(const std::string& path)
    : library_(path), entry_(static_cast<const clap_plugin_entry*>(library_.symbol("clap_entry"))) {}

const clap_plugin_factory* ClapModule::factory() const {
  return entry_ ? static_cast<const clap_plugin_factory*>(entry_->get_factory(kPluginFactoryId)) : nullptr;
}

// Host record -----------------------------------------------------------------------

struct ClapHostCalls {
  static ClapHost& of(const clap_host* host) { return *static_cast<ClapHost*>(host->host_data); }
  static const void* CLAP_CALL extension(const clap_host* host, const char* id) {
    ClapHost& self = of(host);
    self.askedFor.emplace_back(id ? id : "");
    return self.offersParams_ && id && std::strcmp(id, kParamsId) == 0 ? &self.params_ : nullptr;
  }
  static void CLAP_CALL request(const clap_host*) {}
  static void CLAP_CALL rescan(const clap_host* host, std::uint32_t flags) {
    of(host).rescans.push_back({flags, std::this_thread::get_id()});
  }
  static void CLAP_CALL clear(const clap_host*, clap_id, std::uint32_t) {}
};

ClapHost::ClapHost(bool offersParams) : offersParams_(offersParams) {
  host_.clap_version = {1, 2, 10};
  host_.host_data = this;
  host_.name = "twinfold test host";
  host_.vendor = host_.url = host_.version = "";
  host_.get_extension = ClapHostCalls::extension;
  host_.request_restart = host_.request_process = host_.request_callback = ClapHostCalls::request;
  params_ = {ClapHostCalls::rescan, ClapHostCalls::clear, ClapHostCalls::request};
}

// Events ----------------------------------------------------------------------------

struct ClapEventCalls {
  static const ClapEvents& of(const clap_input_events* list) { return *static_cast<const ClapEvents*>(list->ctx); }
  static std::uint32_t CLAP_CALL size(const clap_input_events* list) {
    const ClapEvents& self = of(list);
    return self.claimsSize_ ? self.claimedSize_ : static_cast<std::uint32_t>(self.events_.size());
  }
  static const clap_event_header* CLAP_CALL get(const clap_input_events* list, std::uint32_t index) {
    const auto& events = of(list).events_;
    return index < events.size() ? reinterpret_cast<const clap_event_header*>(events[index].data()) : nullptr;
  }
  static bool CLAP_CALL push(const clap_output_events*, const clap_event_header*) { return true; }
};

ClapEvents::ClapEvents() { list_ = {this, ClapEventCalls::size, ClapEventCalls::get}; }

namespace {

// Each event in memory of its own, which operator new aligns for doubles.
template <class Event>
std::vector<unsigned char> bytesOf(const Event& event) {
  std::vector<unsigned char> bytes(sizeof(Event));
  std::memcpy(bytes.data(), &event, sizeof event);
  return bytes;
}

}  // namespace

ClapEvents& ClapEvents::value(std::uint32_t time, double value, clap_id id, std::uint16_t space, bool zeroFilled) {
  clap_event_param_value event{};
  event.header = {sizeof event, time, space, kEventParamValue, 0};
  event.param_id = id;
  if (!zeroFilled) {
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
  }
  event.value = value;
  events_.push_back(bytesOf(event));
  return *this;
}

ClapEvents& ClapEvents::transport(std::uint32_t time) {
  clap_event_transport event{};
  event.header = {sizeof event, time, 0, kEventTransport, 0};
  event.tempo = 120.0;
  events_.push_back(bytesOf(event));
  return *this;
}

ClapEvents& ClapEvents::raw(std::vector<unsigned char> bytes) {
  bytes.shrink_to_fit();  // nothing readable past the event
  events_.push_back(std::move(bytes));
  return *this;
}

const clap_output_events* ClapEvents::sink() {
  static const clap_output_events list{nullptr, ClapEventCalls::push};
  return &list;
}

// Streams ---------------------------------------------------------------------------

namespace {

std::int64_t CLAP_CALL writeTo(const clap_ostream* stream, const void* buffer, std::uint64_t size) {
  auto& self = *static_cast<ClapOutStream*>(stream->ctx);
  if (self.bytes.size() >= self.failAfter) return self.failWith;
  const std::size_t n = static_cast<std::size_t>(std::min({size, self.chunk, self.failAfter - self.bytes.size()}));
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  self.bytes.insert(self.bytes.end(), bytes, bytes + n);
  return static_cast<std::int64_t>(n);
}

std::int64_t CLAP_CALL readFrom(const clap_istream* stream, void* buffer, std::uint64_t size) {
  auto& self = *static_cast<ClapInStream*>(stream->ctx);
  if (self.position >= self.failAfter) return self.failWith;
  const std::uint64_t left = self.bytes.size() - self.position;
  const std::size_t n = static_cast<std::size_t>(std::min({size, self.chunk, left, self.failAfter - self.position}));
  if (n) std::memcpy(buffer, self.bytes.data() + self.position, n);
  self.position += n;
  return static_cast<std::int64_t>(n);
}

}  // namespace

ClapOutStream::ClapOutStream(std::uint64_t chunkBytes, std::int64_t failResult, std::uint64_t failPoint)
    : chunk(chunkBytes), failWith(failResult), failAfter(failPoint) {
  stream_ = {this, writeTo};
}

ClapInStream::ClapInStream(std::vector<unsigned char> data, std::uint64_t chunkBytes, std::int64_t failResult,
                           std::uint64_t failPoint)
    : bytes(std::move(data)), chunk(chunkBytes), failWith(failResult), failAfter(failPoint) {
  stream_ = {this, readFrom};
}

// Blocks and instances ----------------------------------------------------------------

namespace {

template <class Sample>
void attach(clap_audio_buffer& buffer, Sample** channels) {
  if constexpr (std::is_same_v<Sample, float>)
    buffer.data32 = channels;
  else
    buffer.data64 = channels;
}

}  // namespace

template <class In, class Out>
ClapBlock<In, Out>::ClapBlock(std::vector<In> left, std::vector<In> right, bool placeIn)
    : in{std::move(left), std::move(right)}, inPlace(placeIn && std::is_same_v<In, Out>) {
  for (int c = 0; c < 2; ++c) {
    out[c].assign(in[c].size(), std::numeric_limits<Out>::quiet_NaN());
    inputs[c] = in[c].data();
    if constexpr (std::is_same_v<In, Out>)
      outputs[c] = inPlace ? in[c].data() : out[c].data();
    else
      outputs[c] = out[c].data();
  }
  inputBuffer.channel_count = outputBuffer.channel_count = 2;
  outputBuffer.constant_mask = ~std::uint64_t{0};  // stale, as some hosts leave it
  attach(inputBuffer, inputs);
  attach(outputBuffer, outputs);
  process.steady_time = -1;
  process.frames_count = frames();
  process.audio_inputs = &inputBuffer;
  process.audio_outputs = &outputBuffer;
  process.audio_inputs_count = process.audio_outputs_count = 1;
  process.out_events = ClapEvents::sink();
}

template struct ClapBlock<float>;
template struct ClapBlock<double>;
template struct ClapBlock<float, double>;
template struct ClapBlock<double, float>;

ClapInstance::ClapInstance(const clap_plugin_factory* factory, const ClapHost& host, const char* id) {
  if (!factory) return;
  plugin = factory->create_plugin(factory, host.record(), id);
  initialized = plugin && plugin->init(plugin);
}

ClapInstance::~ClapInstance() {
  if (plugin) plugin->destroy(plugin);
}

bool ClapInstance::start(double rate, std::uint32_t maxFrames) {
  return plugin->activate(plugin, rate, 1, maxFrames) && plugin->start_processing(plugin);
}

template <class In, class Out>
std::int32_t ClapInstance::process(ClapBlock<In, Out>& block, const ClapEvents* events, std::uint32_t frames) {
  static const ClapEvents none;
  block.process.frames_count = std::min(frames, block.frames());
  block.process.in_events = (events ? events : &none)->list();
  return plugin->process(plugin, &block.process);
}

template std::int32_t ClapInstance::process(ClapBlock<float>&, const ClapEvents*, std::uint32_t);
template std::int32_t ClapInstance::process(ClapBlock<double>&, const ClapEvents*, std::uint32_t);
template std::int32_t ClapInstance::process(ClapBlock<float, double>&, const ClapEvents*, std::uint32_t);
template std::int32_t ClapInstance::process(ClapBlock<double, float>&, const ClapEvents*, std::uint32_t);

double ClapInstance::value() const {
  const auto* params = extension<clap_plugin_params>(kParamsId);
  double value = -1.0;
  return params && params->get_value(plugin, 0, &value) ? value : -1.0;
}

bool ClapInstance::setValueByFlush(double value) {
  const auto* params = extension<clap_plugin_params>(kParamsId);
  if (!params) return false;
  ClapEvents events;
  events.value(0, value);
  params->flush(plugin, events.list(), ClapEvents::sink());
  return true;
}

std::vector<unsigned char> ClapInstance::save() {
  const auto* state = extension<clap_plugin_state>(kStateId);
  ClapOutStream stream;
  return state && state->save(plugin, stream.stream()) ? stream.bytes : std::vector<unsigned char>{};
}

bool ClapInstance::load(std::vector<unsigned char> bytes, std::uint64_t chunk) {
  const auto* state = extension<clap_plugin_state>(kStateId);
  ClapInStream stream(std::move(bytes), chunk);
  return state && state->load(plugin, stream.stream());
}

}  // namespace hosting
