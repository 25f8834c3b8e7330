#include "formats/zip/zip_writer.h"

#include <algorithm>
#include <functional>

#include "codecs/crc32.h"
#include "codecs/deflate/deflate.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "engine/create/partial_output.h"
#include "engine/create/progress_report.h"
#include "formats/source_collection.h"
#include "formats/zip/zip.h"
#include "formats/zip/zip_platform.h"

namespace tolzeb {
namespace {

// The DEFLATE encoder keeps positions in 32 bits; larger files are stored.
constexpr uint64_t kLargestDeflateInput = 0xFFFFFFFEull;
// Attribute bits that mean the same to every reader: read-only, hidden, system, folder, archive,
// not-content-indexed. Links, sparse, compressed and cloud-placeholder bits stay on this machine.
constexpr uint32_t kPortableAttributes = 0x01 | 0x02 | 0x04 | 0x10 | 0x20 | 0x2000;

struct ZipCentralRecord {
  Bytes name;
  uint16_t method = kZipMethodStored;
  uint16_t dosDate = kZipDefaultDosDate;
  uint16_t dosTime = kZipDefaultDosTime;
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t attributes = 0;
  bool isDirectory = false;
};

class ZipOutput {
 public:
  ZipOutput(UniqueHandle& file, const ZipWriterThresholds& thresholds) : file_(file), thresholds_(thresholds) {}

  uint64_t offset() const { return offset_; }

  Status write(const Bytes& bytes) { return write(bytes.data(), bytes.size()); }

  Status write(const uint8_t* data, size_t size) {
    if (size == 0) return Status();
    TOLZEB_TRY(file_.writeAll(data, size));
    const std::optional<uint64_t> next = checkedAdd(offset_, size);
    if (!next) return Failure{StatusCode::resource_limit, L"Archive size overflows"};
    offset_ = *next;
    return Status();
  }

  // Replaces bytes already written; the position stays at the end.
  Status rewrite(uint64_t at, const Bytes& bytes) {
    TOLZEB_TRY(file_.writeAt(at, bytes.data(), bytes.size()));
    return file_.setFileLength(offset_);
  }

  // Drops everything from `at` on, to write it again.
  Status cutBackTo(uint64_t at) {
    TOLZEB_TRY(file_.setFileLength(at));
    offset_ = at;
    return Status();
  }

  bool needs64(uint64_t value) const { return value >= thresholds_.largest32BitValue; }
  uint32_t field32(uint64_t value) const { return needs64(value) ? kZip32BitEscape : uint32_t(value); }

