// The scratch file or folder a fuzz target writes each input to before running file-based code
// on it.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/fs.h"

namespace tolzeb::fuzzing {

// The wide form of an ASCII path.
inline std::wstring widePath(const std::filesystem::path& path) {
  const std::string narrow = path.string();
  return std::wstring(narrow.begin(), narrow.end());
}

// "<stem>-<pid><extension>" in the temp folder; the pid keeps parallel fuzzing jobs apart.
inline std::filesystem::path scratchName(const char* stem, const char* extension) {
  return std::filesystem::temp_directory_path() / (stem + ("-" + std::to_string(getpid())) + extension);
}

// A scratch file deleted when the process exits. A target has one: the first call fixes its name.
inline const std::wstring& scratchPath(const char* stem, const char* extension) {
  static const std::wstring path = widePath(scratchName(stem, extension));
  static const bool removedAtExit = [] { return std::atexit([] { (void)deleteFile(path); }) == 0; }();
  (void)removedAtExit;
  return path;
}

// A scratch folder, made empty for each input and removed when the process exits. A target has
// one: the first call fixes its name.
inline const std::filesystem::path& freshScratchFolder(const char* stem) {
  static const std::filesystem::path path = scratchName(stem, "");
  static const bool removedAtExit = [] {
    return std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }) == 0;
  }();
  (void)removedAtExit;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
  std::filesystem::create_directories(path);
  return path;
}

// False when the input could not be written, so the target skips it.
inline bool writeScratch(const std::wstring& path, const uint8_t* data, size_t size) {
  Result<UniqueHandle> file = openForWrite(path, false);
  return !file.failed() && !file->writeAll(data, size).failed();
}

}  // namespace tolzeb::fuzzing
