// The replaced global allocation functions behind FreedBlockWatch.
#include "freed_block_watch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using tolzeb::ui::testing::kSecretFirst;
using tolzeb::ui::testing::kSecretLast;

std::atomic<bool> watching{false};
std::atomic<int> blocksWithSecrets{0};

constexpr size_t kHeader = 16;  // keeps the block's size and the alignment of new

bool holdsSecret(const unsigned char* bytes, size_t size) {
  for (size_t i = 0; i + sizeof(wchar_t) <= size; i += sizeof(wchar_t)) {
    wchar_t unit;
    std::memcpy(&unit, bytes + i, sizeof(unit));
    if (unit >= kSecretFirst && unit <= kSecretLast) return true;
  }
  return false;
}

void* allocate(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof(size));
  return block + kHeader;
}

void release(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  if (watching.load()) {
    size_t size;
    std::memcpy(&size, block, sizeof(size));
    if (holdsSecret(block + kHeader, size)) ++blocksWithSecrets;
  }
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, size_t) noexcept { release(pointer); }
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
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer); }

namespace tolzeb::ui::testing {

FreedBlockWatch::FreedBlockWatch() {
  blocksWithSecrets = 0;
  watching = true;
}

FreedBlockWatch::~FreedBlockWatch() { watching = false; }

int FreedBlockWatch::leaks() const { return blocksWithSecrets.load(); }

}  // namespace tolzeb::ui::testing
