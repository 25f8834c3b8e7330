// One language's texts by dotted key: built once from a parsed catalogue file, never changed,
// and shared between threads as std::shared_ptr<const Catalog>.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ui/foundation/json_reader.h"

namespace tolzeb::ui::i18n {

class Catalog {
 public:
  // With unique keys, as the reader delivers them, every entry lands.
  Catalog(std::wstring tag, CatalogueEntries entries);

  const std::wstring& tag() const { return tag_; }
  size_t size() const { return texts_.size(); }
  // Exact, case-sensitive; null when the key is absent.
  const std::wstring* find(std::string_view key) const;

 private:
  // Lets a lookup hash a string_view without building a std::string.
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };

  std::wstring tag_;
  std::unordered_map<std::string, std::wstring, KeyHash, std::equal_to<>> texts_;
};

}  // namespace tolzeb::ui::i18n
