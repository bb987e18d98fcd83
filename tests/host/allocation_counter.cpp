#include "tests/host/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};
std::atomic<bool> failing{false};
std::atomic<std::int64_t> successesLeft{0};

void* countedAllocation(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (failing.load(std::memory_order_relaxed) && successesLeft.fetch_sub(1, std::memory_order_relaxed) <= 0)
    return nullptr;
  return std::malloc(size ? size : 1);
}

void* countedAllocationOrThrow(std::size_t size) {
  if (void* block = countedAllocation(size)) return block;
  throw std::bad_alloc();
}

}  // namespace

std::uint64_t allocationCount() { return allocations.load(std::memory_order_relaxed); }

FailingAllocations::FailingAllocations(std::uint64_t succeeding) {
  successesLeft.store(static_cast<std::int64_t>(succeeding));
  failing.store(true);
}
FailingAllocations::~FailingAllocations() { failing.store(false); }

// Every plain form is replaced so each block is released by the same allocator family
// that gave it out (sanitizers check the pairing).
void* operator new(std::size_t size) { return countedAllocationOrThrow(size); }
void* operator new[](std::size_t size) { return countedAllocationOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
