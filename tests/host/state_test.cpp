// State chunks through effGetChunk/effSetChunk, and MIDI events through effProcessEvents.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "tests/host/host_fixture.h"

namespace {

using StateChunk = StartedPlugin;

std::vector<float> zeros(std::size_t count) { return std::vector<float>(count, 0.0f); }

// 64 distinct slider values: 1 (mono) for slider 1, then 2 ... 64.
std::vector<float> distinctValues() {
  std::vector<float> values(64);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i + 1);
  return values;
}

TEST_F(StateChunk, FreshInstanceSavesTheMarkerAndSixtyFourZeros) {
  void* data = nullptr;
  ASSERT_EQ(plugin.dispatch(effGetChunk, 0, 0, &data), 260);
  ASSERT_NE(data, nullptr);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  EXPECT_EQ((std::vector<std::uint8_t>(bytes, bytes + 4)), (std::vector<std::uint8_t>{0x00, 0x00, 0x7A, 0xC4}));
  std::vector<float> expected = zeros(kChunkFloats);
  expected[0] = -1000.0f;
  EXPECT_EQ(saveChunk(plugin), expected);
  // Program and bank chunks are the same.
  void* bank = nullptr;
  EXPECT_EQ(plugin.dispatch(effGetChunk, 1, 0, &bank), 260);
  EXPECT_EQ(std::memcmp(bank, bytes, 4), 0);
}

TEST_F(StateChunk, MonoIsSavedAsOneInTheFirstValue) {
  setMono(true);
  std::vector<float> expected = zeros(kChunkFloats);
  expected[0] = -1000.0f;
  expected[1] = 1.0f;
  EXPECT_EQ(saveChunk(plugin), expected);
}

TEST_F(StateChunk, RoundTripsThroughAnotherInstance) {
  setMono(true);
  std::vector<float> saved = saveChunk(plugin);
  ASSERT_EQ(saved.size(), kChunkFloats);

  TestHost otherHost;
  HostedPlugin other(otherHost, pluginEntry());
  other.start();
  std::vector<std::uint8_t> bytes(kChunkBytes);
  std::memcpy(bytes.data(), saved.data(), kChunkBytes);
  EXPECT_EQ(restoreChunk(other, bytes), 260);
  EXPECT_EQ(other.getParameter(kModeParameter), 1.0f);
  EXPECT_EQ(other.text(effGetParamDisplay, kModeParameter), "mono");
  EXPECT_EQ(saveChunk(other), saved);
  StereoBlock<float> block({0.5f}, {0.25f});
  block.run(other);
  EXPECT_EQ(block.out[0][0], 0.375f);
}

TEST_F(StateChunk, RestoresEveryValueAndIgnoresTrailingBytes) {
  const std::vector<float> values = distinctValues();
  std::vector<float> expected = {-1000.0f};
  expected.insert(expected.end(), values.begin(), values.end());

  std::vector<float> longer = values;
  longer.resize(74, 99.0f);  // 300 bytes: the floats beyond the 64th are ignored
  EXPECT_EQ(restoreChunk(plugin, chunkBytes(longer)), 300);
  EXPECT_EQ(saveChunk(plugin), expected);

  // 259 bytes hold the marker and 63 values; slider 64 keeps its value.
  std::vector<float> second(64, 0.0f);
  second[63] = 5.0f;
  std::vector<std::uint8_t> bytes = chunkBytes(second);
  bytes.pop_back();
  EXPECT_EQ(restoreChunk(plugin, bytes), 259);
  std::vector<float> afterShort = zeros(kChunkFloats);
  afterShort[0] = -1000.0f;
  afterShort[64] = 64.0f;
  EXPECT_EQ(saveChunk(plugin), afterShort);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f);

  // Two floats restore slider 1 alone.
  EXPECT_EQ(restoreChunk(plugin, chunkBytes({1.0f})), 8);
  afterShort[1] = 1.0f;
  EXPECT_EQ(saveChunk(plugin), afterShort);
}

