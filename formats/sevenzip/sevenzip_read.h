// The operations on an existing 7z archive: recognise, extract, list, test, read one entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// True when the file begins with the 7z signature (a shorter file is false).
Result<bool> probeSevenZip(const std::wstring& path);

// Uses the overwrite policy, restoreTimes, maxTotalBytes, maxEntries and memoryBudget (the largest
// dictionary window) of `options`. An empty
// selection extracts everything; otherwise entries are picked by their exact names.
Result<ArchiveStats> extractSevenZip(const std::wstring& archivePath, const std::wstring& destination,
                                     const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                     const ProgressCallback& progress);

Result<ArchiveListing> listSevenZip(const std::wstring& archivePath);

// Decodes every entry and checks every stored CRC. A dictionary window above `memoryBudget` fails
// with code 8.
Result<ArchiveStats> testSevenZip(const std::wstring& archivePath, const ProgressCallback& progress,
                                  uint64_t memoryBudget = uint64_t(512) << 20);

// The last entry of that name, whole or, with `allowPrefix`, its first `byteCeiling` bytes.
Result<EntryBytes> readSevenZipEntry(const std::wstring& archivePath, const std::wstring& entryName,
                                     uint64_t byteCeiling, bool allowPrefix);

}  // namespace tolzeb
