// What the VST3 and CLAP front ends hand a core and forward from it, seen by a core that
// records its calls: a program file's chunk is restored as a program (effSetChunk index
// 1), every other state as the bank (index 0), and the core's tail is the edition's
// tail, 0 and 1 both meaning none.
#include <gtest/gtest.h>

#include "editions/clap/plugin.h"
#include "editions/vst3/plugin.h"
#include "hosting/clap_host.h"
#include "tests/support/state_chunk.h"
#include "hosting/vst3_host.h"

using namespace hosting;

namespace {

struct RecordingCore {
  AEffect effect{};
  VstIntPtr tail = 0;
  std::vector<VstInt32> chunkIndexes;
};
RecordingCore* core = nullptr;

VstIntPtr VSTCALLBACK dispatch(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
  if (opcode == effGetTailSize) return core->tail;
  if (opcode == effSetChunk) core->chunkIndexes.push_back(index);
  return 0;
}
void VSTCALLBACK setParameter(AEffect*, VstInt32, float) {}
float VSTCALLBACK getParameter(AEffect*, VstInt32) { return 0.0f; }

AEffect* VSTCALLBACK recordingEntry(audioMasterCallback) {
  core->effect = {};
  core->effect.magic = kEffectMagic;
  core->effect.dispatcher = dispatch;
  core->effect.setParameter = setParameter;
  core->effect.getParameter = getParameter;
  core->effect.numPrograms = core->effect.numParams = 1;
  core->effect.numInputs = core->effect.numOutputs = 2;
  return &core->effect;
}

// Both editions' code around the recording core, each with the calls its hosts make.
class CoreForwarding : public ::testing::Test {
 protected:
  void SetUp() override {
    core = &recording;
    vst3 = vst3::Plugin::create(recordingEntry);
    ASSERT_NE(vst3, nullptr);
    clapPlugin = clap::Plugin::create(host.record(), nullptr, recordingEntry);
    ASSERT_NE(clapPlugin, nullptr);
    clap = clapPlugin->object();
    ASSERT_TRUE(clap->init(clap));
  }
  void TearDown() override {
    if (vst3) vst3->release();
    if (clap) clap->destroy(clap);
    core = nullptr;
  }
  std::vector<VstInt32> indexesOfLoading(const std::vector<unsigned char>& bytes) {
    recording.chunkIndexes.clear();
    MemoryStream stream(bytes);
    EXPECT_EQ(vst3->componentSetState(&stream), vst3::kResultOk);
    ClapInStream in(bytes);
    const auto* state = static_cast<const clap::clap_plugin_state*>(clap->get_extension(clap, clap::kStateId));
    EXPECT_TRUE(state->load(clap, in.stream()));
    return recording.chunkIndexes;
  }

  RecordingCore recording;
  ClapHost host;
  vst3::Plugin* vst3 = nullptr;
  clap::Plugin* clapPlugin = nullptr;
  const clap::clap_plugin* clap = nullptr;
};

}  // namespace

TEST_F(CoreForwarding, ProgramFilesRestoreAsProgramsAndEverythingElseAsTheBank) {
  const struct {
    const char* what;
    std::vector<unsigned char> bytes;
    VstInt32 index;
  } cases[] = {
      {"headed state", headedState(modeChunk(1.0f)), 0},
      {"bare chunk", modeChunk(1.0f), 0},
      {"program file", presetFile(modeChunk(1.0f), false), 1},
      {"bank file", presetFile(modeChunk(1.0f), true), 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(indexesOfLoading(c.bytes), (std::vector<VstInt32>{c.index, c.index})) << c.what << ": VST3, then CLAP";
}

TEST_F(CoreForwarding, TheCoresTailIsTheEditionsTail) {
  const auto* tail = static_cast<const clap::clap_plugin_tail*>(clap->get_extension(clap, clap::kTailId));
  const std::pair<VstIntPtr, std::uint32_t> cases[] = {{0, 0}, {1, 0}, {2, 2}, {48000, 48000}, {-5, 0}};
  for (const auto& [answer, expected] : cases) {
    recording.tail = answer;
    EXPECT_EQ(vst3->getTailSamples(), expected) << answer;
    EXPECT_EQ(tail->get(clap), expected) << answer;
  }
}
