// Preset files the parser must refuse, with the message a user reads, and text answers
// that overrun or omit their terminator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hosting/instance.h"
#include "hosting/preset_file.h"
#include "tests/support/state_chunk.h"

namespace {

using hosting::PresetFile;
using hosting::PresetKind;

std::vector<std::uint8_t> programChunkFile() {
  PresetFile preset;
  preset.kind = PresetKind::ProgramChunk;
  preset.pluginId = 0x51747766;  // 'Qtwf'
  preset.numParams = 1;
  preset.program.name = "mono";
  preset.chunk = {1, 2, 3, 4};
  return hosting::encodePreset(preset);
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> edited(std::vector<std::uint8_t> bytes, std::size_t at, std::vector<std::uint8_t> with) {
  std::copy(with.begin(), with.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

TEST(PresetFile, RefusesWithTheMessageAUserReads) {
  std::vector<std::uint8_t> shortened = programChunkFile();
  shortened.pop_back();
  std::vector<std::uint8_t> longer = programChunkFile();
  longer.push_back(0);
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"tiny", bytesOf("CcnK"), "preset 'p' is truncated: 4 bytes"},
      {"garbage", bytesOf("not a preset at all"), "preset 'p' is malformed: it does not start with 'CcnK'"},
      {"cut after the size", edited(bytesOf("CcnK____"), 4, {0, 0, 0, 0}),
       "preset 'p' is truncated: it ends at byte 8 in the middle of its data"},
      {"last byte missing", shortened, "preset 'p' is truncated: its header gives 64 bytes, the file has 63"},
      {"a byte too many", longer, "preset 'p' is malformed: its header gives 64 bytes, the file has 65"},
      {"unknown type", edited(programChunkFile(), 8, bytesOf("FxZZ")),
       "preset 'p' is malformed: its type is none of FxCk, FPCh, FxBk, FBCh"},
      {"chunk size too large", edited(programChunkFile(), 56, {0, 0, 0, 5}),
       "preset 'p' is truncated: its chunk size is 5 bytes, 4 follow"},
      {"negative parameter count", edited(programChunkFile(), 24, {0xff, 0xff, 0xff, 0xff}),
       "preset 'p' is malformed: negative parameter count -1"},
  };
  for (const auto& c : cases) {
    const hosting::PresetParse parsed = hosting::parsePreset(c.bytes.data(), c.bytes.size(), "p");
    EXPECT_FALSE(parsed.preset) << c.what;
    EXPECT_EQ(parsed.error, c.message) << c.what;
  }
}

TEST(PresetFile, BanksRoundTripAndForeignIdsAreNamed) {
  PresetFile bank;
  bank.kind = PresetKind::BankPrograms;
  bank.formatVersion = 2;
  bank.pluginId = 7;
  bank.currentProgram = 1;
  bank.programs = {{"a", {0.25f}, 0}, {"b", {1.0f}, 0}};
  const std::vector<std::uint8_t> bytes = hosting::encodePreset(bank);
  ASSERT_EQ(bytes.size(), 156u + 2 * 60u);
  const hosting::PresetParse parsed = hosting::parsePreset(bytes.data(), bytes.size(), "b.fxb");
  ASSERT_TRUE(parsed.preset) << parsed.error;
  EXPECT_EQ(parsed.preset->numPrograms, 2);
  EXPECT_EQ(parsed.preset->currentProgram, 1);
  ASSERT_EQ(parsed.preset->programs.size(), 2u);
  EXPECT_EQ(parsed.preset->programs[1].name, "b");
  EXPECT_EQ(parsed.preset->programs[1].values, std::vector<float>{1.0f});
  EXPECT_EQ(parsed.preset->programs[1].pluginId, 7);

  EXPECT_FALSE(hosting::foreignPreset(*parsed.preset, 7, "X", "b.fxb"));
  EXPECT_EQ(hosting::foreignPreset(*parsed.preset, 0x51747766, "X", "b.fxb"),
            "preset 'b.fxb' was made for another plug-in: its unique ID is 7, X has 1366587238 ('Qtwf')");

  const std::vector<std::uint8_t> version3 = edited(bytes, 12, {0, 0, 0, 3});
  EXPECT_EQ(hosting::parsePreset(version3.data(), version3.size(), "b.fxb").error,
            "preset 'b.fxb' is malformed: unknown bank format version 3");
}

// Counts far beyond the bytes that follow, among them those whose * 4 wraps a 32-bit
// size_t to a size that matches (0x40000001 * 4 is 4): refused before anything is sized
// by them, on every target (the Windows builds run this under Wine).
TEST(PresetFile, CountsThatLieAboutTheBytesThatFollowAreRefused) {
  const std::vector<std::uint8_t> honest = valuesProgram(1, {0.5f});
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"program, count * 4 wraps to its 4 bytes", valuesProgram(0x40000001, {0.5f}),
       "preset 'p' is malformed: it holds 4 bytes of values for 1073741825 parameters"},
      {"program, largest count", valuesProgram(0x7fffffff, {}),
       "preset 'p' is malformed: it holds 0 bytes of values for 2147483647 parameters"},
      {"program, count 0xffffffff", valuesProgram(0xffffffff, {0.5f}),
       "preset 'p' is malformed: negative parameter count -1"},
      {"program, count 0x80000001", valuesProgram(0x80000001, {}),
       "preset 'p' is malformed: negative parameter count -2147483647"},
      {"bank, largest program count", valuesBank(0x7fffffff, {}),
       "preset 'p' is truncated: 0 bytes cannot hold 2147483647 programs"},
      {"bank, program count * 56 wraps", valuesBank(0x40000001, honest),
       "preset 'p' is truncated: 60 bytes cannot hold 1073741825 programs"},
      {"bank, program count 0xffffffff", valuesBank(0xffffffff, honest),
       "preset 'p' is malformed: negative program count -1"},
      {"bank record whose size wraps to match its count", valuesBank(1, valuesProgram(0x40000001, {0.5f}, 0, 52)),
       "preset 'p' is malformed: program 0 gives its size as 60 bytes instead of 4294967356"},
      {"bank record whose size matches its count, values missing",
       valuesBank(1, valuesProgram(0x3ffffff0, {0.5f}, 0, 0xfffffff0)), "preset 'p' is truncated in program 0"},
  };
  for (const auto& c : cases) {
    const hosting::PresetParse parsed = hosting::parsePreset(c.bytes.data(), c.bytes.size(), "p");
    EXPECT_FALSE(parsed.preset) << c.what;
    EXPECT_EQ(parsed.error, c.message) << c.what;
  }
  // The same builders with honest counts make files the reader takes.
  for (const std::vector<std::uint8_t>& bytes : {honest, valuesBank(1, honest)}) {
    const hosting::PresetParse parsed = hosting::parsePreset(bytes.data(), bytes.size(), "p");
    ASSERT_TRUE(parsed.preset) << parsed.error;
    const std::vector<float>& values =
        parsed.preset->kind == PresetKind::ProgramValues ? parsed.preset->program.values : parsed.preset->programs[0].values;
    EXPECT_EQ(values, std::vector<float>{0.5f});
  }
}

