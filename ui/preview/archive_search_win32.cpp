#include <windows.h>

#include <climits>

#include "ui/preview/archive_search.h"

namespace tolzeb::ui {

std::wstring foldForSearch(const std::wstring& text) {
  if (text.empty() || text.size() > size_t(INT_MAX)) return text;
  // The invariant locale (empty name) with linguistic casing, so the user's locale changes nothing.
  constexpr DWORD kFlags = LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING;
  const int length = LCMapStringEx(L"", kFlags, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr, 0);
  if (length <= 0) return text;
  std::wstring folded(size_t(length), L'\0');
  const int written =
      LCMapStringEx(L"", kFlags, text.c_str(), int(text.size()), folded.data(), length, nullptr, nullptr, 0);
  if (written <= 0) return text;
  folded.resize(size_t(written));
  return folded;
}

}  // namespace tolzeb::ui
