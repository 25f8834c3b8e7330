// Which reader an archive needs, decided from its first bytes, and the four operations that route
// a request about an existing archive to that reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

enum class ArchiveKind : uint8_t { unknown = 0, zeb = 1, zip = 2, tar = 3, tarGz = 4, sevenZip = 5 };

// "TOLZEB", "ZIP", "TAR", "TAR.GZ", "7Z"; "unknown" for every other value.
const wchar_t* archiveKindName(ArchiveKind kind);
bool isZebKind(ArchiveKind kind);

// A file no reader recognises is kind 0, not a failure; only an unreadable file fails (code 5).
Result<ArchiveKind> detectArchiveKind(const std::wstring& path);

Result<ArchiveStats> extractAnyArchive(const std::wstring& archive, ArchiveKind kind, const std::wstring& destination,
                                       const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                       const ProgressCallback& progress);
Result<ArchiveListing> listAnyArchive(const std::wstring& archive, ArchiveKind kind, const Password& password);
// A ".zeb" is tested with automatic threads and a 512 MiB budget; only the password is taken from
// the options.
Result<ArchiveStats> testAnyArchive(const std::wstring& archive, ArchiveKind kind, const ExtractOptions& options,
                                    const ProgressCallback& progress);
Result<EntryBytes> readAnyEntry(const std::wstring& archive, ArchiveKind kind, const std::wstring& entryName,
                                uint64_t byteCeiling, bool allowPrefix, const Password& password);

}  // namespace tolzeb
