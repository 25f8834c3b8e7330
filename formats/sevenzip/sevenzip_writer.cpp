#include "formats/sevenzip/sevenzip_writer.h"

#include <algorithm>

#include "codecs/crc32.h"
#include "codecs/lzma/lzma.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/create/partial_output.h"
#include "engine/create/progress_report.h"
#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/sevenzip_format.h"
#include "formats/source_collection.h"

namespace tolzeb {
namespace {

// Only the plain attribute bits are stored: link, sparse, placeholder and similar bits describe
// the source file system and make extractors treat the data as something else.
constexpr uint32_t kStoredAttributeBits = 0x01 | 0x02 | 0x04 | 0x10 | 0x20 | 0x2000;

struct SevenZipWriterItem {
  SourceEntry entry;
  uint64_t dataSize = 0;
  bool hasData = false;
  uint32_t crc = 0;
};

struct SevenZipWriterFolder {
  uint64_t packedSize = 0;
  uint64_t unpackSize = 0;
  bool lzma2 = false;
  uint8_t dictionaryByte = 0;
  std::vector<size_t> items;
};

class SevenZipWriter {
 public:
  SevenZipWriter(int level, uint64_t blockSize, const std::function<bool(const Progress&)>& progress,
                 const Stopwatch& stopwatch)
      : level_(level), blockSize_(blockSize), progress_(progress), stopwatch_(stopwatch) {}

  Status writeBlocks(const UniqueHandle& file) {
    report_.phase = Progress::Phase::Encoding;
    report_.itemsTotal = items_.size();
    for (const SevenZipWriterItem& item : items_) report_.bytesTotal += item.dataSize;
    for (size_t i = 0; i < items_.size(); ++i) {
      SevenZipWriterItem& item = items_[i];
      if (!item.hasData) continue;
      if (!block_.empty() && blockSize_ < block_.size() + item.dataSize) TOLZEB_TRY(closeBlock(file));
      TOLZEB_ASSIGN_OR_RETURN(const Bytes bytes, readWholeFile(item.entry.sourcePath, item.dataSize));
      item.crc = crc32(0, bytes.data(), bytes.size());
      block_.insert(block_.end(), bytes.begin(), bytes.end());
      blockItems_.push_back(i);
      ++report_.itemsDone;
      report_.bytesDone += item.dataSize;
      report_.seconds = stopwatch_.seconds();
      report_.currentItem = item.entry.archivePath;
      if (!reportProgress(progress_, report_)) return makeFailure(StatusCode::canceled, L"Compression canceled");
      if (block_.size() >= blockSize_) TOLZEB_TRY(closeBlock(file));
    }
    if (!block_.empty()) TOLZEB_TRY(closeBlock(file));
    return Status();
  }

  Bytes header() const;
  void addItem(const SourceEntry& entry) {
    SevenZipWriterItem item;
    item.entry = entry;
    item.dataSize = entry.isDirectory ? 0 : entry.size;
    item.hasData = item.dataSize > 0;
    items_.push_back(std::move(item));
  }
  uint64_t packedTotal() const {
    uint64_t total = 0;
    for (const SevenZipWriterFolder& folder : folders_) total += folder.packedSize;
    return total;
  }
  const std::vector<SevenZipWriterItem>& items() const { return items_; }

 private:
  Status closeBlock(const UniqueHandle& file) {
    uint32_t dictionarySize = 0;
    TOLZEB_ASSIGN_OR_RETURN(Bytes encoded, lzma2Encode(block_.data(), block_.size(), level_, dictionarySize));
    SevenZipWriterFolder folder;
    folder.unpackSize = block_.size();
    folder.items = std::move(blockItems_);
    const Bytes* written = &block_;
    if (!encoded.empty() && encoded.size() < block_.size()) {
      TOLZEB_ASSIGN_OR_RETURN(folder.dictionaryByte, lzma2DictionaryByte(dictionarySize));
      folder.lzma2 = true;
      written = &encoded;
    }
    TOLZEB_TRY(file.writeAll(written->data(), written->size()));
    folder.packedSize = written->size();
    folders_.push_back(std::move(folder));
    block_.clear();
    blockItems_.clear();
    return Status();
  }

  void appendStreamsInfo(Bytes& out) const;
  void appendFilesInfo(Bytes& out) const;

