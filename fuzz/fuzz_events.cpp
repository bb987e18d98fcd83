#include "fuzz/fuzz_events.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {
constexpr std::size_t kListHeaderBytes = offsetof(VstEvents, events);
constexpr char kDumpByte = 0x5a;
}  // namespace

FuzzEventList::FuzzEventList(FuzzedDataProvider& input, std::int32_t maxLength) {
  const std::int32_t length = input.ConsumeIntegralInRange<std::int32_t>(0, maxLength);
  const VstInt32 numEvents = input.ConsumeIntegralInRange<int>(0, 7) == 0
                                 ? input.ConsumeIntegralInRange<VstInt32>(-3, length)
                                 : length;
  // The record declares two pointers; a host allocates as many as it passes, so the
  // slots past the real length are poisoned for AddressSanitizer.
  const std::size_t usedBytes = kListHeaderBytes + static_cast<std::size_t>(length) * sizeof(VstEvent*);
  listBytes_ = std::max(usedBytes, sizeof(VstEvents));
  list_.reset(new std::uint8_t[listBytes_]());
  list()->numEvents = numEvents;
  list()->reserved = 0;
  auto* slots = reinterpret_cast<VstEvent**>(list_.get() + kListHeaderBytes);

  for (std::int32_t i = 0; i < length; ++i) {
    const int kind = input.ConsumeIntegralInRange<int>(0, 9);
    if (kind == 0) {
      slots[i] = nullptr;
      continue;
    }
    const bool sysex = kind <= 2;
    const std::size_t size = sysex ? sizeof(VstMidiSysexEvent) : sizeof(VstMidiEvent);
    auto record = std::make_unique<std::uint8_t[]>(size);
    const auto bytes = input.ConsumeBytes<std::uint8_t>(size);
    if (!bytes.empty()) std::memcpy(record.get(), bytes.data(), bytes.size());
    auto* event = reinterpret_cast<VstEvent*>(record.get());
    if (sysex) {
      auto* dump = reinterpret_cast<VstMidiSysexEvent*>(record.get());
      dump->type = kVstSysExType;
      dump->byteSize = static_cast<VstInt32>(size - 2 * sizeof(VstInt32));
      dump->dumpBytes = input.ConsumeIntegralInRange<VstInt32>(0, 64);
      if (input.ConsumeBool()) {
        const auto dumpSize = static_cast<std::size_t>(dump->dumpBytes);
        dumps_.push_back({std::make_unique<char[]>(dumpSize), dumpSize});
        std::memset(dumps_.back().bytes.get(), kDumpByte, dumpSize);
        dump->sysexDump = dumps_.back().bytes.get();
      } else {
        dump->sysexDump = nullptr;
      }
    } else {
      event->type = kind == 3 ? input.ConsumeIntegral<VstInt32>() : kVstMidiType;
    }
    slots[i] = event;
    recordCopies_.emplace_back(record.get(), record.get() + size);
    records_.push_back(std::move(record));
  }
  listCopy_.assign(list_.get(), list_.get() + usedBytes);
  if (listBytes_ > usedBytes) ASAN_POISON_MEMORY_REGION(list_.get() + usedBytes, listBytes_ - usedBytes);
}

FuzzEventList::~FuzzEventList() { ASAN_UNPOISON_MEMORY_REGION(list_.get(), listBytes_); }

void FuzzEventList::checkUnchanged() const {
  fuzzCheck(std::memcmp(listCopy_.data(), list_.get(), listCopy_.size()) == 0, "effProcessEvents changed the list");
  for (std::size_t i = 0; i < records_.size(); ++i)
    fuzzCheck(std::memcmp(recordCopies_[i].data(), records_[i].get(), recordCopies_[i].size()) == 0,
              "effProcessEvents changed an event");
  for (const SysexDump& dump : dumps_)
    for (std::size_t i = 0; i < dump.size; ++i)
      fuzzCheck(dump.bytes[i] == kDumpByte, "effProcessEvents changed a system-exclusive dump");
}
