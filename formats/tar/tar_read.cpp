#include "formats/tar/tar_read.h"

#include <algorithm>
#include <cstring>

#include "codecs/deflate/inflate.h"
#include "codecs/gzip.h"
#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"
#include "engine/extract/extraction_run.h"
#include "formats/tar/tar_archive.h"
#include "formats/tar/tar_fields.h"
#include "formats/tar/tar_format.h"
#include "formats/tar/tar_scan.h"

namespace tolzeb {
namespace {

using namespace tarformat;

bool looksLikeTarHeader(const uint8_t* header) {
  if (std::memcmp(header + kMagicOffset, kUstarMagic, kUstarMagicCompared) == 0) return true;
  Result<uint64_t> checksum = parseTarNumber(header + kChecksumOffset, kChecksumWidth);
  return checksum.hasValue() && tarChecksumMatches(header, *checksum);
}

// The first tar block from a bounded prefix of the file and of its inflation; a stream damaged
// further on still shows what it is.
Result<bool> probeGzipPrefix(const UniqueHandle& file) {
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t fileSize, file.fileSize());
  Bytes head(size_t(std::min(fileSize, kProbeGzipReadBytes)), 0);
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(0, head.data(), head.size()));
  head.resize(size_t(got));
  Result<size_t> bodyOffset = parseGzipHeader(head.data(), head.size());
  if (bodyOffset.failed() || *bodyOffset >= head.size()) return false;
  Result<Bytes> body = inflatePrefix(head.data() + *bodyOffset, head.size() - *bodyOffset, kProbeInflateBytes);
  if (body.failed() || body->size() < kUstarHeaderSize) return false;
  return looksLikeTarHeader(body->data());
}

// The first tar block of a gzip file, also when empty blocks or empty members come first: the
// stream is decoded until that block is there.
Result<bool> probeGzipBody(const UniqueHandle& file) {
  TOLZEB_ASSIGN_OR_RETURN(const bool inPrefix, probeGzipPrefix(file));
  if (inPrefix) return true;
  uint64_t offset = 0;
  InflateInput input([&](uint8_t* buffer, size_t capacity) -> Result<size_t> {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(offset, buffer, capacity));
    offset += got;
    return size_t(got);
  });
  Bytes head;
  const InflateSink firstBlock = [&](const uint8_t* data, size_t size) {
    head.insert(head.end(), data, data + std::min(size, kUstarHeaderSize - head.size()));
    // Enough seen: stopping here is not a fault of the file.
    if (head.size() == kUstarHeaderSize) return Status(StatusCode::canceled, L"");
    return Status();
  };
  (void)gunzipStream(input, firstBlock, UINT64_MAX);
  return head.size() == kUstarHeaderSize && looksLikeTarHeader(head.data());
}

struct OpenedTar {
  TarArchive archive;
  TarScan scan;
};

Result<OpenedTar> openAndScan(const std::wstring& path) {
  OpenedTar opened;
  bool isGzip = false;
  TOLZEB_ASSIGN_OR_RETURN(opened.archive, openTarGz(path, isGzip));
  TOLZEB_ASSIGN_OR_RETURN(opened.scan, scanTarHeaders(opened.archive));
  return opened;
}

ArchiveListing toTarListing(const TarScan& scan, uint64_t archiveBytes) {
  ArchiveListing listing;
  listing.totalBytes = scan.totalBytes;
  listing.archiveBytes = archiveBytes;
  listing.skippedLinks = scan.skippedLinks;
  listing.skippedSpecial = scan.skippedSpecial;
  listing.entries.reserve(scan.entries.size());
  for (const TarEntry& entry : scan.entries) {
    ListedEntry listed;
    listed.path = entry.path;
    listed.isDirectory = entry.isDirectory;
    listed.size = entry.size;
    listed.modified = entry.modified;
    listing.entries.push_back(std::move(listed));
  }
  return listing;
}

// Copies the entry's data into the file being extracted, one piece at a time.
Status copyEntryData(const TarArchive& archive, const TarEntry& entry, ExtractionRun& run, Bytes& buffer) {
  for (uint64_t done = 0; done < entry.size;) {
    const uint64_t piece = std::min(entry.size - done, kCopyPieceBytes);
    if (buffer.size() < piece) buffer.resize(size_t(piece));
    TOLZEB_TRY(archive.read(entry.dataOffset + done, buffer.data(), piece));
    TOLZEB_TRY(run.write(buffer.data(), piece));
    done += piece;
  }
  return {};
}

}  // namespace

