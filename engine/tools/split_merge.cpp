#include "engine/tools/split_merge.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/container_format.h"
#include "engine/container/open_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "engine/core/file_identity.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"
#include "engine/tools/part_format.h"

namespace tolzeb {
namespace {

constexpr uint64_t kCopyBufferSize = 1 << 20;

bool looksLikePartFile(const std::wstring& path) {
  auto file = openForRead(path);
  if (file.failed()) return false;
  uint8_t magic[sizeof kPartMagic];
  auto got = file->readAt(0, magic, sizeof magic);
  return got.hasValue() && *got == sizeof magic && std::equal(magic, magic + sizeof magic, std::begin(kPartMagic));
}

std::wstring partLabel(uint32_t index) { return L"Part " + decimal(index); }

// Writes one part under its final name: a placeholder header first and the real one last, so a part whose
// header checks out was written completely.
Status writePart(const UniqueHandle& archive, const std::wstring& partPath, PartHeader header,
                 std::vector<uint8_t>& buffer, Progress& report, const Stopwatch& clock,
                 const ProgressCallback& progress) {
  // Created exclusively: nothing that appeared under the name since the sweep is overwritten.
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle part, openForWrite(partPath, true));
  const uint8_t placeholder[kPartHeaderSize] = {};
  TOLZEB_TRY(part.writeAll(placeholder, sizeof placeholder));
  uint32_t crc = 0;
  uint64_t copied = 0;
  while (copied < header.payloadLength) {
    const uint64_t want = std::min<uint64_t>(buffer.size(), header.payloadLength - copied);
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, archive.readAt(header.payloadOffset + copied, buffer.data(), want));
    if (got < want) return makeFailure(StatusCode::io_failure, L"Archive shrank while being split");
    crc = crc32c(crc, buffer.data(), size_t(got));
    TOLZEB_TRY(part.writeAll(buffer.data(), got));
    copied += got;
    report.bytesDone = report.archiveBytes = header.payloadOffset + copied;
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report)) return makeFailure(StatusCode::canceled, L"Split canceled");
  }
  header.payloadCrc = crc;
  uint8_t bytes[kPartHeaderSize];
  header.serialize(bytes);
  TOLZEB_TRY(part.writeAt(0, bytes, sizeof bytes));
  return part.flushFile();
}

// Copies one part's payload behind the bytes already merged and proves it against its header; gives the
// payload length.
Result<uint64_t> appendPart(const std::wstring& base, const PartHeader& first, uint32_t index, uint64_t copiedBefore,
                            const UniqueHandle& output, std::vector<uint8_t>& buffer, Progress& report,
                            const Stopwatch& clock, const ProgressCallback& progress) {
  const std::wstring name = partFileName(base, index);
  auto opened = openForRead(name);
  if (opened.failed()) {
    return makeFailure(StatusCode::not_found,
                       partLabel(index) + L" of " + decimal(first.count) + L" is missing: " + name);
  }
  const UniqueHandle part = std::move(opened).value();
  uint8_t headerBytes[kPartHeaderSize];
  auto headerRead = part.readAt(0, headerBytes, sizeof headerBytes);
  if (headerRead.failed() || *headerRead < sizeof headerBytes) {
    return corrupt(L"Could not read the header of part " + decimal(index));
  }
  TOLZEB_ASSIGN_OR_RETURN(const PartHeader header, parsePartHeader(headerBytes, sizeof headerBytes));
  if (!sameArchiveId(header.archiveId, first.archiveId)) {
    return corrupt(partLabel(index) + L" belongs to a different archive");
  }
  if (header.index != index || header.count != first.count || header.archiveLength != first.archiveLength) {
    return corrupt(partLabel(index) + L" disagrees with part 1 about the set");
  }
  if (header.payloadOffset != copiedBefore) {
    return corrupt(partLabel(index) + L" does not start where the previous one ended");
  }
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, part.fileSize());
  if (header.payloadLength > size || size - header.payloadLength != kPartHeaderSize) {
    return corrupt(partLabel(index) + L" is not the length its header declares");
  }
  uint32_t crc = 0;
  uint64_t copied = 0;
  while (copied < header.payloadLength) {
    const uint64_t want = std::min<uint64_t>(buffer.size(), header.payloadLength - copied);
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, part.readAt(kPartHeaderSize + copied, buffer.data(), want));
    if (got < want) return corrupt(partLabel(index) + L" is truncated");
    crc = crc32c(crc, buffer.data(), size_t(got));
    TOLZEB_TRY(output.writeAll(buffer.data(), got));
    copied += got;
    report.bytesDone = report.archiveBytes = copiedBefore + copied;
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report)) return makeFailure(StatusCode::canceled, L"Merge canceled");
  }
  if (crc != header.payloadCrc) return corrupt(partLabel(index) + L" failed its checksum; it is damaged");
  return header.payloadLength;
}

}  // namespace

