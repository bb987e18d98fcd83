#include "hosting/editions_under_test.h"

#include <cstdlib>

namespace hosting {

std::string vst3BinaryUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_VST3")) return path;
  return TWINFOLD_VST3_PATH;
}

std::string clapFileUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_CLAP")) return path;
  return TWINFOLD_CLAP_PATH;
}

std::string lv2BundleUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_LV2_BUNDLE")) return path;
  return TWINFOLD_LV2_BUNDLE_PATH;
}

std::string lv2BinaryName() {
#if defined(_WIN32)
  return "Quillmarsh_twinfold.dll";
#else
  return "Quillmarsh_twinfold.so";
#endif
}

Lv2StereoBlock::Lv2StereoBlock(std::vector<float> left, std::vector<float> right)
    : in{std::move(left), std::move(right)},
      out{std::vector<float>(in[0].size(), -7.0f), std::vector<float>(in[0].size(), -7.0f)} {}

void Lv2StereoBlock::run(Lv2Instance& instance, float mode) {
  control = mode;
  instance.connect(kInLeft, in[0].data());
  instance.connect(kInRight, in[1].data());
  instance.connect(kOutLeft, out[0].data());
  instance.connect(kOutRight, out[1].data());
  instance.connect(kModePort, &control);
  instance.run(static_cast<std::uint32_t>(in[0].size()));
}

void Lv2StereoBlock::runInPlace(Lv2Instance& instance, float mode) {
  control = mode;
  for (std::uint32_t channel : {0u, 1u}) {
    instance.connect(kInLeft + channel, in[channel].data());
    instance.connect(kOutLeft + channel, in[channel].data());
  }
  instance.connect(kModePort, &control);
  instance.run(static_cast<std::uint32_t>(in[0].size()));
  out[0] = in[0];
  out[1] = in[1];
}

}  // namespace hosting
