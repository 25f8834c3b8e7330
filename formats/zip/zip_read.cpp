#include <algorithm>
#include <optional>

#include "codecs/crc32.h"
#include "codecs/deflate/inflate.h"
#include "engine/core/bytes.h"
#include "engine/core/entry_path.h"
#include "engine/create/progress_report.h"
#include "engine/extract/extraction_run.h"
#include "formats/zip/zip.h"

namespace tolzeb {
namespace {

// Where the entry's data begins, from its local header; the central directory's values rule
// everything else.
Result<uint64_t> locatePayload(const ZipArchive& zip, const ZipEntry& entry) {
  if (!rangeFits(entry.localHeaderOffset, kZipLocalHeaderSize, zip.fileLength)) {
    return corrupt(L"ZIP local header lies outside the file: " + entry.path);
  }
  uint8_t header[kZipLocalHeaderSize] = {};
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, zip.file.readAt(entry.localHeaderOffset, header, sizeof header));
  if (got < sizeof header || readU32le(header) != kZipLocalHeaderSignature) {
    return corrupt(L"ZIP local header is missing or damaged: " + entry.path);
  }
  if (readU16le(header + 8) != entry.method) {
    return corrupt(L"ZIP local header disagrees with the directory about the compression method: " + entry.path);
  }
  const uint64_t dataStart =
      entry.localHeaderOffset + kZipLocalHeaderSize + readU16le(header + 26) + readU16le(header + 28);
  if (!rangeFits(dataStart, entry.compressedSize, zip.fileLength)) {
    return corrupt(L"ZIP entry payload lies outside the file: " + entry.path);
  }
  return dataStart;
}

}  // namespace

namespace {

Status checkReadable(const ZipEntry& entry) {
  if (entry.flags & (kZipFlagEncrypted | kZipFlagStrongEncryption)) {
    return Failure{StatusCode::unsupported_version, L"Entry is encrypted, which TOLZEB cannot read: " + entry.path};
  }
  if (entry.method != kZipMethodStored && entry.method != kZipMethodDeflate) {
    return Failure{StatusCode::unsupported_version,
                   L"Entry uses compression method " + decimal(uint32_t(entry.method)) +
                       L", which TOLZEB cannot read (only store and deflate): " + entry.path};
  }
  return Status();
}

constexpr size_t kStreamPiece = size_t(1) << 20;

}  // namespace

Status streamZipPayload(ZipArchive& zip, const ZipEntry& entry, const InflateSink& sink) {
  TOLZEB_TRY(checkReadable(entry));
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t dataStart, locatePayload(zip, entry));
  if (entry.method == kZipMethodStored && entry.compressedSize != entry.uncompressedSize) {
    return corrupt(L"Stored entry declares mismatched sizes: " + entry.path);
  }
  // The stored bytes, a piece at a time, and never past the entry's compressed size.
  uint64_t offset = 0;
  const auto readStored = [&](uint8_t* buffer, size_t capacity) -> Result<size_t> {
    const uint64_t want = std::min<uint64_t>(capacity, entry.compressedSize - offset);
    if (want == 0) return size_t(0);
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, zip.file.readAt(dataStart + offset, buffer, want));
    if (got == 0) return corrupt(L"ZIP entry payload is truncated: " + entry.path);
    offset += got;
    return size_t(got);
  };
  Bytes piece(size_t(std::min<uint64_t>(kStreamPiece, std::max<uint64_t>(entry.uncompressedSize, 1))));
  uint32_t crc = 0;
  uint64_t total = 0;
  // Only a deflated entry needs the decoder and its input buffer, sized to the entry: archives of
  // many small files would otherwise allocate and clear 256 KiB once per file.
  std::optional<InflateInput> input;
  // The decoder stops one byte past the declared size: that byte proves the entry wrong.
  std::optional<DeflateStreamReader> inflater;
  if (entry.method == kZipMethodDeflate) {
    input.emplace(readStored, size_t(std::min<uint64_t>(size_t(256) << 10, entry.compressedSize + 16)));
    inflater.emplace(*input, std::max(entry.uncompressedSize, entry.uncompressedSize + 1));
  }
  for (;;) {
    Result<size_t> got = inflater ? inflater->read(piece.data(), piece.size()) : readStored(piece.data(), piece.size());
    if (got.failed()) {
      if (got.failure().code == StatusCode::resource_limit)
        return corrupt(L"ZIP entry unpacks to more than its declared size: " + entry.path);
      return std::move(got).failure();
    }
    if (*got == 0) break;
    total += *got;
    if (total > entry.uncompressedSize)
      return corrupt(L"ZIP entry unpacks to more than its declared size: " + entry.path);
    crc = crc32(crc, piece.data(), *got);
    TOLZEB_TRY(sink(piece.data(), *got));
  }
  if (total != entry.uncompressedSize)
    return corrupt(L"Decompressed to " + decimal(total) + L" bytes, but the entry declares " +
                   decimal(entry.uncompressedSize));
  if (crc != entry.crc32) return corrupt(L"Entry failed its CRC-32 check: " + entry.path);
  return Status();
}

