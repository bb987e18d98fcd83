// OUTPUT's file type follows --type, else its extension; the encoding is --encoding's,
// INPUT's or the nearest the type holds. Types are read back with libsndfile, never judged
// by name, and refusals are matched on the program's own words, not libsndfile's.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <tuple>

#include "tests/render/render_test_support.h"

namespace {

constexpr std::int32_t kRate = 48000;  // a rate every type holds, Opus included
constexpr std::size_t kFrames = 4800;
constexpr int kFlac24 = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;

class OutputType : public ::testing::Test {
 protected:
  void SetUp() override { writeAudio(input, {noise(kFrames, 1), noise(kFrames, 2)}, kRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT); }

  // Renders INPUT to `name` and answers the file's libsndfile format.
  int renderedFormat(const std::string& name, std::vector<std::string> options = {}) {
    options.insert(options.end(), {twinfoldPlugin(), input, folder.file(name)});
    lastRun = runRender(options);
    EXPECT_EQ(lastRun.exitCode, 0) << lastRun.output;
    const Audio audio = readAudio(folder.file(name));
    EXPECT_EQ(audio.channels, 2) << name;
    return audio.format;
  }

  // A refused request: exit 2, one line saying why, no file of any name left.
  void expectRefused(const std::string& name, std::vector<std::string> options, const std::string& message,
                     const std::string& plugin = twinfoldPlugin()) {
    options.insert(options.end(), {plugin, input, folder.file(name)});
    const RunResult run = runRender(options);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(run.output.starts_with("vst-render: ")) << run.output;
    EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    EXPECT_EQ(run.lineCount(), 1) << run.output;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"in.wav"});
  }

  ScratchFolder folder;
  std::string input = folder.file("in.wav");
  RunResult lastRun;
};

// The codec types are written where libsndfile has their libraries (Linux) and refused
// by name where it has not (Windows).
TEST_F(OutputType, EachExtensionWritesItsContainerKeepingFloatWhereItFits) {
  const std::pair<const char*, int> expected[] = {
      {"a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},     {"b.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
      {"c.AIFF", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},   {"d.au", SF_FORMAT_AU | SF_FORMAT_FLOAT},
      {"e.caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},     {"f.w64", SF_FORMAT_W64 | SF_FORMAT_FLOAT},
      {"g.rf64", SF_FORMAT_RF64 | SF_FORMAT_FLOAT},   {"no-extension", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
      {"h.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},    {"i.oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
      {"j.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},     {"k.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
      {"l.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
  };
  for (const auto& [name, format] : expected) {
    if (libsndfileWrites(format)) {
      EXPECT_EQ(renderedFormat(name), format) << name;
      continue;
    }
    const std::string extension = std::string(name).substr(std::string(name).rfind('.'));
    const RunResult run = runRender({"/no/such/plugin.dll", input, folder.file(name)});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("cannot write " + extension + " files"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(folder.file(name))) << name;
  }
}

TEST_F(OutputType, FlacTakesTheNearestEncodingFromFloatAndSaysSo) {
  if (!libsndfileWrites(kFlac24)) GTEST_SKIP() << "this build's libsndfile has no FLAC";
  EXPECT_EQ(renderedFormat("out.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_NE(lastRun.output.find(", 24-bit PCM (in place of the input's 32-bit float): 4800 frames"),
            std::string::npos) << lastRun.output;
  const Audio flac = readAudio(folder.file("out.flac")), original = readAudio(input);
  ASSERT_EQ(flac.frames(), static_cast<std::int64_t>(kFrames));
  for (std::size_t i = 0; i < kFrames; ++i)
    ASSERT_NEAR(flac.planes[1][i], original.planes[1][i], 1.0 / (1 << 23)) << i;  // 24-bit rounding only
  EXPECT_EQ(renderedFormat("16.flac", {"--format", "pcm16"}), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
}

TEST_F(OutputType, TypeOptionOverridesTheExtensionAndEncodingHasItsShortAndOldNames) {
  if (!libsndfileWrites(kFlac24)) GTEST_SKIP() << "this build's libsndfile has no FLAC";
  const std::tuple<const char*, std::vector<std::string>, int> expected[] = {
      {"take.render", {"-t", "flac"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
      {"no-extension", {"--type", "AIFF", "-e", "pcm16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
      {"looks-like.wav", {"-t", ".caf", "--format", "pcm24"}, SF_FORMAT_CAF | SF_FORMAT_PCM_24},
      {"d.wav", {"--encoding", "double"}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
  };
  for (const auto& [name, options, format] : expected) EXPECT_EQ(renderedFormat(name, options), format) << name;
}

TEST_F(OutputType, SixteenBitInputKeepsItsEncodingWhereItFitsAndNoExtensionKeepsItsContainer) {
  if (!libsndfileWrites(kFlac24)) GTEST_SKIP() << "this build's libsndfile has no FLAC";
  writeAudio(input, {noise(kFrames, 3), noise(kFrames, 4)}, kRate, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_EQ(renderedFormat("out.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_EQ(lastRun.output.find("in place of"), std::string::npos) << lastRun.output;
  EXPECT_EQ(renderedFormat("out"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_EQ(renderedFormat("out.caf"), SF_FORMAT_CAF | SF_FORMAT_PCM_16);
  EXPECT_EQ(renderedFormat("out.wav", {"--format", "pcm24"}), SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_EQ(renderedFormat("8.wav", {"--format", "pcm8"}), SF_FORMAT_WAV | SF_FORMAT_PCM_U8);  // WAV's 8 bits are unsigned
}

TEST_F(OutputType, UnwritableExtensionsAreRefusedBeforeThePlugInIsLoaded) {
  for (const char* name : {"out.mp4", "out.txt", "out.flac.bak"})
    expectRefused(name, {}, std::string("cannot write .") + (std::string(name).substr(std::string(name).rfind('.') + 1)) +
                                " files", "/no/such/plugin.so");
  expectRefused("out.wav", {"-t", "mp4"}, "--type mp4: cannot write this type; the output types are ",
                "/no/such/plugin.so");
  expectRefused("out.m4a", {}, "cannot write .m4a files ('" + folder.file("out.m4a") + "'); the output types are ");
}

TEST_F(OutputType, EncodingsTheContainerCannotHoldAreRefusedWithThoseItCan) {
  if (libsndfileWrites(kFlac24))
    expectRefused("out.flac", {"--format", "float"}, " files cannot hold --encoding float; it holds pcm8, pcm16, pcm24");
  if (libsndfileWrites(SF_FORMAT_OGG | SF_FORMAT_VORBIS))
    expectRefused("out.ogg", {"-e", "pcm16"}, " files cannot hold --encoding pcm16; it holds vorbis");
  expectRefused("out.wav", {"--encoding", "vorbis"}, " files cannot hold --encoding vorbis; it holds pcm8, pcm16,");
  // Without an extension the container is INPUT's, checked once INPUT is open.
  expectRefused("out", {"--format", "opus"}, " files cannot hold --encoding opus");
}

TEST_F(OutputType, ARateTheEncodingCannotTakeFailsWithoutLeavingAFile) {
  if (!libsndfileWrites(SF_FORMAT_OGG | SF_FORMAT_OPUS)) GTEST_SKIP() << "this build's libsndfile has no Opus";
  writeAudio(input, {noise(kFrames, 5), noise(kFrames, 6)}, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  const RunResult run = runRender({twinfoldPlugin(), input, folder.file("out.opus")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("vst-render: cannot write '" + folder.file("out.opus") + "'"), std::string::npos) << run.output;
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"in.wav"});
}

}  // namespace
