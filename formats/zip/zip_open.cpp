#include <algorithm>
#include <set>

#include "engine/core/bytes.h"
#include "engine/core/entry_path.h"
#include "engine/core/text.h"
#include "formats/zip/zip.h"
#include "formats/zip/zip_platform.h"

namespace tolzeb {
namespace {

// The end record's fields, replaced by the ZIP64 record's where that is present.
struct DirectoryLocation {
  uint16_t diskNumber = 0;
  uint16_t directoryDisk = 0;
  uint64_t entryCount = 0;
  uint64_t size = 0;
  uint64_t offset = 0;
};

// The highest position of the tail at which an end record with its comment ends exactly at the
// end of the file; a comment that happens to contain the signature does not mislead the search.
std::optional<size_t> findEndRecord(const Bytes& tail) {
  for (size_t p = tail.size() - kZipEndRecordSize + 1; p-- > 0;) {
    if (readU32le(&tail[p]) != kZipEndRecordSignature) continue;
    if (p + kZipEndRecordSize + readU16le(&tail[p + 20]) == tail.size()) return p;
  }
  return std::nullopt;
}

Status readZip64EndRecord(const UniqueHandle& file, uint64_t fileLength, uint64_t recordOffset,
                          DirectoryLocation& location) {
  if (!rangeFits(recordOffset, kZip64EndRecordSize, fileLength)) {
    return corrupt(L"ZIP64 record lies outside the file");
  }
  uint8_t record[kZip64EndRecordSize] = {};
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(recordOffset, record, sizeof record));
  if (got < sizeof record || readU32le(record) != kZip64EndRecordSignature) {
    return corrupt(L"ZIP64 record is missing or damaged");
  }
  location.entryCount = readU64le(record + 32);
  location.size = readU64le(record + 40);
  location.offset = readU64le(record + 48);
  return Status();
}

Result<DirectoryLocation> locateCentralDirectory(const UniqueHandle& file, uint64_t fileLength) {
  const size_t window = size_t(std::min<uint64_t>(fileLength, kZipEndRecordSize + kZipLargestComment));
  Bytes tail(window, 0);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(fileLength - window, tail.data(), window));
  if (got < window) return corrupt(L"Could not read the end of the archive");

  const std::optional<size_t> found = findEndRecord(tail);
  if (!found) return corrupt(L"No ZIP end-of-central-directory record; the file is not a .zip or is truncated");
  const uint8_t* end = &tail[*found];
  DirectoryLocation location;
  location.diskNumber = readU16le(end + 4);
  location.directoryDisk = readU16le(end + 6);
  location.entryCount = readU16le(end + 10);
  location.size = readU32le(end + 12);
  location.offset = readU32le(end + 16);

  const bool asksForZip64 = location.entryCount == kZip16BitEscape || location.size == kZip32BitEscape ||
                            location.offset == kZip32BitEscape || location.diskNumber == kZip16BitEscape;
  if (asksForZip64 && *found >= kZip64LocatorSize) {
    const uint8_t* locator = end - kZip64LocatorSize;
    // Without a locator the end record's own values stand.
    if (readU32le(locator) == kZip64LocatorSignature) {
      TOLZEB_TRY(readZip64EndRecord(file, fileLength, readU64le(locator + 8), location));
    }
  }

  const auto isFirstDisk = [](uint16_t disk) { return disk == 0 || disk == kZip16BitEscape; };
  if (!isFirstDisk(location.diskNumber) || !isFirstDisk(location.directoryDisk)) {
    return Failure{StatusCode::unsupported_version,
                   L"This archive is split across several disks, which TOLZEB cannot read"};
  }
  return location;
}

