// The runtime object: construction state, hook order, string table, file handles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "effect/twinfold_effect.h"
#include "runtime/ember.h"

namespace {

TEST(FreshEffect, RuntimeLayersHoldTheirConstructionValues) {
  const TEmberEffect fx;
  ASSERT_EQ(fx.sliderValues.size(), 128u);
  ASSERT_EQ(fx.sampleVars.size(), 64u);
  for (const TEmberVar& value : fx.sliderValues) EXPECT_EQ(value.load(), 0.0);
  for (double sample : fx.sampleVars) EXPECT_EQ(sample, 0.0);
  EXPECT_TRUE(fx.memoryBlocks.empty());
  EXPECT_EQ(fx.hostWrapper, nullptr);
  EXPECT_TRUE(fx.strings.empty());
  EXPECT_TRUE(fx.secondStrings.empty());
  EXPECT_EQ(fx.stringCount.load(), 0.0);
  EXPECT_EQ(fx.initCount, 0);
  ASSERT_EQ(fx.files.size(), 1u);
  const TEmberFile& handle = fx.files[0];
  EXPECT_EQ(handle.mode, kFileClosed);
  EXPECT_EQ(handle.position, 0);
  EXPECT_TRUE(handle.data.empty());
  EXPECT_TRUE(handle.name.empty());
  // No section ran: the effect's variables are still at 0.0.
  EXPECT_EQ(fx.slider1.load(), 0.0);
  EXPECT_EQ(fx.slider_index.load(), 0.0);
  EXPECT_EQ(fx.sample_rate.load(), 0.0);
}

TEST(FreshEffect, DescriptionAndTheOneSliderRecord) {
  const TEmberEffect fx;
  EXPECT_EQ(fx.effectName, "Quillmarsh_twinfold");
  EXPECT_EQ(fx.productString, "Quillmarsh_twinfold");
  EXPECT_EQ(fx.programName, "Quillmarsh_twinfold");
  EXPECT_EQ(fx.vendorString, "Quillmarsh");
  EXPECT_EQ(fx.vendorVersion, 1000);
  EXPECT_EQ(fx.uniqueId, TWINFOLD_UNIQUE_ID_VALUE);
  EXPECT_EQ(fx.channelCount, 2);

  ASSERT_EQ(fx.sliders.size(), 1u);
  const TEmberSlider& mode = fx.sliders[0];
  EXPECT_EQ(mode.valueNames, (std::vector<std::string>{"stereo", "mono"}));
  EXPECT_TRUE(mode.resolved);
  EXPECT_EQ(mode.sliderNumber, 1);
  EXPECT_EQ(mode.boundVariable, nullptr);
  EXPECT_EQ(mode.defaultValue, 0.0);
  EXPECT_EQ(mode.minimum, 0.0);
  EXPECT_EQ(mode.maximum, 1.0);
  EXPECT_EQ(mode.step, 1.0);
  EXPECT_EQ(mode.name, "stereo / mono");
  EXPECT_TRUE(mode.label.empty());
  EXPECT_TRUE(mode.directory.empty());
  EXPECT_TRUE(mode.extraText.empty());
}

// Records every hook the runtime dispatches, in order.
class RecordingEmber final : public TEmber {
 public:
  std::vector<std::string> calls;
  bool serializeWrites = true;

  void DoOpen() override {
    calls.emplace_back("open");
    TEmber::DoOpen();
  }
  void DoInit() override { calls.emplace_back("init"); }
  void DoSlider() override { calls.emplace_back("slider"); }
  void DoSerialize() override {
    calls.emplace_back("serialize");
    if (serializeWrites) fileValue(0, sliderValues[1]);
  }

