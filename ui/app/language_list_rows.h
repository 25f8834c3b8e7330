// Row arithmetic of the settings page's language list: 28 rows, 11 of them in view at a time.
#pragma once

#include <cstdint>
#include <functional>

namespace tolzeb::ui {

inline constexpr int32_t kLanguageRows = 28;
inline constexpr int32_t kLanguageListVisibleRows = 11;
inline constexpr int32_t kLanguageListLastFirstRow = kLanguageRows - kLanguageListVisibleRows;

// stepLanguageRow with the question "has this row a catalogue?" handed in.
int32_t stepLanguageRowWhere(int32_t row, int direction, const std::function<bool(int32_t)>& hasCatalogue);

}  // namespace tolzeb::ui
