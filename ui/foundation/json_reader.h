// The strict JSON subset of the catalogue files: one object whose members are strings or
// objects, flattened into dotted keys. The reader stops at the first error and says where it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tolzeb::ui::i18n {

// Success is ok with line 0, column 0 and no message; a failure names the first error, its
// line (from 1) and its column (bytes from the start of that line, from 1).
struct ParseResult {
  bool ok = false;
  uint64_t line = 0;
  uint64_t column = 0;
  std::string message;
};

// (full dotted key, text) in document order.
using CatalogueEntries = std::vector<std::pair<std::string, std::wstring>>;

// A full key (the member names of every enclosing object joined by '.') longer than this is
// refused, which bounds both the nesting depth and the memory the keys of a file can take.
inline constexpr size_t kMaxFullKeyBytes = 128;

// Empties `entries` first; after a failure they may hold what was read before the error.
ParseResult parseLocaleFile(const uint8_t* text, size_t length, CatalogueEntries& entries);
inline ParseResult parseLocaleFile(const std::vector<uint8_t>& text, CatalogueEntries& entries) {
  return parseLocaleFile(text.data(), text.size(), entries);
}

}  // namespace tolzeb::ui::i18n
