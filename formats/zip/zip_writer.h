// The zip writer's ZIP64 thresholds, lowered by tests so that the ZIP64 records of huge files and
// of very many entries can be checked on small inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "formats/zip/zip_format.h"

namespace tolzeb {

struct ZipWriterThresholds {
  // A size or offset from this value up goes into a ZIP64 field (the 32-bit field holds the escape).
  uint64_t largest32BitValue = kZip32BitEscape;
  // From this entry count up the end record holds 0xFFFF and the ZIP64 end records follow.
  uint64_t largestEntryCount = kZip16BitEscape;
};

Result<ArchiveStats> createZipWithThresholds(const std::vector<std::wstring>& sources, const std::wstring& output,
                                             int level, const ProgressCallback& progress,
                                             const ZipWriterThresholds& thresholds);

}  // namespace tolzeb