TEST_F(StateChunk, IgnoresUnusableChunks) {
  EXPECT_EQ(restoreChunk(plugin, chunkBytes(distinctValues())), 260);
  const std::vector<float> before = saveChunk(plugin);
  std::vector<float> zeroValues(64, 0.0f);

  EXPECT_EQ(restoreChunk(plugin, chunkBytes(zeroValues, 1000.0f)), 260);
  EXPECT_EQ(restoreChunk(plugin, chunkBytes(zeroValues, std::nanf(""))), 260);
  EXPECT_EQ(restoreChunk(plugin, chunkBytes(zeroValues, -999.9999f)), 260);
  std::vector<std::uint8_t> three = chunkBytes({});
  three.pop_back();
  EXPECT_EQ(restoreChunk(plugin, three), 3);
  EXPECT_EQ(restoreChunk(plugin, {}), 0);

  std::vector<std::uint8_t> valid = chunkBytes(zeroValues);
  for (VstIntPtr size : {VstIntPtr{-1}, VstIntPtr{-260}, VstIntPtr{INT32_MIN}})
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, size, valid.data()), size);
  if constexpr (sizeof(VstIntPtr) > 4) {
    // A size beyond 32 bits is not narrowed into a plausible one.
    const VstIntPtr huge = static_cast<VstIntPtr>(std::int64_t{1} << 32) + 260;
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, huge, valid.data()), huge);
  }
  EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 260, nullptr), 260);
  EXPECT_EQ(plugin.dispatch(effGetChunk, 0, 0, nullptr), 0);

  EXPECT_EQ(saveChunk(plugin), before);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
}

using MidiEvents = StartedPlugin;

// A VstEvents list with room for `count` pointers, as a host builds it.
struct EventList {
  explicit EventList(std::size_t count)
      : storage(std::make_unique<VstEvent*[]>(count + 2)), list(reinterpret_cast<VstEvents*>(storage.get())) {
    static_assert(offsetof(VstEvents, events) == 2 * sizeof(VstEvent*));
    list->numEvents = static_cast<VstInt32>(count);
    list->reserved = 0;
  }
  VstEvent*& operator[](std::size_t i) { return list->events[i]; }
  std::unique_ptr<VstEvent*[]> storage;
  VstEvents* list;
};

TEST_F(MidiEvents, AcceptsMidiAndSkipsOtherEvents) {
  VstMidiEvent note{kVstMidiType, sizeof(VstMidiEvent), 0, 0, 0, 0, {'\x90', 60, 100, 0}, 0, 0, 0, 0};
  char dump[] = {'\xF0', 0x7E, '\xF7'};
  VstMidiSysexEvent sysex{kVstSysExType, sizeof(VstMidiSysexEvent), 0, 0, 3, 0, dump, 0};
  EventList events(2);
  events[0] = reinterpret_cast<VstEvent*>(&note);
  events[1] = reinterpret_cast<VstEvent*>(&sysex);
  EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, events.list), 1);
  EXPECT_EQ(host.callCount(), 0u);
}

TEST_F(MidiEvents, SurvivesMalformedLists) {
  EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, nullptr), 1);
  EventList holes(3);
  holes[0] = holes[1] = holes[2] = nullptr;
  EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, holes.list), 1);
  EventList negative(0);
  negative.list->numEvents = -5;
  EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, negative.list), 1);
  negative.list->numEvents = INT32_MIN;
  EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, negative.list), 1);
}

// Far more events than the queue holds: the queue wraps instead of overrunning (a
// sanitizer build turns an overrun into a failure).
TEST_F(MidiEvents, QueueWrapsAroundWithoutOverrun) {
  std::vector<VstMidiEvent> notes(2500);
  EventList events(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i) {
    notes[i] = {kVstMidiType, sizeof(VstMidiEvent), static_cast<VstInt32>(i % 64), 0, 0, 0,
                {'\x90', static_cast<char>(i % 128), 1, 0}, 0, 0, 0, 0};
    events[i] = reinterpret_cast<VstEvent*>(&notes[i]);
  }
  for (int round = 0; round < 3; ++round) EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, events.list), 1);
  StereoBlock<float> block({0.5f}, {0.25f});
  block.run(plugin);
  EXPECT_EQ(block.out[0][0], 0.5f) << "events leave the audio alone";
}

}  // namespace