  int level_;
  uint64_t blockSize_;
  const std::function<bool(const Progress&)>& progress_;
  const Stopwatch& stopwatch_;
  Progress report_;
  std::vector<SevenZipWriterItem> items_;
  std::vector<SevenZipWriterFolder> folders_;
  Bytes block_;
  std::vector<size_t> blockItems_;
};

void appendProperty(Bytes& out, uint8_t id, const Bytes& body) {
  out.push_back(id);
  appendSevenZipNumber(out, body.size());
  out.insert(out.end(), body.begin(), body.end());
}

void SevenZipWriter::appendStreamsInfo(Bytes& out) const {
  out.push_back(sevenzip_id::kMainStreamsInfo);
  out.push_back(sevenzip_id::kPackInfo);
  appendSevenZipNumber(out, 0);
  appendSevenZipNumber(out, folders_.size());
  out.push_back(sevenzip_id::kSize);
  for (const SevenZipWriterFolder& folder : folders_) appendSevenZipNumber(out, folder.packedSize);
  out.push_back(sevenzip_id::kEnd);

  out.push_back(sevenzip_id::kUnpackInfo);
  out.push_back(sevenzip_id::kFolder);
  appendSevenZipNumber(out, folders_.size());
  out.push_back(0);  // folders follow here
  for (const SevenZipWriterFolder& folder : folders_) {
    appendSevenZipNumber(out, 1);
    if (folder.lzma2) {
      out.insert(out.end(), {0x21, uint8_t(sevenzip_method::kLzma2)});
      appendSevenZipNumber(out, 1);
      out.push_back(folder.dictionaryByte);
    } else {
      out.insert(out.end(), {0x01, uint8_t(sevenzip_method::kCopy)});
    }
  }
  out.push_back(sevenzip_id::kCodersUnpackSize);
  for (const SevenZipWriterFolder& folder : folders_) appendSevenZipNumber(out, folder.unpackSize);
  out.push_back(sevenzip_id::kEnd);

  out.push_back(sevenzip_id::kSubStreamsInfo);
  out.push_back(sevenzip_id::kNumUnpackStream);
  for (const SevenZipWriterFolder& folder : folders_) appendSevenZipNumber(out, folder.items.size());
  out.push_back(sevenzip_id::kSize);
  for (const SevenZipWriterFolder& folder : folders_)
    for (size_t k = 0; k + 1 < folder.items.size(); ++k) appendSevenZipNumber(out, items_[folder.items[k]].dataSize);
  out.push_back(sevenzip_id::kCrc);
  out.push_back(1);  // all defined
  for (const SevenZipWriterFolder& folder : folders_)
    for (size_t index : folder.items) appendU32le(out, items_[index].crc);
  out.push_back(sevenzip_id::kEnd);
  out.push_back(sevenzip_id::kEnd);
}

void SevenZipWriter::appendFilesInfo(Bytes& out) const {
  out.push_back(sevenzip_id::kFilesInfo);
  appendSevenZipNumber(out, items_.size());

  std::vector<bool> emptyStream, emptyFile;
  bool anyEmptyFile = false;
  for (const SevenZipWriterItem& item : items_) {
    emptyStream.push_back(!item.hasData);
    if (item.hasData) continue;
    emptyFile.push_back(!item.entry.isDirectory);
    anyEmptyFile = anyEmptyFile || !item.entry.isDirectory;
  }
  if (std::find(emptyStream.begin(), emptyStream.end(), true) != emptyStream.end()) {
    Bytes bits;
    appendBitVector(bits, emptyStream);
    appendProperty(out, sevenzip_id::kEmptyStream, bits);
    if (anyEmptyFile) {
      bits.clear();
      appendBitVector(bits, emptyFile);
      appendProperty(out, sevenzip_id::kEmptyFile, bits);
    }
  }

  Bytes names = {0};  // stored here, not outside
  for (const SevenZipWriterItem& item : items_) {
    for (wchar_t unit : item.entry.archivePath) appendU16le(names, uint16_t(unit));
    appendU16le(names, 0);
  }
  appendProperty(out, sevenzip_id::kName, names);

  // A source without a known time is left undefined rather than stored as the year 1601.
  std::vector<bool> timeDefined;
  for (const SevenZipWriterItem& item : items_) timeDefined.push_back(item.entry.modified != 0);
  const bool allTimes = std::find(timeDefined.begin(), timeDefined.end(), false) == timeDefined.end();
  Bytes times;
  if (allTimes) {
    times.push_back(1);
  } else {
    times.push_back(0);
    appendBitVector(times, timeDefined);
  }
  times.push_back(0);  // stored here, not outside
  for (const SevenZipWriterItem& item : items_)
    if (item.entry.modified != 0) appendU64le(times, item.entry.modified);
  appendProperty(out, sevenzip_id::kMTime, times);

  Bytes attributes = {1, 0};  // all defined, stored here
  for (const SevenZipWriterItem& item : items_) {
    uint32_t word = item.entry.attributes & kStoredAttributeBits;
    if (item.entry.isDirectory) word |= kAttributeDirectory;
    appendU32le(attributes, word);
  }
  appendProperty(out, sevenzip_id::kWinAttributes, attributes);
  out.push_back(sevenzip_id::kEnd);
}

Bytes SevenZipWriter::header() const {
  Bytes out = {sevenzip_id::kHeader};
  if (!folders_.empty()) appendStreamsInfo(out);
  appendFilesInfo(out);
  out.push_back(sevenzip_id::kEnd);
  return out;
}

Bytes signatureHeader(uint64_t nextHeaderOffset, const Bytes& header) {
  Bytes out(kSevenZipSignatureHeaderSize, 0);
  std::copy(std::begin(kSevenZipSignature), std::end(kSevenZipSignature), out.begin());
  out[7] = 0x04;  // format version 0.4
  writeU64le(&out[12], nextHeaderOffset);
  writeU64le(&out[20], header.size());
  writeU32le(&out[28], crc32(0, header.data(), header.size()));
  writeU32le(&out[8], crc32(0, &out[12], 20));
  return out;
}

}  // namespace

Result<uint8_t> lzma2DictionaryByte(uint32_t dictionarySize) {
  for (uint8_t code = 0; code < 40; ++code)
    if (lzma2DictionarySize(code) >= dictionarySize) return code;
  if (dictionarySize == 0xFFFFFFFF) return uint8_t(40);
  return makeFailure(StatusCode::general, L"7z: dictionary size cannot be written");
}

Result<ArchiveStats> createSevenZip(const std::vector<std::wstring>& sources, const std::wstring& output, int level,
                                    uint64_t solidBlockSize, const std::function<bool(const Progress&)>& progress) {
  const Stopwatch stopwatch;
  if (sources.empty()) return makeFailure(StatusCode::invalid_argument, L"No files or folders were given");
  if (output.empty()) return makeFailure(StatusCode::invalid_argument, L"No archive path was given");
  const uint64_t blockSize =
      solidBlockSize == 0 ? kSevenZipDefaultSolidBlock : std::min(solidBlockSize, kSevenZipLargestSolidBlock);
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<SourceEntry> entries, collectArchiveSources(sources));

