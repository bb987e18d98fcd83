#include "runtime/ember.h"

#include <cstring>
#include <utility>
#include <vector>

TEmber::TEmber() { openDefaults(); }

TEmber::~TEmber() = default;

// The runtime's own open body; the constructor runs it directly, not the override.
void TEmber::openDefaults() {
  memoryBlocks.clear();
  strings.clear();
  stringCount = 0.0;
}

void TEmber::DoOpen() { openDefaults(); }

void TEmber::DoResume() {
  DoInit();
  DoSlider();
}

std::int32_t TEmber::DoInitOnce() {
  if (initCount == 0) DoInit();
  return ++initCount;
}

std::int32_t TEmber::GetChunk(void** data, bool /*isPreset*/) {
  TEmberFile& file = files[0];
  file.reopen(kFileWrite);
  file.data.push_back(kEmberChunkMarker);
  file.position = 1;
  DoSerialize();
  if (file.data.size() <= 1) return 0;
  if (data) *data = file.data.data();
  return static_cast<std::int32_t>(file.data.size() * sizeof(float));
}

std::int32_t TEmber::SetChunk(const void* data, std::int32_t size, bool /*isPreset*/) {
  // Copied before handle 0 is closed: the host may hand back the buffer of the last save.
  // Whole floats of the host's own byte count, so nothing is multiplied past it; an
  // allocation that fails throws before anything changed.
  std::vector<float> incoming;
  if (size >= 4 && data) {
    incoming.resize(static_cast<std::size_t>(size) / sizeof(float));
    std::memcpy(incoming.data(), data, incoming.size() * sizeof(float));
  }
  TEmberFile& file = files[0];
  file.reopen(kFileRead);
  file.data = std::move(incoming);
  if (file.data.empty()) return size;
  const float marker = file.data[0];
  file.position = 1;
  if (marker != kEmberChunkMarker) return size;
  DoInitOnce();
  DoSerialize();
  DoSlider();
  return size;
}
