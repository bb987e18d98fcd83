// Records what the plug-in computes, bit for bit, for a fixed set of inputs: both
// processing paths in both modes at the edges of the sample formats and on random
// bit patterns, the parameter quantisation and the state chunk. Every target (x86-64 and ARM
// Linux, 32-bit and 64-bit Windows) must produce the same bytes.
//
//   twinfold_vectors --write FILE     record the vectors into FILE
//   twinfold_vectors --compare FILE   exit 0 when the vectors equal FILE byte for byte
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/reference_audio.h"
#include "tests/support/test_host.h"

namespace {

template <class T>
std::string hexBits(T value) {
  std::uint64_t bits = bitsOf(value);
  std::string text(2 * sizeof(T), '0');
  for (std::size_t i = text.size(); i-- > 0; bits >>= 4) text[i] = "0123456789abcdef"[bits & 0xf];
  return text;
}

std::string hexBytes(const void* data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<const std::uint8_t*>(data)[i];
    text += "0123456789abcdef"[byte >> 4];
    text += "0123456789abcdef"[byte & 0xf];
  }
  return text;
}

// splitmix64: the same sequence on every target, unlike the standard distributions.
class BitSource {
 public:
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  template <class T>
  T anyBits() {
    T value;
    if constexpr (sizeof(T) == 4) {
      const auto bits = static_cast<std::uint32_t>(next() >> 32);
      std::memcpy(&value, &bits, sizeof value);
    } else {
      const std::uint64_t bits = next();
      std::memcpy(&value, &bits, sizeof value);
    }
    return value;
  }
  // Uniform in [-1, 1), built from integers so no library rounding is involved.
  template <class T>
  T audio() {
    const auto units = static_cast<std::int32_t>(next() >> 40) - (1 << 23);
    return static_cast<T>(units) / static_cast<T>(1 << 23);
  }

 private:
  std::uint64_t state_ = 0x7477696e666f6c64ull;
};

template <class T>
std::vector<T> edgeValues();

template <>
std::vector<float> edgeValues<float>() {
  using L = std::numeric_limits<float>;
  return {0.0f,        -0.0f,          1.0f,          -1.0f,        0.5f,          0.25f,
          1.0f / 3.0f, 0.1f,           FLT_MIN,       FLT_MIN / 2,  FLT_TRUE_MIN,  -FLT_TRUE_MIN,
          FLT_MAX,     -FLT_MAX,       3.0e38f,       1.0e-40f,     L::quiet_NaN(), -L::quiet_NaN(),
          L::infinity(), -L::infinity()};
}

template <>
std::vector<double> edgeValues<double>() {
  using L = std::numeric_limits<double>;
  return {0.0,           -0.0,          1.0,          -1.0,          0.5,           0.25,
          1.0 / 3.0,     0.1,           DBL_MIN,      DBL_MIN / 2,   DBL_TRUE_MIN,  -DBL_TRUE_MIN,
          DBL_MAX,       -DBL_MAX,      1.0e308,      -1.0e308,      FLT_MAX,       FLT_TRUE_MIN,
          1.0e-310,      L::quiet_NaN(), -L::quiet_NaN(), L::infinity(), -L::infinity(), 0.8};
}

// Pairs whose exact sum lies just past a halfway point: a sum kept with extended
// precision (x87) rounds it to the tie, and halving then rounds the other way.
template <class T>
std::vector<std::pair<T, T>> doubleRoundingPairs() {
  if constexpr (sizeof(T) == 8) {
    const double nudge = std::ldexp(1.0, -53) + std::ldexp(1.0, -65);
    return {{1.0, nudge}, {-nudge, -1.0}, {3.0, 2.0 * nudge}, {std::ldexp(1.0, 1000), std::ldexp(nudge, 1000)}};
  } else {
    return {};
  }
}