  const std::wstring partial = partialPathFor(output);
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openPartialOutput(partial));
  SevenZipWriter writer(level, blockSize, progress, stopwatch);
  for (const SourceEntry& entry : entries) writer.addItem(entry);

  const Bytes placeholder(kSevenZipSignatureHeaderSize, 0);
  Status written = file.writeAll(placeholder.data(), placeholder.size());
  if (written.ok()) written = writer.writeBlocks(file);
  const Bytes header = writer.header();
  if (written.ok()) written = file.writeAll(header.data(), header.size());
  if (written.ok()) {
    const Bytes start = signatureHeader(writer.packedTotal(), header);
    written = file.writeAt(0, start.data(), start.size());
  }
  if (written.failed()) return abandonPartialOutput(file, partial, std::move(written).failure());
  Result<uint64_t> size = file.fileSize();
  if (size.failed()) return abandonPartialOutput(file, partial, std::move(size).failure());
  TOLZEB_TRY(commitPartialOutput(file, partial, output));

  ArchiveStats stats;
  stats.entries = writer.items().size();
  for (const SevenZipWriterItem& item : writer.items()) {
    if (item.entry.isDirectory) {
      ++stats.directories;
    } else {
      ++stats.files;
      stats.inputBytes += item.dataSize;
    }
  }
  stats.archiveBytes = *size;
  stats.seconds = stopwatch.seconds();
  Progress done;
  done.phase = Progress::Phase::Done;
  done.seconds = stats.seconds;
  if (progress) (void)reportProgress(progress, done);
  return stats;
}

}  // namespace tolzeb
