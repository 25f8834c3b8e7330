// Reading .tar and .tar.gz archives: recognising them, listing, testing, extracting and reading
// one entry. Each operation opens the archive itself (a .tar.gz is decompressed anew each time)
// and releases it before returning; whether the file is compressed is decided from its first bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Whether the file is a tar, plain or gzip-compressed. `isGzip` is set when the file starts with
// the gzip signature; it is meaningful only when the answer is true. Open and read failures are
// returned.
Result<bool> probeTar(const std::wstring& path, bool& isGzip);

Result<ArchiveListing> listTar(const std::wstring& path);

// Walks every header (checksums, data inside the archive) and, for a .tar.gz, the gzip checks.
// Tar carries no checksum over data, so data itself is not read.
Result<ArchiveStats> testTar(const std::wstring& path, const ProgressCallback& progress);

// Writes the selected entries (all when the selection is empty) below `destination`, each file
// moved to its name once complete. Of the options only the overwrite policy, `restoreTimes` and
// `maxTotalBytes` are used; attributes are not restored.
Result<ArchiveStats> extractTar(const std::wstring& archive, const std::wstring& destination,
                                const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                const ProgressCallback& progress);

// At most `ceiling` bytes of one file entry; a larger entry fails unless `allowPrefix` asks for
// its leading part.
Result<EntryBytes> readTarEntry(const std::wstring& archive, const std::wstring& name, uint64_t ceiling,
                                bool allowPrefix);

}  // namespace tolzeb
