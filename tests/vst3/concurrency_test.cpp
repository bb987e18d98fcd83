// The host's two threads at once: processing with automation on one, state, texts and
// the controller on the other, as hosts save and load while audio runs. Each frame must
// come out as either mode's result, and both threads' calls must keep answering.
#include <atomic>
#include <thread>

#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

using namespace vst3;

namespace {

std::vector<unsigned char> chunkFor(float mode) { return modeChunk(mode); }

}  // namespace

TEST_F(StartedInstance, StateAndTextsWhileProcessing) {
  constexpr int kRounds = 400;
  constexpr std::int32_t kFrames = 64;
  std::atomic<bool> go{false};
  std::atomic<int> badFrames{0};
  std::thread audio([&] {
    while (!go.load()) std::this_thread::yield();
    Block<float> block(ramp<float>(kFrames, 1.0f, 1.0f), ramp<float>(kFrames, -3.0f, 0.5f));
    for (int round = 0; round < kRounds; ++round) {
      ParameterChanges changes;
      changes.add(0, {{round % kFrames, round % 2 ? 1.0 : 0.0}});
      instance->process(block.inputs.data(), block.outputs.data(), kFrames, &changes);
      for (std::int32_t i = 0; i < kFrames; ++i) {
        const float mean = (block.in[0][i] + block.in[1][i]) * 0.5f;
        const bool stereo = block.out[0][i] == block.in[0][i] && block.out[1][i] == block.in[1][i];
        const bool mono = block.out[0][i] == mean && block.out[1][i] == mean;
        if (!stereo && !mono) badFrames.fetch_add(1);
      }
    }
  });
  go.store(true);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::vector<unsigned char> saved = instance->getState();
    if (saved.size() != 12u + 260u) ++refused;
    if (instance->setState(chunkFor(round % 3 == 0 ? 1.0f : 0.0f)) != kResultOk) ++refused;
    MemoryStream stream(saved);
    if (V3CALL(instance->controller, setComponentState, &stream) != kResultOk) ++refused;
    String128 text{};
    if (V3CALL(instance->controller, getParamStringByValue, 0, round % 2 ? 1.0 : 0.0, text) != kResultOk ||
        utf8(text) != (round % 2 ? "mono" : "stereo"))
      ++refused;
    const double value = V3CALL(instance->controller, getParamNormalized, 0);
    if (value != 0.0 && value != 1.0) ++refused;
  }
  audio.join();
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(badFrames.load(), 0);
}
