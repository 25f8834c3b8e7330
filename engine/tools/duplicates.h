// Files of a ".zeb" whose contents are identical, and how many bytes the copies waste.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/sha256.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct DuplicateGroup {
  Sha256Digest sha256{};
  uint64_t size = 0;                // of each copy
  std::vector<std::wstring> paths;  // ascending, at least two
};

struct DuplicateReport {
  std::vector<DuplicateGroup> groups;  // most wasted bytes first, then by first path
  uint64_t redundantCopies = 0;        // sum of (paths - 1)
  uint64_t reclaimableBytes = 0;       // sum of (paths - 1) x size
  double seconds = 0;
};

// Empty files and directories are never duplicates.
Result<DuplicateReport> findDuplicates(const std::wstring& archivePath, Password password,
                                       const ProgressCallback& progress);

}  // namespace tolzeb
