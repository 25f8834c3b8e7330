#include <algorithm>
#include <charconv>

#include "ui/foundation/format.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui::i18n {
namespace {

// More decimals than any double carries are never useful; the cap keeps the buffer small.
constexpr int kMaxDecimals = 100;

std::wstring widen(const char* first, const char* last) { return std::wstring(first, last); }

std::wstring localeNameFor(const Snapshot& state) {
  if (state.formatsFollowLanguage && state.row) return state.row->tag;
  std::wstring user = platform::userDefaultLocaleName();
  return user.empty() ? kEnglishTag : user;
}

// The number at the start of a grouping text such as "3;0" or "3;2;0".
unsigned leadingNumber(const std::wstring& text) {
  unsigned value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9' || value > 100) break;
    value = value * 10 + unsigned(c - L'0');
  }
  return value;
}

// The plain ASCII number in the locale's layout, or the plain text when the locale cannot.
std::wstring formatPlain(const std::wstring& plain, unsigned decimals, const Snapshot& state) {
  const std::wstring locale = localeNameFor(state);
  platform::NumberLayout layout;
  layout.decimals = decimals;
  layout.thousandSeparator = platform::localeText(locale, platform::LocaleText::thousandSeparator).value_or(L",");
  layout.decimalSeparator = platform::localeText(locale, platform::LocaleText::decimalSeparator).value_or(L".");
  layout.grouping = leadingNumber(platform::localeText(locale, platform::LocaleText::grouping).value_or(L"3;0"));
  return platform::formatNumber(locale, plain, layout).value_or(plain);
}

}  // namespace

std::wstring formattingLocaleName() { return localeNameFor(snapshot()); }

std::wstring formatInteger(int64_t value) { return formatInteger(value, snapshot()); }

std::wstring formatInteger(int64_t value, const Snapshot& state) {
  char digits[24];
  const std::to_chars_result printed = std::to_chars(digits, digits + sizeof(digits), value);
  return formatPlain(widen(digits, printed.ptr), 0, state);
}

std::wstring formatDecimal(double value, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  // to_chars writes '.' whatever the C library's locale says.
  char digits[320 + kMaxDecimals];
  const std::to_chars_result printed =
      std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals);
  return formatPlain(widen(digits, printed.ptr), unsigned(decimals), snapshot());
}

bool formatsFollowLanguage() { return snapshot().formatsFollowLanguage; }

std::wstring formatSize(uint64_t bytes) {
  constexpr uint64_t kUnit = 1024;
  if (bytes < kUnit) return translateWithArgs("unit.bytes", {Arg("count", formatInteger(int64_t(bytes)))});
  static constexpr const char* kUnitKeys[] = {"unit.kb", "unit.mb", "unit.gb", "unit.tb"};
  double x = double(bytes);
  size_t unit = 0;
  for (;; ++unit) {
    x /= double(kUnit);
    if (x < double(kUnit) || unit + 1 == std::size(kUnitKeys)) break;
  }
  return translateWithArgs(kUnitKeys[unit], {Arg("count", formatDecimal(x, x < 10 ? 1 : 0))});
}

}  // namespace tolzeb::ui::i18n

namespace tolzeb::ui {

std::wstring formatBytes(uint64_t bytes) { return i18n::formatSize(bytes); }

}  // namespace tolzeb::ui
