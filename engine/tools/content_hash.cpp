#include "engine/tools/content_hash.h"

#include <algorithm>
#include <limits>

#include "engine/container/chunk_decode.h"
#include "engine/container/open_archive.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"

namespace tolzeb {
namespace {

Failure hasherFailure() { return makeFailure(StatusCode::general, L"Could not start a SHA-256 computation"); }

}  // namespace

Result<std::vector<EntryHash>> hashEntries(const std::wstring& archivePath, Password password,
                                           const ProgressCallback& progress) {
  const Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(const OpenArchive archive, openArchive(archivePath, 0, std::move(password)));
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.bytesTotal = archive.header.totalBytes;

  std::vector<EntryHash> hashes;
  hashes.reserve(archive.entries.size());
  Bytes decoded;
  uint64_t decodedIndex = std::numeric_limits<uint64_t>::max();
  for (const ManifestEntry& entry : archive.entries) {
    EntryHash hash;
    hash.path = entry.path;
    hash.size = entry.size;
    hash.modified = entry.modified;
    hash.isDirectory = entry.type == 1;
    if (!hash.isDirectory) {
      Sha256 hasher;
      if (!hasher.isValid()) return hasherFailure();
      uint64_t remaining = entry.size;
      uint64_t offset = entry.firstChunkOffset;
      for (size_t i = 0; i < entry.chunks.size() && remaining > 0; ++i) {
        if (entry.chunks[i] != decodedIndex) {
          decodedIndex = std::numeric_limits<uint64_t>::max();
          TOLZEB_TRY(decodeChunk(archive, entry.chunks[i], decoded));
          decodedIndex = entry.chunks[i];
        }
        if (offset > decoded.size()) {
          return makeFailure(StatusCode::corrupt_archive, L"Entry starts past the end of its block: " + entry.path);
        }
        const uint64_t take = std::min<uint64_t>(decoded.size() - offset, remaining);
        TOLZEB_TRY(hasher.update(decoded.data() + offset, size_t(take)));
        report.bytesDone += take;
        report.seconds = clock.seconds();
        if (!reportProgress(progress, report)) return makeFailure(StatusCode::canceled, L"Hashing canceled");
        remaining -= take;
        offset = 0;
      }
      if (remaining > 0) {
        return makeFailure(StatusCode::corrupt_archive, L"Entry is shorter than the manifest claims: " + entry.path);
      }
      TOLZEB_ASSIGN_OR_RETURN(hash.sha256, hasher.finish());
    }
    hashes.push_back(std::move(hash));
  }
  return hashes;
}

Result<Sha256Digest> hashFileSha256(const std::wstring& filePath, std::vector<uint8_t>& buffer) {
  // A read of 0 bytes means the end of the file, so an empty buffer would hash any file as empty.
  if (buffer.empty()) return makeFailure(StatusCode::invalid_argument, L"The read buffer is empty");
  TOLZEB_ASSIGN_OR_RETURN(const UniqueHandle file, openForRead(filePath));
  Sha256 hasher;
  if (!hasher.isValid()) return hasherFailure();
  uint64_t offset = 0;
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(offset, buffer.data(), buffer.size()));
    if (got == 0) break;
    TOLZEB_TRY(hasher.update(buffer.data(), size_t(got)));
    offset += got;
  }
  return hasher.finish();
}

}  // namespace tolzeb