// A plug-in whose every text answer fills the host's buffer with no terminator.
VstIntPtr VSTCALLBACK overrunningDispatcher(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  if (opcode == effGetEffectName || opcode == effGetParamDisplay)
    std::memset(ptr, 'x', hosting::Instance::kTextCapacity);
  return 0;
}

AEffect* VSTCALLBACK overrunningEntry(audioMasterCallback host) {
  static AEffect record{};
  record.magic = kEffectMagic;
  record.dispatcher = overrunningDispatcher;
  return host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == hosting::kHostVersion ? &record : nullptr;
}

TEST(Instance, TextsStopAtTheBufferWhateverThePlugInWrites) {
  const hosting::Instance instance(&overrunningEntry);
  ASSERT_TRUE(instance.valid());
  EXPECT_EQ(instance.effectName(), std::string(hosting::Instance::kTextCapacity - 1, 'x'));
  EXPECT_EQ(instance.parameterDisplay(0), std::string(hosting::Instance::kTextCapacity - 1, 'x'));
  EXPECT_EQ(instance.vendorName(), "");
}

// A plug-in that records the opcodes it is sent and, at each suspend, the process
// level its host reports.
struct Recorded {
  std::vector<VstInt32> opcodes;
  std::vector<VstIntPtr> levelsAtSuspend;
};
Recorded recorded;
audioMasterCallback recordingHost = nullptr;

VstIntPtr VSTCALLBACK recordingDispatcher(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr value, void*, float) {
  recorded.opcodes.push_back(opcode);
  if (opcode == effMainsChanged && value == 0)
    recorded.levelsAtSuspend.push_back(recordingHost(effect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f));
  return opcode == effClose ? 1 : 0;
}

AEffect* VSTCALLBACK recordingEntry(audioMasterCallback host) {
  static AEffect record{};
  record.magic = kEffectMagic;
  record.dispatcher = recordingDispatcher;
  recordingHost = host;
  recorded = {};
  return &record;
}

TEST(Instance, OpensAsAskedAndClosesOnceAfterASuspendAtTheUserLevel) {
  {
    hosting::Instance instance(&recordingEntry, nullptr, hosting::Instance::Opening::byCaller);
    EXPECT_TRUE(recorded.opcodes.empty());
    EXPECT_EQ(instance.close(), 1);
  }
  EXPECT_EQ(recorded.opcodes, std::vector<VstInt32>{effClose});

  {
    hosting::Instance instance(&recordingEntry);
    instance.setProcessLevelWhileActive(hosting::kProcessLevelOffline);
    instance.resume();
    EXPECT_EQ(instance.host().answer(instance.effect(), audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f),
              hosting::kProcessLevelOffline);
  }  // destroyed while resumed
  EXPECT_EQ(recorded.opcodes, (std::vector<VstInt32>{effOpen, effMainsChanged, effStartProcess, effStopProcess,
                                                     effMainsChanged, effClose}));
  EXPECT_EQ(recorded.levelsAtSuspend, std::vector<VstIntPtr>{hosting::kProcessLevelUser});
}

