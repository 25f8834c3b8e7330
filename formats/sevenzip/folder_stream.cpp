#include "formats/sevenzip/folder_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codecs/deflate/inflate.h"
#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_decoder.h"
#include "codecs/lzma/lzma_stream_reader.h"
#include "engine/core/bytes.h"
#include "formats/sevenzip/filters.h"
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

using PieceReader = std::function<Result<size_t>(uint8_t* buffer, size_t capacity)>;

constexpr size_t kFilterPiece = size_t(64) << 10;

// A chain of coders over the folder's one packed stream, read from the file in pieces.
class StreamedFolderSource final : public SevenZipFolderSource {
 public:
  StreamedFolderSource(const SevenZipArchive& archive, uint64_t packedOffset, uint64_t packedSize)
      : input_(std::make_unique<InflateInput>([&file = archive.file, packedOffset, packedSize, read = uint64_t(0)](
                                                  uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
          const uint64_t want = std::min<uint64_t>(capacity, packedSize - read);
          if (want == 0) return size_t(0);
          TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(packedOffset + read, buffer, want));
          if (got == 0) return corrupt(L"7z: packed stream is truncated");
          read += got;
          return size_t(got);
        })) {}

  InflateInput& input() { return *input_; }
  const PieceReader& last() const { return reader_; }
  void setLast(PieceReader reader) { reader_ = std::move(reader); }

  Result<size_t> read(uint8_t* buffer, size_t capacity) override { return reader_(buffer, capacity); }

 private:
  std::unique_ptr<InflateInput> input_;
  PieceReader reader_;
};

// One coder's output counted against its declared size.
PieceReader checkedLength(PieceReader inner, uint64_t outputSize, const wchar_t* wrongLength) {
  return [inner = std::move(inner), outputSize, wrongLength, produced = uint64_t(0)](
             uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
    Result<size_t> got = inner(buffer, capacity);
    if (got.failed()) {
      // Output beyond the cap is output beyond the declared size: a wrong length in the archive.
      if (got.failure().code == StatusCode::resource_limit && got.failure().message == kDecompressedLimitMessage)
        return corrupt(wrongLength);
      return got;
    }
    produced += *got;
    if (produced > outputSize || (*got == 0 && produced != outputSize)) return corrupt(wrongLength);
    return got;
  };
}

// The x86 filter holds back the last few bytes of each piece until it knows what follows them.
PieceReader x86Stage(PieceReader upstream) {
  struct State {
    PieceReader upstream;
    X86BcjDecoder decoder;
    Bytes buffer = Bytes(kFilterPiece);
    size_t filled = 0, ready = 0, handed = 0;
    bool ended = false;
  };
  auto state = std::make_shared<State>();
  state->upstream = std::move(upstream);
  return [state](uint8_t* out, size_t capacity) -> Result<size_t> {
    State& s = *state;
    while (s.handed == s.ready) {
      if (s.ended && s.ready == s.filled) return size_t(0);
      std::memmove(s.buffer.data(), s.buffer.data() + s.ready, s.filled - s.ready);
      s.filled -= s.ready;
      s.ready = s.handed = 0;
      if (!s.ended) {
        TOLZEB_ASSIGN_OR_RETURN(const size_t got, s.upstream(s.buffer.data() + s.filled, s.buffer.size() - s.filled));
        s.ended = got == 0;
        s.filled += got;
      }
      s.ready = s.decoder.convert(s.buffer.data(), s.filled, s.ended);
    }
    const size_t n = std::min(capacity, s.ready - s.handed);
    std::memcpy(out, s.buffer.data() + s.handed, n);
    s.handed += n;
    return n;
  };
}

PieceReader deltaStage(PieceReader upstream, size_t distance) {
  auto decoder = std::make_shared<DeltaDecoder>(distance);
  return [upstream = std::move(upstream), decoder](uint8_t* out, size_t capacity) -> Result<size_t> {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, upstream(out, capacity));
    decoder->decode(out, got);
    return got;
  };
}

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

bool decodesPacked(uint64_t method) {
  return method == sevenzip_method::kLzma || method == sevenzip_method::kLzma2 || method == sevenzip_method::kDeflate ||
         method == sevenzip_method::kCopy;
}

bool filtersInPieces(uint64_t method) {
  return method == sevenzip_method::kX86 || method == sevenzip_method::kX86Long || method == sevenzip_method::kDelta ||
         method == sevenzip_method::kCopy;
}

// The folder's coders from the one fed by the packed stream to the one giving the folder's data,
// when they form one chain that decodes in pieces; empty otherwise.
std::vector<size_t> streamableChain(const SevenZipFolder& folder) {
  if (folder.packedStreamCount != 1 || folder.packedInputs.size() != 1) return {};
  for (const SevenZipCoder& coder : folder.coders)
    if (coder.inputCount != 1 || coder.outputCount != 1 || coder.firstOutputIndex >= folder.unpackSizes.size())
      return {};
  Result<uint64_t> mainOutput = folder.mainOutput();
  if (mainOutput.failed()) return {};
  std::vector<size_t> chain;
  uint64_t output = *mainOutput;
  while (chain.size() < folder.coders.size()) {
    size_t producer = SIZE_MAX;
    for (size_t k = 0; k < folder.coders.size(); ++k)
      if (folder.coders[k].firstOutputIndex == output) producer = k;
    if (producer == SIZE_MAX) return {};
    chain.push_back(producer);
    const uint64_t input = folder.coders[producer].firstInputIndex;
    if (input == folder.packedInputs[0]) {
      std::reverse(chain.begin(), chain.end());
      if (chain.size() != folder.coders.size() || !decodesPacked(folder.coders[chain[0]].methodId)) return {};
      for (size_t k = 1; k < chain.size(); ++k)
        if (!filtersInPieces(folder.coders[chain[k]].methodId)) return {};
      return chain;
    }
    const SevenZipBindPair* pair = nullptr;
    for (const SevenZipBindPair& candidate : folder.bindPairs)
      if (candidate.inputIndex == input) pair = &candidate;
    if (!pair) return {};
    output = pair->outputIndex;
  }
  return {};
}

