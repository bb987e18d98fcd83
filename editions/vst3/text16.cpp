#include "editions/vst3/text16.h"

#include <algorithm>
#include <cstring>

namespace vst3 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from the front of `text`; advances `at`.
char32_t decodeOne(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) {
    ++at;
    return kReplacement;
  }
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  at += length;
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  return code;
}

}  // namespace

void copyUtf16(std::string_view text, char16* out, std::size_t capacity) {
  if (!out || capacity == 0) return;
  std::size_t used = 0;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t code = decodeOne(text, at);
    const std::size_t units = code > 0xFFFF ? 2 : 1;
    if (used + units >= capacity) break;
    if (units == 2) {
      out[used++] = static_cast<char16>(0xD800 + ((code - 0x10000) >> 10));
      out[used++] = static_cast<char16>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out[used++] = static_cast<char16>(code);
    }
  }
  out[used] = 0;
}

std::string utf8Of(const char16* text, std::size_t capacity) {
  std::string out;
  if (!text) return out;
  for (std::size_t i = 0; i < capacity && text[i] != 0; ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < capacity && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

void copyText(std::string_view text, char8* out, std::size_t capacity) {
  if (!out || capacity == 0) return;
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace vst3
