#include "ui/app/language_list_rows.h"

#include <algorithm>
#include <string>

#include "ui/app/app_window.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui {

int32_t languageListOffset(int32_t row, int32_t firstRow) {
  firstRow = std::min(firstRow, row);
  if (row >= firstRow + kLanguageListVisibleRows) firstRow = row - (kLanguageListVisibleRows - 1);
  return std::clamp(firstRow, 0, kLanguageListLastFirstRow);
}

int32_t stepLanguageRowWhere(int32_t row, int direction, const std::function<bool(int32_t)>& hasCatalogue) {
  for (int32_t tries = 1; tries <= kLanguageRows; ++tries) {
    const int32_t candidate = ((row + direction * tries) % kLanguageRows + kLanguageRows) % kLanguageRows;
    if (hasCatalogue(candidate)) return candidate;
  }
  return row;
}

int32_t stepLanguageRow(int32_t row, int direction) {
  const auto table = i18n::languageTable();
  return stepLanguageRowWhere(row, direction, [&](int32_t candidate) {
    return size_t(candidate) < table.size() && i18n::catalogueExists(table[size_t(candidate)].tag);
  });
}

}  // namespace tolzeb::ui
