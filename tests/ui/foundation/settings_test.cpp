#include "ui/foundation/settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "data_folder.h"
#include "engine/core/text.h"
#include "i18n_test_support.h"

namespace tolzeb::ui {
namespace {

using testing::DataFolder;
using testing::readBytes;
using testing::widePath;
using testing::writeBytes;

constexpr const char* kDefaultFileText =
    "TOLZEB-SETTINGS-1\n"
    "# Written by TOLZEB. Editing by hand is fine: a value this build\n"
    "# does not accept falls back to the default for that key.\n"
    "mode=1\n"
    "verify=1\n"
    "blockHashes=1\n"
    "threads=0\n"
    "memoryBytes=536870912\n"
    "chunkBytes=2097152\n"
    "overwrite=0\n"
    "restoreTimestamps=1\n"
    "restoreAttributes=1\n"
    "previewPane=1\n"
    "previewPaneWidth=380\n"
    "previewCacheMB=96\n"
    "formatFollowsLanguage=0\n"
    "language=\n";

Settings parsed(const std::string& bytes, SettingsSource expected = SettingsSource::file) {
  Settings settings;
  EXPECT_EQ(applySettingsFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), settings), expected)
      << bytes;
  return settings;
}

std::string withHeader(const std::string& lines) { return "TOLZEB-SETTINGS-1\n" + lines; }

Settings everyFieldChanged() {
  Settings settings;
  settings.mode = 2;
  settings.verify = false;
  settings.blockHashes = false;
  settings.threads = 256;
  settings.memoryBytes = 2147483648ull;
  settings.chunkBytes = 262144;
  settings.overwrite = 2;
  settings.restoreTimestamps = false;
  settings.restoreAttributes = false;
  settings.language = L"pt-BR";
  settings.formatFollowsLanguage = true;
  settings.previewPane = false;
  settings.previewPaneWidth = 900;
  settings.previewCacheMB = 0;
  return settings;
}

TEST(SettingsFile, TheWriterProducesTheFixedText) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(settingsFileText(Settings()));
  ASSERT_FALSE(bytes.failed());
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), kDefaultFileText);
}

TEST(SettingsFile, EveryFieldSurvivesASaveAndALoad) {
  DataFolder folder;
  const Settings written = everyFieldChanged();
  ASSERT_TRUE(written.save());
  Settings read;
  EXPECT_EQ(read.load(), SettingsSource::file);
  EXPECT_EQ(read, written);
  EXPECT_EQ(settingsPath(), widePath(folder.file("settings.txt")));

  // The defaults round-trip too, empty language included.
  ASSERT_TRUE(Settings().save());
  EXPECT_EQ(read.load(), SettingsSource::file);
  EXPECT_EQ(read, Settings());
}

// One line after the header and what it leaves in the record.
struct LineCase {
  const char* lines;
  std::function<void(Settings&)> expect;  // applied to the defaults
};

TEST(SettingsFile, EachLineIsAcceptedOrLeavesTheFieldAlone) {
  const LineCase cases[] = {
      {"threads=256\n", [](Settings& s) { s.threads = 256; }},
      {"threads=257\n", [](Settings&) {}},
      {"threads=-1\n", [](Settings&) {}},
      {"threads=+4\n", [](Settings&) {}},
      {"threads= 4\n", [](Settings&) {}},
      {"threads=\n", [](Settings&) {}},
      {"threads=4 \n", [](Settings&) {}},
      {"threads =4\n", [](Settings&) {}},
      {"Threads=4\n", [](Settings&) {}},
      {"threads=000000000000000000004\n", [](Settings&) {}},                   // 21 digits
      {"threads=00000000000000000004\n", [](Settings& s) { s.threads = 4; }},  // 20 digits
      {"memoryBytes=1073741824\n", [](Settings& s) { s.memoryBytes = 1073741824; }},
      {"memoryBytes=134217728\n", [](Settings& s) { s.memoryBytes = 134217728; }},
      {"memoryBytes=1000000000\n", [](Settings&) {}},
      {"memoryBytes=18446744073709551615\n", [](Settings&) {}},
      {"memoryBytes=18446744073709551616\n", [](Settings&) {}},  // past 64 bits
      {"chunkBytes=262144\n", [](Settings& s) { s.chunkBytes = 262144; }},
      {"chunkBytes=4194304\n", [](Settings& s) { s.chunkBytes = 4194304; }},
      {"chunkBytes=262143\n", [](Settings&) {}},
      {"chunkBytes=4194305\n", [](Settings&) {}},
      {"mode=0\n", [](Settings& s) { s.mode = 0; }},
      {"mode=3\n", [](Settings&) {}},
      {"mode=2\nmode=0\n", [](Settings& s) { s.mode = 0; }},
      {"mode=2\nmode=7\n", [](Settings& s) { s.mode = 2; }},
      {"overwrite=2\n", [](Settings& s) { s.overwrite = 2; }},
      {"overwrite=3\n", [](Settings&) {}},
      {"previewPaneWidth=280\n", [](Settings& s) { s.previewPaneWidth = 280; }},
      {"previewPaneWidth=279\n", [](Settings&) {}},
      {"previewPaneWidth=901\n", [](Settings&) {}},
      {"previewCacheMB=512\n", [](Settings& s) { s.previewCacheMB = 512; }},
      {"previewCacheMB=513\n", [](Settings&) {}},
      {"verify=false\n", [](Settings& s) { s.verify = false; }},
      {"verify=0\n", [](Settings& s) { s.verify = false; }},
      {"verify=TRUE\nblockHashes=yes\n", [](Settings&) {}},
      {"formatFollowsLanguage=true\n", [](Settings& s) { s.formatFollowsLanguage = true; }},
      {"formatFollowsLanguage=1\n", [](Settings& s) { s.formatFollowsLanguage = true; }},
      {"restoreTimestamps=0\nrestoreAttributes=false\npreviewPane="
       "0\nblockHashes=0\n",
       [](Settings& s) { s.restoreTimestamps = s.restoreAttributes = s.previewPane = s.blockHashes = false; }},
      {"language=DE-de\n", [](Settings& s) { s.language = L"DE-de"; }},
      {"language=xx-XX\n", [](Settings&) {}},
      {"language=de\n", [](Settings&) {}},
      {"language=de-DE=\n", [](Settings&) {}},
      {"no equals sign\nunknownKey=5\n=1\n", [](Settings&) {}},
      {"# mode=2\n\nmode=2\r\r\n", [](Settings& s) { s.mode = 2; }},
  };
  for (const LineCase& test : cases) {
    Settings expected;
    test.expect(expected);
    EXPECT_EQ(parsed(withHeader(test.lines)), expected) << test.lines;
  }
}

