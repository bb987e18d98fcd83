// Program and bank files whose counts lie about the bytes that follow (counts whose * 4
// or * 56 wraps a 32-bit size_t), handed as state to the VST3 and CLAP editions as a host
// restoring a session hands them: each is refused, the saved state stays what it was,
// and the instance still plays, its stereo output the input. One table for every target;
// the Windows builds run it under Wine, where size_t is 32 bits on win32.
#include <gtest/gtest.h>

#include <functional>

#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/vst3_host.h"
#include "tests/support/state_chunk.h"

using namespace hosting;

namespace {

struct LyingFile {
  const char* what;
  std::vector<std::uint8_t> bytes;
};

std::vector<LyingFile> lyingFiles() {
  const std::vector<std::uint8_t> honest = valuesProgram(1, {1.0f});
  return {
      {"program, 0x40000001 parameters in 4 bytes (60 bytes in all)", valuesProgram(0x40000001, {1.0f})},
      {"program, 0x7fffffff parameters in none", valuesProgram(0x7fffffff, {})},
      {"program, 0xffffffff parameters", valuesProgram(0xffffffff, {1.0f})},
      {"bank, 0x40000001 programs in one record", valuesBank(0x40000001, honest)},
      {"bank, 0xffffffff programs", valuesBank(0xffffffff, honest)},
      {"bank record sized to match 0x40000001 parameters once wrapped",
       valuesBank(1, valuesProgram(0x40000001, {1.0f}, 0, 52))},
      {"bank record sized for 0x3ffffff0 parameters, 4 bytes of them",
       valuesBank(1, valuesProgram(0x3ffffff0, {1.0f}, 0, 0xfffffff0))},
  };
}

// One edition as a host drives it.
struct Edition {
  const char* name;
  std::function<bool(const std::vector<std::uint8_t>&)> load;
  std::function<std::vector<std::uint8_t>()> save;
  // One stereo block; answers both output channels.
  std::function<std::vector<float>(std::vector<float> left, std::vector<float> right, int channel)> play;
};

const std::vector<float> kLeft = {0.25f, -0.5f, 1.0f};
const std::vector<float> kRight = {0.75f, 0.5f, -1.0f};
const std::vector<float> kMean = {0.5f, 0.0f, 0.0f};

}  // namespace

TEST(LyingCounts, ProgramAndBankFilesAreRefusedAndTheInstanceStillPlays) {
  Vst3Module vst3Module(vst3BinaryUnderTest());
  ASSERT_TRUE(vst3Module.loaded());
  vst3::IPluginFactory* factory = vst3Module.factory();
  auto vst3 = std::make_unique<Vst3Instance>(factory);
  ASSERT_TRUE(*vst3);
  vst3->start();

  const ClapModule clapModule(clapFileUnderTest());
  ASSERT_TRUE(clapModule.loaded());
  ASSERT_TRUE(clapModule.entry().init(clapFileUnderTest().c_str()));
  ClapHost clapHost;
  auto clap = std::make_unique<ClapInstance>(clapModule.factory(), clapHost);
  ASSERT_TRUE(clap->initialized && clap->start());

  const Edition editions[] = {
      {"VST3",
       [&](const std::vector<std::uint8_t>& bytes) {
         // The component's state, then the same bytes to the controller, as hosts do.
         MemoryStream stream(bytes);
         const bool controllerTook = V3CALL(vst3->controller, setComponentState, &stream) == vst3::kResultOk;
         return vst3->setState(bytes) == vst3::kResultOk && controllerTook;
       },
       [&] { return vst3->getState(); },
       [&](std::vector<float> left, std::vector<float> right, int channel) {
         std::vector<float> out[2] = {std::vector<float>(left.size(), -7.0f), std::vector<float>(left.size(), -7.0f)};
         float* inputs[2] = {left.data(), right.data()};
         float* outputs[2] = {out[0].data(), out[1].data()};
         EXPECT_EQ(vst3->process(inputs, outputs, static_cast<std::int32_t>(left.size())), vst3::kResultOk);
         return out[channel];
       }},
      {"CLAP", [&](const std::vector<std::uint8_t>& bytes) { return clap->load(bytes); }, [&] { return clap->save(); },
       [&](std::vector<float> left, std::vector<float> right, int channel) {
         ClapBlock<float> block(std::move(left), std::move(right));
         EXPECT_EQ(clap->process(block), clap::kProcessContinue);
         return block.result(static_cast<std::size_t>(channel));
       }},
  };

  for (const Edition& edition : editions) {
    const std::vector<std::uint8_t> before = edition.save();
    ASSERT_FALSE(before.empty()) << edition.name;
    for (const LyingFile& file : lyingFiles()) {
      EXPECT_FALSE(edition.load(file.bytes)) << edition.name << ": " << file.what;
      EXPECT_EQ(edition.save(), before) << edition.name << ": " << file.what;
      EXPECT_EQ(edition.play(kLeft, kRight, 0), kLeft) << edition.name << ": " << file.what;
      EXPECT_EQ(edition.play(kLeft, kRight, 1), kRight) << edition.name << ": " << file.what;
    }
    // The same builder with an honest count makes a program the edition takes: mono.
    ASSERT_TRUE(edition.load(valuesProgram(1, {1.0f}))) << edition.name;
    EXPECT_EQ(edition.play(kLeft, kRight, 0), kMean) << edition.name;
    EXPECT_EQ(edition.play(kLeft, kRight, 1), kMean) << edition.name;
  }

  clap.reset();
  clapModule.entry().deinit();
  EXPECT_EQ(vst3->releaseAll(), 0u);
  V3CALL(factory, release);
}
