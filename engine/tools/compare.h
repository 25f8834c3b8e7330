// Comparing a ".zeb" with a folder on disk: by size and modification time, or in deep mode by size and
// SHA-256. Reports what is identical, what differs and what exists on one side only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct CompareRow {
  enum Kind : uint8_t {
    OnlyInArchive = 0,
    OnlyInFolder = 1,
    SizeDiffers = 2,
    Sha256Differs = 3,
    TimeDiffers = 4,
  };
  std::wstring path;  // the archive path
  uint8_t kind = OnlyInArchive;
  uint64_t archiveValue = 0;  // the entry's size; 0 when the archive has no such file
  uint64_t folderValue = 0;   // the file's size; 0 when the folder has no such file
};

struct CompareResult {
  uint64_t identical = 0;
  uint64_t different = 0;
  uint64_t onlyInArchive = 0;
  uint64_t onlyInFolder = 0;
  bool hashed = false;           // the comparison was deep
  std::vector<CompareRow> rows;  // sorted by path (UTF-16 code units)
  double seconds = 0;
};

// A folder file with relative path r stands for the archive path folderLeafName(folder) + "/" + r, as the
// archive writer stores it. Directories and links are never compared. Reports Verifying: in deep mode first
// the archive's hashing (bytes), then the folder's files (items).
Result<CompareResult> compareArchive(const std::wstring& archivePath, const std::wstring& folder, Password password,
                                     bool deep, const ProgressCallback& progress);

}  // namespace tolzeb
