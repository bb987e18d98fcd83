// How PLUGIN and --plugin-id pick a plug-in of each format, what is said when that
// fails, and a third-party plug-in's display texts setting the same values in two formats.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "tests/render/render_test_support.h"

namespace {

struct ChoiceCase {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  std::string message;
};

void PrintTo(const ChoiceCase& choice, std::ostream* out) { *out << choice.name; }

class PluginChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(PluginChoice, SaysWhatWentWrong) {
  if (std::string(GetParam().name).find("lv2") != std::string::npos && !kRendererHostsLv2) GTEST_SKIP() << kNoLv2Hosting;
  std::vector<std::string> arguments = {"--info"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const RunResult run = runRender(arguments);
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.output;
  EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
}

const std::string kClap = TWINFOLD_CLAP_FILE, kLv2 = TWINFOLD_LV2_BUNDLE, kVst3 = TWINFOLD_VST3_BUNDLE;

INSTANTIATE_TEST_SUITE_P(
    Formats, PluginChoice,
    ::testing::Values(
        ChoiceCase{"missing_vst3", {"/nowhere/x.vst3"}, 1, "plug-in '/nowhere/x.vst3' not found"},
        ChoiceCase{"missing_clap", {"/nowhere/x.clap"}, 1, "plug-in '/nowhere/x.clap' not found"},
        ChoiceCase{"missing_lv2_bundle", {"/nowhere/x.lv2"}, 1, "LV2 bundle '/nowhere/x.lv2' not found"},
        ChoiceCase{"vst2_library_named_clap", {FIXTURE_SIDECHAIN_CLAP}, 1, "is not a CLAP plug-in: it exports no clap_entry"},
        ChoiceCase{"id_for_vst2", {"--plugin-id", "x", TWINFOLD_PLUGIN_FILE}, 2, "--plugin-id is for CLAP files"},
        ChoiceCase{"unknown_clap_id", {"--plugin-id", "com.example.other", kClap}, 1,
                   "holds no plug-in 'com.example.other'; it holds com.quillmarsh.twinfold"},
        ChoiceCase{"unknown_lv2_uri", {"--plugin-id", "urn:example:other", kLv2}, 1,
                   "holds no plug-in 'urn:example:other'; it holds urn:quillmarsh:twinfold"},
        ChoiceCase{"unknown_vst3_class", {"--plugin-id", "Other", kVst3}, 1, "holds no VST3 class named 'Other'"},
        ChoiceCase{"clap_by_id", {"--plugin-id", "com.quillmarsh.twinfold", kClap}, 0, "ID            com.quillmarsh.twinfold"},
        ChoiceCase{"lv2_by_uri_in_bundle", {"--plugin-id", "urn:quillmarsh:twinfold", kLv2}, 0, "Format        LV2"}),
    [](const auto& info) { return std::string(info.param.name); });

// DPF's three-band equaliser as a VST 2.4 library and as an installed LV2 plug-in: the
// same display texts give the same output, though the formats' defaults differ.
TEST(ThirdPartyFormats, DisplayTextsSetTheSameValuesInEachFormat) {
  const std::string vst = std::string(THIRD_PARTY_VST_FOLDER) + "/3BandEQ-vst.so";
  if (std::string(THIRD_PARTY_VST_FOLDER).empty() || !std::filesystem::exists(vst) ||
      !std::filesystem::exists("/usr/lib/lv2/3BandEQ.lv2"))
    GTEST_SKIP() << "dpf-plugins-vst and dpf-plugins-lv2 are not installed, or this build cannot run them";
  ScratchFolder folder;
  const std::string input = folder.file("in.au");
  writeAudio(input, {noise(9600, 41), noise(9600, 42)}, 48000, SF_FORMAT_AU | SF_FORMAT_FLOAT);
  std::vector<std::vector<std::uint8_t>> outputs;
  for (const std::string& plugin : {vst, std::string("http://distrho.sf.net/plugins/3BandEQ")}) {
    const std::string output = folder.file("out" + std::to_string(outputs.size()) + ".au");
    const RunResult run = runRender({"-p", "Low=6", "-p", "Mid=-3", "-p", "Low-Mid Freq=440", "-p",
                                     "Mid-High Freq=3000", plugin, input, output});
    ASSERT_EQ(run.exitCode, 0) << plugin << ": " << run.output;
    outputs.push_back(readBytes(output));
  }
  EXPECT_TRUE(outputs[0] == outputs[1]);
  const RunResult shown = runRender({"-p", "Low=6", "--info", "http://distrho.sf.net/plugins/3BandEQ"});
  EXPECT_NE(shown.output.find("low       Low            0.625000  6\n"), std::string::npos) << shown.output;
}

}  // namespace
