// Every kind of bad input: one message saying what is wrong, exit code 1 (2 for a
// usage error), no output file, and an existing output left as it was.
#include <gtest/gtest.h>
#include <sndfile.h>

#include "tests/render/render_test_support.h"

namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { writeAudio(input, {noise(1000, 7), noise(1000, 8)}, 48000, kFloatWav); }

  // Runs a render that must fail with `message`, once onto a fresh output name and
  // once onto an existing output, which must keep its contents.
  void expectFailure(const std::vector<std::string>& options, const std::string& plugin, const std::string& source,
                     const std::string& message, int exitCode = 1) {
    for (const bool existing : {false, true}) {
      if (existing) writeText(output, "an earlier result");
      std::vector<std::string> arguments = options;
      arguments.insert(arguments.end(), {plugin, source, output});
      const RunResult run = runRender(arguments);
      EXPECT_EQ(run.exitCode, exitCode) << run.output;
      EXPECT_TRUE(run.output.starts_with("vst-render: ")) << run.output;
      EXPECT_NE(run.output.find(message), std::string::npos) << "expected: " << message << "\ngot: " << run.output;
      EXPECT_EQ(run.lineCount(), 1) << run.output;
      if (existing) {
        const std::vector<std::uint8_t> kept = readBytes(output);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "an earlier result");
      } else {
        EXPECT_FALSE(std::filesystem::exists(output)) << message;
      }
      std::filesystem::remove(output);
      // Nothing left behind: no temporary file either.
      for (const std::string& name : folder.entries())
        EXPECT_TRUE(name == "in.wav" || name == "mono.wav" || name == "notes.wav") << "left behind: " << name;
    }
  }

  ScratchFolder folder;
  std::string input = folder.file("in.wav"), output = folder.file("out.wav");
};

TEST_F(BadInput, MissingOrUnreadableInputFile) {
  expectFailure({}, twinfoldPlugin(), folder.file("nowhere.wav"), "input file '" + folder.file("nowhere.wav") + "' not found");
  writeText(folder.file("notes.wav"), "these are not samples");
  expectFailure({}, twinfoldPlugin(), folder.file("notes.wav"), "cannot read input file '" + folder.file("notes.wav") + "'");
}

TEST_F(BadInput, LibrariesThatAreNotVst24PlugIns) {
  expectFailure({}, folder.file("missing.so"), input, "plug-in '" + folder.file("missing.so") + "' not found");
  writeText(folder.file("notes.wav"), "not a library");
  expectFailure({}, folder.file("notes.wav"), input, "is not a loadable plug-in library");
  expectFailure({}, FIXTURE_NO_ENTRY_FILE, input, "is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main");
  expectFailure({}, FIXTURE_BAD_MAGIC_FILE, input, "is not a VST 2.4 plug-in: its entry point answered a record without the 'VstP' magic");
  expectFailure({}, FIXTURE_NULL_ENTRY_FILE, input, "refused to start: its entry point answered no instance (null)");
}

TEST_F(BadInput, FileChannelsThatCannotFeedThePlugInSayHowToFixIt) {
  const std::string mono = folder.file("mono.wav");
  writeAudio(mono, {noise(500, 9)}, 48000, kFloatWav);
  expectFailure({}, twinfoldPlugin(), mono, "'" + mono + "' is mono but Quillmarsh_twinfold takes 2 inputs; add --upmix");
  const std::string three = folder.file("notes.wav");
  writeAudio(three, {noise(500, 9), noise(500, 10), noise(500, 11)}, 48000, kFloatWav);
  expectFailure({"--upmix"}, twinfoldPlugin(), three,
                "has 3 channels but Quillmarsh_twinfold takes 2 inputs; convert the file to 2 channels first");
}