// The central file headers, each checked and decoded; duplicates and unsafe names refused.
Status parseCentralDirectory(const Bytes& directory, uint64_t entryCount, ZipArchive& zip) {
  // A hostile count cannot reserve more than the directory's bytes could describe.
  zip.entries.reserve(size_t(std::min<uint64_t>(entryCount, directory.size() / kZipCentralHeaderSize)));
  std::set<std::wstring> seenPaths;
  size_t position = 0;
  for (uint64_t i = 0; i < entryCount; ++i) {
    if (directory.size() - position < kZipCentralHeaderSize) {
      return corrupt(L"ZIP central directory ends in the middle of a record");
    }
    const uint8_t* header = &directory[position];
    if (readU32le(header) != kZipCentralHeaderSignature) {
      return corrupt(L"ZIP central directory record " + decimal(i) + L" has the wrong signature");
    }
    ZipEntry entry;
    entry.flags = readU16le(header + 8);
    entry.method = readU16le(header + 10);
    entry.dosTime = readU16le(header + 12);
    entry.dosDate = readU16le(header + 14);
    entry.crc32 = readU32le(header + 16);
    entry.compressedSize = readU32le(header + 20);
    entry.uncompressedSize = readU32le(header + 24);
    const size_t nameLength = readU16le(header + 28);
    const size_t extraLength = readU16le(header + 30);
    const size_t commentLength = readU16le(header + 32);
    entry.externalAttributes = readU32le(header + 38);
    entry.localHeaderOffset = readU32le(header + 42);
    const size_t recordLength = kZipCentralHeaderSize + nameLength + extraLength + commentLength;
    if (recordLength > directory.size() - position) {
      return corrupt(L"ZIP record " + decimal(i) + L" declares more data than the directory holds");
    }
    const uint8_t* name = header + kZipCentralHeaderSize;
    TOLZEB_TRY(parseZip64Extra(name + nameLength, extraLength, entry, entry.uncompressedSize == kZip32BitEscape,
                               entry.compressedSize == kZip32BitEscape,
                               entry.localHeaderOffset == kZip32BitEscape));
    TOLZEB_ASSIGN_OR_RETURN(std::wstring decoded,
                            decodeZipName(name, nameLength, (entry.flags & kZipFlagUtf8Name) != 0));
    entry.isDirectory = (!decoded.empty() && decoded.back() == L'/') ||
                        (entry.externalAttributes & kZipDirectoryAttribute) != 0;
    while (!decoded.empty() && (decoded.back() == L'/' || decoded.back() == L'\\')) decoded.pop_back();
    if (decoded.empty()) {
      return Failure{StatusCode::path_unsafe, L"ZIP record " + decimal(i) + L" has an empty name"};
    }
    position += recordLength;

    Result<std::wstring> normalized = normalizePath(decoded);
    // A name of only "." segments ("./", written by tools archiving the current folder) is the
    // archive's root itself: nothing to list or extract.
    if (normalized.failed() && normalized.failure().code == StatusCode::invalid_argument) continue;
    if (normalized.failed()) {
      return Failure{StatusCode::path_unsafe,
                     L"ZIP entry has an unsafe path: " + decoded + L" (" + normalized.failure().message + L")"};
    }
    entry.path = std::move(normalized).value();
    if (!seenPaths.insert(entry.path).second) return corrupt(L"ZIP lists the same path twice: " + entry.path);
    if (!entry.isDirectory) {
      const std::optional<uint64_t> total = checkedAdd(zip.totalUncompressed, entry.uncompressedSize);
      if (!total) return Failure{StatusCode::resource_limit, L"ZIP total uncompressed size overflows 64 bits"};
      zip.totalUncompressed = *total;
    }
    zip.entries.push_back(std::move(entry));
  }
  return Status();
}

// Entries whose local records share bytes are the mark of a "zip bomb" that multiplies one
// compressed kernel; honest writers never produce them. Each entry occupies at least its fixed
// local header and its data, so a lower bound on every extent is enough to see the overlap.
Status refuseOverlappingEntries(const ZipArchive& zip) {
  std::vector<const ZipEntry*> byOffset;
  byOffset.reserve(zip.entries.size());
  for (const ZipEntry& entry : zip.entries) byOffset.push_back(&entry);
  std::stable_sort(byOffset.begin(), byOffset.end(),
            [](const ZipEntry* a, const ZipEntry* b) { return a->localHeaderOffset < b->localHeaderOffset; });
  for (size_t i = 1; i < byOffset.size(); ++i) {
    const ZipEntry& earlier = *byOffset[i - 1];
    const std::optional<uint64_t> dataStart = checkedAdd(earlier.localHeaderOffset, kZipLocalHeaderSize);
    const std::optional<uint64_t> end = dataStart ? checkedAdd(*dataStart, earlier.compressedSize) : std::nullopt;
    if (!end || *end > byOffset[i]->localHeaderOffset) {
      return corrupt(L"ZIP entries overlap: " + byOffset[i]->path);
    }
  }
  return Status();
}

}  // namespace

Status parseZip64Extra(const uint8_t* extra, size_t length, ZipEntry& entry, bool needUncompressed,
                       bool needCompressed, bool needOffset) {
  const bool needed = needUncompressed || needCompressed || needOffset;
  const Failure missing = corrupt(L"ZIP entry needs a ZIP64 extra field but does not have one");
  if (length < 4) {
    if (needed) return missing;
    return Status();
  }
  size_t offset = 0;
  while (true) {
    const uint16_t id = readU16le(extra + offset);
    const size_t dataSize = readU16le(extra + offset + 2);
    const size_t blockEnd = offset + 4 + dataSize;
    if (blockEnd > length) return corrupt(L"ZIP extra field runs past the record");
    if (id == kZip64ExtraId) {
      size_t field = offset + 4;
      const auto take = [&](uint64_t& value) -> Status {
        if (blockEnd - field < 8) return corrupt(L"ZIP64 extra field is too short");
        value = readU64le(extra + field);
        field += 8;
        return Status();
      };
      if (needUncompressed) TOLZEB_TRY(take(entry.uncompressedSize));
      if (needCompressed) TOLZEB_TRY(take(entry.compressedSize));
      if (needOffset) TOLZEB_TRY(take(entry.localHeaderOffset));
      return Status();
    }
    if (length - blockEnd < 4) break;
    offset = blockEnd;
  }
  if (needed) return missing;
  return Status();
}

