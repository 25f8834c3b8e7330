// The 28 interface languages, their plural rules, and the matching of language tags to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tolzeb::ui::i18n {

struct LanguageInfo {
  const wchar_t* tag;          // "de-DE"
  const wchar_t* nativeName;   // "Deutsch"
  const wchar_t* englishName;  // "German"
  uint8_t pluralRule;          // see pluralCategory
};

// In the order the language list shows them; the first row (en-US) stands in wherever a row
// is needed and none is set.
std::span<const LanguageInfo> languageTable();
const LanguageInfo& englishLanguage();

// The row whose tag equals `tag` ignoring ASCII case; null when there is none.
const LanguageInfo* findLanguage(const std::wstring& tag);
// The row for a system language tag: an exact match, the Chinese script or region, Brazilian
// or European Portuguese, or else the first row with the same primary subtag; null for none.
const LanguageInfo* matchLanguage(const std::wstring& systemTag);

enum class PluralCategory : uint8_t { zero, one, two, few, many, other };

// The category of a count under a rule (0 to 8; any other rule gives other). The sign of the
// count is ignored.
PluralCategory pluralCategory(uint8_t rule, int64_t count);
// "zero", "one", "two", "few", "many" or "other", as plural keys end.
const char* pluralCategoryName(PluralCategory category);

}  // namespace tolzeb::ui::i18n