// A processing plug-in of two channels: replacing writes input + 1, accumulating adds
// input + 10 to what is in the outputs.
void VSTCALLBACK replacingPlus1(AEffect*, float** in, float** out, VstInt32 frames) {
  for (int c = 0; c < 2; ++c)
    for (VstInt32 j = 0; j < frames; ++j) out[c][j] = in[c][j] + 1.0f;
}
void VSTCALLBACK accumulatingPlus10(AEffect*, float** in, float** out, VstInt32 frames) {
  for (int c = 0; c < 2; ++c)
    for (VstInt32 j = 0; j < frames; ++j) out[c][j] += in[c][j] + 10.0f;
}
VstIntPtr VSTCALLBACK silentDispatcher(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }
AEffect processingRecord{};
AEffect* VSTCALLBACK processingEntry(audioMasterCallback) { return &processingRecord; }

// The replacing call only where the plug-in says it can replace; else its accumulating
// process() over outputs zeroed first; with neither, the outputs stay as they were.
TEST(Instance, ProcessesThroughTheCallThePlugInOffers) {
  const struct {
    VstInt32 flags;
    decltype(AEffect::processReplacing) replacing;
    decltype(AEffect::process) accumulating;
    float expected;
  } cases[] = {
      {effFlagsCanReplacing, replacingPlus1, accumulatingPlus10, 3.0f},
      {0, replacingPlus1, accumulatingPlus10, 12.0f},
      {effFlagsCanReplacing, nullptr, accumulatingPlus10, 12.0f},
      {0, nullptr, nullptr, -5.0f},
  };
  for (const auto& c : cases) {
    processingRecord = {};
    processingRecord.magic = kEffectMagic;
    processingRecord.dispatcher = silentDispatcher;
    processingRecord.numOutputs = 2;
    processingRecord.flags = c.flags;
    processingRecord.processReplacing = c.replacing;
    processingRecord.process = c.accumulating;
    hosting::Instance instance(&processingEntry);
    float left[3] = {2.0f, 2.0f, 2.0f}, right[3] = {2.0f, 2.0f, 2.0f};
    float outLeft[3] = {-5.0f, -5.0f, -5.0f}, outRight[3] = {-5.0f, -5.0f, -5.0f};
    float* inputs[2] = {left, right};
    float* outputs[2] = {outLeft, outRight};
    instance.process(inputs, outputs, 3);
    for (const float sample : {outLeft[0], outLeft[2], outRight[0], outRight[2]})
      EXPECT_EQ(sample, c.expected) << "flags " << c.flags;
  }
}

// The record a block's time queries are answered from is written on the block's thread,
// so only that thread is shown it: a query from another thread, even one made while
// the block runs, gets no record.
TEST(Host, ShowsTheTimeRecordToTheBlocksThreadAlone) {
  hosting::Host host;
  VstTimeInfo record{};
  host.setTimeInfo(&record);
  const auto timeSeenHere = [&host] {
    return host.answer(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f);
  };
  EXPECT_EQ(timeSeenHere(), 0);
  {
    const hosting::BlockOnThisThread block(host);
    EXPECT_EQ(timeSeenHere(), reinterpret_cast<VstIntPtr>(&record));
    VstIntPtr elsewhere = -1;
    std::thread([&] { elsewhere = timeSeenHere(); }).join();
    EXPECT_EQ(elsewhere, 0);
    hosting::Host other;
    EXPECT_EQ(other.answer(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
  }
  EXPECT_EQ(timeSeenHere(), 0);
}

// The same through the shared callback, which answers time queries itself.
TEST(Host, TheCallbackShowsTheTimeRecordToTheBlocksThreadAlone) {
  hosting::Host host;
  VstTimeInfo record{};
  host.setTimeInfo(&record);
  AEffect effect{};
  effect.resvd1 = reinterpret_cast<VstIntPtr>(&host);  // as create() marks an instance
  const auto timeSeenHere = [&effect] {
    return hosting::Host::callback()(&effect, audioMasterGetTime, 0, 0, nullptr, 0.0f);
  };
  EXPECT_EQ(timeSeenHere(), 0);
  const hosting::BlockOnThisThread block(host);
  EXPECT_EQ(timeSeenHere(), reinterpret_cast<VstIntPtr>(&record));
  VstIntPtr elsewhere = -1;
  std::thread([&] { elsewhere = timeSeenHere(); }).join();
  EXPECT_EQ(elsewhere, 0);
}

}  // namespace
