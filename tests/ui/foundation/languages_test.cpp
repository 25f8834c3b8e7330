#include "ui/foundation/languages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tolzeb::ui::i18n {
namespace {

PluralCategory fromLetter(char letter) {
  switch (letter) {
    case 'z': return PluralCategory::zero;
    case '1': return PluralCategory::one;
    case '2': return PluralCategory::two;
    case 'f': return PluralCategory::few;
    case 'm': return PluralCategory::many;
    default: return PluralCategory::other;
  }
}

TEST(PluralRules, CategoryOfEachCountUnderEveryRule) {
  // One letter per rule 0 to 9: z zero, 1 one, 2 two, f few, m many, o other.
  struct Row {
    int64_t count;
    const char* categories;
  };
  const Row rows[] = {
      {0, "oo1mmofzoo"},         {1, "o11111111o"},         {2, "oooffff22o"},
      {3, "ooofffffoo"},         {5, "ooommoffoo"},         {10, "ooommoffmo"},
      {11, "ooommofmoo"},        {12, "ooommofmoo"},        {20, "ooommoommo"},
      {21, "ooo1moomoo"},        {22, "oooffoomoo"},        {23, "oooffoomoo"},
      {25, "ooommoomoo"},        {101, "ooo1mofooo"},       {111, "ooommofmoo"},
      {112, "ooommofmoo"},       {119, "ooommofmoo"},       {120, "ooommoommo"},
      {-1, "o11111111o"},        {-21, "ooo1moomoo"},       {-3, "ooofffffoo"},
      {INT64_MIN, "ooommoffoo"}, {INT64_MAX, "ooommoffoo"},
  };
  for (const Row& row : rows) {
    for (uint8_t rule = 0; rule < 10; ++rule) {
      SCOPED_TRACE("count " + std::to_string(row.count) + ", rule " + std::to_string(rule));
      EXPECT_EQ(pluralCategory(rule, row.count), fromLetter(row.categories[rule]));
    }
  }
  EXPECT_EQ(pluralCategory(255, 1), PluralCategory::other);
}

TEST(PluralRules, CategoryNamesAreTheKeySuffixes) {
  EXPECT_STREQ(pluralCategoryName(PluralCategory::zero), "zero");
  EXPECT_STREQ(pluralCategoryName(PluralCategory::one), "one");
  EXPECT_STREQ(pluralCategoryName(PluralCategory::two), "two");
  EXPECT_STREQ(pluralCategoryName(PluralCategory::few), "few");
  EXPECT_STREQ(pluralCategoryName(PluralCategory::many), "many");
  EXPECT_STREQ(pluralCategoryName(PluralCategory::other), "other");
}

TEST(Languages, TableHoldsTheTwentyEightLanguagesWithEnglishFirst) {
  ASSERT_EQ(languageTable().size(), 28u);
  EXPECT_EQ(std::wstring(englishLanguage().tag), L"en-US");
  EXPECT_EQ(&languageTable()[0], &englishLanguage());
  EXPECT_EQ(std::wstring(findLanguage(L"uk-UA")->nativeName), L"\u0423\u043a\u0440\u0430\u0457\u043d\u0441\u044c\u043a\u0430");
  EXPECT_EQ(findLanguage(L"pl-PL")->pluralRule, 4);
}

TEST(Languages, FindLanguageIgnoresAsciiCaseOnly) {
  EXPECT_EQ(std::wstring(findLanguage(L"DE-de")->tag), L"de-DE");
  EXPECT_EQ(std::wstring(findLanguage(L"en-us")->tag), L"en-US");
  EXPECT_EQ(findLanguage(L"de"), nullptr);
  EXPECT_EQ(findLanguage(L"de-DE "), nullptr);
  EXPECT_EQ(findLanguage(L""), nullptr);
  // The Kelvin sign lower-cases to 'k' in Unicode, but a tag is ASCII.
  EXPECT_EQ(findLanguage(L"\u212Ao-KR"), nullptr);
}

TEST(Languages, MatchLanguageMapsSystemTagsToRows) {
  struct Case {
    const wchar_t* systemTag;
    const wchar_t* row;  // null: no match
  };
  const Case cases[] = {
      {L"EN-us", L"en-US"},      {L"en-GB", L"en-US"},      {L"en", L"en-US"},
      {L"es-MX", L"es-ES"},      {L"de-CH", L"de-DE"},      {L"fr-CA", L"fr-FR"},
      {L"zh-Hant-HK", L"zh-TW"}, {L"zh-HK", L"zh-TW"},      {L"zh-MO", L"zh-TW"},
      {L"zh-tw", L"zh-TW"},      {L"zh-Hans-HK", L"zh-CN"}, {L"zh-SG", L"zh-CN"},
      {L"zh", L"zh-CN"},         {L"ZH-hant", L"zh-TW"},    {L"pt-AO", L"pt-PT"},
      {L"pt", L"pt-PT"},         {L"pt-br", L"pt-BR"},      {L"nb-NO", nullptr},
      {L"", nullptr},            {L"x", nullptr},           {L"-US", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.systemTag, c.systemTag + std::wstring(c.systemTag).size()));
    const LanguageInfo* row = matchLanguage(c.systemTag);
    if (!c.row) {
      EXPECT_EQ(row, nullptr);
    } else {
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(std::wstring(row->tag), c.row);
    }
  }
}

}  // namespace
}  // namespace tolzeb::ui::i18n
