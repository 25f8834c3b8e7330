// Reading a ".zeb" without worker threads: its entries for display, and one entry's bytes into
// memory, whole or only a leading part, for previews and playback. Both open the archive (so an
// encrypted one needs its password) and release it before they return.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// The header's format words and sizes, and every entry in manifest order.
Result<ArchiveListing> listArchive(const std::wstring& archivePath, const Password& password);

// The entry whose path equals `entryPath` exactly. An entry above `ceiling` bytes fails with
// code 8, or with `allowPrefix` comes back cut at the ceiling and marked truncated; only the
// chunks the wanted bytes reach are decoded.
Result<EntryBytes> readEntry(const std::wstring& archivePath, const std::wstring& entryPath, uint64_t ceiling,
                             bool allowPrefix, const Password& password);

}  // namespace tolzeb
