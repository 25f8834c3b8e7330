// A scratch folder that stands in for the user's local application data folder while it lives, and
// byte-level helpers for the files the settings and history tests read and write.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "support/temp_folder.h"
#include "ui/foundation/app_data.h"

namespace tolzeb::ui::testing {

inline std::wstring widePath(const std::filesystem::path& path) {
  const std::string narrow = path.string();
  return std::wstring(narrow.begin(), narrow.end());
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A TempFolder that the settings and history take for the local application data folder.
class DataFolder {
 public:
  DataFolder() : root_(std::string(folder_.path().begin(), folder_.path().end())) {  // an ASCII path
    setLocalAppDataForTesting(folder_.path());
  }
  ~DataFolder() { setLocalAppDataForTesting(std::nullopt); }
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // Where the program keeps the named file.
  std::filesystem::path file(const std::string& name) const { return root_ / "TOLZEB" / name; }

 private:
  tolzeb::testing::TempFolder folder_;
  std::filesystem::path root_;
};

}  // namespace tolzeb::ui::testing