// Counts that would size buffers past any memory are refused before anything is sized.
TEST_F(BadInput, PlugInsAnnouncingMoreChannelsThanAFileCanHoldAreRefused) {
  const std::string mono = folder.file("mono.wav");
  writeAudio(mono, {noise(500, 9)}, 48000, kFloatWav);
  expectFailure({"--upmix"}, FIXTURE_WIDE_FILE, mono,
                "Render wide announces 1073741824 audio inputs; vst-render takes at most 1024");
}

TEST_F(BadInput, UnknownParameterNamesAndTextsListTheValidOnes) {
  constexpr int kUsage = 2;
  expectFailure({"--param", "width=mono"}, twinfoldPlugin(), input,
                "no parameter named \"width\"; its parameters are 0 \"stereo / mono\"", kUsage);
  expectFailure({"--param", "stereo / mono=surround"}, twinfoldPlugin(), input,
                "never shows \"surround\"; its display texts are \"stereo\", \"mono\"", kUsage);
  expectFailure({"--param", "3=1"}, twinfoldPlugin(), input, "no parameter 3; its parameters are 0 \"stereo / mono\"",
                kUsage);
  expectFailure({"--param", "0=1.5"}, twinfoldPlugin(), input, "the value must be a number from 0 to 1", kUsage);
  expectFailure({"--param", "mono"}, twinfoldPlugin(), input, "write INDEX=VALUE or NAME=TEXT", kUsage);
}

TEST_F(BadInput, OutputThatCannotBeWritten) {
  const RunResult run = runRender({twinfoldPlugin(), input, folder.file("no/such/folder/out.wav")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("cannot write '" + folder.file("no/such/folder/out.wav") + "'"), std::string::npos) << run.output;
}

TEST_F(BadInput, DoublePrecisionThatThePlugInDoesNotOffer) {
  expectFailure({"--double"}, FIXTURE_PROBE_FILE, input, "Render probe offers no 64-bit processing; run without --double");
}

TEST(BadCommandLine, UsageErrorsExitWithTwoAndOnePrefixedLine) {
  const std::vector<std::vector<std::string>> usageErrors = {
      {},                                             // no plug-in
      {"--bogus", twinfoldPlugin()},                  // unknown option
      {twinfoldPlugin(), "--param"},                  // missing argument
      {"--format", "mp4", twinfoldPlugin()},          // bad values
      {"--block-size", "0", twinfoldPlugin()},
      {"--tail", "-1", twinfoldPlugin()},
      {"--tail", "nan", twinfoldPlugin()},
      {twinfoldPlugin(), "in.wav"},                   // INPUT without OUTPUT
  };
  for (const std::vector<std::string>& arguments : usageErrors) {
    const RunResult run = runRender(arguments);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(run.output.starts_with("vst-render: ")) << run.output;
    EXPECT_EQ(run.lineCount(), 1) << run.output;
  }
  EXPECT_NE(runRender({twinfoldPlugin(), "in.wav"}).output.find("give an OUTPUT file after INPUT"), std::string::npos);
  const RunResult missing = runRender({"/no/such/plugin.so"});
  EXPECT_EQ(missing.exitCode, 1) << missing.output;
  const RunResult help = runRender({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("NAME=TEXT"), std::string::npos);
  EXPECT_NE(help.output.find("Exit codes: 0 success; 1 a failed render or a file or plug-in problem; 2 a usage error"),
            std::string::npos) << help.output;
  // The file types are this build's: FLAC where its libsndfile has the codec, never elsewhere.
  const std::size_t reads = help.output.find("  reads   AIFF, AU, AVR, CAF, ");
  const std::size_t writes = help.output.find("  writes  aif, aifc, aiff, au, avr, caf, ");
  ASSERT_NE(reads, std::string::npos) << help.output;
  ASSERT_NE(writes, std::string::npos) << help.output;
  const bool flac = libsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_EQ(help.output.substr(reads, writes - reads).find("FLAC") != std::string::npos, flac) << help.output;
  EXPECT_EQ(help.output.find("flac, ", writes) != std::string::npos, flac) << help.output;
  EXPECT_NE(help.output.find("WAV", reads), std::string::npos) << help.output;
}

}  // namespace
