// The edition targets' input, read front to back in the host's own byte order, so a
// seed can be written field by field. Past the end every read answers zeros.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

class EditionInput {
 public:
  EditionInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <class Value>
  Value next() {
    Value value{};
    unsigned char bytes[sizeof(Value)] = {};
    take(bytes, sizeof bytes);
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  // Up to `count` bytes, fewer at the end.
  std::vector<unsigned char> bytes(std::size_t count) {
    std::vector<unsigned char> out(std::min(count, size_ - at_));
    take(out.data(), out.size());
    return out;
  }
  // A host's record read from `width` bytes (its 64-bit size, so that one seed serves
  // both widths), zeros past the input's end.
  template <class Record>
  std::unique_ptr<Record> record(std::size_t width) {
    auto out = std::make_unique<Record>();
    std::vector<unsigned char> raw = bytes(width);
    raw.resize(width);
    std::memcpy(static_cast<void*>(out.get()), raw.data(), std::min(raw.size(), sizeof(Record)));
    return out;
  }
  std::vector<unsigned char> rest() { return bytes(size_ - at_); }
  bool empty() const { return at_ == size_; }

 private:
  void take(unsigned char* out, std::size_t count) {
    const std::size_t n = std::min(count, size_ - at_);
    if (n) std::memcpy(out, data_ + at_, n);
    at_ += n;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
