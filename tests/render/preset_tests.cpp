// Preset files written and read by the built renderer: the exact layout of the
// project's program file, round trips, and refusal of files that do not fit.
#include <gtest/gtest.h>
#include <sndfile.h>

#include "tests/render/render_test_support.h"
#include "tests/support/state_chunk.h"

namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr std::size_t kChunkBytes = 260;  // the marker and 64 slider values
constexpr auto kUniqueId = static_cast<std::uint32_t>(TWINFOLD_UNIQUE_ID_EXPECTED);

// The program file the plug-in must produce with "stereo / mono" at mono.
std::vector<std::uint8_t> expectedMonoProgram() {
  // Vendor version 1000, one parameter; 60 + kChunkBytes bytes in all.
  return PresetBytes("FPCh", 1, kUniqueId, 1000, 1)
      .name("Quillmarsh_twinfold")
      .word(kChunkBytes)
      .append(modeChunk(1.0f))
      .file();
}

class PresetFiles : public ::testing::Test {
 protected:
  void SetUp() override { writeAudio(input, {left, right}, 48000, kFloatWav); }

  // Renders with `options` and answers whether the result is the mono downmix.
  bool rendersMono(std::vector<std::string> options) {
    options.insert(options.end(), {twinfoldPlugin(), input, output});
    const RunResult run = runRender(options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const Audio audio = readAudio(output);
    return audio.planes.size() == 2 && audio.planes[0] == audio.planes[1] && audio.planes[0] != left;
  }

  RunResult savePreset(const std::string& path, const std::string& setting) {
    return runRender({"--param", setting, "--save-preset", path, twinfoldPlugin()});
  }

  // A failed render: its message, a non-zero exit and nothing written.
  void expectRefused(const std::string& preset, const std::string& message, std::vector<std::string> extra = {}) {
    std::vector<std::string> options = {"--preset", preset};
    options.insert(options.end(), extra.begin(), extra.end());
    options.insert(options.end(), {twinfoldPlugin(), input, output});
    const RunResult run = runRender(options);
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    EXPECT_EQ(run.lineCount(), 1) << run.output;
    EXPECT_FALSE(std::filesystem::exists(output)) << message;
  }

  ScratchFolder folder;
  std::vector<float> left = noise(4000, 5), right = noise(4000, 6);
  std::string input = folder.file("in.wav"), output = folder.file("out.wav");
  std::string program = folder.file("mono.fxp");
};

TEST_F(PresetFiles, TheProjectsPlugInSavesTheStandardOpaqueChunkProgramByteForByte) {
  const RunResult run = savePreset(program, "stereo / mono=mono");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(readBytes(program), expectedMonoProgram());
  EXPECT_EQ(folder.entries(), std::vector<std::string>({"in.wav", "mono.fxp"}));
}

TEST_F(PresetFiles, SavedProgramRestoresTheStateAndSavesAgainIdentically) {
  ASSERT_EQ(savePreset(program, "0=1").exitCode, 0);
  EXPECT_FALSE(rendersMono({}));
  EXPECT_TRUE(rendersMono({"--preset", program}));
  // Parameters given with a preset apply after it.
  EXPECT_FALSE(rendersMono({"--preset", program, "--param", "0=0"}));

  const std::string again = folder.file("again.fxp");
  const RunResult run = runRender({"--preset", program, "--save-preset", again, twinfoldPlugin()});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(readBytes(again), readBytes(program));
}

TEST_F(PresetFiles, SavingDuringARenderStoresTheStateAfterTheSettings) {
  EXPECT_TRUE(rendersMono({"--param", "0=1", "--save-preset", program}));
  EXPECT_EQ(readBytes(program), expectedMonoProgram());
}

TEST_F(PresetFiles, BankFileRoundTripsThroughTheOpaqueChunkForm) {
  const std::string bank = folder.file("mono.fxb");
  ASSERT_EQ(savePreset(bank, "0=1").exitCode, 0);
  const std::vector<std::uint8_t> bytes = readBytes(bank);
  ASSERT_EQ(bytes.size(), 156 + 4 + kChunkBytes);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FBCh");
  EXPECT_EQ(bytes[15], 2);  // format version 2: the current program follows
  // The bank chunk carries the same state as the program's.
  const std::vector<std::uint8_t> programBytes = expectedMonoProgram();
  EXPECT_TRUE(std::equal(bytes.begin() + 160, bytes.end(), programBytes.begin() + 60));
  EXPECT_TRUE(rendersMono({"--preset", bank}));
}

TEST_F(PresetFiles, ParameterListProgramAndBankAreRestoredThroughSetParameter) {
  const std::vector<std::uint8_t> record =
      PresetBytes("FxCk", 1, kUniqueId, 1000, 1).name("").word(0x3F800000u).file();  // 1.0f: mono
  writeBytes(program, record);
  EXPECT_TRUE(rendersMono({"--preset", program}));

  const std::vector<std::uint8_t> bank =
      PresetBytes("FxBk", 1, kUniqueId, 1000, 1).zeros(128).append(record).file();  // one program
  const std::string bankFile = folder.file("list.fxb");
  writeBytes(bankFile, bank);
  EXPECT_TRUE(rendersMono({"--preset", bankFile}));
}

TEST_F(PresetFiles, PresetForAnotherPlugInIsRefusedUnlessForced) {
  std::vector<std::uint8_t> bytes = expectedMonoProgram();
  putBigEndian(bytes, 16, 0x41626364u);  // 'Abcd'
  writeBytes(program, bytes);
  expectRefused(program, "was made for another plug-in: its unique ID is 1096967012 ('Abcd')");
  expectRefused(program, "use --force");
  EXPECT_TRUE(rendersMono({"--preset", program, "--force"}));
}

TEST_F(PresetFiles, TruncatedOrMalformedFilesAreRefusedWithTheReason) {
  const std::vector<std::uint8_t> good = expectedMonoProgram();
  const auto variant = [&](const std::string& name, std::vector<std::uint8_t> bytes) {
    writeBytes(folder.file(name), bytes);
    return folder.file(name);
  };
  expectRefused(variant("empty.fxp", {}), "is truncated");
  expectRefused(variant("cut.fxp", {good.begin(), good.begin() + 200}), "is truncated: its header gives 320 bytes, the file has 200");
  expectRefused(variant("header-only.fxp", {good.begin(), good.begin() + 40}), "is truncated");
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  expectRefused(variant("longer.fxp", longer), "is malformed: its header gives 320 bytes, the file has 321");
  std::vector<std::uint8_t> chunkTooBig = good;
  putBigEndian(chunkTooBig, 56, 300);
  expectRefused(variant("chunk.fxp", chunkTooBig), "its chunk size is 300 bytes, 260 follow");
  std::vector<std::uint8_t> notContainer = good;
  notContainer[3] = 'X';
  expectRefused(variant("magic.fxp", notContainer), "does not start with 'CcnK'");
  std::vector<std::uint8_t> unknownType = good;
  unknownType[10] = 'Z';
  expectRefused(variant("type.fxp", unknownType), "its type is none of FxCk, FPCh, FxBk, FBCh");
  expectRefused(folder.file("missing.fxp"), "not found");
}

TEST_F(PresetFiles, ParameterListWithTheWrongCountIsRefused) {
  writeBytes(program, PresetBytes("FxCk", 1, kUniqueId, 1000, 2).name("").zeros(8).file());
  expectRefused(program, "holds 2 parameter values, Quillmarsh_twinfold has 1 parameter");
}

TEST(ThirdPartyPresets, APlugInWithoutChunksRoundTripsItsParameterList) {
  const std::string plugin = thirdPartyStereoPlugin();
  if (plugin.empty()) GTEST_SKIP() << "dpf-plugins-vst is not installed for this target";
  ScratchFolder folder;
  const std::string preset = folder.file("eq.fxp");
  RunResult run = runRender({"--param", "1=0.75", "--save-preset", preset, plugin});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<std::uint8_t> bytes = readBytes(preset);
  ASSERT_GE(bytes.size(), 56u);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FxCk");
  run = runRender({"--preset", preset, "--info", plugin});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("    1  Mid            0.750000"), std::string::npos) << run.output;
}

}  // namespace
