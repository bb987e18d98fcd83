// State per format through the command line: each of this product's editions saves its
// state and takes it back; the VST3 and CLAP editions also take a VST 2.4 program; a
// state made for another plug-in is refused with a message that says so.
#include <gtest/gtest.h>

#include "tests/render/render_test_support.h"

namespace {

struct StateCase {
  const char* name;
  std::string plugin;
  const char* file;
};

void PrintTo(const StateCase& state, std::ostream* out) { *out << state.name; }

class FormatState : public ::testing::TestWithParam<StateCase> {};

TEST_P(FormatState, SavedStateComesBackAndAProgramFileLoads) {
  if (std::string(GetParam().name) == "lv2" && !kRendererHostsLv2) GTEST_SKIP() << kNoLv2Hosting;
  ScratchFolder folder;
  const std::string state = folder.file(GetParam().file);
  const RunResult saved = runRender({"--param", "stereo / mono=mono", "--save-preset", state, GetParam().plugin});
  ASSERT_EQ(saved.exitCode, 0) << saved.output;
  const std::string monoLine = "stereo / mono  1.000000  mono";
  const RunResult fresh = runRender({"--info", GetParam().plugin});
  EXPECT_EQ(fresh.output.find(monoLine), std::string::npos) << fresh.output;
  const RunResult loaded = runRender({"--preset", state, "--info", GetParam().plugin});
  ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
  EXPECT_NE(loaded.output.find(monoLine), std::string::npos) << loaded.output;

  const std::string program = folder.file("mono.fxp");
  ASSERT_EQ(runRender({"-p", "0=1", "--save-preset", program, twinfoldPlugin()}).exitCode, 0);
  const RunResult fromProgram = runRender({"--preset", program, "--info", GetParam().plugin});
  if (std::string(GetParam().name) == "lv2") {
    EXPECT_EQ(fromProgram.exitCode, 1) << fromProgram.output;
    EXPECT_NE(fromProgram.output.find("is not an LV2 state lilv can read"), std::string::npos) << fromProgram.output;
  } else {
    EXPECT_NE(fromProgram.output.find(monoLine), std::string::npos) << fromProgram.output;
  }
}

INSTANTIATE_TEST_SUITE_P(Editions, FormatState,
                         ::testing::Values(StateCase{"vst3", TWINFOLD_VST3_BUNDLE, "mono.vst3state"},
                                           StateCase{"clap", TWINFOLD_CLAP_FILE, "mono.clapstate"},
                                           StateCase{"lv2", TWINFOLD_LV2_BUNDLE, "mono.ttl"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormatState, AnotherPluginsStateIsRefused) {
  ScratchFolder folder;
  const std::string clapState = folder.file("mono.clapstate");
  writeText(folder.file("other.ttl"),
            "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
            "<urn:vst-render:state> a <http://lv2plug.in/ns/ext/presets#Preset> ; lv2:appliesTo <urn:example:other> .\n");
  if (kRendererHostsLv2) {
    const RunResult lv2 = runRender({"--preset", folder.file("other.ttl"), "--info", TWINFOLD_LV2_BUNDLE});
    EXPECT_EQ(lv2.exitCode, 1);
    EXPECT_NE(lv2.output.find("was made for <urn:example:other>, not for Quillmarsh_twinfold <urn:quillmarsh:twinfold>"),
              std::string::npos)
        << lv2.output;
  }
  writeBytes(clapState, {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'a', 't', 'e'});
  const RunResult clap = runRender({"--preset", clapState, "--info", TWINFOLD_CLAP_FILE});
  EXPECT_EQ(clap.exitCode, 1);
  EXPECT_NE(clap.output.find("'" + clapState + "': Quillmarsh_twinfold refused the state"), std::string::npos)
      << clap.output;
}

}  // namespace
