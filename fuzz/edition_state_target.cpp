// The state reader the VST3 and CLAP editions share, fed as a host's stream feeds it: the
// first input byte sets how many bytes each read hands out (a host's short reads), the
// rest is the stream. What it accepts must lie inside what it read; restored into an
// instance of the core, the state saves again as a headed state that reads back.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "hosting/edition_state.h"

namespace {

class ShortReads : public hosting::StateReader {
 public:
  ShortReads(const std::vector<std::uint8_t>& bytes, std::size_t most) : bytes_(bytes), most_(most) {}
  std::int64_t read(unsigned char* out, std::size_t size) override {
    const std::size_t n = std::min({size, most_, bytes_.size() - position_});
    std::copy_n(bytes_.data() + position_, n, out);
    position_ += n;
    return static_cast<std::int64_t>(n);
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t most_;
  std::size_t position_ = 0;
};

class Collect : public hosting::StateWriter {
 public:
  std::int64_t write(const unsigned char* bytes, std::size_t size) override {
    written.insert(written.end(), bytes, bytes + size);
    return static_cast<std::int64_t>(size);
  }
  std::vector<std::uint8_t> written;
};

hosting::Instance& core() {
  static hosting::Instance* instance = new hosting::Instance(std::make_unique<hosting::Module>(TWINFOLD_PLUGIN_PATH));
  fuzzCheck(instance->valid(), "the plug-in did not load");
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::size_t most = std::max<std::size_t>(input.ConsumeIntegral<std::uint8_t>(), 1);
  const std::vector<std::uint8_t> stream = input.ConsumeRemainingBytes<std::uint8_t>();
  ShortReads reader(stream, most);
  const std::vector<unsigned char> bytes = hosting::readState(reader);
  fuzzCheck(bytes.size() <= stream.size() && bytes.size() <= hosting::kStateMaxBytes, "read more than the stream");
  const hosting::StateImage image = hosting::parseState(bytes.data(), bytes.size(), hosting::identityOf(core()));
  if (!image.valid()) return 0;
  if (image.kind == hosting::StateImage::Kind::Chunk)
    fuzzCheck(image.chunk >= bytes.data() && image.chunk + image.chunkSize <= bytes.data() + bytes.size(),
              "an accepted chunk lies outside the bytes read");

  hosting::restoreState(core(), image);
  Collect saved;
  fuzzCheck(hosting::writeState(saved, core()), "a restored state does not save");
  const hosting::StateImage again =
      hosting::parseState(saved.written.data(), saved.written.size(), hosting::identityOf(core()));
  fuzzCheck(again.kind == hosting::StateImage::Kind::Chunk && again.chunkSize + hosting::kStateHeaderBytes ==
                                                                  saved.written.size(),
            "a saved state does not read back as a headed state");
  return 0;
}
