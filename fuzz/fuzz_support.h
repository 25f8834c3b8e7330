// The scratch file a fuzz target writes each input to before running file-based code on it.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/fs.h"

namespace tolzeb::fuzzing {

// "<stem>-<pid><extension>" in the temp folder, deleted when the process exits; the pid keeps
// parallel fuzzing jobs apart. A target has one scratch file: the first call fixes its name.
inline const std::wstring& scratchPath(const char* stem, const char* extension) {
  static const std::wstring path = [&] {
    const std::string narrow =
        (std::filesystem::temp_directory_path() / (stem + ("-" + std::to_string(getpid())) + extension)).string();
    return std::wstring(narrow.begin(), narrow.end());
  }();
  static const bool removedAtExit = [] { return std::atexit([] { (void)deleteFile(path); }) == 0; }();
  (void)removedAtExit;
  return path;
}

// False when the input could not be written, so the target skips it.
inline bool writeScratch(const std::wstring& path, const uint8_t* data, size_t size) {
  Result<UniqueHandle> file = openForWrite(path, false);
  return !file.failed() && !file->writeAll(data, size).failed();
}

}  // namespace tolzeb::fuzzing
