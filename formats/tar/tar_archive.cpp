#include "formats/tar/tar_archive.h"

#include <cstring>

#include "codecs/gzip.h"
#include "formats/tar/tar_format.h"

namespace tolzeb {
namespace {

using namespace tarformat;

constexpr size_t kSignatureBytes = 3;

}  // namespace

uint64_t TarArchive::size() const { return bytes.empty() ? fileLength : bytes.size(); }

Status TarArchive::read(uint64_t offset, uint8_t* destination, uint64_t length) const {
  const auto end = checkedAdd(offset, length);
  if (!end || *end > size()) return Status(StatusCode::corrupt_archive, L"tar: read past the end of the archive");
  if (length == 0) return {};
  if (!bytes.empty()) {
    std::memcpy(destination, bytes.data() + offset, size_t(length));
    return {};
  }
  // The file layer caps one request, so a large read is a loop of them.
  uint64_t done = 0;
  while (done < length) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(offset + done, destination + done, length - done));
    if (got == 0) return Status(StatusCode::corrupt_archive, L"tar: archive is truncated");
    done += got;
  }
  return {};
}

Result<TarArchive> openTarGz(const std::wstring& path, bool& isGzip) {
  isGzip = false;
  TarArchive archive;
  TOLZEB_ASSIGN_OR_RETURN(archive.file, openForRead(path));
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t fileSize, archive.file.fileSize());
  uint8_t signature[kSignatureBytes] = {};
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, archive.file.readAt(0, signature, kSignatureBytes));
  if (got != kSignatureBytes || !looksLikeGzip(signature, kSignatureBytes)) {
    archive.fileLength = fileSize;
    return archive;
  }

  isGzip = true;
  if (fileSize > kMaxGzipFileBytes)
    return Failure{StatusCode::resource_limit,
                   L"This .tar.gz is too large for this build, which unpacks one whole before reading it"};
  Bytes compressed(size_t(fileSize), 0);
  uint64_t done = 0;
  while (done < fileSize) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t part, archive.file.readAt(done, compressed.data() + done, fileSize - done));
    if (part == 0) break;
    done += part;
  }
  if (done < fileSize) return Failure{StatusCode::io_failure, L"Could not read the whole .tar.gz"};
  archive.file.close();
  TOLZEB_ASSIGN_OR_RETURN(archive.bytes, gunzip(compressed.data(), compressed.size(), kMaxDecompressedBytes));
  return archive;
}

}  // namespace tolzeb
