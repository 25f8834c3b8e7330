#include "engine/read/list_archive.h"

#include <algorithm>

#include "engine/container/chunk_decode.h"
#include "engine/container/open_archive.h"

namespace tolzeb {

Result<ArchiveListing> listArchive(const std::wstring& archivePath, const Password& password) {
  TOLZEB_ASSIGN_OR_RETURN(const OpenArchive archive, openArchive(archivePath, 0, password));
  ArchiveListing listing;
  listing.versionMajor = archive.header.versionMajor;
  listing.versionMinor = archive.header.versionMinor;
  listing.flags = archive.header.flags;
  listing.chunkSize = archive.header.chunkSize;
  listing.chunkCount = archive.header.chunkCount;
  listing.totalBytes = archive.header.totalBytes;
  listing.archiveBytes = archive.fileSize;
  listing.entries.reserve(archive.entries.size());
  for (const ManifestEntry& entry : archive.entries) {
    ListedEntry listed;
    listed.path = entry.path;
    listed.isDirectory = entry.type == 1;
    listed.size = entry.size;
    listed.modified = entry.modified;
    listed.attributes = entry.attributes;
    listed.chunkCount = entry.chunks.size();
    listing.entries.push_back(std::move(listed));
  }
  return listing;
}

Result<EntryBytes> readEntry(const std::wstring& archivePath, const std::wstring& entryPath, uint64_t ceiling,
                             bool allowPrefix, const Password& password) {
  TOLZEB_ASSIGN_OR_RETURN(const OpenArchive archive, openArchive(archivePath, 0, password));
  const auto found = std::find_if(archive.entries.begin(), archive.entries.end(),
                                  [&](const ManifestEntry& entry) { return entry.path == entryPath; });
  if (found == archive.entries.end()) {
    return Failure{StatusCode::not_found, L"No such entry in this archive: " + entryPath};
  }
  const ManifestEntry& entry = *found;
  if (entry.type == 1)
    return Failure{StatusCode::invalid_argument, L"That entry is a directory, not a file: " + entryPath};

  EntryBytes result;
  result.fullSize = entry.size;
  if (entry.size > ceiling) {
    if (!allowPrefix) return Failure{StatusCode::resource_limit, L"That entry is larger than this operation allows"};
    result.truncated = true;
  }
  uint64_t want = std::min(ceiling, entry.size);
  // The manifest's size is only a claim until the chunks are decoded: reserve no more than they hold.
  result.bytes.reserve(std::min<uint64_t>(want, uint64_t(entry.chunks.size()) * archive.header.chunkSize));

  uint64_t offset = entry.firstChunkOffset;
  Bytes chunk;
  for (size_t i = 0; i < entry.chunks.size() && want > 0; ++i) {
    TOLZEB_TRY(decodeChunk(archive, entry.chunks[i], chunk));
    if (chunk.size() < offset)
      return Failure{StatusCode::corrupt_archive, L"An entry points past the end of its block"};
    const uint64_t take = std::min<uint64_t>(want, chunk.size() - offset);
    result.bytes.insert(result.bytes.end(), chunk.begin() + offset, chunk.begin() + offset + take);
    want -= take;
    offset = 0;
  }
  if (want > 0) return Failure{StatusCode::corrupt_archive, L"This entry is shorter than its manifest says"};
  return result;
}

}  // namespace tolzeb
