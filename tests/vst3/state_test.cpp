// Component and controller state: the core's chunk as it is, short reads, refusals that
// change nothing, and VST 2.4 program and bank files of the same core.
#include "tests/vst3/vst3_fixture.h"

using namespace vst3;

namespace {

std::vector<unsigned char> coreChunk(float mode) { return modeChunk(mode); }

void putBigEndian(std::vector<unsigned char>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

void putTag(std::vector<unsigned char>& bytes, const char* tag) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(tag[i]));
}

// A program file (FPCh) or bank file (FBCh) around a chunk, for the core's ID 0.
std::vector<unsigned char> presetFile(const std::vector<unsigned char>& chunk, bool bank, std::uint32_t id = 0) {
  std::vector<unsigned char> file;
  putTag(file, "CcnK");
  putBigEndian(file, 0);  // byte size, below
  putTag(file, bank ? "FBCh" : "FPCh");
  putBigEndian(file, bank ? 2 : 1);
  putBigEndian(file, id);
  putBigEndian(file, 1000);
  putBigEndian(file, 1);  // parameters, or programs
  if (bank) {
    putBigEndian(file, 0);
    file.resize(156, 0);
  } else {
    const std::string name = "Quillmarsh_twinfold";
    for (std::size_t i = 0; i < 28; ++i) file.push_back(i < name.size() ? static_cast<unsigned char>(name[i]) : 0);
  }
  putBigEndian(file, static_cast<std::uint32_t>(chunk.size()));
  file.insert(file.end(), chunk.begin(), chunk.end());
  const std::uint32_t size = static_cast<std::uint32_t>(file.size() - 8);
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<unsigned char>(size >> (24 - 8 * i));
  return file;
}

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

TEST_F(Vst3State, SavesTheCoresChunkAndRestoresItInAnotherInstance) {
  std::vector<unsigned char> fresh = instance->getState();
  EXPECT_EQ(fresh, coreChunk(0.0f)) << "the marker, then 64 zeros";
  ParameterChanges mono;
  mono.add(0, {{0, 1.0}});
  Block<float> none({}, {});
  instance->process(none.inputs.data(), none.outputs.data(), 0, &mono);
  const std::vector<unsigned char> saved = instance->getState();
  EXPECT_EQ(saved, coreChunk(1.0f));

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
  ASSERT_EQ(instance->setState(coreChunk(1.0f)), kResultOk);
  const std::vector<unsigned char> before = instance->getState();
  std::vector<unsigned char> wrongMarker = coreChunk(0.0f);
  wrongMarker[3] = 0x44;  // +1000.0
  std::vector<unsigned char> notANumber = coreChunk(0.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(notANumber.data() + 8, &nan, 4);
  std::vector<unsigned char> ragged = coreChunk(0.0f);
  ragged.pop_back();
  std::vector<unsigned char> otherPlugin = presetFile(coreChunk(0.0f), false, 0x51747766);
  const std::vector<unsigned char> wholeFile = presetFile(coreChunk(0.0f), false);
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
  ASSERT_EQ(instance->setState(presetFile(coreChunk(1.0f), false), 5), kResultOk);
  EXPECT_TRUE(processesMono());
  EXPECT_EQ(controllerValue(), 1.0);
  ASSERT_EQ(instance->setState(presetFile(coreChunk(0.0f), true)), kResultOk);
  EXPECT_FALSE(processesMono());
  EXPECT_EQ(instance->getState(), coreChunk(0.0f));
  // A parameter-list program: one big-endian float per parameter.
  std::vector<unsigned char> list;
  putTag(list, "CcnK");
  putBigEndian(list, 52);
  putTag(list, "FxCk");
  for (std::uint32_t field : {1u, 0u, 1000u, 1u}) putBigEndian(list, field);
  list.resize(56, 0);
  putBigEndian(list, 0x3F800000);  // 1.0f
  ASSERT_EQ(instance->setState(list), kResultOk);
  EXPECT_TRUE(processesMono());
}

TEST_F(Vst3State, ControllerStateFollowsTheComponentOnlyInItsOwnView) {
  MemoryStream stream(coreChunk(1.0f));
  ASSERT_EQ(V3CALL(instance->controller, setComponentState, &stream), kResultOk);
  EXPECT_EQ(controllerValue(), 1.0);
  EXPECT_FALSE(processesMono()) << "the audio path changes only through the component";
  EXPECT_EQ(instance->getState(), coreChunk(0.0f));
  MemoryStream exhausted(coreChunk(0.0f));
  exhausted.position = exhausted.bytes.size();
  EXPECT_EQ(V3CALL(instance->controller, setState, &exhausted), kResultOk);
  EXPECT_EQ(controllerValue(), 1.0);
}
