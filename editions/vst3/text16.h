// Texts for the interface's fixed arrays: UTF-8 to UTF-16 and ASCII copies, always
// terminated and never longer than the array.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "abi/vst3_abi.h"

namespace vst3 {

// Decodes UTF-8 (invalid bytes become U+FFFD) into at most capacity-1 units plus a 0;
// a pair of surrogates is never split.
void copyUtf16(std::string_view text, char16* out, std::size_t capacity);
// The units up to the first 0 (or `capacity`), encoded as UTF-8.
std::string utf8Of(const char16* text, std::size_t capacity);
// At most capacity-1 bytes plus a 0.
void copyText(std::string_view text, char8* out, std::size_t capacity);

template <std::size_t N>
void copyUtf16(std::string_view text, char16 (&out)[N]) {
  copyUtf16(text, out, N);
}
template <std::size_t N>
void copyText(std::string_view text, char8 (&out)[N]) {
  copyText(text, out, N);
}

}  // namespace vst3
