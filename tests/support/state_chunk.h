// The core's state chunk as a host holds it: little-endian floats, the marker first,
// then the slider values (x86 targets are little-endian, the chunk's byte order); and
// the files around it: the editions' headed state and VST 2.4 program and bank files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
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

// "TWFS", version 1 and the byte count, little-endian, before the chunk.
inline std::vector<std::uint8_t> headedState(const std::vector<std::uint8_t>& chunk, std::uint32_t version = 1) {
  std::vector<std::uint8_t> bytes = {'T', 'W', 'F', 'S'};
  for (std::uint32_t field : {version, static_cast<std::uint32_t>(chunk.size())})
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
  bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  return bytes;
}

inline void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline void putTag(std::vector<std::uint8_t>& bytes, const char* tag) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(tag[i]));
}

// A program file (FPCh) or bank file (FBCh) around a chunk, for the core's ID 0.
inline std::vector<std::uint8_t> presetFile(const std::vector<std::uint8_t>& chunk, bool bank, std::uint32_t id = 0) {
  std::vector<std::uint8_t> file;
  auto put = [&file](std::uint32_t value) { putBigEndian(file, value); };
  auto tag = [&file](const char* text) { putTag(file, text); };
  tag("CcnK");
  put(0);  // byte size, below
  tag(bank ? "FBCh" : "FPCh");
  put(bank ? 2 : 1);
  put(id);
  put(1000);
  put(1);  // parameters, or programs
  if (bank) {
    put(0);
    file.resize(156, 0);
  } else {
    const std::string name = "Quillmarsh_twinfold";
    for (std::size_t i = 0; i < 28; ++i) file.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
  }
  put(static_cast<std::uint32_t>(chunk.size()));
  file.insert(file.end(), chunk.begin(), chunk.end());
  const std::uint32_t size = static_cast<std::uint32_t>(file.size() - 8);
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  return file;
}

// A parameter-list program (FxCk) whose header gives `count` parameters, followed by
// `values` (big-endian floats); its byte size covers what follows unless `byteSize` says
// otherwise. A whole program file, or one record of a bank.
inline std::vector<std::uint8_t> valuesProgram(std::uint32_t count, const std::vector<float>& values,
                                               std::uint32_t id = 0, std::int64_t byteSize = -1) {
  std::vector<std::uint8_t> file;
  putTag(file, "CcnK");
  putBigEndian(file, static_cast<std::uint32_t>(byteSize >= 0 ? byteSize : 48 + 4 * values.size()));
  putTag(file, "FxCk");
  for (std::uint32_t field : {1u, id, 1000u, count}) putBigEndian(file, field);
  file.resize(56, 0);  // the name
  for (float value : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putBigEndian(file, bits);
  }
  return file;
}

// A parameter-list bank (FxBk, format 2) whose header gives `programs` programs,
// followed by `records`.
inline std::vector<std::uint8_t> valuesBank(std::uint32_t programs, const std::vector<std::uint8_t>& records,
                                            std::uint32_t id = 0) {
  std::vector<std::uint8_t> file;
  putTag(file, "CcnK");
  putBigEndian(file, static_cast<std::uint32_t>(148 + records.size()));
  putTag(file, "FxBk");
  for (std::uint32_t field : {2u, id, 1000u, programs, 0u}) putBigEndian(file, field);
  file.resize(156, 0);
  file.insert(file.end(), records.begin(), records.end());
  return file;
}
