#include "formats/tar/tar_archive.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codecs/gzip.h"
#include "formats/tar/tar_format.h"

namespace tolzeb {
namespace {

using namespace tarformat;

constexpr size_t kSignatureBytes = 3;

// One pass over the gzip stream: the file, its input buffer and the decoder, with the position
// in the tar stream that the next decoded byte has.
class GzipPass {
 public:
  explicit GzipPass(const UniqueHandle& file)
      : file_(file),
        input_([this](uint8_t* buffer, size_t capacity) -> Result<size_t> {
          TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file_.readAt(offset_, buffer, capacity));
          offset_ += got;
          return size_t(got);
        }),
        reader_(input_, UINT64_MAX) {}
  GzipPass(const GzipPass&) = delete;
  GzipPass& operator=(const GzipPass&) = delete;

  uint64_t position() const { return position_; }

  // Up to `capacity` bytes of the tar stream; 0 at its end.
  Result<size_t> read(uint8_t* buffer, size_t capacity) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader_.read(buffer, capacity));
    position_ += got;
    return got;
  }

 private:
  const UniqueHandle& file_;
  uint64_t offset_ = 0;
  InflateInput input_;
  GzipStreamReader reader_;
  uint64_t position_ = 0;
};

}  // namespace

struct GzipTarSource {
  UniqueHandle file;
  uint64_t length = 0;  // of the tar stream, once `ended`
  bool ended = false;
  std::unique_ptr<GzipPass> pass;
  Bytes skipped;  // where bytes before a read's offset are decoded to
  // The first failure of the stream; the walk's reads end with it, and it outranks the walk's
  // own findings.
  std::optional<Failure> failure;

  static constexpr size_t kSkipPiece = size_t(1) << 20;

  // Up to `capacity` bytes from the pass; 0 at the stream's end, whose length is then known.
  Result<size_t> pull(uint8_t* destination, size_t capacity) {
    if (failure) return *failure;
    Result<size_t> got = pass->read(destination, capacity);
    if (got.failed()) {
      failure = got.failure();
      return got;
    }
    if (*got == 0 && capacity > 0) {
      ended = true;
      length = pass->position();
    }
    return got;
  }

  // Moves the pass to `offset`, from the start again when it lies behind; false when the stream
  // ends first.
  Result<bool> seek(uint64_t offset) {
    if (!pass || pass->position() > offset) pass = std::make_unique<GzipPass>(file);
    while (pass->position() < offset) {
      if (skipped.empty()) skipped.resize(kSkipPiece);
      const uint64_t want = std::min<uint64_t>(offset - pass->position(), skipped.size());
      TOLZEB_ASSIGN_OR_RETURN(const size_t got, pull(skipped.data(), size_t(want)));
      if (got == 0) return false;
    }
    return true;
  }

  Result<uint64_t> readUpTo(uint64_t offset, uint8_t* destination, uint64_t length) {
    TOLZEB_ASSIGN_OR_RETURN(const bool there, seek(offset));
    if (!there) return uint64_t(0);
    uint64_t done = 0;
    while (done < length) {
      TOLZEB_ASSIGN_OR_RETURN(const size_t got,
                              pull(destination + done, size_t(std::min<uint64_t>(length - done, kSkipPiece))));
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  Status read(uint64_t offset, uint8_t* destination, uint64_t length) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, readUpTo(offset, destination, length));
    if (got != length) return Status(StatusCode::corrupt_archive, L"tar: archive is truncated");
    return Status();
  }

  Status finish() {
    if (!pass) pass = std::make_unique<GzipPass>(file);
    while (!ended) {
      if (skipped.empty()) skipped.resize(kSkipPiece);
      TOLZEB_TRY(pull(skipped.data(), skipped.size()).status());
    }
    return Status();
  }
};

uint64_t TarArchive::size() const {
  if (gzip) return gzip->length;
  return bytes.empty() ? fileLength : bytes.size();
}

Result<uint64_t> TarArchive::readUpTo(uint64_t offset, uint8_t* destination, uint64_t length) const {
  if (gzip) return gzip->readUpTo(offset, destination, length);
  const uint64_t available = offset < size() ? std::min(length, size() - offset) : 0;
  TOLZEB_TRY(read(offset, destination, available));
  return available;
}

Result<bool> TarArchive::reaches(uint64_t end) const {
  if (gzip) return gzip->seek(end);
  return end <= size();
}

Status TarArchive::finishWalk() const {
  if (!gzip) return Status();
  if (gzip->failure) return *gzip->failure;
  return gzip->finish();
}

Status TarArchive::read(uint64_t offset, uint8_t* destination, uint64_t length) const {
  const auto end = checkedAdd(offset, length);
  if (!end || *end > size()) return Status(StatusCode::corrupt_archive, L"tar: read past the end of the archive");
  if (length == 0) return {};
  if (gzip) return gzip->read(offset, destination, length);
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
  archive.gzip = std::make_shared<GzipTarSource>();
  archive.gzip->file = std::move(archive.file);
  return archive;
}

}  // namespace tolzeb
