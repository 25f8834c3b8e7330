// settings.txt and history.txt in the real local application data folder of this (test) prefix.
#include <windows.h>
// Needs the types windows.h declares.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>

#include "data_folder.h"
#include "ui/foundation/history.h"
#include "ui/foundation/settings.h"

namespace tolzeb::ui {
namespace {

std::wstring knownLocalAppData() {
  PWSTR folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder) path = folder;
  CoTaskMemFree(folder);
  return path;
}

// Keeps whatever a file held before the test and puts it back afterwards.
class KeptFile {
 public:
  explicit KeptFile(std::filesystem::path path) : path_(std::move(path)), existed_(std::filesystem::exists(path_)) {
    if (existed_) bytes_ = testing::readBytes(path_);
  }
  ~KeptFile() {
    std::error_code ignored;
    if (existed_) {
      testing::writeBytes(path_, bytes_);
    } else {
      std::filesystem::remove(path_, ignored);
    }
  }
  KeptFile(const KeptFile&) = delete;
  KeptFile& operator=(const KeptFile&) = delete;

 private:
  std::filesystem::path path_;
  bool existed_;
  std::string bytes_;
};

TEST(AppDataWindows, SettingsAndHistoryLiveInTheTolzebFolderOfLocalAppData) {
  const std::wstring folder = knownLocalAppData();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(localAppDataFolder(), folder);
  EXPECT_EQ(settingsPath(), folder + L"\\TOLZEB\\settings.txt");
  EXPECT_EQ(History::filePath(), folder + L"\\TOLZEB\\history.txt");

  KeptFile keptSettings{std::filesystem::path(settingsPath())};
  KeptFile keptHistory{std::filesystem::path(History::filePath())};

  Settings written;
  written.mode = 0;
  written.language = L"fr-FR";
  ASSERT_TRUE(written.save());
  Settings read;
  EXPECT_EQ(read.load(), SettingsSource::file);
  EXPECT_EQ(read, written);

  History history;
  ASSERT_TRUE(history.clear());
  HistoryEntry entry;
  entry.path = L"C:\\Archive \x00FC.zeb";
  entry.timestamp = 133000000000000000ull;
  entry.seconds = 2.25;
  ASSERT_TRUE(history.add(entry));
  History again;
  again.load();
  ASSERT_EQ(again.entries().size(), 1u);
  EXPECT_EQ(again.entries()[0].path, entry.path);
  EXPECT_EQ(again.entries()[0].seconds, 2.25);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(History::filePath() + L".tmp")));
}

}  // namespace
}  // namespace tolzeb::ui
