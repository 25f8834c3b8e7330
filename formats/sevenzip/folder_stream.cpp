#include "formats/sevenzip/folder_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codecs/deflate/inflate.h"
#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_decoder.h"
#include "codecs/lzma/lzma_stream_reader.h"
#include "engine/core/bytes.h"
#include "formats/sevenzip/folder_decoder.h"

namespace tolzeb {

class SevenZipFolderSource {
 public:
  virtual ~SevenZipFolderSource() = default;
  // Up to `capacity` bytes; 0 at the end, which comes only after exactly the declared size.
  virtual Result<size_t> read(uint8_t* buffer, size_t capacity) = 0;
};

namespace {

constexpr size_t kSkipPiece = size_t(64) << 10;

// A folder decoded whole into the archive's cache.
class WholeFolderSource final : public SevenZipFolderSource {
 public:
  explicit WholeFolderSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  Result<size_t> read(uint8_t* buffer, size_t capacity) override {
    const size_t n = std::min(capacity, bytes_.size() - offset_);
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t offset_ = 0;
};

// One coder over the folder's one packed stream, read from the file in pieces.
class StreamedFolderSource final : public SevenZipFolderSource {
 public:
  StreamedFolderSource(const SevenZipArchive& archive, uint64_t packedOffset, uint64_t packedSize, uint64_t outputSize,
                       const wchar_t* wrongLength)
      : input_(std::make_unique<InflateInput>([&file = archive.file, packedOffset, packedSize, read = uint64_t(0)](
                                                  uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
          const uint64_t want = std::min<uint64_t>(capacity, packedSize - read);
          if (want == 0) return size_t(0);
          TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(packedOffset + read, buffer, want));
          if (got == 0) return corrupt(L"7z: packed stream is truncated");
          read += got;
          return size_t(got);
        })),
        outputSize_(outputSize),
        wrongLength_(wrongLength) {}

  InflateInput& input() { return *input_; }
  void decodeWith(std::function<Result<size_t>(uint8_t*, size_t)> decoder) { decoder_ = std::move(decoder); }

  Result<size_t> read(uint8_t* buffer, size_t capacity) override {
    Result<size_t> got = decoder_(buffer, capacity);
    if (got.failed()) {
      // Output beyond the cap is output beyond the declared size: a wrong length in the archive.
      if (got.failure().code == StatusCode::resource_limit && got.failure().message == kDecompressedLimitMessage)
        return corrupt(wrongLength_);
      return got;
    }
    produced_ += *got;
    if (produced_ > outputSize_ || (*got == 0 && produced_ != outputSize_)) return corrupt(wrongLength_);
    return got;
  }

 private:
  std::unique_ptr<InflateInput> input_;
  std::function<Result<size_t>(uint8_t*, size_t)> decoder_;
  uint64_t outputSize_;
  uint64_t produced_ = 0;
  const wchar_t* wrongLength_;
};

// Where the folder's one packed stream lies in the file.
Result<uint64_t> packedOffset(const SevenZipArchive& archive, const SevenZipFolder& folder) {
  const std::vector<uint64_t>& sizes = archive.streams.packedSizes;
  if (folder.firstPackedStream >= sizes.size()) return corrupt(L"7z: packed stream index is out of range");
  std::optional<uint64_t> position = checkedAdd(kSevenZipSignatureHeaderSize, archive.streams.packPosition);
  for (uint64_t i = 0; i < folder.firstPackedStream && position; ++i)
    position = checkedAdd(*position, sizes[size_t(i)]);
  if (!position || !rangeFits(*position, sizes[size_t(folder.firstPackedStream)], archive.fileSize))
    return corrupt(L"7z: packed streams run past the end");
  return *position;
}

bool streamable(const SevenZipFolder& folder) {
  if (folder.coders.size() != 1 || folder.packedStreamCount != 1 || folder.unpackSizes.size() != 1) return false;
  const SevenZipCoder& coder = folder.coders[0];
  if (coder.inputCount != 1 || coder.outputCount != 1) return false;
  return coder.methodId == sevenzip_method::kLzma || coder.methodId == sevenzip_method::kLzma2 ||
         coder.methodId == sevenzip_method::kDeflate || coder.methodId == sevenzip_method::kCopy;
}

Result<std::unique_ptr<SevenZipFolderSource>> openStreamed(const SevenZipArchive& archive, const SevenZipFolder& folder,
                                                           uint64_t windowLimit) {
  const SevenZipCoder& coder = folder.coders[0];
  const uint64_t outputSize = folder.unpackSizes[0];
  const uint64_t packedSize = archive.streams.packedSizes[size_t(folder.firstPackedStream)];
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t offset, packedOffset(archive, folder));
  if (outputSize > kSevenZipCoderCap)
    return makeFailure(StatusCode::resource_limit, L"7z: a folder declares more output than this build decodes");

