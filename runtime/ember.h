// TEmber: the runtime object the host wrapper drives, and its section hooks.
#pragma once

#include <cstdint>

#include "runtime/ember_strings_files.h"

inline constexpr float kEmberChunkMarker = -1000.0f;

class TEmber : public CEmberMouse {
 public:
  TEmber();
  virtual ~TEmber();
  TEmber(const TEmber&) = delete;
  TEmber& operator=(const TEmber&) = delete;

  virtual void DoOpen();
  virtual void DoClose() {}
  virtual void DoSuspend() {}
  virtual void DoResume();
  virtual void DoInit() {}
  virtual std::int32_t DoInitOnce();
  virtual void DoDraw() {}
  virtual void DoIdle() {}
  virtual void DoSerialize() {}
  // Restores from `size` bytes; answers `size` whether or not the data was used.
  virtual std::int32_t SetChunk(const void* data, std::int32_t size, bool isPreset);
  // Saves into handle 0 and hands out its buffer; 0 when there is nothing to save.
  virtual std::int32_t GetChunk(void** data, bool isPreset);

  std::int32_t initCount = 0;

 protected:
  void openDefaults();
};