 private:
  UniqueHandle& file_;
  const ZipWriterThresholds& thresholds_;
  uint64_t offset_ = 0;
};

Bytes localHeader(const ZipCentralRecord& record, const ZipOutput& out) {
  const bool zip64 = out.needs64(record.uncompressedSize) || out.needs64(record.compressedSize);
  Bytes header;
  appendU32le(header, kZipLocalHeaderSignature);
  appendU16le(header, zip64 ? kZipVersionZip64 : kZipVersionDefault);
  appendU16le(header, kZipFlagUtf8Name);
  appendU16le(header, record.method);
  appendU16le(header, record.dosTime);
  appendU16le(header, record.dosDate);
  appendU32le(header, record.crc32);
  appendU32le(header, zip64 ? kZip32BitEscape : uint32_t(record.compressedSize));
  appendU32le(header, zip64 ? kZip32BitEscape : uint32_t(record.uncompressedSize));
  appendU16le(header, uint16_t(record.name.size()));
  appendU16le(header, zip64 ? 20 : 0);
  header.insert(header.end(), record.name.begin(), record.name.end());
  if (zip64) {
    appendU16le(header, kZip64ExtraId);
    appendU16le(header, 16);
    appendU64le(header, record.uncompressedSize);
    appendU64le(header, record.compressedSize);
  }
  return header;
}

Bytes centralHeader(const ZipCentralRecord& record, const ZipOutput& out) {
  Bytes extra;
  for (uint64_t value : {record.uncompressedSize, record.compressedSize, record.localHeaderOffset}) {
    if (out.needs64(value)) appendU64le(extra, value);
  }
  const uint16_t version = extra.empty() ? kZipVersionDefault : kZipVersionZip64;
  Bytes header;
  appendU32le(header, kZipCentralHeaderSignature);
  appendU16le(header, version);
  appendU16le(header, version);
  appendU16le(header, kZipFlagUtf8Name);
  appendU16le(header, record.method);
  appendU16le(header, record.dosTime);
  appendU16le(header, record.dosDate);
  appendU32le(header, record.crc32);
  appendU32le(header, out.field32(record.compressedSize));
  appendU32le(header, out.field32(record.uncompressedSize));
  appendU16le(header, uint16_t(record.name.size()));
  appendU16le(header, uint16_t(extra.empty() ? 0 : 4 + extra.size()));
  appendU16le(header, 0);  // comment
  appendU16le(header, 0);  // disk number start
  appendU16le(header, 0);  // internal attributes
  appendU32le(header, (record.attributes & kPortableAttributes) | (record.isDirectory ? kZipDirectoryAttribute : 0));
  appendU32le(header, out.field32(record.localHeaderOffset));
  header.insert(header.end(), record.name.begin(), record.name.end());
  if (!extra.empty()) {
    appendU16le(header, kZip64ExtraId);
    appendU16le(header, uint16_t(extra.size()));
    header.insert(header.end(), extra.begin(), extra.end());
  }
  return header;
}

Bytes endRecords(uint64_t entryCount, uint64_t directoryOffset, uint64_t directorySize, const ZipOutput& out,
                 const ZipWriterThresholds& thresholds) {
  const bool manyEntries = entryCount >= thresholds.largestEntryCount;
  const bool zip64 = manyEntries || out.needs64(directoryOffset) || out.needs64(directorySize);
  Bytes records;
  if (zip64) {
    const uint64_t recordOffset = out.offset();
    appendU32le(records, kZip64EndRecordSignature);
    appendU64le(records, kZip64EndRecordSize - 12);
    appendU16le(records, kZipVersionZip64);
    appendU16le(records, kZipVersionZip64);
    appendU32le(records, 0);  // this disk
    appendU32le(records, 0);  // disk of the central directory
    appendU64le(records, entryCount);
    appendU64le(records, entryCount);
    appendU64le(records, directorySize);
    appendU64le(records, directoryOffset);
    appendU32le(records, kZip64LocatorSignature);
    appendU32le(records, 0);
    appendU64le(records, recordOffset);
    appendU32le(records, 1);  // total disks
  }
  const uint16_t count16 = manyEntries ? kZip16BitEscape : uint16_t(entryCount);
  appendU32le(records, kZipEndRecordSignature);
  appendU16le(records, 0);
  appendU16le(records, 0);
  appendU16le(records, count16);
  appendU16le(records, count16);
  appendU32le(records, out.field32(directorySize));
  appendU32le(records, out.field32(directoryOffset));
  appendU16le(records, 0);  // comment
  return records;
}

// Source files are read in pieces of this size, so no file is ever held whole.
constexpr size_t kReadPieceBytes = size_t(1) << 20;

// Copies the source's `size` bytes, in pieces, to `consume`; the checksum of what was read.
Result<uint32_t> readSource(const SourceEntry& source, const std::function<Status(const uint8_t*, size_t)>& consume) {
  uint32_t crc = 0;
  if (source.size == 0) return crc;
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(source.sourcePath));
  Bytes piece(size_t(std::min<uint64_t>(source.size, kReadPieceBytes)));
  for (uint64_t done = 0; done < source.size;) {
    const uint64_t want = std::min<uint64_t>(source.size - done, piece.size());
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(done, piece.data(), want));
    if (got < want) return Failure{StatusCode::io_failure, L"File shrank while being archived: " + source.sourcePath};
    crc = crc32(crc, piece.data(), size_t(got));
    TOLZEB_TRY(consume(piece.data(), size_t(got)));
    done += got;
  }
  return crc;
}

// Writes one file's data behind its local header, compressed when that pays, and fills the
// record's data fields. The header goes first with the sizes still unknown and is written again
// once they are; its length is known from the start, since only a smaller compressed form is kept.
Status writeFileData(const SourceEntry& source, int level, ZipCentralRecord& record, ZipOutput& out) {
  record.uncompressedSize = source.size;
  record.compressedSize = source.size;
  const bool tryDeflate = level >= 1 && source.size > 0 && source.size <= kLargestDeflateInput;
  record.method = tryDeflate ? kZipMethodDeflate : kZipMethodStored;
  TOLZEB_TRY(out.write(localHeader(record, out)));
  const uint64_t dataStart = out.offset();

  if (tryDeflate) {
    DeflateStreamWriter deflater(level, [&](const uint8_t* data, size_t size) { return out.write(data, size); });
    TOLZEB_ASSIGN_OR_RETURN(record.crc32, readSource(source, [&](const uint8_t* data, size_t size) {
                              return deflater.write(data, size);
                            }));
    TOLZEB_TRY(deflater.finish());
    record.compressedSize = out.offset() - dataStart;
    if (record.compressedSize >= record.uncompressedSize) {
      // Stored is smaller: the data is written again as it is.
      record.method = kZipMethodStored;
      record.compressedSize = record.uncompressedSize;
      TOLZEB_TRY(out.cutBackTo(dataStart));
    }
  }
  if (record.method == kZipMethodStored) {
    TOLZEB_ASSIGN_OR_RETURN(record.crc32, readSource(source, [&](const uint8_t* data, size_t size) {
                              return out.write(data, size);
                            }));
  }
  return out.rewrite(record.localHeaderOffset, localHeader(record, out));
}