const wchar_t* wrongLengthMessage(uint64_t method) {
  switch (method) {
    case sevenzip_method::kLzma2:
      return L"7z: LZMA2 stream decoded to the wrong length";
    case sevenzip_method::kDeflate:
      return L"7z: DEFLATE stream decoded to the wrong length";
    case sevenzip_method::kLzma:
      return L"7z: LZMA stream decoded to the wrong length";
    case sevenzip_method::kDelta:
      return L"7z: Delta coder sizes do not agree";
    case sevenzip_method::kCopy:
      return L"7z: Copy coder sizes do not agree";
    default:
      return L"7z: x86 filter sizes do not agree";
  }
}

// The coder that reads the packed stream.
Result<PieceReader> packedDecoder(const SevenZipCoder& coder, InflateInput& input, uint64_t packedSize,
                                  uint64_t outputSize, uint64_t windowLimit) {
  switch (coder.methodId) {
    case sevenzip_method::kCopy:
      if (packedSize != outputSize) return corrupt(L"7z: Copy coder sizes do not agree");
      return PieceReader([&input](uint8_t* buffer, size_t capacity) -> Result<size_t> {
        TOLZEB_TRY(input.fill(1));
        const size_t n = std::min(capacity, input.available());
        std::memcpy(buffer, input.data() + input.position(), n);
        input.setPosition(input.position() + n);
        return n;
      });
    case sevenzip_method::kLzma: {
      if (coder.properties.size() != 5) return corrupt(L"7z: LZMA coder has no properties block");
      TOLZEB_ASSIGN_OR_RETURN(const LzmaProperties properties,
                              parseLzmaProperties(coder.properties[0], readU32le(&coder.properties[1])));
      TOLZEB_ASSIGN_OR_RETURN(LzmaStreamReader reader,
                              LzmaStreamReader::lzma(input, properties, outputSize, windowLimit));
      auto shared = std::make_shared<LzmaStreamReader>(std::move(reader));
      return PieceReader([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
    }
    case sevenzip_method::kLzma2: {
      if (coder.properties.size() != 1) return corrupt(L"7z: LZMA2 coder has no dictionary size");
      if (coder.properties[0] > 40) return corrupt(L"7z: LZMA2 dictionary size is out of range");
      TOLZEB_ASSIGN_OR_RETURN(
          LzmaStreamReader reader,
          LzmaStreamReader::lzma2(input, lzma2DictionarySize(coder.properties[0]), outputSize, windowLimit));
      auto shared = std::make_shared<LzmaStreamReader>(std::move(reader));
      return PieceReader([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
    }
    default: {  // DEFLATE
      auto shared = std::make_shared<DeflateStreamReader>(input, outputSize + 1);
      return PieceReader([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
    }
  }
}

Result<std::unique_ptr<SevenZipFolderSource>> openStreamed(const SevenZipArchive& archive, const SevenZipFolder& folder,
                                                           const std::vector<size_t>& chain, uint64_t windowLimit) {
  const uint64_t packedSize = archive.streams.packedSizes[size_t(folder.firstPackedStream)];
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t offset, packedOffset(archive, folder));
  for (size_t k : chain)
    if (folder.unpackSizes[size_t(folder.coders[k].firstOutputIndex)] > kSevenZipCoderCap)
      return makeFailure(StatusCode::resource_limit, L"7z: a folder declares more output than this build decodes");

  auto source = std::make_unique<StreamedFolderSource>(archive, offset, packedSize);
  const SevenZipCoder& first = folder.coders[chain[0]];
  const uint64_t firstSize = folder.unpackSizes[size_t(first.firstOutputIndex)];
  TOLZEB_ASSIGN_OR_RETURN(PieceReader reader,
                          packedDecoder(first, source->input(), packedSize, firstSize, windowLimit));
  reader = checkedLength(std::move(reader), firstSize, wrongLengthMessage(first.methodId));
  for (size_t k = 1; k < chain.size(); ++k) {
    const SevenZipCoder& coder = folder.coders[chain[k]];
    const uint64_t size = folder.unpackSizes[size_t(coder.firstOutputIndex)];
    if (coder.methodId == sevenzip_method::kDelta) {
      if (coder.properties.size() != 1) return corrupt(L"7z: Delta coder has no distance");
      reader = deltaStage(std::move(reader), size_t(coder.properties[0]) + 1);
    } else if (coder.methodId != sevenzip_method::kCopy) {
      reader = x86Stage(std::move(reader));
    }
    reader = checkedLength(std::move(reader), size, wrongLengthMessage(coder.methodId));
  }
  source->setLast(std::move(reader));
  return std::unique_ptr<SevenZipFolderSource>(std::move(source));
}

}  // namespace

Result<SevenZipFolderStream> SevenZipFolderStream::open(SevenZipArchive& archive, uint64_t folderIndex,
                                                        uint64_t windowLimit) {
  if (folderIndex >= archive.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
  const SevenZipFolder& folder = archive.streams.folders[size_t(folderIndex)];
  const std::vector<size_t> chain = streamableChain(folder);
  if (!chain.empty()) {
    TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<SevenZipFolderSource> source,
                            openStreamed(archive, folder, chain, windowLimit));
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
