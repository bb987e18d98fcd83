#include "tests/render/render_test_support.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "tests/support/reference_audio.h"

int RunResult::lineCount() const { return static_cast<int>(std::count(output.begin(), output.end(), '\n')); }

RunResult runRender(const std::vector<std::string>& arguments, const std::string& environment) {
  return runProgram(VST_RENDER_PROGRAM, arguments, environment, VST_RENDER_LAUNCHER);
}

std::string twinfoldPlugin() { return TWINFOLD_PLUGIN_FILE; }

namespace {

// Empty when the build has no such folder for its target (THIRD_PARTY_VST_FOLDER is
// empty) or the package is not installed.
std::string installedOrEmpty(const std::string& name) {
  const std::string folder = THIRD_PARTY_VST_FOLDER;
  if (folder.empty()) return "";
  const std::string path = folder + "/" + name;
  return std::filesystem::exists(path) ? path : "";
}

}  // namespace

std::string thirdPartyStereoPlugin() { return installedOrEmpty("3BandEQ-vst.so"); }
std::string thirdPartyReverbPlugin() { return installedOrEmpty("MVerb-vst.so"); }

ScratchFolder::ScratchFolder() : path_(makeScratchFolder()) {}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<float> noise(std::size_t frames, std::uint32_t seed) {
  std::vector<float> samples = noiseSamples(frames, seed);
  const float special[] = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(), -1.0e-40f, 1.0f, -1.0f};
  for (std::size_t i = 0; i < std::size(special) && i * 7 < frames; ++i) samples[i * 7] = special[i];
  return samples;
}

void writeAudio(const std::string& path, const std::vector<std::vector<float>>& planes, std::int32_t sampleRate,
                int format) {
  SF_INFO info{};
  info.channels = static_cast<int>(planes.size());
  info.samplerate = sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
  const std::size_t frames = planes[0].size();
  std::vector<float> interleaved(frames * planes.size());
  for (std::size_t frame = 0; frame < frames; ++frame)
    for (std::size_t channel = 0; channel < planes.size(); ++channel)
      interleaved[frame * planes.size() + channel] = planes[channel][frame];
  sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
}

Audio readAudio(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
  Audio audio{info.channels, info.samplerate, info.format, {}};
  const auto frames = static_cast<std::size_t>(info.frames);
  std::vector<float> interleaved(frames * static_cast<std::size_t>(info.channels));
  sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  audio.planes.assign(static_cast<std::size_t>(info.channels), std::vector<float>(frames));
  for (std::size_t frame = 0; frame < frames; ++frame)
    for (std::size_t channel = 0; channel < audio.planes.size(); ++channel)
      audio.planes[channel][frame] = interleaved[frame * audio.planes.size() + channel];
  return audio;
}

// sf_format_check judges the combination alone; the containers libsndfile was built
// with are those it lists.
bool libsndfileWrites(int format) {
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  bool listed = false;
  for (int index = 0; index < count && !listed; ++index) {
    SF_FORMAT_INFO major{};
    major.format = index;
    listed = sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major) == 0 &&
             major.format == (format & SF_FORMAT_TYPEMASK);
  }
  if (!listed) return false;
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = 48000;
  info.format = format;
  return sf_format_check(&info) != 0;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

void putBigEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