Result<ZipCentralRecord> writeEntry(const SourceEntry& source, int level, ZipOutput& out) {
  ZipCentralRecord record;
  record.isDirectory = source.isDirectory;
  record.attributes = source.attributes;
  record.localHeaderOffset = out.offset();
  if (source.modified != 0) {
    if (const std::optional<DosDateTime> dos = utcToLocalDosTime(source.modified)) {
      record.dosDate = dos->date;
      record.dosTime = dos->time;
    }
  }
  const std::wstring wideName = source.isDirectory ? source.archivePath + L"/" : source.archivePath;
  TOLZEB_ASSIGN_OR_RETURN(record.name, utf16ToUtf8(wideName));
  if (record.name.size() > 0xFFFF) {
    return Failure{StatusCode::invalid_argument, L"Entry name is too long for the ZIP format: " + wideName};
  }
  if (source.isDirectory) {
    TOLZEB_TRY(out.write(localHeader(record, out)));
  } else {
    TOLZEB_TRY(writeFileData(source, level, record, out));
  }
  return record;
}

}  // namespace

Result<ArchiveStats> createZipWithThresholds(const std::vector<std::wstring>& sources, const std::wstring& output,
                                             int level, const ProgressCallback& progress,
                                             const ZipWriterThresholds& thresholds) {
  const Stopwatch stopwatch;
  if (sources.empty()) return Failure{StatusCode::invalid_argument, L"No source files or folders were given"};
  if (output.empty()) return Failure{StatusCode::invalid_argument, L"No output path was given"};
  TOLZEB_ASSIGN_OR_RETURN(std::vector<SourceEntry> entries, collectArchiveSources(sources));

  Progress report;
  report.phase = Progress::Phase::Encoding;
  report.itemsTotal = entries.size();
  for (const SourceEntry& entry : entries) report.bytesTotal += entry.isDirectory ? 0 : entry.size;

  const std::wstring partial = partialPathFor(output);
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openPartialOutput(partial));
  ZipOutput out(file, thresholds);
  ArchiveStats stats;

  std::vector<ZipCentralRecord> records;
  records.reserve(entries.size());
  for (const SourceEntry& entry : entries) {
    Result<ZipCentralRecord> record = writeEntry(entry, level, out);
    if (record.failed()) return abandonPartialOutput(file, partial, std::move(record).failure());
    if (entry.isDirectory) {
      ++stats.directories;
    } else {
      ++stats.files;
      stats.inputBytes += record->uncompressedSize;
    }
    report.bytesDone += record->uncompressedSize;
    report.archiveBytes = out.offset();
    ++report.itemsDone;
    report.currentItem = entry.sourcePath;
    report.seconds = stopwatch.seconds();
    records.push_back(std::move(record).value());
    if (!reportProgress(progress, report)) {
      return abandonPartialOutput(file, partial, Failure{StatusCode::canceled, L"Archive creation canceled"});
    }
  }

  const uint64_t directoryOffset = out.offset();
  for (const ZipCentralRecord& record : records) {
    Status written = out.write(centralHeader(record, out));
    if (written.failed()) return abandonPartialOutput(file, partial, std::move(written).failure());
  }
  const uint64_t directorySize = out.offset() - directoryOffset;
  Status ended = out.write(endRecords(records.size(), directoryOffset, directorySize, out, thresholds));
  if (ended.failed()) return abandonPartialOutput(file, partial, std::move(ended).failure());
  stats.entries = records.size();
  stats.archiveBytes = out.offset();

  TOLZEB_TRY(commitPartialOutput(file, partial, output));
  stats.seconds = stopwatch.seconds();
  report.phase = Progress::Phase::Done;
  report.seconds = stats.seconds;
  (void)reportProgress(progress, report);
  return stats;
}

Result<ArchiveStats> createZip(const std::vector<std::wstring>& sources, const std::wstring& output, int level,
                               const ProgressCallback& progress) {
  return createZipWithThresholds(sources, output, level, progress, ZipWriterThresholds{});
}

}  // namespace tolzeb