Result<std::wstring> decodeZipName(const uint8_t* bytes, size_t length, bool utf8) {
  if (length == 0) return std::wstring();
  if (length > kZipMaxNameBytes) return corrupt(L"ZIP entry name is implausibly long");
  if (utf8) {
    Result<std::wstring> text = utf8ToUtf16(bytes, length);
    if (text.failed()) return corrupt(L"ZIP entry name claims UTF-8 but is not valid UTF-8");
    return text;
  }
  std::optional<std::wstring> text = codePage437ToUtf16(bytes, length);
  if (!text) return corrupt(L"ZIP entry name could not be decoded");
  return std::move(*text);
}

uint64_t dosTimeToFileTime(uint16_t dosDate, uint16_t dosTime) {
  static constexpr uint8_t kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const unsigned year = 1980 + (dosDate >> 9);
  const unsigned month = (dosDate >> 5) & 15;
  const unsigned day = dosDate & 31;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1) return 0;
  if (day > kDaysInMonth[month - 1] || (month == 2 && day == 29 && !leap)) return 0;
  if ((dosTime >> 11) > 23 || ((dosTime >> 5) & 63) > 59 || (dosTime & 31) > 29) return 0;
  return localDosTimeToUtc(dosDate, dosTime).value_or(0);
}

ArchiveListing toZipListing(const ZipArchive& zip) {
  ArchiveListing listing;
  listing.totalBytes = zip.totalUncompressed;
  listing.archiveBytes = zip.fileLength;
  listing.entries.reserve(zip.entries.size());
  for (const ZipEntry& entry : zip.entries) {
    ListedEntry listed;
    listed.path = entry.path;
    listed.isDirectory = entry.isDirectory;
    listed.size = entry.isDirectory ? 0 : entry.uncompressedSize;
    listed.modified = dosTimeToFileTime(entry.dosDate, entry.dosTime);
    listing.entries.push_back(std::move(listed));
  }
  return listing;
}

Result<bool> probeZip(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(path));
  uint8_t head[4] = {};
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(0, head, sizeof head));
  if (got < sizeof head) return false;
  const uint32_t signature = readU32le(head);
  return signature == kZipLocalHeaderSignature || signature == kZipEndRecordSignature;
}

Result<ZipArchive> openZip(const std::wstring& path, uint64_t entryLimit) {
  ZipArchive zip;
  TOLZEB_ASSIGN_OR_RETURN(zip.file, openForRead(path));
  TOLZEB_ASSIGN_OR_RETURN(zip.fileLength, zip.file.fileSize());
  if (zip.fileLength < kZipEndRecordSize) return corrupt(L"File is too small to be a .zip archive");
  TOLZEB_ASSIGN_OR_RETURN(DirectoryLocation location, locateCentralDirectory(zip.file, zip.fileLength));

  const uint64_t limit = entryLimit >= 1 && entryLimit <= kZipMaxEntries ? entryLimit : kZipMaxEntries;
  if (location.entryCount > limit) {
    return Failure{StatusCode::resource_limit, L"Archive declares " + decimal(location.entryCount) +
                                                   L" entries, more than this build will read"};
  }
  if (location.size > kZipMaxCentralDirectorySize) {
    return Failure{StatusCode::resource_limit, L"ZIP central directory is implausibly large"};
  }
  if (!rangeFits(location.offset, location.size, zip.fileLength)) {
    return corrupt(L"ZIP central directory lies outside the file");
  }
  Bytes directory(size_t(location.size), 0);
  if (!directory.empty()) {
    TOLZEB_ASSIGN_OR_RETURN(uint64_t got, zip.file.readAt(location.offset, directory.data(), directory.size()));
    if (got < directory.size()) return corrupt(L"ZIP central directory is truncated");
  }
  TOLZEB_TRY(parseCentralDirectory(directory, location.entryCount, zip));
  TOLZEB_TRY(refuseOverlappingEntries(zip));
  return zip;
}

Result<ArchiveListing> listZip(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(ZipArchive zip, openZip(path, 0));
  return toZipListing(zip);
}

}  // namespace tolzeb