Result<SplitResult> splitArchive(const std::wstring& archivePath, uint64_t partSize, const ProgressCallback& progress) {
  const Stopwatch clock;
  if (partSize < kMinPartSize) {
    return makeFailure(StatusCode::invalid_argument,
                       L"Part size must be at least 64 KiB; smaller parts "
                       L"would be mostly header");
  }
  TOLZEB_TRY(probeZebArchive(archivePath).status());
  TOLZEB_ASSIGN_OR_RETURN(const UniqueHandle archive, openForRead(archivePath));
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, archive.fileSize());
  if (size == 0) return corrupt(L"Archive is empty");
  uint8_t headerBytes[kHeaderSize];
  auto headerRead = archive.readAt(0, headerBytes, sizeof headerBytes);
  if (headerRead.failed() || *headerRead < sizeof headerBytes) return corrupt(L"Could not read the archive header");
  TOLZEB_ASSIGN_OR_RETURN(const ArchiveHeader archiveHeader, parseArchiveHeader(headerBytes, sizeof headerBytes));

  const uint64_t count = size / partSize + (size % partSize != 0);
  if (count > kMaxPartCount) {
    return makeFailure(StatusCode::invalid_argument,
                       L"That part size would produce more than " + decimal(kMaxPartCount) + L" files");
  }
  Progress report;
  report.phase = Progress::Phase::Writing;
  report.bytesTotal = size;

  // A file under one of the new parts' names that is no part file is someone else's: refused before anything is
  // touched.
  for (uint32_t index = 1; index <= count; ++index) {
    const std::wstring name = partFileName(archivePath, index);
    if (pathExists(name) && !looksLikePartFile(name)) {
      return makeFailure(
          StatusCode::already_exists,
          L"Cannot split: " + name +
              L" already exists and is not a part of an earlier split. Move or rename it, then split again.");
    }
  }
  // Parts of an earlier split would otherwise mix with this one's: those under the new names go, and the consecutive
  // ones after them; a file that is no part file ends that second sweep.
  for (uint32_t index = 1; index <= kMaxPartCount; ++index) {
    const std::wstring stale = partFileName(archivePath, index);
    if (!pathExists(stale) || !looksLikePartFile(stale)) {
      if (index > count) break;
      continue;
    }
    (void)deleteFile(stale);
  }

  std::vector<uint8_t> buffer(size_t(std::min(kCopyBufferSize, partSize)));
  for (uint32_t index = 1; index <= count; ++index) {
    PartHeader header;
    header.archiveId = archiveHeader.archiveId;
    header.index = index;
    header.count = uint32_t(count);
    header.payloadOffset = (index - 1) * partSize;
    header.payloadLength = std::min(partSize, size - header.payloadOffset);
    header.archiveLength = size;
    const std::wstring partPath = partFileName(archivePath, index);
    Status written = writePart(archive, partPath, header, buffer, report, clock, progress);
    if (written.failed()) {
      // A name that was taken by the time of writing holds someone else's file: left alone.
      if (written.code() != StatusCode::already_exists) (void)deleteFile(partPath);
      return std::move(written).failure();
    }
  }
  Progress done;
  done.phase = Progress::Phase::Done;
  done.seconds = clock.seconds();
  (void)reportProgress(progress, done);
  return SplitResult{count, size, partSize, clock.seconds()};
}

Result<MergeResult> mergeParts(const std::wstring& firstPartPath, const std::wstring& outputPath,
                               const ProgressCallback& progress) {
  const Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring base, partBasePath(firstPartPath));
  PartHeader first;
  {
    TOLZEB_ASSIGN_OR_RETURN(const UniqueHandle part, openForRead(firstPartPath));
    uint8_t headerBytes[kPartHeaderSize];
    auto headerRead = part.readAt(0, headerBytes, sizeof headerBytes);
    if (headerRead.failed() || *headerRead < sizeof headerBytes) return corrupt(L"Could not read the part header");
    TOLZEB_ASSIGN_OR_RETURN(first, parsePartHeader(headerBytes, sizeof headerBytes));
  }
  if (first.index != 1) {
    return makeFailure(StatusCode::invalid_argument,
                       L"Start a merge from part .001; this is part " + decimal(first.index));
  }

  // Merging over one of the parts would destroy the set while it is read.
  for (uint32_t index = 1; index <= first.count; ++index) {
    const bool isPart =
        sameFile(outputPath, partFileName(base, index)) || (index == 1 && sameFile(outputPath, firstPartPath));
    if (isPart) {
      return makeFailure(StatusCode::invalid_argument,
                         L"The output " + outputPath + L" is part " + decimal(index) +
                             L" of the set being merged; choose another name for the merged archive");
    }
  }

  const std::wstring partialPath = outputPath + L".partial";
  (void)deleteFile(partialPath);
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle output, openForWrite(partialPath, false));
  auto abandon = [&](Failure&& failure) -> Result<MergeResult> {
    output.close();
    (void)deleteFile(partialPath);
    return std::move(failure);
  };

  Progress report;
  report.phase = Progress::Phase::Writing;
  report.bytesTotal = first.archiveLength;
  std::vector<uint8_t> buffer(kCopyBufferSize);
  uint64_t copied = 0;
  for (uint32_t index = 1; index <= first.count; ++index) {
    auto appended = appendPart(base, first, index, copied, output, buffer, report, clock, progress);
    if (appended.failed()) return abandon(std::move(appended).failure());
    copied += *appended;
  }
  if (copied != first.archiveLength) return abandon(corrupt(L"The parts add up to the wrong length"));
  Status flushed = output.flushFile();
  if (flushed.failed()) return abandon(std::move(flushed).failure());
  output.close();
  Status moved = renameReplace(partialPath, outputPath);
  if (moved.failed()) {
    (void)deleteFile(partialPath);
    return std::move(moved).failure();
  }
  Progress done;
  done.phase = Progress::Phase::Done;
  done.seconds = clock.seconds();
  (void)reportProgress(progress, done);
  return MergeResult{first.count, first.archiveLength, first.payloadLength, clock.seconds()};
}

}  // namespace tolzeb
