#include "ui/foundation/catalog.h"

namespace tolzeb::ui::i18n {

Catalog::Catalog(std::wstring tag, CatalogueEntries entries) : tag_(std::move(tag)) {
  texts_.max_load_factor(1.0f);
  texts_.reserve(entries.size());
  for (auto& [key, text] : entries) texts_.emplace(std::move(key), std::move(text));
}

const std::wstring* Catalog::find(std::string_view key) const {
  auto found = texts_.find(key);
  return found == texts_.end() ? nullptr : &found->second;
}

}  // namespace tolzeb::ui::i18n
