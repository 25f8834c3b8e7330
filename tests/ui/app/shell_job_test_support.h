// What the shell job tests share: a job file image built independently of the reader, and a
// scratch data folder with its "shelljobs" folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "support/temp_folder.h"

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
  JobFolder() { std::filesystem::create_directories(jobs()); }

  std::filesystem::path root() const { return std::filesystem::path(scratch_.path()); }
  std::filesystem::path jobs() const { return root() / "shelljobs"; }
  std::wstring jobsText() const { return jobs().wstring(); }

  static void write(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  static std::vector<uint8_t> read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  tolzeb::testing::TempFolder scratch_;
};

}  // namespace tolzeb::shell::testing
