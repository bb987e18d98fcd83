// Several inputs into a folder (-o), and a plug-in with more inputs than the file has
// channels: silence for the rest, or the --sidechain file's channels.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "tests/render/render_test_support.h"

namespace {

TEST(Batch, RendersEachInputUnderItsNameAndFailsWhenAnyFailed) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder.file("out"));
  writeAudio(folder.file("a.wav"), {noise(4800, 1), noise(4800, 2)}, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  writeAudio(folder.file("b.aiff"), {noise(2400, 3), noise(2400, 4)}, 48000, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
  writeAudio(folder.file("mono.wav"), {noise(2400, 5)}, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

  const RunResult good = runRender({"-o", folder.file("out"), "-t", "caf", twinfoldPlugin(), folder.file("a.wav"),
                                    folder.file("b.aiff")});
  ASSERT_EQ(good.exitCode, 0) << good.output;
  EXPECT_NE(good.output.find("Batch: 2 of 2 files rendered"), std::string::npos) << good.output;
  EXPECT_EQ(readAudio(folder.file("out/a.caf")).frames(), 4800);
  EXPECT_EQ(readAudio(folder.file("out/b.caf")).frames(), 2400);

  // The mono file fails (no --upmix); the missing one too; the last is still written.
  const RunResult mixed = runRender({"-o", folder.file("out"), twinfoldPlugin(), folder.file("mono.wav"),
                                     folder.file("none.wav"), folder.file("b.aiff")});
  EXPECT_EQ(mixed.exitCode, 1) << mixed.output;
  EXPECT_NE(mixed.output.find(folder.file("mono.wav") + ": '"), std::string::npos) << mixed.output;
  EXPECT_NE(mixed.output.find("Batch: 1 of 3 files rendered"), std::string::npos) << mixed.output;
  EXPECT_EQ(readAudio(folder.file("out/b.aiff")).frames(), 2400);
  EXPECT_FALSE(std::filesystem::exists(folder.file("out/mono.wav")));

  const RunResult several = runRender({twinfoldPlugin(), folder.file("a.wav"), folder.file("x.wav"), folder.file("y.wav")});
  EXPECT_EQ(several.exitCode, 2) << several.output;
}

TEST(Sidechain, SilenceOrTheSidechainFileFeedsTheInputsLeftOver) {
  ScratchFolder folder;
  const std::vector<float> main = noise(3000, 7), other = noise(3000, 8), side = noise(1000, 9), side2 = noise(1000, 10);
  writeAudio(folder.file("main.wav"), {main, other}, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  writeAudio(folder.file("side.wav"), {side, side2}, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

  const RunResult silent = runRender({FIXTURE_SIDECHAIN_FILE, folder.file("main.wav"), folder.file("silent.wav")});
  ASSERT_EQ(silent.exitCode, 0) << silent.output;
  EXPECT_NE(silent.output.find("takes 4 inputs; inputs 3 to 4 get silence (feed them with --sidechain FILE)"),
            std::string::npos)
      << silent.output;
  const Audio plain = readAudio(folder.file("silent.wav"));
  ASSERT_EQ(plain.channels, 1);  // fewer outputs than inputs: the outputs it has
  EXPECT_EQ(plain.planes[0], main);

  writeAudio(folder.file("side44.wav"), {side, side2}, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  const RunResult mismatch = runRender({"--sidechain", folder.file("side44.wav"), FIXTURE_SIDECHAIN_FILE,
                                        folder.file("main.wav"), folder.file("never.wav")});
  EXPECT_EQ(mismatch.exitCode, 1);
  EXPECT_NE(mismatch.output.find("runs at 44100 Hz, '" + folder.file("main.wav") + "' at 48000 Hz"), std::string::npos)
      << mismatch.output;

  const RunResult fed = runRender({"--sidechain", folder.file("side.wav"), FIXTURE_SIDECHAIN_FILE,
                                   folder.file("main.wav"), folder.file("fed.wav")});
  ASSERT_EQ(fed.exitCode, 0) << fed.output;
  const Audio mixed = readAudio(folder.file("fed.wav"));
  ASSERT_EQ(mixed.frames(), 3000);
  // The shorter sidechain is silence past its end.
  for (std::size_t frame : {0u, 999u, 1000u, 2999u})
    EXPECT_EQ(mixed.planes[0][frame], frame < 1000 ? main[frame] - side[frame] + side2[frame] : main[frame])
        << "frame " << frame;
}

}  // namespace
