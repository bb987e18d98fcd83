// VST 2.4 program and bank files built field by field for the tests: the container
// header ("CcnK", its byte count, the type and four big-endian fields), then whatever
// the test appends. The byte count is filled in when the file is taken.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PresetBytes {
 public:
  // `type` is one of FxCk, FPCh (programs), FxBk, FBCh (banks); `count` the parameter
  // count of a program, the program count of a bank.
  PresetBytes(const char (&type)[5], std::uint32_t version, std::uint32_t id, std::uint32_t pluginVersion,
              std::uint32_t count) {
    tag("CcnK").word(0).tag(type).word(version).word(id).word(pluginVersion).word(count);
  }

  PresetBytes& word(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    return *this;
  }
  PresetBytes& zeros(std::size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
  }
  // A program's name field: 28 bytes, NUL-padded.
  PresetBytes& name(const std::string& text) {
    const std::size_t length = std::min<std::size_t>(text.size(), kNameBytes);
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    return zeros(kNameBytes - length);
  }
  template <class Byte>
  PresetBytes& append(const std::vector<Byte>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }

  // The file, its byte count (everything after the first 8 bytes) filled in.
  std::vector<std::uint8_t> file() const {
    std::vector<std::uint8_t> bytes = bytes_;
    const auto size = static_cast<std::uint32_t>(bytes.size() - 8);
    for (std::size_t i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    return bytes;
  }

 private:
  static constexpr std::size_t kNameBytes = 28;

  PresetBytes& tag(const char* text) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(text[i]));
    return *this;
  }

  std::vector<std::uint8_t> bytes_;
};
