#include "formats/sevenzip/sevenzip_read.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "codecs/crc32.h"
#include "engine/core/bytes.h"
#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"
#include "engine/extract/extraction_run.h"
#include "formats/sevenzip/folder_stream.h"
#include "formats/sevenzip/header_parser.h"

namespace tolzeb {
namespace {

constexpr uint64_t kReaderEntryLimit = 2000000;

constexpr size_t kEntryPiece = size_t(1) << 20;

// Walks the folders' decoded bytes forwards, one entry after another, keeping one folder open.
class FolderCursor {
 public:
  FolderCursor(SevenZipArchive& archive, uint64_t windowLimit) : archive_(archive), windowLimit_(windowLimit) {}

  // Hands the entry's bytes to `sink` in pieces and checks its stored CRC.
  Status streamEntry(const SevenZipEntry& entry, uint64_t length,
                     const std::function<Status(const uint8_t*, size_t)>& sink) {
    TOLZEB_TRY(moveTo(entry));
    Bytes piece(size_t(std::min<uint64_t>(length, kEntryPiece)));
    uint32_t crc = 0;
    for (uint64_t left = length; left > 0;) {
      const size_t n = size_t(std::min<uint64_t>(left, piece.size()));
      TOLZEB_TRY(stream_->read(piece.data(), n));
      crc = crc32(crc, piece.data(), n);
      TOLZEB_TRY(sink(piece.data(), n));
      left -= n;
    }
    if (length == entry.size && entry.crcDefined && crc != entry.crc)
      return makeFailure(StatusCode::corrupt_archive, L"Checksum mismatch in " + entry.name);
    return Status();
  }

  // Decodes the rest of the open folder, so that a wrong length is caught.
  Status finish() {
    if (!stream_) return Status();
    const Status status = stream_->finish();
    stream_.reset();
    return status;
  }

 private:
  Status moveTo(const SevenZipEntry& entry) {
    if (entry.folderIndex >= archive_.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
    const SevenZipFolder& folder = archive_.streams.folders[size_t(entry.folderIndex)];
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t mainOutput, folder.mainOutput());
    if (mainOutput >= folder.unpackSizes.size() ||
        !rangeFits(entry.offsetInFolder, entry.size, folder.unpackSizes[size_t(mainOutput)]))
      return makeFailure(StatusCode::corrupt_archive, L"7z: an entry reaches past its folder: " + entry.name);
    if (stream_ && stream_->folderIndex() != entry.folderIndex) TOLZEB_TRY(finish());
    if (stream_ && stream_->position() > entry.offsetInFolder) stream_.reset();
    if (!stream_) {
      TOLZEB_ASSIGN_OR_RETURN(SevenZipFolderStream opened,
                              SevenZipFolderStream::open(archive_, entry.folderIndex, windowLimit_));
      stream_.emplace(std::move(opened));
    }
    return stream_->skip(entry.offsetInFolder - stream_->position());
  }

  SevenZipArchive& archive_;
  uint64_t windowLimit_;
  std::optional<SevenZipFolderStream> stream_;
};

// In folder order, so that each folder is decoded once, front to back, whatever order the
// header lists the entries in.
void inFolderOrder(const SevenZipArchive& archive, std::vector<size_t>& indices) {
  std::stable_sort(indices.begin(), indices.end(), [&](size_t a, size_t b) {
    const SevenZipEntry& x = archive.entries[a];
    const SevenZipEntry& y = archive.entries[b];
    return x.folderIndex != y.folderIndex ? x.folderIndex < y.folderIndex : x.offsetInFolder < y.offsetInFolder;
  });
}

}  // namespace

Result<bool> probeSevenZip(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(path));
  uint8_t head[sizeof kSevenZipSignature];
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(0, head, sizeof head));
  return got == sizeof head && std::equal(head, head + sizeof head, kSevenZipSignature);
}

Result<ArchiveStats> extractSevenZip(const std::wstring& archivePath, const std::wstring& destination,
                                     const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                     const ProgressCallback& progress) {
  if (destination.empty()) return makeFailure(StatusCode::invalid_argument, L"No destination directory was given");
  TOLZEB_ASSIGN_OR_RETURN(SevenZipArchive archive, openSevenZip(archivePath, options.maxEntries));
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring root, ExtractionRun::prepareRoot(destination));
  ExtractionRun run(root, selection, options, progress, archive.totalFileBytes(), archive.entries.size(),
                    L"A file already exists and the policy is to stop: ");

  std::vector<size_t> files;
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    const SevenZipEntry& entry = archive.entries[i];
    if (!run.isSelected(entry.name)) continue;
    if (entry.isDirectory) {
      TOLZEB_TRY(run.createFolder(entry.name));
    } else {
      files.push_back(i);
    }
  }
  inFolderOrder(archive, files);

  const uint64_t limit = options.maxTotalBytes;
  FolderCursor cursor(archive, options.memoryBudget);
  for (size_t index : files) {
    const SevenZipEntry& entry = archive.entries[index];
    TOLZEB_ASSIGN_OR_RETURN(const bool writing, run.beginFile(entry.name));
    if (!writing) continue;
    const uint64_t written = run.bytesWritten();
    if (limit != 0 && (entry.size > limit || written > limit - entry.size))
      return makeFailure(StatusCode::resource_limit, L"Extraction would write more than the configured limit");
    if (entry.size > 0)
      TOLZEB_TRY(cursor.streamEntry(entry, entry.size,
                                    [&run](const uint8_t* data, size_t size) { return run.write(data, size); }));
    TOLZEB_TRY(run.finishFile(entry.name, entry.modified));
  }
  TOLZEB_TRY(cursor.finish());
  return run.finish(archive.entries.size(), archive.fileSize);
}