TEST(SettingsFile, TheHeaderDecidesWhetherTheFileIsReadAtAll) {
  struct FileCase {
    std::string bytes;
    SettingsSource source;
    uint8_t mode;  // with "mode=2" in every file
  };
  const FileCase cases[] = {
      {"TOLZEB-SETTINGS-1\nmode=2\n", SettingsSource::file, 2},
      {"\xEF\xBB\xBFTOLZEB-SETTINGS-1\r\nmode=2\r\n", SettingsSource::file, 2},
      {"# note\n\n# more\nTOLZEB-SETTINGS-1\nmode=2", SettingsSource::file, 2},
      {"TOLZEB-SETTINGS-2\nmode=2\n", SettingsSource::refused, 1},
      {"tolzeb-settings-1\nmode=2\n", SettingsSource::refused, 1},
      {"TOLZEB-SETTINGS-1 \nmode=2\n", SettingsSource::refused, 1},
      {"mode=2\nTOLZEB-SETTINGS-1\nmode=2\n", SettingsSource::refused, 1},
      {"TOLZEB-SETTINGS-1\nmode=2\n\xE9t\xE9\n", SettingsSource::refused, 1},  // Latin-1, not UTF-8
      {"\xEF\xBB\xBF\xEF\xBB\xBFTOLZEB-SETTINGS-1\nmode=2\n", SettingsSource::refused, 1},
  };
  for (const FileCase& test : cases) {
    EXPECT_EQ(parsed(test.bytes, test.source).mode, test.mode) << test.bytes;
  }
}

TEST(SettingsFile, OnlyFilesOfOneTo65536BytesAreRead) {
  DataFolder folder;
  Settings settings;
  EXPECT_EQ(settings.load(), SettingsSource::none);  // no file

  writeBytes(folder.file("settings.txt"), "");
  EXPECT_EQ(settings.load(), SettingsSource::none);

  std::string text = withHeader("mode=2\n");
  text.append(65536 - text.size(), '\n');
  writeBytes(folder.file("settings.txt"), text);
  EXPECT_EQ(settings.load(), SettingsSource::file);
  EXPECT_EQ(settings.mode, 2);

  text.push_back('\n');
  writeBytes(folder.file("settings.txt"), text);
  settings.mode = 0;
  EXPECT_EQ(settings.load(), SettingsSource::refused);
  EXPECT_EQ(settings, Settings());

  // A folder in the file's place.
  std::filesystem::remove(folder.file("settings.txt"));
  std::filesystem::create_directories(folder.file("settings.txt"));
  EXPECT_EQ(settings.load(), SettingsSource::refused);
}

TEST(SettingsFile, WithoutADataFolderNothingIsReadOrWritten) {
  DataFolder folder;
  setLocalAppDataForTesting(std::wstring());
  EXPECT_EQ(settingsPath(), L"");
  Settings settings;
  EXPECT_EQ(settings.load(), SettingsSource::none);
  EXPECT_FALSE(settings.save());
}

TEST(SettingsFile, SavingGoesThroughATemporaryFileAndLeavesNoneBehind) {
  DataFolder folder;
  const auto path = folder.file("settings.txt");
  const auto temporary = folder.file("settings.txt.tmp");
  writeBytes(temporary, "left over from a failed save");
  ASSERT_TRUE(everyFieldChanged().save());
  EXPECT_FALSE(std::filesystem::exists(temporary));
  Settings read;
  read.load();
  EXPECT_EQ(read, everyFieldChanged());

  // When the temporary file cannot be made, the previous file stays as it was.
  const std::string before = readBytes(path);
  std::filesystem::create_directories(temporary / "blocker");
  EXPECT_FALSE(Settings().save());
  EXPECT_EQ(readBytes(path), before);
}

