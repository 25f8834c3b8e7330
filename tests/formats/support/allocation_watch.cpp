#include "support/allocation_watch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> watching{false};
std::atomic<size_t> largestSeen{0};

void* allocate(size_t size) {
  if (watching.load(std::memory_order_relaxed)) {
    size_t seen = largestSeen.load(std::memory_order_relaxed);
    while (size > seen && !largestSeen.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
// The standard library's temporary buffers (std::stable_sort) come from the nothrow forms, which
// must pair with the replaced deletes too.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace tolzeb::testing {

AllocationWatch::AllocationWatch() {
  largestSeen = 0;
  watching = true;
}

AllocationWatch::~AllocationWatch() { watching = false; }

size_t AllocationWatch::largest() const { return largestSeen.load(); }

}  // namespace tolzeb::testing
