// Running the built vst-render and making and reading the files it works on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
  int lineCount() const;
};

// Runs `program` with `arguments` (each quoted for the shell); extra environment
// settings go in front as NAME=VALUE, then the launcher's words (an emulator), if any.
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& environment = "", const std::string& launcher = "");
// The same for the built vst-render, through the build's emulator where it has one.
RunResult runRender(const std::vector<std::string>& arguments, const std::string& environment = "");

std::string twinfoldPlugin();

// Whether this build's vst-render hosts LV2 plug-ins: it needs lilv, which the Windows
// builds lack.
inline constexpr bool kRendererHostsLv2 = RENDERER_HOSTS_LV2;
inline constexpr const char* kNoLv2Hosting = "this build of vst-render has no LV2 hosting (no lilv)";
// A stereo plug-in from Debian's dpf-plugins-vst, or empty when it is not installed.
std::string thirdPartyStereoPlugin();
// A stereo reverb from the same package (it keeps sounding after its input ends), or empty.
std::string thirdPartyReverbPlugin();

// A new, empty folder under the system's temporary folder (run_program_<system>.cpp).
std::filesystem::path makeScratchFolder();

// Whether the libsndfile the renderer links (the same build as the tests') writes this
// container | encoding; the Windows builds have no codec libraries (FLAC, Ogg, MPEG).
bool libsndfileWrites(int format);

// A fresh folder per test, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // File names in the folder, sorted: a leftover temporary file shows up here.
  std::vector<std::string> entries() const;

 private:
  std::filesystem::path path_;
};

struct Audio {
  std::int32_t channels = 0;
  std::int32_t sampleRate = 0;
  int format = 0;  // libsndfile container | encoding
  std::vector<std::vector<float>> planes;
  std::int64_t frames() const { return planes.empty() ? 0 : static_cast<std::int64_t>(planes[0].size()); }
};

// Uniform noise from -1 to 1 with a few values that careless conversions change:
// signed zeros, subnormals, full scale.
std::vector<float> noise(std::size_t frames, std::uint32_t seed);
void writeAudio(const std::string& path, const std::vector<std::vector<float>>& planes, std::int32_t sampleRate,
                int format);
Audio readAudio(const std::string& path);

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeText(const std::string& path, const std::string& text);

// Overwrites the four bytes at `offset` with a big-endian value: a preset field spoilt.
void putBigEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
