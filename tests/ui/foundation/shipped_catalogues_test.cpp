// Every catalogue under locales/ goes through the real reader and is held against the English
// source catalogue: the same keys, the same placeholders, and the plural forms its rule needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "i18n_test_support.h"
#include "ui/foundation/json_reader.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui::i18n {
namespace {

using Texts = std::map<std::string, std::wstring>;

constexpr const char* kCategoryNames[] = {"zero", "one", "two", "few", "many", "other"};
// Translator notes exist only in the English catalogue.
const std::set<std::string> kEnglishOnlyKeys = {"explorer._note", "filetype._note", "nav._note"};

std::string narrow(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

// The texts by key; `firstKey` is the key the file starts with.
Texts readCatalogue(const std::filesystem::path& path, ParseResult& result, std::string* firstKey = nullptr) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  CatalogueEntries entries;
  result = parseLocaleFile(bytes, entries);
  if (firstKey && !entries.empty()) *firstKey = entries.front().first;
  return Texts(entries.begin(), entries.end());
}

// The names in braces, found the way the lookups find them.
std::set<std::wstring> placeholders(const std::wstring& text) {
  std::set<std::wstring> names;
  size_t open = text.find(L'{');
  while (open != std::wstring::npos) {
    const size_t close = text.find(L'}', open + 1);
    if (close == std::wstring::npos) break;
    names.insert(text.substr(open + 1, close - open - 1));
    open = text.find(L'{', close + 1);
  }
  return names;
}

// A key such as count.files.one: its base and the category at its end.
bool splitPluralKey(const std::string& key, std::string& base, std::string& category) {
  const size_t dot = key.rfind('.');
  if (dot == std::string::npos) return false;
  for (const char* name : kCategoryNames) {
    if (key.compare(dot + 1, std::string::npos, name) == 0) {
      base = key.substr(0, dot);
      category = name;
      return true;
    }
  }
  return false;
}

// The categories a rule gives for some count.
std::set<std::string> categoriesOfRule(uint8_t rule) {
  std::set<std::string> categories;
  for (int64_t n = 0; n < 1000; ++n) categories.insert(pluralCategoryName(pluralCategory(rule, n)));
  return categories;
}

std::vector<std::filesystem::path> shippedCatalogues() {
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::directory_iterator(testing::sourceLocalesFolder())) {
    if (item.path().extension() == ".json") files.push_back(item.path());
  }
  return files;
}

TEST(ShippedCatalogues, EnglishHoldsEveryKeyOfTheProgram) {
  ParseResult result;
  const Texts english = readCatalogue(testing::sourceLocalesFolder() / "en-US.json", result);
  ASSERT_TRUE(result.ok) << result.message << " at " << result.line << ":" << result.column;
  EXPECT_EQ(english.size(), 710u);
  std::set<std::string> groups;
  for (const auto& [key, text] : english) {
    groups.insert(key.substr(0, key.find('.')));
    EXPECT_LE(std::count(key.begin(), key.end(), '.'), 2) << key;
    EXPECT_FALSE(text.empty()) << key;
  }
  EXPECT_EQ(groups.size(), 36u);
  EXPECT_EQ(english.at("_meta.tag"), L"en-US");
  EXPECT_EQ(english.at("_meta.name"), L"English (United States)");
}

