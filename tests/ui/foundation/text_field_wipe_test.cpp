// Watches every block this test program frees while a text field is edited, and fails when one
// still holds a unit that was typed into the field.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "freed_block_watch.h"
#include "ui/foundation/text_field.h"

namespace tolzeb::ui {
namespace {

using Watch = testing::FreedBlockWatch;
using testing::kSecretFirst;

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
