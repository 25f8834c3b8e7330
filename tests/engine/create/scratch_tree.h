// A fresh directory per test, filled through the file layer so that names are UTF-16 on every
// platform, and removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/fs.h"

namespace tolzeb::testing {

// Messages are ASCII in these tests; this makes them printable in assertions.
inline std::string printable(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

class ScratchTree {
 public:
  ScratchTree() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() /
            ("tolzeb-create-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
  }
  ~ScratchTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchTree(const ScratchTree&) = delete;
  ScratchTree& operator=(const ScratchTree&) = delete;

  // The root's own path; ASCII, so the conversion is exact.
  std::wstring root() const {
    const std::string narrow = root_.string();
    return std::wstring(narrow.begin(), narrow.end());
  }

  // `relative` is '/'-separated below the root.
  std::wstring path(const std::wstring& relative) const {
    std::wstring local = relative;
    for (auto& c : local) {
      if (c == L'/') c = kPathSeparator;
    }
    return joinPath(root(), local);
  }

  void makeDirectory(const std::wstring& relative) const {
    ASSERT_TRUE(createDirectories(path(relative)).ok());
  }

  void writeFile(const std::wstring& relative, const std::vector<uint8_t>& bytes) const {
    std::wstring parent, name;
    splitPath(path(relative), parent, name);
    ASSERT_TRUE(createDirectories(parent).ok());
    auto file = openForWrite(path(relative), false);
    ASSERT_TRUE(file.hasValue()) << printable(file.failure().message);
    ASSERT_TRUE(file->writeAll(bytes.data(), bytes.size()).ok());
  }

  void writeText(const std::wstring& relative, const std::string& text) const {
    writeFile(relative, std::vector<uint8_t>(text.begin(), text.end()));
  }

  bool exists(const std::wstring& relative) const { return pathExists(path(relative)); }

  // The whole content; empty when the file cannot be read.
  std::vector<uint8_t> read(const std::wstring& relative) const {
    std::vector<uint8_t> bytes;
    auto file = openForRead(path(relative));
    if (file.failed()) return bytes;
    auto size = file->fileSize();
    if (size.failed()) return bytes;
    bytes.resize(size.value());
    auto got = file->readAt(0, bytes.data(), bytes.size());
    bytes.resize(got.hasValue() ? got.value() : 0);
    return bytes;
  }

  std::string readText(const std::wstring& relative) const {
    const auto bytes = read(relative);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  std::filesystem::path root_;
};

}  // namespace tolzeb::testing
