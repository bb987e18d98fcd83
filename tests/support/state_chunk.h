// The core's state chunk as a host holds it: little-endian floats, the marker first,
// then the slider values (x86 targets are little-endian, the chunk's byte order); and
// the files around it: the editions' headed state and VST 2.4 program and bank files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/preset_bytes.h"

// A chunk of 1 + values.size() floats: the marker, then the values.
inline std::vector<std::uint8_t> chunkBytes(const std::vector<float>& values, float marker = -1000.0f) {
  std::vector<std::uint8_t> bytes((values.size() + 1) * sizeof(float));
  std::memcpy(bytes.data(), &marker, sizeof marker);
  if (!values.empty()) std::memcpy(bytes.data() + sizeof(float), values.data(), values.size() * sizeof(float));
  return bytes;
}

// The full chunk the core saves: 64 sliders, slider 1 the mode, the others 0.
inline std::vector<std::uint8_t> modeChunk(float mode) {
  std::vector<float> sliders(64, 0.0f);
  sliders[0] = mode;
  return chunkBytes(sliders);
}

// "TWFS", version 1 and the byte count, little-endian, before the chunk.
inline std::vector<std::uint8_t> headedState(const std::vector<std::uint8_t>& chunk, std::uint32_t version = 1) {
  std::vector<std::uint8_t> bytes = {'T', 'W', 'F', 'S'};
  for (std::uint32_t field : {version, static_cast<std::uint32_t>(chunk.size())})
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
  bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  return bytes;
}

// A program file (FPCh) or bank file (FBCh) around a chunk, for the core's ID 0.
inline std::vector<std::uint8_t> presetFile(const std::vector<std::uint8_t>& chunk, bool bank, std::uint32_t id = 0) {
  // One parameter, or one program; a bank's current program 0 and its reserved bytes.
  PresetBytes file = bank ? PresetBytes("FBCh", 2, id, 1000, 1) : PresetBytes("FPCh", 1, id, 1000, 1);
  if (bank)
    file.word(0).zeros(124);
  else
    file.name("Quillmarsh_twinfold");
  return file.word(static_cast<std::uint32_t>(chunk.size())).append(chunk).file();
}
