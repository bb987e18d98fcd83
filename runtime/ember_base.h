// The two root layers of the runtime: script memory and the host-wrapper pointer.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

class CVeST;

class CEmberMemory {
 public:
  // Script memory blocks by block number; no section of this effect uses them.
  std::map<std::int32_t, std::vector<double>> memoryBlocks;
};

class CEmberVeST : public CEmberMemory {
 public:
  // Not owned; set by the entry point once the wrapper exists.
  CVeST* hostWrapper = nullptr;
};
