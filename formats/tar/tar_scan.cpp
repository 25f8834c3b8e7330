#include "formats/tar/tar_scan.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "engine/core/entry_path.h"
#include "formats/tar/tar_fields.h"
#include "formats/tar/tar_format.h"

namespace tolzeb {
namespace {

using namespace tarformat;

// The bytes of a fixed-width text field up to its first NUL.
std::string fieldText(const uint8_t* header, size_t offset, size_t width) {
  const char* start = reinterpret_cast<const char*>(header + offset);
  return std::string(start, std::find(start, start + width, '\0'));
}

// Only the POSIX magic, "ustar" and NUL, makes the prefix a part of the name: GNU headers share
// the first five magic bytes ("ustar  \0") but keep access and change times in the prefix area.
bool hasPosixUstarMagic(const uint8_t* header) {
  return std::memcmp(header + kMagicOffset, kUstarMagic, sizeof kUstarMagic) == 0;
}

std::string headerName(const uint8_t* header) {
  std::string name = fieldText(header, kNameOffset, kNameWidth);
  if (hasPosixUstarMagic(header)) {
    const std::string prefix = fieldText(header, kPrefixOffset, kPrefixWidth);
    if (!prefix.empty()) name = prefix + '/' + name;
  }
  return name;
}

// A name made of nothing but separators and "." segments names the archive's root, which peers
// write as "./" whenever a folder's contents are archived; it stands for the destination itself.
bool namesArchiveRoot(const std::wstring& name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"/\\", start);
    if (end == std::wstring::npos) end = name.size();
    const size_t length = end - start;
    if (length > 1 || (length == 1 && name[start] != L'.')) return false;
    start = end + 1;
  }
  return true;
}

bool isMetadataType(uint8_t type) {
  return type == kTypeGnuLongName || type == kTypeGnuLongLink || type == kTypePaxExtended || type == kTypePaxGlobal;
}

class HeaderWalk {
 public:
  explicit HeaderWalk(TarArchive& archive) : archive_(archive) {}

