#include "ui/preview/archive_search.h"

namespace tolzeb::ui {

namespace {

// Simple one-to-one lower-casing of the Latin, Greek and Cyrillic capitals; everything else stays.
wchar_t foldUnit(wchar_t unit) {
  const uint32_t c = uint32_t(unit);
  if (c >= 'A' && c <= 'Z') return wchar_t(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return wchar_t(c + 0x20);
  if (c == 0x130) return L'i';  // capital I with dot: its simple lower case is plain i
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0) return wchar_t(c + 1);
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return wchar_t(c + 1);
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return wchar_t(c + 1);
  if (c == 0x178) return wchar_t(0xFF);
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return wchar_t(c + 1);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return wchar_t(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return wchar_t(c + 0x50);
  if (c >= 0x410 && c <= 0x42F) return wchar_t(c + 0x20);
  return unit;
}

}  // namespace

std::wstring foldForSearch(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& unit : folded) unit = foldUnit(unit);
  return folded;
}

}  // namespace tolzeb::ui