Result<bool> probeTar(const std::wstring& path, bool& isGzip) {
  isGzip = false;
  TOLZEB_ASSIGN_OR_RETURN(const UniqueHandle file, openForRead(path));
  uint8_t header[kUstarHeaderSize] = {};
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(0, header, kUstarHeaderSize));
  if (got < 3) return false;
  if (looksLikeGzip(header, size_t(got))) {
    isGzip = true;
    return probeGzipBody(file);
  }
  if (got < kUstarHeaderSize) return false;
  return looksLikeTarHeader(header);
}

Result<ArchiveListing> listTar(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(const OpenedTar opened, openAndScan(path));
  uint64_t archiveBytes = opened.archive.size();
  if (Result<UniqueHandle> file = openForRead(path); file.hasValue())
    if (Result<uint64_t> size = file->fileSize(); size.hasValue()) archiveBytes = *size;
  return toTarListing(opened.scan, archiveBytes);
}

Result<ArchiveStats> testTar(const std::wstring& path, const ProgressCallback& progress) {
  const Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(const OpenedTar opened, openAndScan(path));
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.bytesTotal = opened.scan.totalBytes;
  report.itemsTotal = opened.scan.entries.size();
  ArchiveStats stats;
  stats.entries = opened.scan.entries.size();
  for (const TarEntry& entry : opened.scan.entries) {
    if (entry.isDirectory) {
      stats.directories += 1;
      continue;
    }
    stats.files += 1;
    stats.inputBytes += entry.size;
    report.bytesDone = stats.inputBytes;
    report.itemsDone += 1;
    report.currentItem = entry.path;
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report)) return Failure{StatusCode::canceled, L"Check canceled"};
  }
  stats.archiveBytes = opened.archive.size();
  stats.seconds = clock.seconds();
  stats.skippedLinks = opened.scan.skippedLinks;
  stats.skippedSpecial = opened.scan.skippedSpecial;
  return stats;
}

Result<ArchiveStats> extractTar(const std::wstring& archive, const std::wstring& destination,
                                const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                const ProgressCallback& progress) {
  if (destination.empty()) return Failure{StatusCode::invalid_argument, L"No destination directory was given"};
  TOLZEB_ASSIGN_OR_RETURN(const OpenedTar opened, openAndScan(archive));
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring root, ExtractionRun::prepareRoot(destination));
  const uint64_t budget = options.maxTotalBytes == 0 ? UINT64_MAX : options.maxTotalBytes;
  ExtractionRun run(root, selection, options, progress, opened.scan.totalBytes, opened.scan.entries.size(),
                    L"A file already exists and the policy is to stop: ");

  for (const TarEntry& entry : opened.scan.entries) {
    if (entry.isDirectory && run.isSelected(entry.path)) TOLZEB_TRY(run.createFolder(entry.path));
  }
  Bytes buffer;
  for (const TarEntry& entry : opened.scan.entries) {
    if (entry.isDirectory || !run.isSelected(entry.path)) continue;
    TOLZEB_ASSIGN_OR_RETURN(const bool writing, run.beginFile(entry.path));
    if (!writing) continue;
    const auto after = checkedAdd(run.bytesWritten(), entry.size);
    if (!after || *after > budget)
      return Failure{StatusCode::resource_limit, L"Extracted data exceeds the limit for this operation"};
    TOLZEB_TRY(copyEntryData(opened.archive, entry, run, buffer));
    TOLZEB_TRY(run.finishFile(entry.path, entry.modified));
  }
  TOLZEB_ASSIGN_OR_RETURN(ArchiveStats stats, run.finish(opened.scan.entries.size(), opened.archive.size()));
  stats.skippedLinks = opened.scan.skippedLinks;
  stats.skippedSpecial = opened.scan.skippedSpecial;
  return stats;
}

Result<EntryBytes> readTarEntry(const std::wstring& archive, const std::wstring& name, uint64_t ceiling,
                                bool allowPrefix) {
  TOLZEB_ASSIGN_OR_RETURN(const OpenedTar opened, openAndScan(archive));
  const auto& entries = opened.scan.entries;
  const auto found = std::find_if(entries.begin(), entries.end(), [&](const TarEntry& e) { return e.path == name; });
  if (found == entries.end()) return Failure{StatusCode::not_found, L"No such entry in this archive: " + name};
  if (found->isDirectory)
    return Failure{StatusCode::invalid_argument, L"That entry is a directory, not a file: " + name};
  EntryBytes result;
  result.fullSize = found->size;
  if (ceiling < found->size) {
    if (!allowPrefix) return Failure{StatusCode::resource_limit, L"That entry is larger than this operation allows"};
    result.truncated = true;
  }
  const uint64_t length = std::min(found->size, ceiling);
  result.bytes.resize(size_t(length));
  TOLZEB_TRY(opened.archive.read(found->dataOffset, result.bytes.data(), length));
  return result;
}

}  // namespace tolzeb