TEST(SettingsFile, ALanguageThatDoesNotFitTheWritersBufferIsNotSaved) {
  DataFolder folder;
  Settings settings;
  settings.language.assign(1000, L'a');
  EXPECT_FALSE(settings.save());
  EXPECT_FALSE(std::filesystem::exists(folder.file("settings.txt")));
  settings.language = L"\xD800";  // an unpaired surrogate cannot become UTF-8
  EXPECT_FALSE(settings.save());
}

TEST(SettingsOptions, TheEngineOptionsFollowTheSettings) {
  const Settings settings = everyFieldChanged();
  const CompressionOptions compression = settings.compressionOptions();
  EXPECT_FALSE(compression.useDictionary);
  EXPECT_EQ(compression.mode, CompressionMode::compact);
  EXPECT_EQ(compression.threads, 256u);
  EXPECT_EQ(compression.memoryBudget, 2147483648ull);
  EXPECT_EQ(compression.chunkSize, 262144u);
  EXPECT_FALSE(compression.verifyAfterWrite);
  EXPECT_FALSE(compression.storeOnly);
  EXPECT_EQ(compression.password, nullptr);
  EXPECT_EQ(compression.kdfIterations, 600000u);
  EXPECT_EQ(compression.includePaths, nullptr);
  EXPECT_FALSE(compression.chunkHashes);

  const ExtractOptions extract = settings.extractOptions();
  EXPECT_EQ(extract.overwrite, OverwritePolicy::overwrite);
  EXPECT_EQ(extract.password, nullptr);
  EXPECT_FALSE(extract.restoreTimes);
  EXPECT_FALSE(extract.restoreAttributes);
  EXPECT_EQ(extract.maxTotalBytes, 0u);
  EXPECT_EQ(extract.maxEntries, 0u);
  EXPECT_EQ(extract.threads, 256u);
  EXPECT_EQ(extract.memoryBudget, 2147483648ull);

  const CompressionOptions defaults = Settings().compressionOptions();
  EXPECT_EQ(defaults.mode, CompressionMode::balanced);
  EXPECT_TRUE(defaults.verifyAfterWrite);
  EXPECT_TRUE(defaults.chunkHashes);
  EXPECT_EQ(Settings().extractOptions().overwrite, OverwritePolicy::fail);
}

// The file ends with a line break; the text after the one before it.
std::string lastLine(std::string text) {
  if (text.empty() || text.back() != '\n') return "(no final line break)";
  text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

TEST(SettingsAtStart, AFirstRunStoresTheChosenLanguage) {
  DataFolder folder;
  i18n::testing::StateGuard state;
  const std::wstring chosen = loadSettingsAtStart();
  ASSERT_FALSE(chosen.empty());
  const std::string text = readBytes(folder.file("settings.txt"));
  EXPECT_EQ(lastLine(text), "language=" + std::string(chosen.begin(), chosen.end()));
}

TEST(SettingsAtStart, AStoredLanguageIsUsedAndTheFileLeftAlone) {
  DataFolder folder;
  i18n::testing::StateGuard state;
  const std::string text = withHeader("language=DE-de\nformatFollowsLanguage=1\n");
  writeBytes(folder.file("settings.txt"), text);
  EXPECT_EQ(loadSettingsAtStart(), L"de-DE");
  EXPECT_TRUE(i18n::snapshot().formatsFollowLanguage);
  EXPECT_EQ(readBytes(folder.file("settings.txt")), text);
}

TEST(SettingsAtStart, AFileWithoutALanguageGetsTheChosenOneAndKeepsItsValues) {
  DataFolder folder;
  i18n::testing::StateGuard state;
  writeBytes(folder.file("settings.txt"), withHeader("mode=0\nlanguage=nb-NO\n"));
  const std::wstring chosen = loadSettingsAtStart();
  Settings read;
  EXPECT_EQ(read.load(), SettingsSource::file);
  EXPECT_EQ(read.mode, 0);
  EXPECT_EQ(read.language, chosen);
}

TEST(SettingsAtStart, AFileRefusedWholeIsNeverReplacedByTheDefaults) {
  const std::string refused[] = {
      "TOLZEB-SETTINGS-2\nmode=0\nlanguage=fr-FR\n",
      "TOLZEB-SETTINGS-1\nlanguage=fr-FR\n# caf\xE9\n",
      "TOLZEB-SETTINGS-1\n" + std::string(65536, '#'),
  };
  for (const std::string& text : refused) {
    DataFolder folder;
    i18n::testing::StateGuard state;
    writeBytes(folder.file("settings.txt"), text);
    EXPECT_FALSE(loadSettingsAtStart().empty());
    EXPECT_EQ(readBytes(folder.file("settings.txt")), text);
    EXPECT_FALSE(std::filesystem::exists(folder.file("settings.txt.tmp")));
  }
}

}  // namespace
}  // namespace tolzeb::ui
