#include "ui/foundation/text_field.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace tolzeb::ui {
namespace {

constexpr uint64_t kRoomy = 1024;

struct EditCase {
  const char* name;
  std::wstring text;
  uint64_t caret;
  uint64_t anchor;
  std::function<bool(TextField&)> edit;
  bool changed;
  std::wstring expectedText;
  uint64_t expectedCaret;
  uint64_t expectedAnchor;
};

TextField fieldOf(const std::wstring& text, uint64_t caret, uint64_t anchor) {
  TextField field;
  field.insert(text, kRoomy);
  field.caret = caret;
  field.anchor = anchor;
  return field;
}

TEST(TextField, EditOperations) {
  const auto insert = [](std::wstring text, uint64_t maximum = kRoomy) {
    return [=](TextField& f) { return f.insert(text, maximum); };
  };
  const auto backspace = [](TextField& f) { return f.backspace(); };
  const auto deleteForward = [](TextField& f) { return f.deleteForward(); };
  const auto deleteSelection = [](TextField& f) { return f.deleteSelection(); };
  const auto move = [](int direction, bool extend) {
    return [=](TextField& f) { return f.moveCaret(direction, extend); };
  };
  const auto toStart = [](bool extend) {
    return [=](TextField& f) { return f.moveToStart(extend); };
  };
  const auto toEnd = [](bool extend) { return [=](TextField& f) { return f.moveToEnd(extend); }; };

  const EditCase cases[] = {
      {"control units of a paste are dropped", L"", 0, 0, insert(L"a\r\nb"), true, L"ab", 2, 2},
      {"tab, DEL and C0 dropped, C1 kept", L"", 0, 0, insert(L"\tx\x7F\x01\x85y"), true, L"x\x85y",
       3, 3},
      {"only control units: nothing", L"ab", 1, 1, insert(L"\r\n"), false, L"ab", 1, 1},
      {"empty input: nothing, selection kept", L"abcd", 3, 1, insert(L""), false, L"abcd", 3, 1},
      {"inserts at the caret", L"ad", 1, 1, insert(L"bc"), true, L"abcd", 3, 3},
      {"cut to the room left", L"abc", 3, 3, insert(L"defg", 5), true, L"abcde", 5, 5},
      {"no room: false", L"abcde", 5, 5, insert(L"f", 5), false, L"abcde", 5, 5},
      {"no room: the selection is still removed", L"abcde", 1, 4, insert(L"x", 2), false, L"ae", 1,
       1},
      {"a selection is replaced", L"abcd", 3, 1, insert(L"x"), true, L"axd", 2, 2},
      {"surrogate units are kept", L"", 0, 0, insert(L"\xD83D\xDE00"), true, L"\xD83D\xDE00", 2, 2},
      {"backspace at 0", L"abc", 0, 0, backspace, false, L"abc", 0, 0},
      {"backspace in the middle", L"abc", 2, 2, backspace, true, L"ac", 1, 1},
      {"backspace removes the selection", L"abcd", 1, 3, backspace, true, L"ad", 1, 1},
      {"backspace splits a surrogate pair", L"a\xD83D\xDE00", 3, 3, backspace, true, L"a\xD83D", 2,
       2},
      {"delete at the end", L"abc", 3, 3, deleteForward, false, L"abc", 3, 3},
      {"delete at the caret", L"abc", 1, 1, deleteForward, true, L"ac", 1, 1},
      {"delete removes a backward selection", L"abcd", 3, 1, deleteForward, true, L"ad", 1, 1},
      {"deleteSelection without one", L"abc", 2, 2, deleteSelection, false, L"abc", 2, 2},
      {"deleteSelection of all", L"abc", 0, 3, deleteSelection, true, L"", 0, 0},
      {"left", L"abc", 2, 2, move(-1, false), true, L"abc", 1, 1},
      {"left extending", L"abc", 2, 2, move(-1, true), true, L"abc", 1, 2},
      {"left at 0", L"abc", 0, 0, move(-1, false), false, L"abc", 0, 0},
      {"collapse at the start reports false", L"abc", 0, 2, move(-1, false), false, L"abc", 0, 0},
      {"right at the end", L"abc", 3, 3, move(+1, false), false, L"abc", 3, 3},
      {"right extending", L"abc", 1, 1, move(+1, true), true, L"abc", 2, 1},
      {"to end without extend at the end", L"abc", 3, 3, toEnd(false), true, L"abc", 3, 3},
      {"to end extending at the end", L"abc", 3, 1, toEnd(true), false, L"abc", 3, 1},
      {"to end extending", L"abc", 1, 1, toEnd(true), true, L"abc", 3, 1},
      {"to start collapses", L"abc", 2, 3, toStart(false), true, L"abc", 0, 0},
      {"to start extending at 0", L"abc", 0, 2, toStart(true), false, L"abc", 0, 2},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    TextField field = fieldOf(c.text, c.caret, c.anchor);
    EXPECT_EQ(c.edit(field), c.changed);
    EXPECT_EQ(field.text, c.expectedText);
    EXPECT_EQ(field.caret, c.expectedCaret);
    EXPECT_EQ(field.anchor, c.expectedAnchor);
  }
}

TEST(TextField, EraseLeavesCaretAndRefusesPositionsPastTheEnd) {
  TextField field = fieldOf(L"abcdef", 5, 5);
  field.erase(1, 2);
  EXPECT_EQ(field.text, L"adef");
  EXPECT_EQ(field.caret, 5u);
  field.erase(2, 100);
  EXPECT_EQ(field.text, L"ad");
  field.erase(2, 1);
  EXPECT_EQ(field.text, L"ad");
  EXPECT_THROW(field.erase(3, 1), std::out_of_range);
}

TEST(TextField, ClearEmptiesAndResets) {
  TextField field = fieldOf(L"secret", 4, 2);
  field.clear();
  EXPECT_TRUE(field.text.empty());
  EXPECT_EQ(field.caret, 0u);
  EXPECT_EQ(field.anchor, 0u);
}

// The units past the new end of the storage after an edit: the model leaves zeros there, not
// the units it removed nor stale copies of those that moved down.
std::wstring unitsPastTheEnd(const TextField& field, size_t oldLength) {
  return std::wstring(field.text.data() + field.text.size() + 1, field.text.data() + oldLength + 1);
}

TEST(TextField, RemovedUnitsAreZeroedInPlace) {
  const auto backspace = [](TextField& f) { return f.backspace(); };
  const auto deleteForward = [](TextField& f) { return f.deleteForward(); };
  const auto deleteSelection = [](TextField& f) { return f.deleteSelection(); };
  struct Case {
    uint64_t caret, anchor;
    std::function<bool(TextField&)> edit;
  } cases[] = {{9, 9, backspace},
               {2, 2, backspace},
               {0, 0, deleteForward},
               {3, 7, deleteSelection},
               {8, 1, backspace}};
  for (const Case& c : cases) {
    TextField field = fieldOf(L"PASSWORD!", c.caret, c.anchor);
    const wchar_t* storage = field.text.data();
    ASSERT_TRUE(c.edit(field));
    ASSERT_EQ(field.text.data(), storage) << "the edit moved the storage";
    const size_t removed = 9 - field.text.size();
    EXPECT_EQ(unitsPastTheEnd(field, 9), std::wstring(removed, L'\0'));
  }
}

TEST(TextField, SelectionIsWipedBeforeAnInsertThatDoesNotFit) {
  TextField field = fieldOf(L"abcdef", 1, 5);
  EXPECT_FALSE(field.insert(L"xyz", 2));
  EXPECT_EQ(field.text, L"af");
  EXPECT_EQ(unitsPastTheEnd(field, 6), std::wstring(4, L'\0'));
}

TEST(TextField, CopiesAreIndependent) {
  TextField original = fieldOf(L"abc", 1, 2);
  original.masked = true;
  TextField copy = original;
  copy.insert(L"x", kRoomy);
  EXPECT_EQ(original.text, L"abc");
  EXPECT_EQ(copy.text, L"axc");
  EXPECT_TRUE(copy.masked);
  original = copy;
  EXPECT_EQ(original.text, L"axc");
  EXPECT_EQ(original.caret, 2u);
}

}  // namespace
}  // namespace tolzeb::ui
