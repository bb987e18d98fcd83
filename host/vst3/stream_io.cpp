#include "host/vst3/stream_io.h"

#include <algorithm>
#include <climits>

#include "host/vst3/state_bytes.h"

namespace vst3 {

std::size_t readUpTo(IBStream* stream, unsigned char* out, std::size_t size) {
  std::size_t done = 0;
  while (stream && done < size) {
    const int32 want = static_cast<int32>(std::min<std::size_t>(size - done, INT32_MAX));
    int32 got = 0;
    if (stream->table->read(stream, out + done, want, &got) != kResultOk || got <= 0) break;
    done += static_cast<std::size_t>(std::min(got, want));
  }
  return done;
}

std::vector<unsigned char> readState(IBStream* stream) {
  std::vector<unsigned char> bytes(8);
  // The marker alone tells a core chunk; a file needs its tag and byte size.
  std::size_t got = readUpTo(stream, bytes.data(), 4);
  if (got == 4 && stateLengthFromHeader(bytes.data(), 4) == 0) got += readUpTo(stream, bytes.data() + 4, 4);
  const std::size_t total = stateLengthFromHeader(bytes.data(), got);
  if (total < got) return {};
  bytes.resize(total);
  got += readUpTo(stream, bytes.data() + got, total - got);
  bytes.resize(got);
  return bytes;
}

bool writeAll(IBStream* stream, const unsigned char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (stream && done < size) {
    const int32 want = static_cast<int32>(std::min<std::size_t>(size - done, INT32_MAX));
    int32 written = 0;
    if (stream->table->write(stream, const_cast<unsigned char*>(bytes + done), want, &written) != kResultOk ||
        written <= 0)
      return false;
    done += static_cast<std::size_t>(std::min(written, want));
  }
  return done == size;
}

}  // namespace vst3