TEST(ShippedCatalogues, EveryTranslationMatchesTheEnglishCatalogue) {
  ParseResult englishResult;
  const Texts english = readCatalogue(testing::sourceLocalesFolder() / "en-US.json", englishResult);
  ASSERT_TRUE(englishResult.ok);

  // The English plural keys by base, and every other key.
  std::map<std::string, std::set<std::string>> englishPlurals;
  std::set<std::string> englishPlain;
  for (const auto& [key, text] : english) {
    std::string base, category;
    if (splitPluralKey(key, base, category)) {
      englishPlurals[base].insert(category);
    } else if (!kEnglishOnlyKeys.count(key)) {
      englishPlain.insert(key);
    }
  }

  for (const std::filesystem::path& file : shippedCatalogues()) {
    const std::string tag = file.stem().string();
    SCOPED_TRACE(tag);
    const LanguageInfo* row = findLanguage(std::wstring(tag.begin(), tag.end()));
    ASSERT_NE(row, nullptr) << "no language of the table";
    EXPECT_EQ(std::wstring(row->tag), std::wstring(tag.begin(), tag.end())) << "file name spelled differently";

    ParseResult result;
    std::string firstKey;
    const Texts texts = readCatalogue(file, result, &firstKey);
    ASSERT_TRUE(result.ok) << result.message << " at " << result.line << ":" << result.column;
    EXPECT_EQ(firstKey.rfind("_meta.", 0), 0u) << "the file starts with " << firstKey;
    EXPECT_EQ(texts.count("_meta.tag") ? texts.at("_meta.tag") : L"", std::wstring(row->tag));
    EXPECT_EQ(texts.count("_meta.name") ? texts.at("_meta.name") : L"", std::wstring(row->englishName));

    const std::set<std::string> ruleCategories = categoriesOfRule(row->pluralRule);
    std::map<std::string, std::set<std::string>> plurals;
    for (const auto& [key, text] : texts) {
      std::string base, category;
      if (splitPluralKey(key, base, category) && englishPlurals.count(base)) {
        plurals[base].insert(category);
        // Every form carries what the English "other" form carries.
        EXPECT_EQ(placeholders(text), placeholders(english.at(base + ".other"))) << key;
        continue;
      }
      if (tag != "en-US" && kEnglishOnlyKeys.count(key)) {
        ADD_FAILURE() << key << " is a note for translators and belongs only to English";
        continue;
      }
      if (!englishPlain.count(key) && !kEnglishOnlyKeys.count(key)) {
        ADD_FAILURE() << key << " is not an English key";
        continue;
      }
      if (key.rfind("_meta.", 0) != 0) {
        EXPECT_EQ(placeholders(text), placeholders(english.at(key))) << key << ": " << narrow(text);
      }
    }
    for (const std::string& key : englishPlain) EXPECT_TRUE(texts.count(key)) << key << " is missing";

    for (const auto& [base, englishCategories] : englishPlurals) {
      SCOPED_TRACE(base);
      const std::set<std::string> present = plurals[base];
      for (const std::string& category : ruleCategories) {
        EXPECT_TRUE(present.count(category)) << "." << category << " is missing";
      }
      for (const std::string& category : present) {
        // English's forms may stay; anything else must be a form of the language's rule.
        EXPECT_TRUE(ruleCategories.count(category) || englishCategories.count(category))
            << "." << category << " is not a form of this language";
      }
    }
  }
}

// The rail entry of the donation page asks for support of the project; in these languages the
// plain noun reads as a help desk, which sends people looking for help to a donation page.
TEST(ShippedCatalogues, SupportEntryIsACallToSupportTheProject) {
  ParseResult result;
  const Texts english = readCatalogue(testing::sourceLocalesFolder() / "en-US.json", result);
  ASSERT_TRUE(result.ok);
  EXPECT_NE(english.at("nav._note").find(L"donation"), std::wstring::npos);
  struct {
    const char* tag;
    std::wstring helpDeskWord;
  } cases[] = {
      {"ja-JP", L"\u30B5\u30DD\u30FC\u30C8"},              // "support" as in customer support
      {"zh-CN", L"\u652F\u6301"},                                // the bare noun
      {"ru-RU", L"\u041F\u043E\u0434\u0434\u0435\u0440\u0436\u043A\u0430"},  // the service noun
      {"pl-PL", L"Wsparcie"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    const Texts texts = readCatalogue(testing::sourceLocalesFolder() / (std::string(c.tag) + ".json"), result);
    ASSERT_TRUE(result.ok);
    ASSERT_TRUE(texts.count("nav.support"));
    EXPECT_NE(texts.at("nav.support"), c.helpDeskWord);
    EXPECT_FALSE(texts.count("nav._note")) << "notes are for translators of the English catalogue";
  }
}

}  // namespace
}  // namespace tolzeb::ui::i18n
