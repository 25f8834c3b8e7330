#include "ui/foundation/catalogue_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "i18n_test_support.h"

namespace tolzeb::ui::i18n {
namespace {

using testing::ProgramFolder;

std::string asText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(CatalogueSource, EmbeddedEnglishIsFoundWithoutAnOverride) {
  ProgramFolder folder;
  std::vector<uint8_t> bytes;
  bool fromDisk = true;
  ASSERT_TRUE(readCatalogueText(L"en-US", bytes, fromDisk));
  EXPECT_FALSE(fromDisk);
  // Resource names ignore case.
  std::vector<uint8_t> again;
  ASSERT_TRUE(readCatalogueText(L"EN-us", again, fromDisk));
  EXPECT_EQ(again, bytes);

  ParseResult result;
  std::shared_ptr<const Catalog> english = loadCatalog(L"en-US", &result);
  ASSERT_TRUE(english) << result.message;
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(english->tag(), L"en-US");
  EXPECT_EQ(*english->find("nav.home"), L"Home");
  EXPECT_EQ(*english->find("error.details"), L"Details: {message}");
}

TEST(CatalogueSource, EveryShippedCatalogueIsEmbeddedAsItStands) {
  ProgramFolder folder;
  size_t seen = 0;
  for (const auto& item : std::filesystem::directory_iterator(testing::sourceLocalesFolder())) {
    if (item.path().extension() != ".json") continue;
    const std::string tag = item.path().stem().string();
    std::ifstream in(item.path(), std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> embedded;
    bool fromDisk = true;
    ASSERT_TRUE(readCatalogueText(std::wstring(tag.begin(), tag.end()), embedded, fromDisk)) << tag;
    EXPECT_FALSE(fromDisk) << tag;
    EXPECT_EQ(asText(embedded), onDisk) << tag;
    ++seen;
  }
  EXPECT_GT(seen, 0u);
}

TEST(CatalogueSource, AnOverrideFileTakesThePlaceOfTheEmbeddedCatalogue) {
  ProgramFolder folder;
  folder.writeCatalogue("en-US", R"({"nav":{"home":"Start here"}})");
  std::vector<uint8_t> bytes;
  bool fromDisk = false;
  ASSERT_TRUE(readCatalogueText(L"en-US", bytes, fromDisk));
  EXPECT_TRUE(fromDisk);
  EXPECT_EQ(asText(bytes), R"({"nav":{"home":"Start here"}})");
  std::shared_ptr<const Catalog> catalogue = loadCatalog(L"en-US");
  ASSERT_TRUE(catalogue);
  EXPECT_EQ(catalogue->size(), 1u);
  EXPECT_EQ(*catalogue->find("nav.home"), L"Start here");
}

TEST(CatalogueSource, AnOverrideHoldingAnEmptyObjectLoadsWithoutKeys) {
  ProgramFolder folder;
  folder.writeCatalogue("en-US", "{}");
  std::shared_ptr<const Catalog> catalogue = loadCatalog(L"en-US");
  ASSERT_TRUE(catalogue);
  EXPECT_EQ(catalogue->size(), 0u);
}

TEST(CatalogueSource, UnusableOverrideFilesArePassedOverForTheEmbeddedOne) {
  struct Case {
    const char* name;
    std::string bytes;  // the override's contents; a folder when empty and `folder` is set
    bool folder;
  };
  // One byte past the limit: a valid object padded with spaces.
  std::string tooLarge = "{}" + std::string(kMaxCatalogueFileBytes - 1, ' ');
  const Case cases[] = {
      {"empty file", "", false},
      {"larger than 8 MiB", tooLarge, false},
      {"a folder that cannot be read as a file", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    if (c.folder) {
      std::filesystem::create_directory(folder.path() / "locales" / "en-US.json");
    } else {
      folder.writeCatalogue("en-US", c.bytes);
    }
    std::vector<uint8_t> bytes;
    bool fromDisk = true;
    ASSERT_TRUE(readCatalogueText(L"en-US", bytes, fromDisk));
    EXPECT_FALSE(fromDisk);
    std::shared_ptr<const Catalog> catalogue = loadCatalog(L"en-US");
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(*catalogue->find("nav.home"), L"Home");
  }
}

TEST(CatalogueSource, AnOverrideOfExactlyTheLimitIsRead) {
  ProgramFolder folder;
  folder.writeCatalogue("en-US", R"({"a":"b"})" + std::string(kMaxCatalogueFileBytes - 9, '\n'));
  ParseResult result;
  std::shared_ptr<const Catalog> catalogue = loadCatalog(L"en-US", &result);
  ASSERT_TRUE(catalogue) << result.message;
  EXPECT_EQ(*catalogue->find("a"), L"b");
}

TEST(CatalogueSource, ABrokenOverrideFailsWithoutFallingBackToTheEmbeddedOne) {
  ProgramFolder folder;
  folder.writeCatalogue("en-US", "{\n  \"nav\": {\"home\": 7}\n}");
  ParseResult result;
  EXPECT_FALSE(loadCatalog(L"en-US", &result));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 2u);
  EXPECT_EQ(result.column, 19u);
  EXPECT_EQ(result.message,
            "the value of \"nav.home\" must be a string or an object; numbers, arrays, booleans and null are not "
            "used in locale files");
}

TEST(CatalogueSource, ADeeplyNestedOverrideIsRefusedWithoutExhaustingTheStack) {
  ProgramFolder folder;
  std::string nested;
  while (nested.size() + 5 <= kMaxCatalogueFileBytes) nested += "{\"a\":";
  folder.writeCatalogue("en-US", nested);
  ParseResult result;
  EXPECT_FALSE(loadCatalog(L"en-US", &result));
  EXPECT_EQ(result.message, "a key, joined to the names of the objects around it, must not be longer than 128 bytes");
}

TEST(CatalogueSource, NoBytesAnywhereSaysSoAndLeavesThePositionAlone) {
  ProgramFolder folder;
  ParseResult result;
  result.line = 7;
  result.column = 9;
  EXPECT_FALSE(loadCatalog(L"xx-YY", &result));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "no catalogue for this language, on disk or in the executable");
  EXPECT_EQ(result.line, 7u);
  EXPECT_EQ(result.column, 9u);
  std::vector<uint8_t> bytes;
  bool fromDisk = true;
  EXPECT_FALSE(readCatalogueText(L"xx-YY", bytes, fromDisk));
  EXPECT_FALSE(fromDisk);
}

TEST(CatalogueSource, CatalogueExistsForTableLanguagesWithAFileOrAResource) {
  ProgramFolder folder;
  EXPECT_TRUE(catalogueExists(L"en-US"));
  EXPECT_TRUE(catalogueExists(L"EN-us"));
  EXPECT_FALSE(catalogueExists(L"xx-YY"));
  // A file outside the table does not count, whatever is on disk.
  folder.writeCatalogue("xx-YY", "{}");
  EXPECT_FALSE(catalogueExists(L"xx-YY"));
  // Any override file counts, even one that would not load.
  folder.writeCatalogue("vi-VN", "");
  EXPECT_TRUE(catalogueExists(L"vi-VN"));
}

TEST(CatalogueSource, ProgramDirectoryHoldsTheRunningProgram) {
  const std::wstring directory = programDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), L'/');
  EXPECT_NE(directory.back(), L'\\');
  ProgramFolder folder;
  EXPECT_EQ(programDirectory(), testing::widePath(folder.path()));
}

}  // namespace
}  // namespace tolzeb::ui::i18n
