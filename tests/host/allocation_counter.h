// Counts every allocation made through operator new in this program, including the
// plug-in's when the dynamic loader binds its operator new to this executable's, and
// makes them fail on request.
#pragma once

#include <cstdint>

std::uint64_t allocationCount();

// Whether the plug-in's allocations go through this program's operator new: the DLLs
// carry their own runtime, so on Windows they never do.
#if defined(_WIN32)
inline constexpr bool kSeesThePluginsAllocations = false;
#else
inline constexpr bool kSeesThePluginsAllocations = true;
#endif

// While one lives, every operator new in this program after the first `succeeding`
// throws std::bad_alloc and the nothrow forms answer null: what a host with no memory
// left sees.
class FailingAllocations {
 public:
  explicit FailingAllocations(std::uint64_t succeeding = 0);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};
