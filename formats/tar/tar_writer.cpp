#include "formats/tar/tar_writer.h"

#include <algorithm>

#include "codecs/gzip.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "engine/create/partial_output.h"
#include "engine/create/progress_report.h"
#include "formats/source_collection.h"
#include "formats/tar/tar_format.h"
#include "formats/tar/tar_ustar_header.h"

namespace tolzeb {
namespace {

using namespace tarformat;

constexpr uint8_t kZeroBlock[kBlockSize] = {};

// Where the tar bytes go: the staging file, directly or through the gzip stream of a .tar.gz.
class TarSink {
 public:
  explicit TarSink(const UniqueHandle& file) : file_(&file) {}
  explicit TarSink(GzipStreamWriter& gzip) : gzip_(&gzip) {}

  Status write(const uint8_t* data, uint64_t length) {
    if (gzip_ == nullptr) return file_->writeAll(data, length);
    return gzip_->write(data, size_t(length));
  }

  Status writeZeros(uint64_t count) {
    while (count > 0) {
      const uint64_t piece = std::min<uint64_t>(count, kBlockSize);
      TOLZEB_TRY(write(kZeroBlock, piece));
      count -= piece;
    }
    return {};
  }

 private:
  const UniqueHandle* file_ = nullptr;
  GzipStreamWriter* gzip_ = nullptr;
};

Status writeUstarHeader(TarSink& sink, const std::string& name, char typeflag, uint64_t size, uint64_t mtime) {
  TOLZEB_ASSIGN_OR_RETURN(const UstarHeader header, formatUstarHeader(name, typeflag, size, mtime));
  return sink.write(header.data(), header.size());
}

// A "././@LongLink" record carrying the whole name for the header that follows it.
Status writeLongName(TarSink& sink, const std::string& name) {
  const uint64_t size = name.size() + 1;
  TOLZEB_TRY(writeUstarHeader(sink, kLongLinkName, kTypeGnuLongName, size, 0));
  TOLZEB_TRY(sink.write(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
  return sink.writeZeros(1 + blockPadding(size));
}

Status writeFileData(TarSink& sink, const SourceEntry& entry, Bytes& buffer) {
  TOLZEB_ASSIGN_OR_RETURN(const UniqueHandle file, openForRead(entry.sourcePath));
  for (uint64_t done = 0; done < entry.size;) {
    const uint64_t want = std::min(entry.size - done, kCopyPieceBytes);
    if (buffer.size() < want) buffer.resize(size_t(want));
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(done, buffer.data(), want));
    if (got == 0) return Status(StatusCode::io_failure, L"File shrank while being archived: " + entry.sourcePath);
    TOLZEB_TRY(sink.write(buffer.data(), got));
    done += got;
  }
  return sink.writeZeros(blockPadding(entry.size));
}

Status writeTarEntries(TarSink& sink, const std::vector<SourceEntry>& entries, ArchiveStats& stats, Progress& report,
                       const ProgressCallback& progress, const Stopwatch& clock) {
  Bytes buffer;
  for (const SourceEntry& entry : entries) {
    TOLZEB_ASSIGN_OR_RETURN(const Bytes utf8, utf16ToUtf8(entry.archivePath));
    std::string name(utf8.begin(), utf8.end());
    if (entry.isDirectory) name += '/';
    const char typeflag = entry.isDirectory ? kTypeDirectory : kTypeRegular;
    const uint64_t size = entry.isDirectory ? 0 : entry.size;
    const uint64_t mtime = ustarSecondsFromFileTime(entry.modified);

    std::string prefix, namePart;
    if (splitUstarName(name, prefix, namePart)) {
      TOLZEB_TRY(writeUstarHeader(sink, name, typeflag, size, mtime));
    } else {
      TOLZEB_TRY(writeLongName(sink, name));
      TOLZEB_TRY(writeUstarHeader(sink, name.substr(name.size() - kNameWidth), typeflag, size, mtime));
    }
    if (size > 0) TOLZEB_TRY(writeFileData(sink, entry, buffer));

    if (entry.isDirectory) {
      stats.directories += 1;
    } else {
      stats.files += 1;
      stats.inputBytes += size;
    }
    report.bytesDone = stats.inputBytes;
    report.itemsDone += 1;
    report.currentItem = entry.sourcePath;
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report)) return Status(StatusCode::canceled, L"Archive creation canceled");
  }
  return sink.writeZeros(2 * kBlockSize);
}

}  // namespace

Result<ArchiveStats> createTar(const std::vector<std::wstring>& sources, const std::wstring& output, bool gzip,
                               int level, const ProgressCallback& progress) {
  const Stopwatch clock;
  if (sources.empty()) return Failure{StatusCode::invalid_argument, L"No source files or folders were given"};
  if (output.empty()) return Failure{StatusCode::invalid_argument, L"No output path was given"};
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<SourceEntry> entries, collectArchiveSources(sources));

  Progress report;
  report.phase = Progress::Phase::Encoding;
  report.itemsTotal = entries.size();
  for (const SourceEntry& entry : entries)
    if (!entry.isDirectory) report.bytesTotal = checkedAdd(report.bytesTotal, entry.size).value_or(UINT64_MAX);

  const std::wstring partial = partialPathFor(output);
  static_cast<void>(deleteFile(partial));
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openPartialOutput(partial));

  ArchiveStats stats;
  stats.entries = entries.size();
  if (!gzip) {
    TarSink sink(file);
    if (Status written = writeTarEntries(sink, entries, stats, report, progress, clock); written.failed())
      return abandonPartialOutput(file, partial, std::move(written).failure());
    const Result<uint64_t> position = file.filePosition();
    stats.archiveBytes = position.hasValue() ? *position : 0;
  } else {
    uint64_t compressedBytes = 0;
    GzipStreamWriter gzipStream(level, [&](const uint8_t* data, size_t size) {
      compressedBytes += size;
      return file.writeAll(data, size);
    });
    TarSink sink(gzipStream);
    Status written = writeTarEntries(sink, entries, stats, report, progress, clock);
    if (written.ok()) written = gzipStream.finish();
    if (written.failed()) return abandonPartialOutput(file, partial, std::move(written).failure());
    stats.archiveBytes = compressedBytes;
  }
  TOLZEB_TRY(commitPartialOutput(file, partial, output));

  report.phase = Progress::Phase::Done;
  report.seconds = clock.seconds();
  static_cast<void>(reportProgress(progress, report));
  stats.seconds = clock.seconds();
  return stats;
}

}  // namespace tolzeb