Result<Bytes> readZipPayload(ZipArchive& zip, const ZipEntry& entry, uint64_t cap, bool allowPrefix) {
  TOLZEB_TRY(checkReadable(entry));
  TOLZEB_TRY(locatePayload(zip, entry).status());
  const bool whole = entry.uncompressedSize <= cap;
  if (!whole && !allowPrefix) {
    return Failure{StatusCode::resource_limit, L"Entry is larger than the limit for this operation: " + entry.path};
  }
  // Decoded a piece at a time like an extraction, so memory follows the cap, never the entry's
  // stored size; a prefix stops decoding once it has its bytes.
  Bytes bytes;
  const Status streamed = streamZipPayload(zip, entry, [&](const uint8_t* data, size_t size) {
    const size_t taken = size_t(std::min<uint64_t>(size, cap - bytes.size()));
    bytes.insert(bytes.end(), data, data + taken);
    if (!whole && bytes.size() == cap) return Status(StatusCode::canceled, L"");
    return Status();
  });
  const bool prefixComplete = !whole && bytes.size() == cap && streamed.code() == StatusCode::canceled;
  if (streamed.failed() && !prefixComplete) return streamed.failure();
  return bytes;
}

Result<ArchiveStats> testZip(const std::wstring& path, const ProgressCallback& progress) {
  const Stopwatch stopwatch;
  TOLZEB_ASSIGN_OR_RETURN(ZipArchive zip, openZip(path, 0));
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.bytesTotal = zip.totalUncompressed;
  report.itemsTotal = zip.entries.size();
  ArchiveStats stats;
  stats.entries = zip.entries.size();
  stats.archiveBytes = zip.fileLength;
  for (const ZipEntry& entry : zip.entries) {
    if (entry.isDirectory) {
      ++stats.directories;
      continue;
    }
    TOLZEB_TRY(streamZipPayload(zip, entry, [&](const uint8_t*, size_t size) {
      stats.inputBytes += size;
      return Status();
    }));
    ++stats.files;
    report.bytesDone = stats.inputBytes;
    ++report.itemsDone;
    report.currentItem = entry.path;
    report.seconds = stopwatch.seconds();
    if (!reportProgress(progress, report)) return Failure{StatusCode::canceled, L"Check canceled"};
  }
  stats.seconds = stopwatch.seconds();
  return stats;
}

Result<ArchiveStats> extractZip(const std::wstring& archive, const std::wstring& destination,
                                const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                const ProgressCallback& progress) {
  if (destination.empty()) return Failure{StatusCode::invalid_argument, L"No destination directory was given"};
  TOLZEB_ASSIGN_OR_RETURN(ZipArchive zip, openZip(archive, options.maxEntries));
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring root, ExtractionRun::prepareRoot(destination));
  const uint64_t budget = options.maxTotalBytes == 0 ? UINT64_MAX : options.maxTotalBytes;
  ExtractionRun run(root, selection, options, progress, zip.totalUncompressed, zip.entries.size(),
                    L"A file already exists and the policy is to stop: ");

  for (const ZipEntry& entry : zip.entries) {
    if (entry.isDirectory && run.isSelected(entry.path)) TOLZEB_TRY(run.createFolder(entry.path));
  }
  for (const ZipEntry& entry : zip.entries) {
    if (entry.isDirectory || !run.isSelected(entry.path)) continue;
    TOLZEB_ASSIGN_OR_RETURN(const bool writing, run.beginFile(entry.path));
    if (!writing) continue;
    if (entry.uncompressedSize > budget - run.bytesWritten()) {
      return Failure{StatusCode::resource_limit, L"Entry is larger than the limit for this operation: " + entry.path};
    }
    TOLZEB_TRY(streamZipPayload(zip, entry, [&](const uint8_t* data, size_t size) { return run.write(data, size); }));
    TOLZEB_TRY(run.finishFile(entry.path, dosTimeToFileTime(entry.dosDate, entry.dosTime)));
  }
  return run.finish(zip.entries.size(), zip.fileLength);
}

Result<EntryBytes> readZipEntry(const std::wstring& archive, const std::wstring& name, uint64_t ceiling,
                                bool allowPrefix) {
  TOLZEB_ASSIGN_OR_RETURN(ZipArchive zip, openZip(archive, 0));
  const auto found = std::find_if(zip.entries.begin(), zip.entries.end(),
                                  [&](const ZipEntry& entry) { return entry.path == name; });
  if (found == zip.entries.end()) return Failure{StatusCode::not_found, L"No such entry in this archive: " + name};
  if (found->isDirectory) {
    return Failure{StatusCode::invalid_argument, L"That entry is a directory, not a file: " + name};
  }
  EntryBytes result;
  result.fullSize = found->uncompressedSize;
  if (ceiling < result.fullSize) {
    if (!allowPrefix) {
      return Failure{StatusCode::resource_limit, L"That entry is larger than this operation allows"};
    }
    result.truncated = true;
  }
  TOLZEB_ASSIGN_OR_RETURN(result.bytes, readZipPayload(zip, *found, std::max<uint64_t>(ceiling, 1), allowPrefix));
  if (result.bytes.size() > ceiling) result.bytes.resize(size_t(ceiling));
  return result;
}

}  // namespace tolzeb
