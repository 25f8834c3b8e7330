// Cutting a ".zeb" into part files of a chosen size, for media or transfers with a size limit, and joining
// them back into the same bytes. Parts are plain byte ranges: neither direction reads the archive's
// structure beyond its header.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct SplitResult {
  uint64_t partCount = 0;
  uint64_t archiveLength = 0;
  uint64_t partSize = 0;
  double seconds = 0;
};

struct MergeResult {
  uint64_t partCount = 0;
  uint64_t archiveLength = 0;  // as part 1 records it; equal to the bytes written
  uint64_t partSize = 0;       // part 1's payload length
  double seconds = 0;
};

// Writes archive.001, archive.002, ... next to the archive, after removing the parts of an earlier split under those
// names and the consecutive ones after them. A file under one of the names that is no part file is refused with code 10
// before anything is written or removed. A failure deletes the part being written; finished parts stay.
Result<SplitResult> splitArchive(const std::wstring& archivePath, uint64_t partSize, const ProgressCallback& progress);

// Joins the set that `firstPartPath` (the ".001" file) begins into `outputPath`, through outputPath + ".partial"; the
// output appears only when every part checked out. An output that is one of the set's parts (the same file, however it
// is spelled) is refused with code 2 before anything is written.
Result<MergeResult> mergeParts(const std::wstring& firstPartPath, const std::wstring& outputPath,
                               const ProgressCallback& progress);

}  // namespace tolzeb