  const wchar_t* wrongLength =
      coder.methodId == sevenzip_method::kLzma2     ? L"7z: LZMA2 stream decoded to the wrong length"
      : coder.methodId == sevenzip_method::kDeflate ? L"7z: DEFLATE stream decoded to the wrong length"
      : coder.methodId == sevenzip_method::kCopy    ? L"7z: Copy coder sizes do not agree"
                                                    : L"7z: LZMA stream decoded to the wrong length";
  auto source = std::make_unique<StreamedFolderSource>(archive, offset, packedSize, outputSize, wrongLength);
  InflateInput& input = source->input();
  switch (coder.methodId) {
    case sevenzip_method::kCopy: {
      if (packedSize != outputSize) return corrupt(L"7z: Copy coder sizes do not agree");
      source->decodeWith([&input](uint8_t* buffer, size_t capacity) -> Result<size_t> {
        TOLZEB_TRY(input.fill(1));
        const size_t n = std::min(capacity, input.available());
        std::memcpy(buffer, input.data() + input.position(), n);
        input.setPosition(input.position() + n);
        return n;
      });
      break;
    }
    case sevenzip_method::kLzma: {
      if (coder.properties.size() != 5) return corrupt(L"7z: LZMA coder has no properties block");
      TOLZEB_ASSIGN_OR_RETURN(const LzmaProperties properties,
                              parseLzmaProperties(coder.properties[0], readU32le(&coder.properties[1])));
      TOLZEB_ASSIGN_OR_RETURN(LzmaStreamReader reader,
                              LzmaStreamReader::lzma(input, properties, outputSize, windowLimit));
      auto shared = std::make_shared<LzmaStreamReader>(std::move(reader));
      source->decodeWith([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
      break;
    }
    case sevenzip_method::kLzma2: {
      if (coder.properties.size() != 1) return corrupt(L"7z: LZMA2 coder has no dictionary size");
      if (coder.properties[0] > 40) return corrupt(L"7z: LZMA2 dictionary size is out of range");
      TOLZEB_ASSIGN_OR_RETURN(
          LzmaStreamReader reader,
          LzmaStreamReader::lzma2(input, lzma2DictionarySize(coder.properties[0]), outputSize, windowLimit));
      auto shared = std::make_shared<LzmaStreamReader>(std::move(reader));
      source->decodeWith([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
      break;
    }
    default: {  // DEFLATE
      auto shared = std::make_shared<DeflateStreamReader>(input, outputSize + 1);
      source->decodeWith([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
      break;
    }
  }
  return std::unique_ptr<SevenZipFolderSource>(std::move(source));
}

}  // namespace

Result<SevenZipFolderStream> SevenZipFolderStream::open(SevenZipArchive& archive, uint64_t folderIndex,
                                                        uint64_t windowLimit) {
  if (folderIndex >= archive.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
  const SevenZipFolder& folder = archive.streams.folders[size_t(folderIndex)];
  if (streamable(folder)) {
    TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<SevenZipFolderSource> source, openStreamed(archive, folder, windowLimit));
    return SevenZipFolderStream(std::move(source), folderIndex);
  }
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<uint8_t>* bytes, decodeSevenZipFolder(archive, folderIndex));
  return SevenZipFolderStream(std::make_unique<WholeFolderSource>(*bytes), folderIndex);
}

SevenZipFolderStream::SevenZipFolderStream(std::unique_ptr<SevenZipFolderSource> source, uint64_t folderIndex)
    : source_(std::move(source)), folderIndex_(folderIndex) {}
SevenZipFolderStream::~SevenZipFolderStream() = default;
SevenZipFolderStream::SevenZipFolderStream(SevenZipFolderStream&&) noexcept = default;
SevenZipFolderStream& SevenZipFolderStream::operator=(SevenZipFolderStream&&) noexcept = default;

Status SevenZipFolderStream::read(uint8_t* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, source_->read(buffer + done, length - done));
    if (got == 0) return corrupt(L"7z: an entry reaches past its folder");
    done += got;
    position_ += got;
  }
  return Status();
}

Status SevenZipFolderStream::skip(uint64_t length) {
  Bytes piece(size_t(std::min<uint64_t>(length, kSkipPiece)));
  while (length > 0) {
    const size_t n = size_t(std::min<uint64_t>(length, piece.size()));
    TOLZEB_TRY(read(piece.data(), n));
    length -= n;
  }
  return Status();
}

Status SevenZipFolderStream::finish() {
  Bytes piece(kSkipPiece);
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, source_->read(piece.data(), piece.size()));
    if (got == 0) return Status();
    position_ += got;
  }
}

}  // namespace tolzeb