Result<ArchiveListing> listSevenZip(const std::wstring& archivePath) {
  TOLZEB_ASSIGN_OR_RETURN(const SevenZipArchive archive, openSevenZip(archivePath, kReaderEntryLimit));
  ArchiveListing listing;
  listing.totalBytes = archive.totalFileBytes();
  listing.archiveBytes = archive.fileSize;
  listing.entries.reserve(archive.entries.size());
  for (const SevenZipEntry& entry : archive.entries) {
    ListedEntry listed;
    listed.path = entry.name;
    listed.isDirectory = entry.isDirectory;
    listed.size = entry.size;
    listed.modified = entry.modified;
    listed.attributes = entry.attributes;
    listing.entries.push_back(std::move(listed));
  }
  return listing;
}

Result<ArchiveStats> testSevenZip(const std::wstring& archivePath, const ProgressCallback& progress,
                                  uint64_t memoryBudget) {
  const Stopwatch stopwatch;
  TOLZEB_ASSIGN_OR_RETURN(SevenZipArchive archive, openSevenZip(archivePath, kReaderEntryLimit));
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.bytesTotal = archive.totalFileBytes();
  report.itemsTotal = archive.entries.size();
  ArchiveStats stats;
  stats.entries = archive.entries.size();
  stats.archiveBytes = archive.fileSize;
  uint64_t unchecked = 0;
  FolderCursor cursor(archive, memoryBudget);
  const auto discard = [](const uint8_t*, size_t) { return Status(); };
  std::vector<size_t> order(archive.entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  inFolderOrder(archive, order);
  for (size_t index : order) {
    const SevenZipEntry& entry = archive.entries[index];
    if (entry.isDirectory) {
      ++stats.directories;
      ++report.itemsDone;
      continue;
    }
    if (entry.size > 0) TOLZEB_TRY(cursor.streamEntry(entry, entry.size, discard));
    if (!entry.crcDefined) ++unchecked;
    ++stats.files;
    stats.inputBytes += entry.size;
    report.bytesDone += entry.size;
    ++report.itemsDone;
    report.currentItem = entry.name;
    report.seconds = stopwatch.seconds();
    if (!reportProgress(progress, report)) return makeFailure(StatusCode::canceled, L"Check canceled");
  }
  TOLZEB_TRY(cursor.finish());
  if (unchecked > 0) {
    report.currentItem = decimal(unchecked) + L" entries carry no checksum and were only decoded";
    (void)reportProgress(progress, report);
  }
  stats.seconds = stopwatch.seconds();
  return stats;
}

Result<EntryBytes> readSevenZipEntry(const std::wstring& archivePath, const std::wstring& entryName,
                                     uint64_t byteCeiling, bool allowPrefix) {
  TOLZEB_ASSIGN_OR_RETURN(SevenZipArchive archive, openSevenZip(archivePath, kReaderEntryLimit));
  const SevenZipEntry* found = nullptr;
  for (const SevenZipEntry& entry : archive.entries)
    if (entry.name == entryName) found = &entry;
  if (!found) return makeFailure(StatusCode::not_found, L"No such entry in this archive: " + entryName);
  if (found->isDirectory)
    return makeFailure(StatusCode::invalid_argument, L"That entry is a directory, not a file: " + entryName);
  if (found->size > byteCeiling && !allowPrefix)
    return makeFailure(StatusCode::resource_limit, L"That entry is larger than this operation allows");
  EntryBytes result;
  result.fullSize = found->size;
  if (found->size == 0) return result;
  const uint64_t length = std::min(byteCeiling, found->size);
  result.truncated = length < found->size;
  FolderCursor cursor(archive, kSevenZipDefaultWindowLimit);
  TOLZEB_TRY(cursor.streamEntry(*found, length, [&result](const uint8_t* data, size_t size) {
    result.bytes.insert(result.bytes.end(), data, data + size);
    return Status();
  }));
  return result;
}

}  // namespace tolzeb
