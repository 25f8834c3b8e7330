#include "ui/app/numbered_name.h"

namespace tolzeb::ui {

std::wstring numberedName(const std::wstring& name, uint64_t n) {
  if (n <= 1) return name;
  const std::wstring suffix = L" (" + std::to_wstring(n) + L")";
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace tolzeb::ui
