// Clean-room declarations of the CLAP binary interface, as far as an audio effect with one
// stereo port pair and one parameter (and a host that tests it) needs them. Every struct
// has natural alignment; function tables take the object they belong to first. Sizes and
// offsets are checked below for the two layouts of the targets: 32-bit (Windows, ARM
// Linux) and 64-bit (Windows, x86-64 and ARM Linux).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define CLAP_CALL __cdecl
#else
#define CLAP_CALL
#endif

namespace clap {

using clap_id = std::uint32_t;
inline constexpr clap_id kInvalidId = 0xFFFFFFFFu;
inline constexpr std::size_t kNameSize = 256;
inline constexpr std::size_t kPathSize = 1024;

// Ids of the factory and of the extensions this plug-in answers or asks for.
inline constexpr const char* kPluginFactoryId = "clap.plugin-factory";
inline constexpr const char* kAudioPortsId = "clap.audio-ports";
inline constexpr const char* kParamsId = "clap.params";
inline constexpr const char* kStateId = "clap.state";
inline constexpr const char* kLatencyId = "clap.latency";
inline constexpr const char* kTailId = "clap.tail";

// Event types and flags.
inline constexpr std::uint16_t kCoreEventSpace = 0;
inline constexpr std::uint16_t kEventParamValue = 5;
inline constexpr std::uint16_t kEventParamMod = 6;
inline constexpr std::uint16_t kEventTransport = 9;

// Process status.
inline constexpr std::int32_t kProcessError = 0;
inline constexpr std::int32_t kProcessContinue = 1;

// Parameter flags.
inline constexpr std::uint32_t kParamIsStepped = 1u << 0;
inline constexpr std::uint32_t kParamIsHidden = 1u << 2;
inline constexpr std::uint32_t kParamIsReadonly = 1u << 3;
inline constexpr std::uint32_t kParamIsBypass = 1u << 4;
inline constexpr std::uint32_t kParamIsAutomatable = 1u << 5;
inline constexpr std::uint32_t kParamIsEnum = 1u << 16;
inline constexpr std::uint32_t kParamRescanValues = 1u << 0;

// Audio port flags.
inline constexpr std::uint32_t kAudioPortIsMain = 1u << 0;
inline constexpr std::uint32_t kAudioPortSupports64Bits = 1u << 1;

// A tail this long or longer is infinite.
inline constexpr std::uint32_t kInfiniteTail = 0x7FFFFFFFu;

// clap_event_transport flags, and the fixed point of its positions.
inline constexpr std::uint32_t kTransportHasTempo = 1u << 0, kTransportHasBeatsTimeline = 1u << 1,
                               kTransportHasSecondsTimeline = 1u << 2, kTransportHasTimeSignature = 1u << 3,
                               kTransportIsPlaying = 1u << 4, kTransportIsRecording = 1u << 5,
                               kTransportIsLoopActive = 1u << 6;
inline constexpr double kFixedPointFactor = 2147483648.0;

struct clap_version {
  std::uint32_t major;
  std::uint32_t minor;
  std::uint32_t revision;
};

struct clap_plugin_entry {
  clap::clap_version clap_version;
  bool(CLAP_CALL* init)(const char* plugin_path);
  void(CLAP_CALL* deinit)();
  const void*(CLAP_CALL* get_factory)(const char* factory_id);
};

struct clap_plugin_descriptor {
  clap::clap_version clap_version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features;
};

struct clap_host {
  clap::clap_version clap_version;
  void* host_data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void*(CLAP_CALL* get_extension)(const clap_host* host, const char* extension_id);
  void(CLAP_CALL* request_restart)(const clap_host* host);
  void(CLAP_CALL* request_process)(const clap_host* host);
  void(CLAP_CALL* request_callback)(const clap_host* host);
};

struct clap_process;

struct clap_plugin {
  const clap_plugin_descriptor* desc;
  void* plugin_data;
  bool(CLAP_CALL* init)(const clap_plugin* plugin);
  void(CLAP_CALL* destroy)(const clap_plugin* plugin);
  bool(CLAP_CALL* activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                            std::uint32_t max_frames_count);
  void(CLAP_CALL* deactivate)(const clap_plugin* plugin);
  bool(CLAP_CALL* start_processing)(const clap_plugin* plugin);
  void(CLAP_CALL* stop_processing)(const clap_plugin* plugin);
  void(CLAP_CALL* reset)(const clap_plugin* plugin);
  std::int32_t(CLAP_CALL* process)(const clap_plugin* plugin, const clap_process* process);
  const void*(CLAP_CALL* get_extension)(const clap_plugin* plugin, const char* id);
  void(CLAP_CALL* on_main_thread)(const clap_plugin* plugin);
};

struct clap_plugin_factory {
  std::uint32_t(CLAP_CALL* get_plugin_count)(const clap_plugin_factory* factory);
  const clap_plugin_descriptor*(CLAP_CALL* get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                                  std::uint32_t index);
  const clap_plugin*(CLAP_CALL* create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                               const char* plugin_id);
};

// Events -----------------------------------------------------------------------------

struct clap_event_header {
  std::uint32_t size;
  std::uint32_t time;
  std::uint16_t space_id;
  std::uint16_t type;
  std::uint32_t flags;
};

struct clap_event_param_value {
  clap_event_header header;
  clap_id param_id;
  void* cookie;
  std::int32_t note_id;
  std::int16_t port_index;
  std::int16_t channel;
  std::int16_t key;
  double value;
};

struct clap_event_transport {
  clap_event_header header;
  std::uint32_t flags;
  std::int64_t song_pos_beats;
  std::int64_t song_pos_seconds;
  double tempo;
  double tempo_inc;
  std::int64_t loop_start_beats;
  std::int64_t loop_end_beats;
  std::int64_t loop_start_seconds;
  std::int64_t loop_end_seconds;
  std::int64_t bar_start;
  std::int32_t bar_number;
  std::uint16_t tsig_num;
  std::uint16_t tsig_denom;
};

struct clap_input_events {
  void* ctx;
  std::uint32_t(CLAP_CALL* size)(const clap_input_events* list);
  const clap_event_header*(CLAP_CALL* get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
  void* ctx;
  bool(CLAP_CALL* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// Processing -------------------------------------------------------------------------

struct clap_audio_buffer {
  float** data32;
  double** data64;
  std::uint32_t channel_count;
  std::uint32_t latency;
  std::uint64_t constant_mask;
};

struct clap_process {
  std::int64_t steady_time;
  std::uint32_t frames_count;
  const clap_event_transport* transport;
  const clap_audio_buffer* audio_inputs;
  clap_audio_buffer* audio_outputs;
  std::uint32_t audio_inputs_count;
  std::uint32_t audio_outputs_count;
  const clap_input_events* in_events;
  const clap_output_events* out_events;
};

// Streams ----------------------------------------------------------------------------

struct clap_istream {
  void* ctx;
  std::int64_t(CLAP_CALL* read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
  void* ctx;
  std::int64_t(CLAP_CALL* write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

// Extensions -------------------------------------------------------------------------

struct clap_audio_port_info {
  clap_id id;
  char name[kNameSize];
  std::uint32_t flags;
  std::uint32_t channel_count;
  const char* port_type;
  clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
  std::uint32_t(CLAP_CALL* count)(const clap_plugin* plugin, bool is_input);
  bool(CLAP_CALL* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

struct clap_param_info {
  clap_id id;
  std::uint32_t flags;
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];
  double min_value;
  double max_value;
  double default_value;
};

struct clap_plugin_params {
  std::uint32_t(CLAP_CALL* count)(const clap_plugin* plugin);
  bool(CLAP_CALL* get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* info);
  bool(CLAP_CALL* get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
  bool(CLAP_CALL* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                                 std::uint32_t out_buffer_capacity);
  bool(CLAP_CALL* text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                                 double* out_value);
  void(CLAP_CALL* flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

struct clap_host_params {
  void(CLAP_CALL* rescan)(const clap_host* host, std::uint32_t flags);
  void(CLAP_CALL* clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
  void(CLAP_CALL* request_flush)(const clap_host* host);
};

struct clap_plugin_state {
  bool(CLAP_CALL* save)(const clap_plugin* plugin, const clap_ostream* stream);
  bool(CLAP_CALL* load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_plugin_latency {
  std::uint32_t(CLAP_CALL* get)(const clap_plugin* plugin);
};

struct clap_plugin_tail {
  std::uint32_t(CLAP_CALL* get)(const clap_plugin* plugin);
};

// Layout checks ----------------------------------------------------------------------

// The layout follows the pointer size alone because every shipped target aligns 64-bit
// members to 8 inside structs, 32-bit ones included (Windows and the ARM procedure call
// standard do). 32-bit x86 Linux (the fuzz targets' second build) aligns them to 4: the
// format declares no packing, so that natural C layout is its ABI there, checked apart.
inline constexpr std::size_t kPtr = sizeof(void*);
inline constexpr bool k32 = kPtr == 4;
struct AlignProbe {
  char first;
  std::int64_t wide;
};
static_assert(kPtr == 4 || kPtr == 8);
#if defined(__i386__) && !defined(_WIN32)
inline constexpr bool kWide4 = true;
#else
inline constexpr bool kWide4 = false;
#endif
static_assert(offsetof(AlignProbe, wide) == (kWide4 ? 4 : 8),
              "64-bit members are 8-aligned in structs but on i386 Linux");
static_assert(sizeof(bool) == 1);

// Entry, factory, descriptor, plug-in, host: tables of pointers after a version.
static_assert(sizeof(clap_version) == 12 && alignof(clap_version) == 4);
static_assert(sizeof(clap_plugin_entry) == (k32 ? 24 : 40) && offsetof(clap_plugin_entry, init) == (k32 ? 12 : 16) &&
              offsetof(clap_plugin_entry, get_factory) == (k32 ? 20 : 32));
static_assert(sizeof(clap_plugin_factory) == 3 * kPtr && offsetof(clap_plugin_factory, create_plugin) == 2 * kPtr);
static_assert(sizeof(clap_plugin_descriptor) == (k32 ? 48 : 88) &&
              offsetof(clap_plugin_descriptor, id) == (k32 ? 12 : 16) &&
              offsetof(clap_plugin_descriptor, features) == (k32 ? 44 : 80));
static_assert(sizeof(clap_plugin) == 12 * kPtr && offsetof(clap_plugin, init) == 2 * kPtr &&
              offsetof(clap_plugin, process) == 9 * kPtr && offsetof(clap_plugin, on_main_thread) == 11 * kPtr);
static_assert(sizeof(clap_host) == (k32 ? 48 : 88) && offsetof(clap_host, host_data) == (k32 ? 12 : 16) &&
              offsetof(clap_host, get_extension) == (k32 ? 32 : 56) &&
              offsetof(clap_host, request_callback) == (k32 ? 44 : 80));

// Events: 64-bit members are 8-aligned on every shipped target.
static_assert(sizeof(clap_event_header) == 16 && alignof(clap_event_header) == 4 &&
              offsetof(clap_event_header, space_id) == 8 && offsetof(clap_event_header, type) == 10 &&
              offsetof(clap_event_header, flags) == 12);
static_assert(kWide4 || (sizeof(clap_event_param_value) == (k32 ? 48 : 56) && alignof(clap_event_param_value) == 8 &&
                         offsetof(clap_event_param_value, param_id) == 16 &&
                         offsetof(clap_event_param_value, cookie) == (k32 ? 20 : 24) &&
                         offsetof(clap_event_param_value, note_id) == (k32 ? 24 : 32) &&
                         offsetof(clap_event_param_value, port_index) == (k32 ? 28 : 36) &&
                         offsetof(clap_event_param_value, channel) == (k32 ? 30 : 38) &&
                         offsetof(clap_event_param_value, key) == (k32 ? 32 : 40) &&
                         offsetof(clap_event_param_value, value) == (k32 ? 40 : 48)));
static_assert(kWide4 ||
              (sizeof(clap_event_transport) == 104 && alignof(clap_event_transport) == 8 &&
               offsetof(clap_event_transport, flags) == 16 && offsetof(clap_event_transport, song_pos_beats) == 24 &&
               offsetof(clap_event_transport, tempo) == 40 && offsetof(clap_event_transport, bar_start) == 88 &&
               offsetof(clap_event_transport, bar_number) == 96 && offsetof(clap_event_transport, tsig_denom) == 102));
static_assert(sizeof(clap_input_events) == 3 * kPtr && offsetof(clap_input_events, get) == 2 * kPtr);
static_assert(sizeof(clap_output_events) == 2 * kPtr && offsetof(clap_output_events, try_push) == kPtr);

// Processing.
static_assert(kWide4 ||
              (sizeof(clap_audio_buffer) == (k32 ? 24 : 32) && alignof(clap_audio_buffer) == 8 &&
               offsetof(clap_audio_buffer, data64) == kPtr && offsetof(clap_audio_buffer, channel_count) == 2 * kPtr &&
               offsetof(clap_audio_buffer, latency) == 2 * kPtr + 4 &&
               offsetof(clap_audio_buffer, constant_mask) == (k32 ? 16 : 24)));
static_assert(kWide4 ||
              (sizeof(clap_process) == (k32 ? 40 : 64) && alignof(clap_process) == 8 &&
               offsetof(clap_process, frames_count) == 8 && offsetof(clap_process, transport) == (k32 ? 12 : 16) &&
               offsetof(clap_process, audio_inputs) == (k32 ? 16 : 24) &&
               offsetof(clap_process, audio_outputs) == (k32 ? 20 : 32) &&
               offsetof(clap_process, audio_inputs_count) == (k32 ? 24 : 40) &&
               offsetof(clap_process, audio_outputs_count) == (k32 ? 28 : 44) &&
               offsetof(clap_process, in_events) == (k32 ? 32 : 48) &&
               offsetof(clap_process, out_events) == (k32 ? 36 : 56)));

// Streams and extension tables.
static_assert(sizeof(clap_istream) == 2 * kPtr && offsetof(clap_istream, read) == kPtr);
static_assert(sizeof(clap_ostream) == 2 * kPtr && offsetof(clap_ostream, write) == kPtr);
static_assert(sizeof(clap_audio_port_info) == (k32 ? 276 : 288) && offsetof(clap_audio_port_info, name) == 4 &&
              offsetof(clap_audio_port_info, flags) == 260 && offsetof(clap_audio_port_info, channel_count) == 264 &&
              offsetof(clap_audio_port_info, port_type) == (k32 ? 268 : 272) &&
              offsetof(clap_audio_port_info, in_place_pair) == (k32 ? 272 : 280));
static_assert(sizeof(clap_plugin_audio_ports) == 2 * kPtr);
static_assert(kWide4 ||
              (sizeof(clap_param_info) == 1320 && alignof(clap_param_info) == 8 &&
               offsetof(clap_param_info, cookie) == 8 && offsetof(clap_param_info, name) == (k32 ? 12 : 16) &&
               offsetof(clap_param_info, module) == (k32 ? 268 : 272) && offsetof(clap_param_info, min_value) == 1296 &&
               offsetof(clap_param_info, max_value) == 1304 && offsetof(clap_param_info, default_value) == 1312));
static_assert(sizeof(clap_plugin_params) == 6 * kPtr && offsetof(clap_plugin_params, flush) == 5 * kPtr);
static_assert(sizeof(clap_host_params) == 3 * kPtr && offsetof(clap_host_params, request_flush) == 2 * kPtr);
static_assert(sizeof(clap_plugin_state) == 2 * kPtr && offsetof(clap_plugin_state, load) == kPtr);
static_assert(sizeof(clap_plugin_latency) == kPtr && sizeof(clap_plugin_tail) == kPtr);

// i386 Linux: the records above with 64-bit members, those members 4-aligned.
static_assert(!kWide4 ||
              (sizeof(clap_event_param_value) == 44 && alignof(clap_event_param_value) == 4 &&
               offsetof(clap_event_param_value, key) == 32 && offsetof(clap_event_param_value, value) == 36));
static_assert(!kWide4 ||
              (sizeof(clap_event_transport) == 100 && alignof(clap_event_transport) == 4 &&
               offsetof(clap_event_transport, song_pos_beats) == 20 && offsetof(clap_event_transport, tempo) == 36 &&
               offsetof(clap_event_transport, bar_start) == 84 && offsetof(clap_event_transport, bar_number) == 92 &&
               offsetof(clap_event_transport, tsig_denom) == 98));
static_assert(!kWide4 ||
              (sizeof(clap_audio_buffer) == 24 && alignof(clap_audio_buffer) == 4 &&
               offsetof(clap_audio_buffer, latency) == 12 && offsetof(clap_audio_buffer, constant_mask) == 16));
static_assert(!kWide4 ||
              (sizeof(clap_process) == 40 && alignof(clap_process) == 4 && offsetof(clap_process, transport) == 12 &&
               offsetof(clap_process, audio_inputs_count) == 24 && offsetof(clap_process, out_events) == 36));
static_assert(!kWide4 ||
              (sizeof(clap_param_info) == 1316 && alignof(clap_param_info) == 4 &&
               offsetof(clap_param_info, name) == 12 && offsetof(clap_param_info, module) == 268 &&
               offsetof(clap_param_info, min_value) == 1292 && offsetof(clap_param_info, default_value) == 1308));

}  // namespace clap