// Every ordered pair of edge values, pairs that expose double rounding, then random
// bit patterns and random audio.
template <class T>
std::vector<std::pair<T, T>> inputFrames(BitSource& bits) {
  const std::vector<T> edges = edgeValues<T>();
  std::vector<std::pair<T, T>> frames;
  for (T left : edges)
    for (T right : edges) frames.emplace_back(left, right);
  for (const auto& pair : doubleRoundingPairs<T>()) frames.push_back(pair);
  // One draw at a time: the order in which a call's arguments are evaluated differs
  // between compilers' targets. The right sample is drawn first, as the recording did.
  for (int i = 0; i < 64; ++i) {
    const T right = bits.anyBits<T>();
    frames.emplace_back(bits.anyBits<T>(), right);
  }
  for (int i = 0; i < 64; ++i) {
    const T right = bits.audio<T>();
    frames.emplace_back(bits.audio<T>(), right);
  }
  return frames;
}

// Runs the frames through one mode in host-sized blocks; the outputs, frame by frame.
template <class T>
std::vector<std::pair<T, T>> processAll(HostedPlugin& plugin, const std::vector<std::pair<T, T>>& frames,
                                        float mode) {
  constexpr std::size_t kBlock = 64;
  plugin.setParameter(0, mode);
  std::vector<std::pair<T, T>> results;
  for (std::size_t start = 0; start < frames.size(); start += kBlock) {
    const std::size_t count = std::min(kBlock, frames.size() - start);
    std::vector<T> inLeft(count), inRight(count), outLeft(count, T(-7)), outRight(count, T(-7));
    for (std::size_t j = 0; j < count; ++j) {
      inLeft[j] = frames[start + j].first;
      inRight[j] = frames[start + j].second;
    }
    T* inputs[2] = {inLeft.data(), inRight.data()};
    T* outputs[2] = {outLeft.data(), outRight.data()};
    plugin.processAsHost(inputs, outputs, static_cast<VstInt32>(count));
    for (std::size_t j = 0; j < count; ++j) results.emplace_back(outLeft[j], outRight[j]);
  }
  return results;
}

template <class T>
void recordProcessing(std::string& out, HostedPlugin& plugin, BitSource& bits, const char* path) {
  const auto frames = inputFrames<T>(bits);
  const auto stereo = processAll(plugin, frames, 0.0f);
  const auto mono = processAll(plugin, frames, 1.0f);
  out += std::string("[") + path + ": in-left in-right stereo-left stereo-right mono-left mono-right]\n";
  for (std::size_t i = 0; i < frames.size(); ++i) {
    out += hexBits(frames[i].first) + ' ' + hexBits(frames[i].second) + ' ' + hexBits(stereo[i].first) + ' ' +
           hexBits(stereo[i].second) + ' ' + hexBits(mono[i].first) + ' ' + hexBits(mono[i].second) + '\n';
  }
}

void recordParameter(std::string& out, HostedPlugin& plugin) {
  using L = std::numeric_limits<float>;
  const float hostValues[] = {0.0f,  0.25f,   0.49f,  0.4999999f, 0.5f,    0.5000001f,    0.75f,
                              1.0f,  -0.5f,   -0.51f, 1.49f,      1.5f,    2.5f,          -0.0f,
                              1e30f, -1e30f,  FLT_TRUE_MIN, 0.0f, L::infinity(), L::quiet_NaN(), 0.0f};
  out += "[parameter: set get display]\n";
  for (float value : hostValues) {
    plugin.setParameter(0, value);
    out += hexBits(value) + ' ' + hexBits(plugin.getParameter(0)) + ' ' + plugin.text(effGetParamDisplay) + '\n';
  }
}

std::string savedChunk(HostedPlugin& plugin) {
  void* data = nullptr;
  const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
  if (size <= 0 || !data) return "none";
  return hexBytes(data, static_cast<std::size_t>(size));
}

