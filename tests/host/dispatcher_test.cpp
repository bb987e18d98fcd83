// The dispatcher as a host sees it: fixed answers, ignored opcodes, can-do, programs
// and the text answers with their buffer bounds.
#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "tests/host/host_fixture.h"

namespace {

using Dispatcher = StartedPlugin;

constexpr unsigned char kCanary = 0xA5;

// A host text buffer with canary bytes behind it.
struct CanaryBuffer {
  CanaryBuffer() { bytes.fill(kCanary); }
  char* data() { return reinterpret_cast<char*>(bytes.data()); }
  std::string text() const {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
  }
  // True when nothing from `from` on was written.
  bool untouchedFrom(std::size_t from) const {
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                       [](unsigned char b) { return b == kCanary; });
  }
  std::array<unsigned char, 128> bytes;
};

TEST_F(Dispatcher, AnswersTheFixedQueries) {
  EXPECT_EQ(plugin.dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(plugin.dispatch(effIdentify), 0x4e764566);
  EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(plugin.dispatch(effGetCurrentMidiProgram), -1);
  EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 0);
  for (VstInt32 index : {0, 1, -1, 1000}) EXPECT_EQ(plugin.dispatch(effCanBeAutomated, index), 1) << index;
  for (VstIntPtr value : {VstIntPtr{0}, VstIntPtr{44100}, VstIntPtr{-5}, VstIntPtr{INT32_MAX}})
    EXPECT_EQ(plugin.dispatch(effSetTotalSampleToProcess, 0, value), value);
  EXPECT_EQ(host.callCount(), 0u);
}

TEST_F(Dispatcher, IgnoresOpcodesItDoesNotServe) {
  const std::set<VstInt32> served = {effOpen, effClose, effSetProgram, effGetProgram, effSetProgramName,
                                     effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
                                     effSetSampleRate, effSetBlockSize, effMainsChanged, effIdentify,
                                     effGetChunk, effSetChunk, effProcessEvents, effCanBeAutomated,
                                     effGetProgramNameIndexed, effGetPlugCategory, effGetEffectName,
                                     effGetVendorString, effGetProductString, effGetVendorVersion, effCanDo,
                                     effGetVstVersion, effGetCurrentMidiProgram, effGetSpeakerArrangement,
                                     effSetTotalSampleToProcess};
  std::vector<VstInt32> ignored = {-1, -1000, 1000, INT32_MAX, INT32_MIN};
  for (VstInt32 opcode = 0; opcode <= 200; ++opcode)
    if (!served.count(opcode)) ignored.push_back(opcode);
  setMono(true);
  const std::vector<float> chunkBefore = saveChunk(plugin);
  for (VstInt32 opcode : ignored) {
    CanaryBuffer buffer;
    EXPECT_EQ(plugin.dispatch(opcode, 1, 0, buffer.data(), 1.0f), 0) << "opcode " << opcode;
    EXPECT_TRUE(buffer.untouchedFrom(0)) << "opcode " << opcode;
  }
  EXPECT_EQ(host.callCount(), 0u);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
  EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
  EXPECT_EQ(plugin.text(effGetProgramName), "Quillmarsh_twinfold");
  EXPECT_EQ(saveChunk(plugin), chunkBefore);
}

TEST_F(Dispatcher, HasNoEditor) {
  void* rect = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, reinterpret_cast<void*>(0x1234));
  for (VstInt32 opcode : {effEditOpen, effEditClose, effEditIdle}) EXPECT_EQ(plugin.dispatch(opcode), 0);
  EXPECT_EQ(plugin.effect()->flags & effFlagsHasEditor, 0);
}

TEST_F(Dispatcher, ReportsNoSpeakerArrangement) {
  auto* input = reinterpret_cast<VstSpeakerArrangement*>(0x10);
  auto* output = reinterpret_cast<VstSpeakerArrangement*>(0x20);
  EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
  EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, KeepsItsSingleProgram) {
  EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
  for (VstIntPtr program : {VstIntPtr{1}, VstIntPtr{-1}, VstIntPtr{1000}, VstIntPtr{INT32_MIN}}) {
    EXPECT_EQ(plugin.dispatch(effSetProgram, 0, program), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0) << "after effSetProgram " << program;
  }
  EXPECT_EQ(plugin.dispatch(effSetProgram, 0, 0), 0);
  EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
  setMono(true);
  plugin.dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f) << "changing program must not touch the slider";
}

TEST_F(Dispatcher, CanDoOnlyReceiveVstMidiEvent) {
  char yes[] = "receiveVstMidiEvent";
  EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, yes), 1);
  for (const char* text : {"receiveVstEvents", "sendVstMidiEvent", "sendVstEvents", "", "receiveVstMidiEvents",
                           "receiveVstMidiEvent ", "receiveVstMidiEven", "ReceiveVstMidiEvent", "bypass"}) {
    std::string copy = text;
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, copy.data()), -1) << '"' << text << '"';
  }
  EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, nullptr), -1);
}

