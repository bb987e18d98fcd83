// Program and bank files (.fxp/.fxb) of arbitrary content: the reader either refuses
// them with a message or describes them completely, every count matching what it
// holds; what the writer makes of a description reads back as the same file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "hosting/preset_file.h"

namespace {

void checkConsistent(const hosting::PresetFile& preset) {
  using hosting::PresetKind;
  switch (preset.kind) {
    case PresetKind::ProgramValues:
      fuzzCheck(preset.program.values.size() == static_cast<std::size_t>(preset.numParams),
                "a program's value count differs from its parameter count");
      break;
    case PresetKind::BankPrograms:
      fuzzCheck(preset.programs.size() == static_cast<std::size_t>(preset.numPrograms),
                "a bank's program count differs from its records");
      for (const hosting::ProgramValues& program : preset.programs)
        fuzzCheck(program.values.size() == static_cast<std::size_t>(preset.numParams),
                  "a bank record's value count differs from its parameter count");
      break;
    case PresetKind::ProgramChunk:
    case PresetKind::BankChunk: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The bytes exactly as large as the input, so a read past the end is caught.
  const std::vector<std::uint8_t> file(data, data + size);
  const hosting::PresetParse parsed = hosting::parsePreset(file.data(), file.size(), "fuzz.fxp");
  if (!parsed.preset) {
    fuzzCheck(!parsed.error.empty(), "a refused file came without a reason");
    return 0;
  }
  fuzzCheck(parsed.error.empty(), "an accepted file came with a refusal");
  checkConsistent(*parsed.preset);

  const std::vector<std::uint8_t> written = hosting::encodePreset(*parsed.preset);
  const hosting::PresetParse again = hosting::parsePreset(written.data(), written.size(), "fuzz.fxp");
  fuzzCheck(again.preset.has_value(), "a written file does not read back");
  fuzzCheck(again.preset->kind == parsed.preset->kind, "a written file reads back as another kind");
  fuzzCheck(hosting::encodePreset(*again.preset) == written, "a written file does not read back the same");
  return 0;
}
