// .zip archives: recognising, opening, listing, testing, extracting, reading one entry, writing.
// Only stored and DEFLATE entries are read; encrypted entries and archives split over several
// disks are refused. Messages begin with "ZIP " where they describe the archive's structure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "formats/zip/zip_format.h"

namespace tolzeb {

// True when the file begins with a local file header or an end record (an empty archive).
Result<bool> probeZip(const std::wstring& path);

// The whole central directory, checked before any entry data is touched. `entryLimit` 0, or
// above 2,000,000, means 2,000,000.
Result<ZipArchive> openZip(const std::wstring& path, uint64_t entryLimit);

Result<ArchiveListing> listZip(const std::wstring& path);

// Decodes and CRC-checks every file entry (at most 512 MiB each).
Result<ArchiveStats> testZip(const std::wstring& path, const ProgressCallback& progress);

// Writes the selected entries (all when `selection` is empty) below `destination`; uses the
// options' overwrite policy, restoreTimes, maxTotalBytes and maxEntries.
Result<ArchiveStats> extractZip(const std::wstring& archive, const std::wstring& destination,
                                const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                const ProgressCallback& progress);

// One file entry in memory, or its first `ceiling` bytes when `allowPrefix` is set.
Result<EntryBytes> readZipEntry(const std::wstring& archive, const std::wstring& name, uint64_t ceiling,
                                bool allowPrefix);

// Writes the sources into a new .zip at `output` (through "<output>.partial"). `level` is the
// DEFLATE level; below 1 every entry is stored.
Result<ArchiveStats> createZip(const std::vector<std::wstring>& sources, const std::wstring& output, int level,
                               const ProgressCallback& progress);

}  // namespace tolzeb
