// State through clap.state: the shared format, streams that take or give a few bytes
// per call or fail, refusals that change nothing, the VST3 edition's bare chunk and
// VST 2.4 program and bank files, and the rescan a changing load owes the host.
#include <thread>

#include "tests/clap/clap_fixture.h"
#include "tests/support/state_chunk.h"

using namespace hosting;

using namespace clap;

TEST_F(ClapTest, SavesTheHeadedChunkAndRestoresItThroughShortCalls) {
  auto first = make(host);
  EXPECT_EQ(first->save(), headedState(modeChunk(0.0f)));
  ASSERT_TRUE(first->setValueByFlush(1.0));
  const auto* state = first->extension<clap_plugin_state>(kStateId);
  ClapOutStream out(23);  // the validator's largest write
  ASSERT_TRUE(state->save(first->plugin, out.stream()));
  EXPECT_EQ(out.bytes, headedState(modeChunk(1.0f)));

  for (std::uint64_t chunk : {17u, 1u}) {  // the validator's read size, and single bytes
    ClapHost other;
    auto second = make(other);
    ASSERT_TRUE(second->load(out.bytes, chunk)) << chunk;
    EXPECT_EQ(second->value(), 1.0);
    EXPECT_EQ(second->save(), out.bytes) << "the second save is byte-identical";
    ASSERT_EQ(other.rescans.size(), 1u) << "the value changed";
    EXPECT_EQ(other.rescans[0].flags, kParamRescanValues);
    EXPECT_EQ(other.rescans[0].thread, std::this_thread::get_id());
    ASSERT_TRUE(second->load(out.bytes, chunk));
    EXPECT_EQ(other.rescans.size(), 1u) << "an unchanged value needs no rescan";
  }
  ClapOutStream single(1);
  ASSERT_TRUE(state->save(first->plugin, single.stream()));
  EXPECT_EQ(single.bytes, out.bytes);
}

TEST_F(ClapTest, FailingStreamsFailTheCall) {
  auto instance = make(host);
  ASSERT_TRUE(instance->setValueByFlush(1.0));
  const auto* state = instance->extension<clap_plugin_state>(kStateId);
  for (std::int64_t result : {0, -1}) {
    for (std::uint64_t after : {0u, 100u}) {
      ClapOutStream out(UINT64_MAX, result, after);
      EXPECT_FALSE(state->save(instance->plugin, out.stream())) << result << " after " << after;
      ClapInStream in(headedState(modeChunk(0.0f)), 7, -1, after);
      EXPECT_FALSE(state->load(instance->plugin, in.stream())) << "read error after " << after;
      EXPECT_EQ(instance->value(), 1.0);
    }
  }
  EXPECT_FALSE(state->save(instance->plugin, nullptr));
  EXPECT_FALSE(state->load(instance->plugin, nullptr));
  EXPECT_TRUE(host.rescans.empty());
}

TEST_F(ClapTest, UnusableStatesAreRefusedWithNothingChanged) {
  auto instance = make(host);
  ASSERT_TRUE(instance->setValueByFlush(1.0));
  const std::vector<unsigned char> before = instance->save();
  std::vector<unsigned char> random(1 << 20);
  std::uint32_t seed = 7;
  for (auto& byte : random) byte = static_cast<unsigned char>((seed = seed * 1664525u + 1013904223u) >> 24);
  std::vector<unsigned char> wrongCount = headedState(modeChunk(0.0f));
  wrongCount[8] = 252;
  std::vector<unsigned char> badChunk = headedState(modeChunk(0.0f));
  badChunk[12 + 3] = 0x44;  // +1000.0 as the marker
  const std::vector<unsigned char> whole = headedState(modeChunk(0.0f));
  const std::vector<std::pair<const char*, std::vector<unsigned char>>> refused = {
      {"empty", {}},
      {"random", random},
      {"header only", std::vector<unsigned char>(whole.begin(), whole.begin() + 12)},
      {"truncated", std::vector<unsigned char>(whole.begin(), whole.end() - 4)},
      {"version 2", headedState(modeChunk(0.0f), 2)},
      {"count past the chunk", wrongCount},
      {"not a core chunk", badChunk},
      {"another plug-in's program", presetFile(modeChunk(0.0f), false, 0x51747766)},
  };
  for (const auto& [what, bytes] : refused) {
    EXPECT_FALSE(instance->load(bytes, 17)) << what;
    EXPECT_EQ(instance->value(), 1.0) << what;
    EXPECT_EQ(instance->save(), before) << what;
  }
  EXPECT_TRUE(host.rescans.empty());
}

TEST_F(ClapTest, LoadsTheVst3EditionsBareChunkAndVst24Files) {
  auto instance = make(host);
  const std::vector<std::pair<const char*, std::vector<unsigned char>>> accepted = {
      {"bare chunk, mono", modeChunk(1.0f)},
      {"program file, stereo", presetFile(modeChunk(0.0f), false)},
      {"bank file, mono", presetFile(modeChunk(1.0f), true)},
      {"short bare chunk, stereo", chunkBytes({0.0f})},
  };
  double expected = 1.0;
  for (const auto& [what, bytes] : accepted) {
    ASSERT_TRUE(instance->load(bytes, 5)) << what;
    EXPECT_EQ(instance->value(), expected) << what;
    expected = 1.0 - expected;
  }
  EXPECT_EQ(host.rescans.size(), 4u);
}
