// What the shell job tests share: a job file image built independently of the reader, and a
// scratch data folder with its "shelljobs" folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/bytes.h"

namespace tolzeb::shell::testing {

// The file image the Explorer extension writes, built here field by field.
inline std::vector<uint8_t> jobImage(uint32_t operation, const std::vector<std::wstring>& paths) {
  std::vector<uint8_t> image = {'T', 'Z', 'S', 'H', 'J', 'O', 'B', 0};
  appendU32le(image, 1);
  appendU32le(image, operation);
  appendU32le(image, 0);
  appendU32le(image, static_cast<uint32_t>(paths.size()));
  appendU32le(image, 0);
  appendU32le(image, 0);
  for (const std::wstring& path : paths) {
    appendU32le(image, static_cast<uint32_t>(path.size()));
    for (wchar_t unit : path) appendU16le(image, static_cast<uint16_t>(unit));
  }
  return image;
}

inline constexpr wchar_t kJobName[] = L"0123456789abcdef0123456789abcdef.tzjob";

// A fresh data folder holding an empty "shelljobs" folder, removed with its contents at the end.
class JobFolder {
 public:
  JobFolder() {
    root_ = std::filesystem::temp_directory_path() /
            ("tolzeb-shelljobs-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
             std::to_string(counter()++));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "shelljobs");
  }
  ~JobFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  JobFolder(const JobFolder&) = delete;
  JobFolder& operator=(const JobFolder&) = delete;

  std::filesystem::path root() const { return root_; }
  std::filesystem::path jobs() const { return root_ / "shelljobs"; }
  std::wstring jobsText() const { return jobs().wstring(); }

  static void write(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  static std::vector<uint8_t> read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static int& counter() {
    static int next = 0;
    return next;
  }
  std::filesystem::path root_;
};

}  // namespace tolzeb::shell::testing
