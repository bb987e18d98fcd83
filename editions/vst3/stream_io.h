// A host's IBStream as the shared state code reads and writes it: no seek or tell, since
// hosts hand over streams that are already partly written, or already read to the end.
#pragma once

#include "hosting/edition_state.h"
#include "abi/vst3_abi.h"

namespace vst3 {

class StreamReader : public hosting::StateReader {
 public:
  explicit StreamReader(IBStream* stream) : stream_(stream) {}
  // The bytes a read placed count even when it answers kResultFalse, as some hosts' file
  // streams do on the last, short read.
  std::int64_t read(unsigned char* out, std::size_t size) override;

 private:
  IBStream* stream_;
};

class StreamWriter : public hosting::StateWriter {
 public:
  explicit StreamWriter(IBStream* stream) : stream_(stream) {}
  std::int64_t write(const unsigned char* bytes, std::size_t size) override;

 private:
  IBStream* stream_;
};

}  // namespace vst3
