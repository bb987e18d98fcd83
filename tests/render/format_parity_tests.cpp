// The same input through this product's four editions (the VST 2.4 library, the VST3
// bundle, the CLAP file and the LV2 bundle), each hosted by vst-render in its own
// format: byte-identical outputs in stereo, in mono and with the switch at 1.5 s.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "tests/render/render_test_support.h"

namespace {

struct Setting {
  const char* name;
  std::vector<std::string> params;
  std::vector<std::string> options = {};
};

const Setting kSettings[] = {
    {"stereo", {"stereo / mono=stereo"}},
    {"mono", {"stereo / mono=mono"}},
    {"switch_at_frame_72000", {"stereo / mono=stereo", "stereo / mono=mono@72000f"}},
    {"switch_at_seconds", {"0=0", "0=1@1.5"}},
    // LV2 has no 64-bit processing: it refuses, the other three agree.
    {"switch_in_double_precision", {"0=1@72000f"}, {"--double"}},
};

void PrintTo(const Setting& setting, std::ostream* out) { *out << setting.name; }

class FormatParity : public ::testing::TestWithParam<Setting> {};

TEST_P(FormatParity, EveryEditionWritesTheSameBytes) {
  ScratchFolder folder;
  // AU with float samples carries no time stamp in its header, unlike WAV.
  const std::string input = folder.file("in.au");
  writeAudio(input, {noise(96000, 21), noise(96000, 22)}, 48000, SF_FORMAT_AU | SF_FORMAT_FLOAT);
  std::vector<std::uint8_t> reference;
  for (const std::string& plugin : {twinfoldPlugin(), std::string(TWINFOLD_VST3_BUNDLE), std::string(TWINFOLD_CLAP_FILE),
                                    std::string(TWINFOLD_LV2_BUNDLE)}) {
    if (plugin == TWINFOLD_LV2_BUNDLE && !kRendererHostsLv2) continue;
    std::vector<std::string> arguments = GetParam().options;
    for (const std::string& param : GetParam().params) arguments.insert(arguments.end(), {"--param", param});
    const std::string output = folder.file("out-" + std::to_string(reference.empty() ? 0 : 1) + ".au");
    // 72000 is no multiple of 700: the switch falls inside a block.
    arguments.insert(arguments.end(), {"-b", "700", plugin, input, output});
    const RunResult run = runRender(arguments);
    if (!GetParam().options.empty() && plugin == TWINFOLD_LV2_BUNDLE) {
      EXPECT_EQ(run.exitCode, 1) << run.output;
      EXPECT_NE(run.output.find("LV2 plug-ins process 32-bit samples only; run without --double"), std::string::npos);
      continue;
    }
    ASSERT_EQ(run.exitCode, 0) << plugin << ": " << run.output;
    const std::vector<std::uint8_t> bytes = readBytes(output);
    if (reference.empty()) {
      reference = bytes;
      const Audio audio = readAudio(output);
      ASSERT_EQ(audio.frames(), 96000);
      // Mono from the switch on, and not a frame before.
      const std::string name = GetParam().name;
      const std::int64_t monoFrom = name == "stereo" ? 96000 : name == "mono" ? 0 : 72000;  // 1.5 s at 48 kHz
      for (std::int64_t frame : {std::int64_t{1000}, std::int64_t{71999}, std::int64_t{72000}, std::int64_t{95999}}) {
        const auto f = static_cast<std::size_t>(frame);
        EXPECT_EQ(audio.planes[0][f] == audio.planes[1][f], frame >= monoFrom) << "frame " << frame;
      }
    } else {
      EXPECT_TRUE(bytes == reference) << plugin << " differs from the VST 2.4 library's output";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, FormatParity, ::testing::ValuesIn(kSettings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormatInfo, JsonShowsWhatTheHostSeesInEveryFormat) {
  for (const std::string& plugin : {twinfoldPlugin(), std::string(TWINFOLD_VST3_BUNDLE), std::string(TWINFOLD_CLAP_FILE),
                                    std::string(TWINFOLD_LV2_BUNDLE)}) {
    if (plugin == TWINFOLD_LV2_BUNDLE && !kRendererHostsLv2) continue;
    const RunResult run = runRender({"--info", "--json", plugin});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("\"inputs\":2,\"outputs\":2,\"latency\":0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"name\":\"stereo / mono\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"displays\":{\"0\":\"stereo\",\"0.5\":"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.front(), '{');
    EXPECT_EQ(run.lineCount(), 1);
  }
}

}  // namespace

namespace {

// One third-party plug-in Debian packages in all four formats (zam-plugins), hosted
// from the system on purpose, gives the same bytes in each; its LV2 form is found by URI.
TEST(ThirdPartyFormats, OnePluginRendersAlikeInEveryFormat) {
  const std::vector<std::string> plugins = {"/usr/lib/vst/ZamAutoSat-vst.so", "/usr/lib/vst3/ZamAutoSat.vst3",
                                            "/usr/lib/clap/ZamAutoSat.clap", "urn:zamaudio:ZamAutoSat"};
  for (const std::string& file : {plugins[0], plugins[1], plugins[2], std::string("/usr/lib/lv2/ZamAutoSat.lv2")})
    if (!std::filesystem::exists(file) || std::string(THIRD_PARTY_VST_FOLDER).empty())
      GTEST_SKIP() << file << " is not installed (zam-plugins) or this build cannot run it";
  ScratchFolder folder;
  const std::string input = folder.file("in.au");
  writeAudio(input, {noise(24000, 31)}, 48000, SF_FORMAT_AU | SF_FORMAT_FLOAT);
  std::vector<std::uint8_t> reference;
  for (std::size_t i = 0; i < plugins.size(); ++i) {
    const std::string output = folder.file("out" + std::to_string(i) + ".au");
    const RunResult run = runRender({plugins[i], input, output});
    ASSERT_EQ(run.exitCode, 0) << plugins[i] << ": " << run.output;
    if (i == 0) reference = readBytes(output);
    EXPECT_TRUE(readBytes(output) == reference) << plugins[i] << " differs from the VST 2.4 form";
  }
  EXPECT_GT(reference.size(), 24000u * sizeof(float));
}

}  // namespace

namespace {

TEST(TimedSettings, ATimeThatIsNoTimeIsAUsageError) {
  for (const char* setting : {"0=1@-1", "0=1@1.5f", "0=1@nanf"}) {
    const RunResult run = runRender({"--param", setting, "--info", twinfoldPlugin()});
    EXPECT_EQ(run.exitCode, 2) << setting << ": " << run.output;
    EXPECT_NE(run.output.find("seconds (1.5) or whole frames (72000f)"), std::string::npos) << run.output;
  }
}

}  // namespace
