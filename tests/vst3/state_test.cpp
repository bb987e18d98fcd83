// Component and controller state: the core's chunk as it is, short reads, refusals that
// change nothing, and VST 2.4 program and bank files of the same core.
#include "tests/support/state_chunk.h"
#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

using namespace vst3;

namespace {

class Vst3State : public StartedInstance {
 protected:
  // True when the next block comes out as the mean of its inputs.
  bool processesMono() {
    Block<float> block({1.0f, 5.0f}, {3.0f, 3.0f});
    EXPECT_EQ(instance->process(block.inputs.data(), block.outputs.data(), block.frames()), kResultOk);
    return block.out[0][0] == 2.0f;
  }
  double controllerValue() { return V3CALL(instance->controller, getParamNormalized, 0); }
};

}  // namespace

TEST_F(Vst3State, SavesTheHeadedChunkAndRestoresItInAnotherInstance) {
  std::vector<unsigned char> fresh = instance->getState();
  EXPECT_EQ(fresh, headedState(modeChunk(0.0f))) << "the header, the marker, then 64 zeros";
  ParameterChanges mono;
  mono.add(0, {{0, 1.0}});
  Block<float> none({}, {});
  instance->process(none.inputs.data(), none.outputs.data(), 0, &mono);
  const std::vector<unsigned char> saved = instance->getState();
  EXPECT_EQ(saved, headedState(modeChunk(1.0f)));

  Vst3Instance other(factory);
  other.start();
  ASSERT_EQ(other.setState(saved, 3), kResultOk) << "three bytes per read";
  EXPECT_EQ(other.getState(), saved);
  EXPECT_EQ(V3CALL(other.controller, getParamNormalized, 0), 1.0);
  Block<float> block({1.0f}, {3.0f});
  other.process(block.inputs.data(), block.outputs.data(), 1);
  EXPECT_EQ(block.out[0][0], 2.0f);
  EXPECT_EQ(other.releaseAll(), 0u);
}

TEST_F(Vst3State, PartialChunksRestoreWhatTheyHold) {
  ASSERT_EQ(instance->setState(chunkBytes({1.0f}), 1), kResultOk);
  EXPECT_TRUE(processesMono());
  EXPECT_EQ(controllerValue(), 1.0);
}

TEST_F(Vst3State, UnusableStatesAreRefusedWithNothingChanged) {
  ASSERT_EQ(instance->setState(modeChunk(1.0f)), kResultOk);
  const std::vector<unsigned char> before = instance->getState();
  std::vector<unsigned char> wrongMarker = modeChunk(0.0f);
  wrongMarker[3] = 0x44;  // +1000.0
  std::vector<unsigned char> notANumber = modeChunk(0.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(notANumber.data() + 8, &nan, 4);
  std::vector<unsigned char> ragged = modeChunk(0.0f);
  ragged.pop_back();
  std::vector<unsigned char> otherPlugin = presetFile(modeChunk(0.0f), false, 0x51747766);
  const std::vector<unsigned char> wholeFile = presetFile(modeChunk(0.0f), false);
  const std::vector<unsigned char> truncatedFile(wholeFile.begin(), wholeFile.begin() + 300);
  std::vector<unsigned char> garbage(300);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 37 + 11);
  const std::vector<std::pair<const char*, std::vector<unsigned char>>> refused = {
      {"empty", {}},
      {"marker only", chunkBytes({})},
      {"three bytes", {0x00, 0x00, 0x7A}},
      {"wrong marker", wrongMarker},
      {"NaN value", notANumber},
      {"ragged length", ragged},
      {"another plug-in's program", otherPlugin},
      {"truncated program file", truncatedFile},
      {"garbage", garbage},
  };
  for (const auto& [what, bytes] : refused) {
    EXPECT_EQ(instance->setState(bytes), kResultFalse) << what;
    EXPECT_EQ(instance->getState(), before) << what;
    EXPECT_EQ(controllerValue(), 1.0) << what;
    EXPECT_TRUE(processesMono()) << what;
    MemoryStream stream(bytes);
    EXPECT_EQ(V3CALL(instance->controller, setComponentState, &stream), kResultFalse) << what;
    EXPECT_EQ(controllerValue(), 1.0) << what;
  }
}

TEST_F(Vst3State, AcceptsProgramAndBankFilesOfTheVst24Edition) {
  ASSERT_EQ(instance->setState(presetFile(modeChunk(1.0f), false), 5), kResultOk);
  EXPECT_TRUE(processesMono());
  EXPECT_EQ(controllerValue(), 1.0);
  ASSERT_EQ(instance->setState(presetFile(modeChunk(0.0f), true)), kResultOk);
  EXPECT_FALSE(processesMono());
  EXPECT_EQ(instance->getState(), headedState(modeChunk(0.0f)));
  // A parameter-list program: one big-endian float per parameter.
  const std::vector<unsigned char> list = PresetBytes("FxCk", 1, 0, 1000, 1).name("").word(0x3F800000).file();  // 1.0f
  ASSERT_EQ(instance->setState(list), kResultOk);
  EXPECT_TRUE(processesMono());
}

// Hosts' file streams answer kResultFalse on a short read, the last one included; its
// bytes still count.
TEST_F(Vst3State, ReadsAnsweringFalseStillDeliverTheirBytes) {
  const std::vector<std::pair<const char*, std::vector<unsigned char>>> states = {
      {"headed state", headedState(modeChunk(1.0f))},
      {"bare chunk of two floats", chunkBytes({1.0f})},
      {"program file", presetFile(modeChunk(1.0f), false)},
  };
  for (const auto& [what, bytes] : states) {
    for (std::int32_t chunk : {1 << 30, 5}) {
      ASSERT_EQ(instance->setState(modeChunk(0.0f)), kResultOk);
      MemoryStream stream(bytes, chunk);
      stream.falseWhenShort = true;
      EXPECT_EQ(V3CALL(instance->component, setState, &stream), kResultOk) << what << ", " << chunk;
      EXPECT_TRUE(processesMono()) << what << ", " << chunk;
    }
  }
}

// The state is read to its own end and no further: what follows in the host's stream
// stays there.
TEST_F(Vst3State, StateFollowedByOtherDataReadsOnlyItsOwnBytes) {
  const std::vector<unsigned char> other(100, 0x55);
  for (const auto& state : {headedState(modeChunk(1.0f)), presetFile(modeChunk(1.0f), true), modeChunk(1.0f)}) {
    ASSERT_EQ(instance->setState(modeChunk(0.0f)), kResultOk);
    std::vector<unsigned char> bytes = state;
    bytes.insert(bytes.end(), other.begin(), other.end());
    MemoryStream stream(bytes, 7);
    ASSERT_EQ(V3CALL(instance->component, setState, &stream), kResultOk) << state.size() << " bytes";
    EXPECT_EQ(stream.position, state.size());
    EXPECT_TRUE(processesMono());
  }
}

TEST_F(Vst3State, ControllerStateFollowsTheComponentOnlyInItsOwnView) {
  MemoryStream stream(modeChunk(1.0f));
  ASSERT_EQ(V3CALL(instance->controller, setComponentState, &stream), kResultOk);
  EXPECT_EQ(controllerValue(), 1.0);
  EXPECT_FALSE(processesMono()) << "the audio path changes only through the component";
  EXPECT_EQ(instance->getState(), headedState(modeChunk(0.0f)));
  MemoryStream exhausted(modeChunk(0.0f));
  exhausted.position = exhausted.bytes.size();
  EXPECT_EQ(V3CALL(instance->controller, setState, &exhausted), kResultOk);
  EXPECT_EQ(controllerValue(), 1.0);
}