  std::vector<std::string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

TEST(HookOrder, OverAnInstancesLife) {
  RecordingEmber ember;
  EXPECT_TRUE(ember.take().empty()) << "construction runs no section";

  ember.DoOpen();
  EXPECT_EQ(ember.take(), (Calls{"open"}));

  ember.DoResume();
  ember.DoResume();
  EXPECT_EQ(ember.take(), (Calls{"init", "slider", "init", "slider"}));
  EXPECT_EQ(ember.initCount, 0) << "resume does not count as the one-time init";

  void* data = nullptr;
  const std::int32_t size = ember.GetChunk(&data, false);
  ASSERT_EQ(size, 8);
  const std::vector<float> saved(static_cast<float*>(data), static_cast<float*>(data) + 2);
  EXPECT_EQ(ember.take(), (Calls{"serialize"}));

  // The first restore runs init once more even after resumes; later ones never do.
  EXPECT_EQ(ember.SetChunk(saved.data(), size, false), size);
  EXPECT_EQ(ember.take(), (Calls{"init", "serialize", "slider"}));
  EXPECT_EQ(ember.initCount, 1);
  EXPECT_EQ(ember.SetChunk(saved.data(), size, true), size);
  EXPECT_EQ(ember.take(), (Calls{"serialize", "slider"}));
  EXPECT_EQ(ember.initCount, 2);

  ember.DoResume();
  EXPECT_EQ(ember.take(), (Calls{"init", "slider"}));
  EXPECT_EQ(ember.initCount, 2);
}

TEST(HookOrder, InitOnceCountsEveryCallButInitsOnlyFirst) {
  RecordingEmber ember;
  EXPECT_EQ(ember.DoInitOnce(), 1);
  EXPECT_EQ(ember.DoInitOnce(), 2);
  EXPECT_EQ(ember.take(), (Calls{"init"}));
}

TEST(HookOrder, RestoreOnAFreshObjectInitsBeforeSerializing) {
  RecordingEmber ember;
  const float chunk[] = {-1000.0f, 1.0f};
  EXPECT_EQ(ember.SetChunk(chunk, sizeof chunk, false), 8);
  EXPECT_EQ(ember.take(), (Calls{"init", "serialize", "slider"}));
  EXPECT_EQ(ember.sliderValues[1].load(), 1.0);
}

TEST(HookOrder, SaveThatWritesNothingAnswersZeroAndKeepsThePointer) {
  RecordingEmber ember;
  ember.serializeWrites = false;
  int sentinel = 0;
  void* data = &sentinel;
  EXPECT_EQ(ember.GetChunk(&data, false), 0);
  EXPECT_EQ(data, &sentinel);
  EXPECT_EQ(ember.take(), (Calls{"serialize"}));
}

TEST(StringTable, OpenClearsTheFirstTableOnlyAndStoresTheLiteral) {
  TEmberEffect fx;
  fx.strings[5] = "stale";
  fx.secondStrings[7] = "kept";
  fx.memoryBlocks[3] = {1.0, 2.0};
  fx.DoOpen();
  EXPECT_EQ(fx.strings, (std::map<std::int32_t, std::string>{{10000, "Courier New"}}));
  EXPECT_EQ(fx.stringCount.load(), 1.0);
  EXPECT_EQ(fx.secondStrings, (std::map<std::int32_t, std::string>{{7, "kept"}}));
  EXPECT_TRUE(fx.memoryBlocks.empty());

  // A second open leaves the same single literal, not a duplicate count.
  fx.DoOpen();
  EXPECT_EQ(fx.strings.size(), 1u);
  EXPECT_EQ(fx.stringCount.load(), 1.0);
}

TEST(StringTable, KeyedAccessAddsAnEmptyEntryAndRaisesTheCount) {
  TEmberEffect fx;
  fx.DoOpen();
  EXPECT_TRUE(fx.stringAt(-3).empty());
  EXPECT_EQ(fx.stringCount.load(), 2.0);
  EXPECT_EQ(fx.stringAt(10000), "Courier New");
  EXPECT_EQ(fx.stringCount.load(), 2.0);
  fx.stringAt(-3) = "written";
  EXPECT_EQ(fx.strings.at(-3), "written");
  EXPECT_EQ(fx.strings.begin()->first, -3) << "iteration by ascending key";
}

class FileValue : public ::testing::Test {
 protected:
  TEmberEffect fx;
  TEmberFile& handle = fx.files[0];
};

TEST_F(FileValue, WriteAfterTheMarkerAppendsNarrowedFloats) {
  handle.reopen(kFileWrite);
  handle.data.push_back(-1000.0f);
  handle.position = 1;
  TEmberVar a{0.1}, b{-0.0}, c{3.0};
  fx.fileValue(0, a);
  fx.fileValue(0, b);
  fx.fileValue(0, c);
  ASSERT_EQ(handle.data, (std::vector<float>{-1000.0f, 0.1f, -0.0f, 3.0f}));
  EXPECT_TRUE(std::signbit(handle.data[2]));
  EXPECT_EQ(handle.position, 4);
}

TEST_F(FileValue, WriteInsideOverwritesAndPastTheEndFillsWithZeros) {
  handle.reopen(kFileWrite);
  handle.data = {1.0f, 2.0f, 3.0f};
  handle.position = 1;
  TEmberVar v{9.0};
  fx.fileValue(0, v);
  EXPECT_EQ(handle.data, (std::vector<float>{1.0f, 9.0f, 3.0f}));
  handle.position = 5;
  fx.fileValue(0, v);
  EXPECT_EQ(handle.data, (std::vector<float>{1.0f, 9.0f, 3.0f, 0.0f, 0.0f, 9.0f}));
  EXPECT_EQ(handle.position, 6);
}

TEST_F(FileValue, ReadPastTheEndLeavesTheVariable) {
  handle.reopen(kFileRead);
  handle.data = {-1000.0f, 0.1f, 2.5f};
  handle.position = 1;
  TEmberVar a{7.0}, b{7.0}, c{7.0};
  fx.fileValue(0, a);
  fx.fileValue(0, b);
  fx.fileValue(0, c);
  EXPECT_EQ(a.load(), static_cast<double>(0.1f));
  EXPECT_EQ(b.load(), 2.5);
  EXPECT_EQ(c.load(), 7.0);
  EXPECT_EQ(handle.position, 3);
  EXPECT_EQ(handle.data.size(), 3u);
}

TEST_F(FileValue, ClosedOrUnknownHandleDoesNothing) {
  TEmberVar v{4.0};
  fx.fileValue(0, v);
  EXPECT_EQ(v.load(), 4.0);
  EXPECT_TRUE(handle.data.empty());
  EXPECT_EQ(handle.position, 0);

  handle.reopen(kFileRead);
  handle.data = {1.0f};
  fx.fileValue(1, v);
  fx.fileValue(-1, v);
  EXPECT_EQ(v.load(), 4.0);
  EXPECT_EQ(handle.position, 0);

  handle.close();
  EXPECT_EQ(handle.mode, kFileClosed);
  EXPECT_TRUE(handle.data.empty());
  fx.fileValue(0, v);
  EXPECT_EQ(v.load(), 4.0);
}

}  // namespace
