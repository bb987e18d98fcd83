// Reading and writing a host's stream without seek or tell: hosts hand over streams that
// are already partly written, or already read to the end.
#pragma once

#include <cstddef>
#include <vector>

#include "host/vst3/vst3_abi.h"

namespace vst3 {

// Reads until `size` bytes arrived or a read yields nothing; answers the bytes read.
std::size_t readUpTo(IBStream* stream, unsigned char* out, std::size_t size);
// Reads one state (a core chunk, or a program or bank file) from the stream's position;
// empty when the stream holds none.
std::vector<unsigned char> readState(IBStream* stream);
// Writes every byte; false when the stream takes fewer.
bool writeAll(IBStream* stream, const unsigned char* bytes, std::size_t size);

}  // namespace vst3
