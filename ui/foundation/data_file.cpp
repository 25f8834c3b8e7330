#include "ui/foundation/data_file.h"

#include "engine/core/fs.h"

namespace tolzeb::ui {

DataFileRead readDataFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (path.empty() || !pathExists(path)) return DataFileRead::absent;
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) return DataFileRead::refused;
  Result<uint64_t> size = file->fileSize();
  if (size.failed()) return DataFileRead::refused;
  if (*size == 0) return DataFileRead::absent;
  if (*size > maxBytes) return DataFileRead::refused;
  bytes.resize(static_cast<size_t>(*size));
  Result<uint64_t> read = file->readAt(0, bytes.data(), *size);
  if (read.failed() || *read != *size) {
    bytes.clear();
    return DataFileRead::refused;
  }
  return DataFileRead::read;
}

bool replaceDataFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  if (path.empty()) return false;
  std::wstring parent;
  std::wstring name;
  splitPath(path, parent, name);
  if (!parent.empty() && createDirectories(parent).failed()) return false;

  const std::wstring temporary = path + L".tmp";
  // A leftover from an earlier failed write; if it cannot go, creating the file below fails.
  (void)deleteFile(temporary);
  {
    Result<UniqueHandle> file = openForWrite(temporary, false);
    if (file.failed()) return false;
    if (!bytes.empty() && file->writeAll(bytes.data(), bytes.size()).failed()) return false;
    // The contents reach the disk before the name does, so a crash never leaves an empty file.
    if (file->flushFile().failed()) return false;
    // Closed here, before the move, as Windows needs.
  }
  return renameReplace(temporary, path).ok();
}

std::vector<std::wstring> dataFileLines(const std::wstring& text, size_t start) {
  std::vector<std::wstring> lines;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    size_t lineEnd = end;
    while (lineEnd > start && text[lineEnd - 1] == L'\r') --lineEnd;
    lines.push_back(text.substr(start, lineEnd - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace tolzeb::ui
