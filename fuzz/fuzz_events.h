// An event list of arbitrary content as a host may hand it to effProcessEvents.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_host.h"

class FuzzEventList {
 public:
  // Up to `maxLength` slots: MIDI, system-exclusive and unknown records of fuzzed
  // bytes, null slots, and a numEvents anywhere from negative to the real length.
  FuzzEventList(FuzzedDataProvider& input, std::int32_t maxLength);
  ~FuzzEventList();
  FuzzEventList(const FuzzEventList&) = delete;
  FuzzEventList& operator=(const FuzzEventList&) = delete;

  VstEvents* list() { return reinterpret_cast<VstEvents*>(list_.get()); }
  // Traps if the plug-in changed anything the host handed over.
  void checkUnchanged() const;

 private:
  std::size_t listBytes_ = 0;
  std::unique_ptr<std::uint8_t[]> list_;
  std::vector<std::unique_ptr<std::uint8_t[]>> records_;
  std::vector<std::vector<std::uint8_t>> recordCopies_;
  struct SysexDump {
    std::unique_ptr<char[]> bytes;
    std::size_t size;
  };
  std::vector<SysexDump> dumps_;
  std::vector<std::uint8_t> listCopy_;
};
