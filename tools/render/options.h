// Everything the command line asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/audio_file.h"

struct RenderOptions {
  std::string plugin;
  std::string input;
  std::string output;
  bool info = false;
  std::int32_t blockSize = 512;
  bool doublePrecision = false;
  SampleEncoding encoding = SampleEncoding::AsInput;
  std::vector<std::string> parameters;  // "INDEX=VALUE" or "NAME=TEXT", applied in order
  std::string preset;                   // loaded before the parameters
  std::string savePreset;
  bool upmix = false;
  bool force = false;
};
