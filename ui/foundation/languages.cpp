#include "ui/foundation/languages.h"

namespace tolzeb::ui::i18n {
namespace {

// Every native name lies in the Basic Multilingual Plane, so these literals hold the same UTF-16
// units in both builds.
constexpr LanguageInfo kLanguages[] = {
    {L"en-US", L"English (United States)", L"English (United States)", 1},
    {L"zh-CN", L"简体中文", L"Chinese (Simplified)", 0},
    {L"zh-TW", L"繁體中文", L"Chinese (Traditional)", 0},
    {L"cs-CZ", L"Čeština", L"Czech", 5},
    {L"da-DK", L"Dansk", L"Danish", 1},
    {L"nl-NL", L"Nederlands", L"Dutch", 1},
    {L"fi-FI", L"Suomi", L"Finnish", 1},
    {L"fr-FR", L"Français", L"French", 2},
    {L"de-DE", L"Deutsch", L"German", 1},
    {L"el-GR", L"Ελληνικά", L"Greek", 1},
    {L"hi-IN", L"हिन्दी", L"Hindi", 2},
    {L"hu-HU", L"Magyar", L"Hungarian", 1},
    {L"id-ID", L"Bahasa Indonesia", L"Indonesian", 0},
    {L"it-IT", L"Italiano", L"Italian", 1},
    {L"ja-JP", L"日本語", L"Japanese", 0},
    {L"ko-KR", L"한국어", L"Korean", 0},
    {L"ms-MY", L"Bahasa Melayu", L"Malay", 0},
    {L"pl-PL", L"Polski", L"Polish", 4},
    {L"pt-BR", L"Português (Brasil)", L"Portuguese (Brazil)", 2},
    {L"pt-PT", L"Português (Portugal)", L"Portuguese (Portugal)", 1},
    {L"ro-RO", L"Română", L"Romanian", 6},
    {L"ru-RU", L"Русский", L"Russian", 3},
    {L"es-ES", L"Español", L"Spanish", 1},
    {L"sv-SE", L"Svenska", L"Swedish", 1},
    {L"th-TH", L"ไทย", L"Thai", 0},
    {L"tr-TR", L"Türkçe", L"Turkish", 1},
    {L"uk-UA", L"Українська", L"Ukrainian", 3},
    {L"vi-VN", L"Tiếng Việt", L"Vietnamese", 0},
};

// Tags are ASCII; lowering only A-Z keeps other characters from folding onto a tag's letters.
wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + (L'a' - L'A')) : c; }

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

bool containsIgnoringCase(std::wstring_view text, std::wstring_view part) {
  if (part.size() > text.size()) return false;
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    if (equalsIgnoringCase(text.substr(start, part.size()), part)) return true;
  }
  return false;
}

std::wstring_view primarySubtag(std::wstring_view tag) { return tag.substr(0, tag.find(L'-')); }

// "three to four" style checks on the last digit and the last two digits.
bool isFew34(uint64_t n) {
  const uint64_t lastDigit = n % 10, lastTwo = n % 100;
  return lastDigit >= 2 && lastDigit <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
}

}  // namespace

std::span<const LanguageInfo> languageTable() { return kLanguages; }

const LanguageInfo& englishLanguage() { return kLanguages[0]; }

const LanguageInfo* findLanguage(const std::wstring& tag) {
  for (const LanguageInfo& row : kLanguages) {
    if (equalsIgnoringCase(tag, row.tag)) return &row;
  }
  return nullptr;
}

const LanguageInfo* matchLanguage(const std::wstring& systemTag) {
  if (systemTag.empty()) return nullptr;
  if (const LanguageInfo* exact = findLanguage(systemTag)) return exact;
  const std::wstring_view primary = primarySubtag(systemTag);
  if (equalsIgnoringCase(primary, L"zh")) {
    bool traditional;
    if (systemTag.size() > 3 && containsIgnoringCase(systemTag, L"Hans")) {
      traditional = false;
    } else if (containsIgnoringCase(systemTag, L"Hant")) {
      traditional = true;
    } else {
      traditional = containsIgnoringCase(systemTag, L"TW") || containsIgnoringCase(systemTag, L"HK") ||
                    containsIgnoringCase(systemTag, L"MO");
    }
    return findLanguage(traditional ? L"zh-TW" : L"zh-CN");
  }
  if (equalsIgnoringCase(primary, L"pt")) {
    return findLanguage(containsIgnoringCase(systemTag, L"BR") ? L"pt-BR" : L"pt-PT");
  }
  for (const LanguageInfo& row : kLanguages) {
    if (equalsIgnoringCase(primary, primarySubtag(row.tag))) return &row;
  }
  return nullptr;
}

PluralCategory pluralCategory(uint8_t rule, int64_t count) {
  // The magnitude as unsigned, so that the most negative count has one too.
  const uint64_t n = count < 0 ? 0 - uint64_t(count) : uint64_t(count);
  const uint64_t lastDigit = n % 10, lastTwo = n % 100;
  using C = PluralCategory;
  switch (rule) {
    case 0: return C::other;
    case 1: return n == 1 ? C::one : C::other;
    case 2: return n <= 1 ? C::one : C::other;
    case 3:
      if (lastDigit == 1) return lastTwo == 11 ? C::many : C::one;
      return isFew34(n) ? C::few : C::many;
    case 4:
      if (n == 1) return C::one;
      return isFew34(n) ? C::few : C::many;
    case 5:
      if (n == 1) return C::one;
      return n >= 2 && n <= 4 ? C::few : C::other;
    case 6:
      if (n == 1) return C::one;
      return n == 0 || (lastTwo >= 1 && lastTwo <= 19) ? C::few : C::other;
    case 7:
      if (n <= 2) return n == 0 ? C::zero : n == 1 ? C::one : C::two;
      if (lastTwo >= 3 && lastTwo <= 10) return C::few;
      return lastTwo >= 11 ? C::many : C::other;
    case 8:
      if (n == 1) return C::one;
      if (n == 2) return C::two;
      return n != 0 && lastDigit == 0 ? C::many : C::other;
    default: return C::other;
  }
}

const char* pluralCategoryName(PluralCategory category) {
  switch (category) {
    case PluralCategory::zero: return "zero";
    case PluralCategory::one: return "one";
    case PluralCategory::two: return "two";
    case PluralCategory::few: return "few";
    case PluralCategory::many: return "many";
    case PluralCategory::other: return "other";
  }
  return "other";
}

}  // namespace tolzeb::ui::i18n
