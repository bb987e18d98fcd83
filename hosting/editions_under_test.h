// What the tests and the benchmarks drive: the build's own edition files (each can be
// redirected by an environment variable), and the LV2 edition's port layout.
#pragma once

#include <string>
#include <vector>

#include "hosting/clap_host.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"

namespace hosting {

inline constexpr const char* kTwinfoldUri = "urn:quillmarsh:twinfold";
// The plug-in's ports, in the order its description lists them.
enum Lv2Port : std::uint32_t { kInLeft, kInRight, kOutLeft, kOutRight, kModePort, kPortCount };

// $TWINFOLD_VST3 if set, else the bundle binary the build made.
std::string vst3BinaryUnderTest();
// $TWINFOLD_CLAP if set, else the .clap file the build made.
std::string clapFileUnderTest();
// $TWINFOLD_LV2_BUNDLE if set, else the bundle folder the build made.
std::string lv2BundleUnderTest();
// The module's file name in the bundle on this target.
std::string lv2BinaryName();

// Two input and two output channels and the mode control, connected to an instance
// before each run (the outputs may be the inputs: in place).
struct Lv2StereoBlock {
  Lv2StereoBlock(std::vector<float> left, std::vector<float> right);
  void run(Lv2Instance& instance, float mode);
  void runInPlace(Lv2Instance& instance, float mode);

  std::vector<float> in[2];
  std::vector<float> out[2];
  float control = 0.0f;
};

}  // namespace hosting
