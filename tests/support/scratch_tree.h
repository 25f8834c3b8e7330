// A fresh folder per test, filled through the file layer, removed with everything in it when the
// test ends.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "support/temp_folder.h"

namespace tolzeb::testing {

// Messages are ASCII in these tests; this makes them printable in assertions.
inline std::string printable(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

// The whole content of a file; empty when it cannot be read.
inline std::vector<uint8_t> readFileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  auto file = openForRead(path);
  if (file.failed()) return bytes;
  auto size = file->fileSize();
  if (size.failed()) return bytes;
  bytes.resize(size.value());
  auto got = file->readAt(0, bytes.data(), bytes.size());
  bytes.resize(got.hasValue() ? got.value() : 0);
  return bytes;
}

// A TempFolder with helpers to fill and read it through the file layer, so that names are
// UTF-16 on every platform.
class ScratchTree {
 public:
  const std::wstring& root() const { return folder_.path(); }

  // `relative` is '/'-separated below the root.
  std::wstring path(const std::wstring& relative) const { return folder_ / relative; }

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
  std::vector<uint8_t> read(const std::wstring& relative) const { return readFileBytes(path(relative)); }

  std::string readText(const std::wstring& relative) const {
    const auto bytes = read(relative);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  TempFolder folder_;
};

}  // namespace tolzeb::testing
