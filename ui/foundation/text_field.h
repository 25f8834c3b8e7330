// The editing model behind every single-line input: text, caret and selection. It also holds
// passwords, so every unit it removes, and every temporary copy it makes of typed or pasted
// text, is overwritten with zeros before the memory is given up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolzeb::ui {

class TextField {
 public:
  TextField() = default;
  TextField(const TextField& other);
  TextField& operator=(const TextField& other);
  ~TextField();

  // UTF-16 units; positions count units, so the caret may split a surrogate pair.
  std::wstring text;
  uint64_t caret = 0;   // 0..length
  uint64_t anchor = 0;  // the selection runs between anchor and caret
  bool masked = false;  // shown as bullets; the operations ignore it

  bool hasSelection() const { return caret != anchor; }
  uint64_t selectionStart() const { return caret < anchor ? caret : anchor; }
  uint64_t selectionEnd() const { return caret < anchor ? anchor : caret; }

  // Replaces the selection with `input` less its control units (below 0x20, and 0x7F), cut so
  // that the text holds at most `maximum` units. True when the text changed.
  bool insert(std::wstring_view input, uint64_t maximum);
  bool backspace();
  bool deleteForward();
  bool deleteSelection();
  // Removes up to `count` units at `position` without wiping them first (the callers have);
  // the units that move down leave zeros behind. Throws std::out_of_range past the end.
  void erase(uint64_t position, uint64_t count);

  // One unit left (direction < 0) or right; without `extend` the selection collapses.
  bool moveCaret(int direction, bool extend);
  bool moveToStart(bool extend);
  bool moveToEnd(bool extend);

  // Wipes the text, frees its storage and puts the caret at 0.
  void clear();

 private:
  // Makes room for `length` units without letting the string type reallocate on its own, which
  // would free a copy of the text without wiping it.
  void reserveWiped(size_t length);
  void wipeUnits(size_t position, size_t count);
};

}  // namespace tolzeb::ui
