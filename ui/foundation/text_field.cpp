#include "ui/foundation/text_field.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "engine/core/secure_bytes.h"

namespace tolzeb::ui {
namespace {

constexpr size_t kMinimumCapacity = 32;

bool isControlUnit(wchar_t unit) { return unit < 0x20 || unit == 0x7F; }

void wipeString(std::wstring& s) { secureZero(s.data(), s.size() * sizeof(wchar_t)); }

}  // namespace

TextField::TextField(const TextField& other)
    : caret(other.caret), anchor(other.anchor), masked(other.masked) {
  reserveWiped(other.text.size());
  text.assign(other.text);
}

TextField& TextField::operator=(const TextField& other) {
  if (this == &other) return *this;
  clear();
  reserveWiped(other.text.size());
  text.assign(other.text);
  caret = other.caret;
  anchor = other.anchor;
  masked = other.masked;
  return *this;
}

TextField::~TextField() { clear(); }

void TextField::wipeUnits(size_t position, size_t count) {
  secureZero(text.data() + position, count * sizeof(wchar_t));
}

void TextField::reserveWiped(size_t length) {
  if (length <= text.capacity()) return;
  std::wstring grown;
  grown.reserve(std::max({length, text.capacity() * 2, kMinimumCapacity}));
  grown.assign(text);
  wipeString(text);
  text.swap(grown);
  // `grown` now holds the old storage, already wiped; it is freed here.
}

bool TextField::deleteSelection() {
  if (caret == anchor) return false;
  const uint64_t start = selectionStart();
  const uint64_t end = selectionEnd();
  wipeUnits(start, end - start);
  erase(start, end - start);
  caret = anchor = start;
  return true;
}

bool TextField::backspace() {
  if (hasSelection()) return deleteSelection();
  if (caret == 0) return false;
  wipeUnits(caret - 1, 1);
  erase(caret - 1, 1);
  caret = anchor = caret - 1;
  return true;
}

bool TextField::deleteForward() {
  if (hasSelection()) return deleteSelection();
  if (caret >= text.size()) return false;
  wipeUnits(caret, 1);
  erase(caret, 1);
  anchor = caret;
  return true;
}

void TextField::erase(uint64_t position, uint64_t count) {
  const size_t length = text.size();
  if (position > length) throw std::out_of_range("TextField::erase: position past the end");
  const size_t removed = std::min<uint64_t>(count, length - position);
  if (removed == 0) return;
  wchar_t* units = text.data();
  std::memmove(units + position, units + position + removed,
               (length - position - removed) * sizeof(wchar_t));
  // The units that moved down still sit at the old end; zero them so that no stale copy of the
  // text stays in the storage past the new end.
  secureZero(units + length - removed, removed * sizeof(wchar_t));
  text.resize(length - removed);
}

bool TextField::insert(std::wstring_view input, uint64_t maximum) {
  if (input.empty()) return false;
  deleteSelection();

  std::wstring filtered;
  filtered.reserve(input.size());
  for (wchar_t unit : input) {
    if (!isControlUnit(unit)) filtered.push_back(unit);
  }
  bool changed = false;
  if (!filtered.empty() && text.size() < maximum) {
    const size_t count = std::min<uint64_t>(filtered.size(), maximum - text.size());
    reserveWiped(text.size() + count);
    text.insert(caret, filtered.data(), count);
    caret = anchor = caret + count;
    changed = true;
  }
  wipeString(filtered);
  return changed;
}

bool TextField::moveCaret(int direction, bool extend) {
  const uint64_t before = caret;
  if (direction < 0) {
    if (caret > 0) --caret;
  } else if (caret < text.size()) {
    ++caret;
  }
  if (!extend) anchor = caret;
  return caret != before;
}

bool TextField::moveToStart(bool extend) {
  const bool moved = caret != 0;
  caret = 0;
  if (!extend) {
    anchor = caret;
    return true;
  }
  return moved;
}

bool TextField::moveToEnd(bool extend) {
  const bool moved = caret != text.size();
  caret = text.size();
  if (!extend) {
    anchor = caret;
    return true;
  }
  return moved;
}

void TextField::clear() {
  wipeString(text);
  std::wstring().swap(text);
  caret = anchor = 0;
}

}  // namespace tolzeb::ui
