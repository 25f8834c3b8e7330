// Watches every block this test program frees while a text field is edited, and fails when one
// still holds a unit that was typed into the field. The global allocation functions of this
// test program are replaced for that; outside the watch they only pass through.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "ui/foundation/text_field.h"

namespace {

// Units from a block no other allocation of the test holds: CJK radicals.
constexpr wchar_t kSecretFirst = 0x2E80;
constexpr wchar_t kSecretLast = 0x2E99;

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

namespace tolzeb::ui {
namespace {

class Watch {
 public:
  Watch() {
    blocksWithSecrets = 0;
    watching = true;
  }
  ~Watch() { watching = false; }
  int leaks() const { return blocksWithSecrets.load(); }
};

// Fills a stack buffer with secret units so that the test's own input leaves nothing on the heap.
struct SecretInput {
  wchar_t units[40];
  size_t size;
  SecretInput(size_t count, size_t first, const wchar_t* extra = L"") : size(0) {
    for (size_t i = 0; i < count; ++i) {
      units[size++] = static_cast<wchar_t>(kSecretFirst + (first + i) % 26);
    }
    for (; *extra != 0; ++extra) units[size++] = *extra;
  }
  std::wstring_view view() const { return {units, size}; }
};

TEST(TextFieldWipe, TheWatchSeesAnUnwipedString) {
  Watch watch;
  {
    std::wstring plain(30, kSecretFirst);
    EXPECT_EQ(plain[29], kSecretFirst);
  }
  EXPECT_EQ(watch.leaks(), 1);
}

TEST(TextFieldWipe, NoFreedBlockHoldsATypedUnit) {
  Watch watch;
  {
    TextField field;
    field.masked = true;
    for (size_t i = 0; i < 70; ++i) field.insert(SecretInput(1, i).view(), 1024);  // growth
    field.moveToStart(false);
    field.moveCaret(+1, true);
    field.moveCaret(+1, true);
    field.insert(SecretInput(5, 3, L"\r\n\t").view(), 1024);  // paste replaces a selection
    field.insert(SecretInput(30, 7).view(), 90);              // a paste cut to the room left
    for (int i = 0; i < 5; ++i) field.backspace();
    field.moveToEnd(false);
    for (int i = 0; i < 5; ++i) field.backspace();
    field.moveToStart(false);
    field.deleteForward();
    field.moveToEnd(true);
    field.deleteSelection();
    field.insert(SecretInput(20, 1).view(), 1024);
    TextField copy = field;
    copy.insert(SecretInput(20, 4).view(), 1024);
    field = copy;
    copy.clear();
  }
  EXPECT_EQ(watch.leaks(), 0);
}

TEST(TextFieldWipe, ClearWipesBeforeFreeing) {
  TextField field;
  field.insert(SecretInput(35, 0).view(), 1024);
  Watch watch;
  field.clear();
  EXPECT_TRUE(field.text.empty());
  EXPECT_EQ(watch.leaks(), 0);
}

}  // namespace
}  // namespace tolzeb::ui
