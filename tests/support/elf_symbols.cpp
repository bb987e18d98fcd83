#include "tests/support/elf_symbols.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint32_t kSectionDynamicSymbols = 11;  // SHT_DYNSYM
constexpr std::uint16_t kUndefinedSection = 0;        // SHN_UNDEF

// Field offsets of the two ELF classes; only what the symbol walk needs.
struct ElfLayout {
  std::size_t sectionTableOffset, sectionEntrySizeOffset, sectionCountOffset;
  std::size_t sectionType, sectionOffset, sectionSize, sectionLink, sectionEntrySize;
  std::size_t symbolName, symbolSectionIndex;
  bool wide;
};
constexpr ElfLayout kElf64{0x28, 0x3A, 0x3C, 4, 24, 32, 40, 56, 0, 6, true};
constexpr ElfLayout kElf32{0x20, 0x2E, 0x30, 4, 16, 20, 24, 36, 0, 14, false};

class Reader {
 public:
  explicit Reader(std::vector<char> bytes) : bytes_(std::move(bytes)) {}
  bool has(std::size_t offset, std::size_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }
  std::uint64_t read(std::size_t offset, std::size_t size) const {
    std::uint64_t value = 0;  // little-endian
    for (std::size_t i = 0; i < size; ++i)
      value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[offset + i])) << (8 * i);
    return value;
  }
  std::uint64_t word(std::size_t offset, bool wide) const { return read(offset, wide ? 8 : 4); }
  std::string text(std::size_t offset, std::size_t limit) const {
    const char* start = bytes_.data() + offset;
    return std::string(start, strnlenBounded(start, limit));
  }

 private:
  static std::size_t strnlenBounded(const char* text, std::size_t limit) {
    const void* end = std::memchr(text, '\0', limit);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : limit;
  }
  std::vector<char> bytes_;
};

}  // namespace

std::vector<std::string> definedDynamicSymbols(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return {};
  }
  const Reader elf(std::vector<char>(std::istreambuf_iterator<char>(file), {}));
  if (!elf.has(0, 0x40) || elf.read(0, 4) != 0x464C457Fu || elf.read(5, 1) != 1) {
    error = path + " is not a little-endian ELF object";
    return {};
  }
  const ElfLayout& layout = elf.read(4, 1) == 2 ? kElf64 : kElf32;
  const std::uint64_t sections = elf.word(layout.sectionTableOffset, layout.wide);
  const std::uint64_t entrySize = elf.read(layout.sectionEntrySizeOffset, 2);
  const std::uint64_t count = elf.read(layout.sectionCountOffset, 2);
  auto header = [&](std::uint64_t index) { return static_cast<std::size_t>(sections + index * entrySize); };

  std::vector<std::string> names;
  for (std::uint64_t s = 0; s < count; ++s) {
    const std::size_t at = header(s);
    if (!elf.has(at, entrySize)) break;
    if (elf.read(at + layout.sectionType, 4) != kSectionDynamicSymbols) continue;
    const auto symbols = static_cast<std::size_t>(elf.word(at + layout.sectionOffset, layout.wide));
    const auto size = static_cast<std::size_t>(elf.word(at + layout.sectionSize, layout.wide));
    const auto symbolSize = static_cast<std::size_t>(elf.word(at + layout.sectionEntrySize, layout.wide));
    const std::size_t stringHeader = header(elf.read(at + layout.sectionLink, 4));
    if (!elf.has(stringHeader, entrySize)) break;
    const auto strings = static_cast<std::size_t>(elf.word(stringHeader + layout.sectionOffset, layout.wide));
    const auto stringsSize = static_cast<std::size_t>(elf.word(stringHeader + layout.sectionSize, layout.wide));
    if (symbolSize == 0 || !elf.has(symbols, size) || !elf.has(strings, stringsSize)) break;
    for (std::size_t sym = symbols; sym + symbolSize <= symbols + size; sym += symbolSize) {
      const auto name = static_cast<std::size_t>(elf.read(sym + layout.symbolName, 4));
      if (elf.read(sym + layout.symbolSectionIndex, 2) == kUndefinedSection || name == 0 || name >= stringsSize)
        continue;
      names.push_back(elf.text(strings + name, stringsSize - name));
    }
  }
  if (names.empty()) error = path + " has no defined dynamic symbols";
  return names;
}