// Texts that end right before an inaccessible page: reading past the NUL faults.
TEST_F(Dispatcher, CanDoReadsNoFurtherThanTheHostsText) {
  GuardedBytes page(64);
  for (const char* text : {"", "r", "receive", "receiveVstMidiEven", "receiveVstMidiEvent"}) {
    const VstIntPtr expected = std::string(text) == "receiveVstMidiEvent" ? 1 : -1;
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, page.placeAtEnd(text)), expected) << '"' << text << '"';
  }
}

TEST_F(Dispatcher, TellsItsNames) {
  struct Query {
    VstInt32 opcode;
    VstIntPtr answer;
    const char* text;
  };
  for (const Query& query : {Query{effGetEffectName, 1, "Quillmarsh_twinfold"},
                             Query{effGetVendorString, 1, "Quillmarsh"},
                             Query{effGetProductString, 1, "Quillmarsh_twinfold"},
                             Query{effGetProgramName, 0, "Quillmarsh_twinfold"}}) {
    CanaryBuffer buffer;
    EXPECT_EQ(plugin.dispatch(query.opcode, 0, 0, buffer.data()), query.answer) << query.opcode;
    EXPECT_EQ(buffer.text(), query.text);
    EXPECT_TRUE(buffer.untouchedFrom(std::string(query.text).size() + 1)) << query.opcode;
  }
  EXPECT_EQ(plugin.text(effGetParamName, kModeParameter), "stereo / mono");
  EXPECT_EQ(plugin.text(effGetParamLabel, kModeParameter), "");
  EXPECT_EQ(plugin.text(effGetParamDisplay, kModeParameter), "stereo");
}

TEST_F(Dispatcher, IgnoresNullTextBuffers) {
  for (VstInt32 opcode : {effGetEffectName, effGetVendorString, effGetProductString})
    EXPECT_EQ(plugin.dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  for (VstInt32 opcode : {effGetProgramName, effGetParamName, effGetParamLabel, effGetParamDisplay,
                          effGetProgramNameIndexed, effSetProgramName})
    EXPECT_EQ(plugin.dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  EXPECT_EQ(plugin.text(effGetProgramName), "Quillmarsh_twinfold");
}

TEST_F(Dispatcher, GetProgramNameIndexedWritesNothing) {
  for (VstInt32 index : {0, 1, -1}) {
    CanaryBuffer buffer;
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, index, 0, buffer.data()), 0);
    EXPECT_TRUE(buffer.untouchedFrom(0)) << index;
  }
}

TEST_F(Dispatcher, RenamesTheProgramWithinTwentyFourBytes) {
  char shortName[] = "Downmix";
  plugin.dispatch(effSetProgramName, 0, 0, shortName);
  EXPECT_EQ(plugin.text(effGetProgramName), "Downmix");

  char longName[] = "A program name well beyond twenty-four bytes";
  plugin.dispatch(effSetProgramName, 0, 0, longName);
  CanaryBuffer buffer;
  plugin.dispatch(effGetProgramName, 0, 0, buffer.data());
  EXPECT_EQ(buffer.text(), std::string(longName, 23));
  EXPECT_TRUE(buffer.untouchedFrom(24));

  // Exactly 24 bytes without a NUL, ending at an inaccessible page.
  GuardedBytes page(24);
  std::memset(page.data(), 'x', 24);
  plugin.dispatch(effSetProgramName, 0, 0, page.data());
  EXPECT_EQ(plugin.text(effGetProgramName), std::string(23, 'x'));

  TestHost otherHost;
  HostedPlugin fresh(otherHost, pluginEntry());
  EXPECT_EQ(fresh.text(effGetProgramName), "Quillmarsh_twinfold");
}

// Every text answer stays inside the standard's buffer size for its kind.
TEST_F(Dispatcher, TextAnswersStayWithinTheirBuffers) {
  char longName[] = "0123456789012345678901234567890123456789";
  plugin.dispatch(effSetProgramName, 0, 0, longName);
  struct Bound {
    VstInt32 opcode;
    std::size_t size;
  };
  for (const Bound& bound : {Bound{effGetParamLabel, 8}, Bound{effGetParamDisplay, 8}, Bound{effGetParamName, 32},
                             Bound{effGetProgramName, 24}, Bound{effGetEffectName, 32},
                             Bound{effGetVendorString, 64}, Bound{effGetProductString, 64}}) {
    for (bool mono : {false, true}) {
      setMono(mono);
      CanaryBuffer buffer;
      plugin.dispatch(bound.opcode, kModeParameter, 0, buffer.data());
      EXPECT_TRUE(buffer.untouchedFrom(bound.size)) << "opcode " << bound.opcode;
      EXPECT_LT(buffer.text().size(), bound.size) << "opcode " << bound.opcode;
    }
  }
}

}  // namespace
