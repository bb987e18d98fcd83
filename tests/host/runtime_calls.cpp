// The count both targets' watchers add to: how many calls, and the last one's name.
#include "tests/host/runtime_calls.h"

#include <atomic>

namespace {

std::atomic<std::uint64_t> calls{0};
std::atomic<const char*> lastName{"none"};

}  // namespace

void countRuntimeCall(const char* name) {
  calls.fetch_add(1, std::memory_order_relaxed);
  lastName.store(name, std::memory_order_relaxed);
}

std::uint64_t runtimeCallCount() { return calls.load(std::memory_order_relaxed); }
const char* lastRuntimeCallName() { return lastName.load(std::memory_order_relaxed); }
