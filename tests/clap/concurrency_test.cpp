// The host's two threads at once, as the facts say hosts run them: the audio thread
// processes with events, the main thread saves, loads and reads the parameter and its
// texts (Carla saves while processing). Each frame is either mode's result and every
// main-thread call keeps answering.
#include <atomic>
#include <thread>

#include "tests/clap/clap_fixture.h"
#include "tests/support/reference_audio.h"
#include "tests/support/state_chunk.h"

using namespace hosting;

using namespace clap;

TEST_F(StartedClap, StateAndTextsWhileProcessing) {
  constexpr int kRounds = 400;
  constexpr std::uint32_t kFrames = 64;
  std::atomic<bool> go{false};
  std::atomic<int> badFrames{0};
  std::thread audio([&] {
    while (!go.load()) std::this_thread::yield();
    ClapBlock<float> block(ramp<float>(kFrames, 1.0f, 1.0f), ramp<float>(kFrames, -3.0f, 0.5f));
    for (int round = 0; round < kRounds; ++round) {
      ClapEvents events;
      events.value(round % kFrames, round % 2 ? 1.0 : 0.0);
      if (instance->process(block, &events) != kProcessContinue) badFrames.fetch_add(1);
      for (std::uint32_t i = 0; i < kFrames; ++i) {
        const float mean = (block.in[0][i] + block.in[1][i]) * 0.5f;
        const bool stereo = block.out[0][i] == block.in[0][i] && block.out[1][i] == block.in[1][i];
        const bool mono = block.out[0][i] == mean && block.out[1][i] == mean;
        if (!stereo && !mono) badFrames.fetch_add(1);
      }
    }
  });
  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  go.store(true);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::vector<unsigned char> saved = instance->save();
    if (saved.size() != 12u + 260u) ++refused;
    if (!instance->load(headedState(modeChunk(round % 3 == 0 ? 1.0f : 0.0f)), 17)) ++refused;
    char text[16];
    if (!params->value_to_text(plugin(), 0, round % 2, text, sizeof text) ||
        std::string(text) != (round % 2 ? "mono" : "stereo"))
      ++refused;
    const double value = instance->value();
    if (value != 0.0 && value != 1.0) ++refused;
  }
  audio.join();
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(badFrames.load(), 0);
}
