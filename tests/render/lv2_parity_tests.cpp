// One input file through both editions: the VST 2.4 library by vst-render and the LV2
// bundle by lilv's lv2apply give byte-identical files in both modes. Both write the
// input's format; AU with float samples carries no time stamp in its header.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <limits>

#include "tests/render/render_test_support.h"

namespace {

class EditionParity : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::vector<float> left = noise(6000, 11), right = noise(6000, 12);
    const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::lowest(), 0x1.000002p0f};
    for (std::size_t i = 0; i < std::size(special); ++i) {
      left[100 + i] = special[i];
      right[200 + i] = special[i];
      left[300 + i] = right[300 + i] = special[i];
    }
    writeAudio(input, {left, right}, 48000, SF_FORMAT_AU | SF_FORMAT_FLOAT);
  }

  ScratchFolder folder;
  const std::string input = folder.file("in.au");
};

TEST_P(EditionParity, BothEditionsWriteTheSameBytes) {
  const std::string mode = GetParam();
  const std::string vstOutput = folder.file("vst.au"), lv2Output = folder.file("lv2.au");
  const RunResult vst = runRender({"--param", "0=" + std::string(mode == "mono" ? "1" : "0"), twinfoldPlugin(),
                                   input, vstOutput});
  ASSERT_EQ(vst.exitCode, 0) << vst.output;
  const RunResult lv2 = runProgram(LV2APPLY_PROGRAM,
                                   {"-i", input, "-o", lv2Output, "-c", "mode", mode == "mono" ? "1" : "0",
                                    "urn:quillmarsh:twinfold"},
                                   LV2APPLY_ENVIRONMENT);
  ASSERT_EQ(lv2.exitCode, 0) << lv2.output;
  const std::vector<std::uint8_t> vstBytes = readBytes(vstOutput), lv2Bytes = readBytes(lv2Output);
  ASSERT_GT(vstBytes.size(), 6000u * 2 * sizeof(float));
  EXPECT_TRUE(vstBytes == lv2Bytes) << "sizes " << vstBytes.size() << " and " << lv2Bytes.size();
  // The files differ between the modes, so each mode was really in force.
  const Audio audio = readAudio(vstOutput);
  EXPECT_EQ(audio.planes[0] == audio.planes[1], mode == "mono");
}

INSTANTIATE_TEST_SUITE_P(Modes, EditionParity, ::testing::Values("stereo", "mono"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