void recordChunks(std::string& out, HostedPlugin& plugin) {
  out += "[chunk: saved stereo, saved mono, restored odd values then saved, parameter, mean of 0.5 and 0.25]\n";
  plugin.setParameter(0, 0.0f);
  out += savedChunk(plugin) + '\n';
  plugin.setParameter(0, 1.0f);
  out += savedChunk(plugin) + '\n';

  using L = std::numeric_limits<float>;
  std::vector<float> floats(65, 0.0f);
  const float odd[] = {-1000.0f, 0.3f,  -0.0f,         FLT_TRUE_MIN,  L::quiet_NaN(), L::infinity(),
                       1e30f,    -1e30f, 2.5f, 126.99995f, -L::infinity(), FLT_MAX};
  std::memcpy(floats.data(), odd, sizeof odd);
  plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(floats.size() * sizeof(float)), floats.data());
  out += savedChunk(plugin) + '\n';
  out += hexBits(plugin.getParameter(0)) + '\n';
  float left[] = {0.5f}, right[] = {0.25f}, outLeft[] = {0.0f}, outRight[] = {0.0f};
  float* inputs[2] = {left, right};
  float* outputs[2] = {outLeft, outRight};
  plugin.processAsHost(inputs, outputs, 1);
  out += hexBits(outLeft[0]) + ' ' + hexBits(outRight[0]) + '\n';
}

bool record(std::string& out) {
  if (!sharedPluginLibrary().loaded()) {
    std::fprintf(stderr, "cannot load %s: %s\n", pluginUnderTest().c_str(), sharedPluginLibrary().error().c_str());
    return false;
  }
  TestHost host;
  HostedPlugin plugin(host, pluginEntry("VSTPluginMain"));
  if (!plugin) {
    std::fprintf(stderr, "VSTPluginMain gave no instance\n");
    return false;
  }
  plugin.start(44100.0f, 64);
  BitSource bits;
  out += "# Quillmarsh_twinfold outputs for fixed inputs; samples as IEEE 754 bit patterns in hex.\n";
  recordProcessing<float>(out, plugin, bits, "processReplacing");
  recordProcessing<double>(out, plugin, bits, "processDoubleReplacing");
  recordParameter(out, plugin);
  recordChunks(out, plugin);
  return true;
}

bool readFile(const char* path, std::string& contents) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) contents.append(buffer, got);
  std::fclose(file);
  return true;
}

std::string lineAt(const std::string& text, std::size_t offset) {
  const std::size_t start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const std::size_t from = (start == std::string::npos || offset == 0) ? 0 : start + 1;
  return text.substr(from, text.find('\n', from) - from);
}

int compare(const std::string& actual, const char* expectedPath) {
  std::string expected;
  if (!readFile(expectedPath, expected)) {
    std::fprintf(stderr, "cannot read %s\n", expectedPath);
    return 1;
  }
  if (actual == expected) {
    std::printf("%s bytes identical to %s\n", std::to_string(actual.size()).c_str(), expectedPath);
    return 0;
  }
  std::size_t offset = 0;
  while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset]) ++offset;
  std::size_t line = 1;
  for (std::size_t i = 0; i < offset && i < expected.size(); ++i) line += expected[i] == '\n';
  std::fprintf(stderr, "outputs differ from %s at line %s (%s vs %s bytes)\n  expected: %s\n  actual:   %s\n",
               expectedPath, std::to_string(line).c_str(), std::to_string(expected.size()).c_str(),
               std::to_string(actual.size()).c_str(), lineAt(expected, offset).c_str(), lineAt(actual, offset).c_str());
  return 1;
}

int write(const std::string& actual, const char* path) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file || std::fwrite(actual.data(), 1, actual.size(), file) != actual.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "--write") != 0 && std::strcmp(argv[1], "--compare") != 0)) {
    std::fprintf(stderr, "usage: %s --write FILE | --compare FILE\n", argv[0]);
    return 2;
  }
  std::string actual;
  if (!record(actual)) return 1;
  return std::strcmp(argv[1], "--write") == 0 ? write(actual, argv[2]) : compare(actual, argv[2]);
}
