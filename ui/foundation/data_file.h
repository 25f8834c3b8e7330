// Reading and replacing the program's small data files (settings, history). A file is read whole or
// not at all, and replaced through a ".tmp" file beside it, so a failed write leaves the previous
// file as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolzeb::ui {

enum class DataFileRead : uint8_t {
  absent,   // an empty path, nothing at the path, or an empty file: nothing to keep
  read,     // `bytes` holds the whole file
  refused,  // a file is there but cannot be opened, is too large or does not read whole
};

// Reads the whole file when it holds 1 to `maxBytes` bytes.
DataFileRead readDataFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);

// Creates the parent folders, writes the bytes to `path` + ".tmp" (deleting an old one first) and
// moves it over `path`. False on any failure; a ".tmp" that was created may stay behind until the
// next write deletes it.
bool replaceDataFile(const std::wstring& path, const std::vector<uint8_t>& bytes);

// The lines of a data file's text from `start` on, each without its line break and the carriage
// returns before it.
std::vector<std::wstring> dataFileLines(const std::wstring& text, size_t start = 0);

}  // namespace tolzeb::ui
