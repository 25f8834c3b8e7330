// Paths as Windows writes them, read the same way on every platform: the shell hands the window
// such paths, and entry names may carry either separator.
#pragma once

#include <string>

namespace tolzeb::ui {

inline bool isEitherSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// What follows the last separator of either kind; the whole text when there is none.
inline std::wstring lastComponent(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

}  // namespace tolzeb::ui
