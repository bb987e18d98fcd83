// The core's state chunk as a host holds it: little-endian floats, the marker first,
// then the slider values (x86 targets are little-endian, the chunk's byte order).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

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
