#include "editions/vst3/stream_io.h"

#include <algorithm>
#include <climits>

namespace vst3 {

std::int64_t StreamReader::read(unsigned char* out, std::size_t size) {
  if (!stream_) return -1;
  const int32 want = static_cast<int32>(std::min<std::size_t>(size, INT32_MAX));
  int32 got = 0;
  const tresult result = stream_->table->read(stream_, out, want, &got);
  if (got > 0) return std::min(got, want);
  return result == kResultOk ? 0 : -1;
}

std::int64_t StreamWriter::write(const unsigned char* bytes, std::size_t size) {
  if (!stream_) return -1;
  const int32 want = static_cast<int32>(std::min<std::size_t>(size, INT32_MAX));
  int32 written = 0;
  if (stream_->table->write(stream_, const_cast<unsigned char*>(bytes), want, &written) != kResultOk) return -1;
  return std::min(written, want);
}

}  // namespace vst3
