// A scratch folder that stands in for the user's local application data folder while it lives, and
// byte-level helpers for the files the settings and history tests read and write.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

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

class DataFolder {
 public:
  DataFolder() {
    static std::atomic<unsigned> counter{0};
    // Test processes run side by side, so the name mixes the clock, a random number and a count.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned random = std::random_device{}();
    root_ = std::filesystem::temp_directory_path() /
            ("tolzeb-data-" + std::to_string(stamp) + "-" + std::to_string(random) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
    setLocalAppDataForTesting(widePath(root_));
  }
  ~DataFolder() {
    setLocalAppDataForTesting(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // Where the program keeps the named file.
  std::filesystem::path file(const std::string& name) const { return root_ / "TOLZEB" / name; }

 private:
  std::filesystem::path root_;
};

}  // namespace tolzeb::ui::testing