  // Reads forward only, so that a .tar.gz is decoded once for the walk and its own checks.
  Result<TarScan> run() {
    uint64_t offset = 0;
    int zeroBlocks = 0;
    uint8_t header[kUstarHeaderSize];
    for (;;) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, archive_.readUpTo(offset, header, kUstarHeaderSize));
      if (got < kUstarHeaderSize) break;
      if (std::all_of(header, header + kUstarHeaderSize, [](uint8_t b) { return b == 0; })) {
        offset += kUstarHeaderSize;
        if (++zeroBlocks == 2) break;
        continue;
      }
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t checksum, parseTarNumber(header + kChecksumOffset, kChecksumWidth));
      if (!tarChecksumMatches(header, checksum))
        return Failure{StatusCode::corrupt_archive,
                       L"tar header checksum mismatch; the archive is damaged or this is not a tar"};
      TOLZEB_ASSIGN_OR_RETURN(uint64_t size, parseTarNumber(header + kSizeOffset, kSizeWidth));
      // Peers write times before 1970 as negative numbers; such a time is unknown, not damage.
      uint64_t headerTime = 0;
      if (!isNegativeBase256(header + kMtimeOffset, kMtimeWidth)) {
        TOLZEB_ASSIGN_OR_RETURN(const uint64_t mtime, parseTarNumber(header + kMtimeOffset, kMtimeWidth));
        headerTime = tarSecondsToFileTime(mtime);
      }
      const uint8_t type = header[kTypeflagOffset];
      if (!isMetadataType(type) && pax_.size) size = *pax_.size;

      const auto dataEnd = checkedAdd(offset + kUstarHeaderSize, size);
      const auto next = dataEnd ? checkedAdd(*dataEnd, blockPadding(size)) : std::nullopt;
      if (!next) return declaresTooMuch();
      // A metadata record is read on the way to the next header; only then is it known that the
      // stream holds it.
      Bytes metadata;
      if (isMetadataType(type) && size <= kMaxMetadataRecordBytes) {
        metadata.resize(size_t(size));
        TOLZEB_ASSIGN_OR_RETURN(const uint64_t read, archive_.readUpTo(offset + kUstarHeaderSize, metadata.data(), size));
        if (read != size) return declaresTooMuch();
      }
      TOLZEB_ASSIGN_OR_RETURN(const bool holdsEntry, archive_.reaches(*next));
      if (!holdsEntry) return declaresTooMuch();
      zeroBlocks = 0;

      if (isMetadataType(type)) {
        TOLZEB_TRY(readMetadata(type, size, metadata));
      } else {
        TOLZEB_TRY(addEntry(header, type, offset + kUstarHeaderSize, size, headerTime));
      }
      offset = *next;
    }
    return std::move(scan_);
  }

 private:
  static Failure declaresTooMuch() {
    return Failure{StatusCode::corrupt_archive, L"tar entry declares more data than the archive holds"};
  }

  Status readMetadata(uint8_t type, uint64_t size, const Bytes& data) {
    if (size > kMaxMetadataRecordBytes)
      return Status(StatusCode::resource_limit, L"tar metadata record is implausibly large");
    if (type == kTypeGnuLongName) {
      const auto end = std::find(data.begin(), data.end(), uint8_t(0));
      pendingLongName_ = decodeTarName(std::string(data.begin(), end));
    } else if (type == kTypePaxExtended) {
      parsePaxRecords(data.data(), data.size(), pax_);
    }
    return {};
  }

  Status addEntry(const uint8_t* header, uint8_t type, uint64_t dataOffset, uint64_t size, uint64_t headerTime) {
    std::wstring name = std::move(pendingLongName_);
    if (!pax_.path.empty()) name = std::move(pax_.path);
    if (name.empty()) name = decodeTarName(headerName(header));
    const uint64_t modified = pax_.modified != 0 ? pax_.modified : headerTime;
    pendingLongName_.clear();
    pax_ = PaxOverrides{};

    if (type == kTypeHardLink || type == kTypeSymbolicLink) {
      ++scan_.skippedLinks;
      return {};
    }
    if (type != kTypeRegularOld && type != kTypeRegular && type != kTypeDirectory) {
      ++scan_.skippedSpecial;
      return {};
    }
    bool isDirectory = type == kTypeDirectory;
    while (!name.empty() && (name.back() == L'/' || name.back() == L'\\')) {
      name.pop_back();
      isDirectory = true;
    }
    if (namesArchiveRoot(name)) return {};
    Result<std::wstring> path = normalizePath(name);
    if (path.failed())
      return Status(StatusCode::path_unsafe,
                    L"tar entry has an unsafe path: " + name + L" (" + path.failure().message + L")");
    if (scan_.entries.size() >= kMaxEntries)
      return Status(StatusCode::resource_limit, L"tar declares more entries than this build will read");

    TarEntry entry{std::move(path).value(), isDirectory ? 0 : size, dataOffset, modified, isDirectory, type};
    const uint64_t fileBytes = entry.isDirectory ? 0 : entry.size;
    const auto [slot, isNew] = positions_.try_emplace(entry.path, scan_.entries.size());
    if (isNew) {
      scan_.entries.push_back(std::move(entry));
    } else {
      TarEntry& earlier = scan_.entries[slot->second];
      scan_.totalBytes -= earlier.isDirectory ? 0 : earlier.size;
      earlier = std::move(entry);
    }
    scan_.totalBytes += fileBytes;
    return {};
  }

  TarArchive& archive_;
  TarScan scan_;
  std::unordered_map<std::wstring, size_t> positions_;
  std::wstring pendingLongName_;
  PaxOverrides pax_;
};

}  // namespace

Result<TarScan> scanTarHeaders(TarArchive& archive) {
  Result<TarScan> scan = HeaderWalk(archive).run();
  // The stream's own checks cover all of it and come first: a gzip member that fails its CRC-32
  // outranks whatever its damaged headers seemed to say.
  TOLZEB_TRY(archive.finishWalk());
  return scan;
}

}  // namespace tolzeb
