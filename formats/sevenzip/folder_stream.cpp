#include "formats/sevenzip/folder_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codecs/deflate/inflate.h"
#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_decoder.h"
#include "codecs/lzma/lzma_stream_reader.h"
#include "engine/core/bytes.h"
#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/filters.h"

namespace tolzeb {

class SevenZipFolderSource {
 public:
  virtual ~SevenZipFolderSource() = default;
  // Up to `capacity` bytes; 0 at the end, which comes only after exactly the declared size.
  virtual Result<size_t> read(uint8_t* buffer, size_t capacity) = 0;
};

namespace {

constexpr size_t kSkipPiece = size_t(64) << 10;

constexpr size_t kFilterPiece = size_t(64) << 10;

// A graph of coders over the folder's packed streams, each read from the file in pieces.
class StreamedFolderSource final : public SevenZipFolderSource {
 public:
  std::vector<std::unique_ptr<InflateInput>>& inputs() { return inputs_; }
  void setLast(PieceReader reader) { reader_ = std::move(reader); }

  Result<size_t> read(uint8_t* buffer, size_t capacity) override { return reader_(buffer, capacity); }

 private:
  // Declared first so that the readers, which point into them, go before them.
  std::vector<std::unique_ptr<InflateInput>> inputs_;
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

// Where the folder's packed stream `packedIndex` (counted within the folder) lies in the file.
Result<uint64_t> packedOffset(const SevenZipArchive& archive, const SevenZipFolder& folder, uint64_t packedIndex) {
  const std::vector<uint64_t>& sizes = archive.streams.packedSizes;
  const std::optional<uint64_t> stream = checkedAdd(folder.firstPackedStream, packedIndex);
  if (!stream || *stream >= sizes.size()) return corrupt(L"7z: packed stream index is out of range");
  std::optional<uint64_t> position = checkedAdd(kSevenZipSignatureHeaderSize, archive.streams.packPosition);
  for (uint64_t i = 0; i < *stream && position; ++i) position = checkedAdd(*position, sizes[size_t(i)]);
  if (!position || !rangeFits(*position, sizes[size_t(*stream)], archive.fileSize))
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

// A decoder of LZMA, LZMA2 or DEFLATE data arriving through `input`.
Result<PieceReader> packedDecoder(const SevenZipCoder& coder, InflateInput& input, uint64_t outputSize,
                                  uint64_t windowLimit) {
  switch (coder.methodId) {
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
      // Decoding stops one byte past the declared size: that byte proves the length wrong.
      auto shared = std::make_shared<DeflateStreamReader>(input, std::max(outputSize, outputSize + 1));
      return PieceReader([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
    }
  }
}

// Builds the readers of a folder's coder graph from its packed streams up, each coder pulling
// from the coders or packed streams bound to its inputs. Every shape this build decodes streams;
// the others (coders with several outputs, methods it does not read, broken bindings) are
// refused with their own message before anything is decoded.
class FolderGraph {
 public:
  FolderGraph(const SevenZipArchive& archive, const SevenZipFolder& folder, uint64_t windowLimit,
              std::vector<std::unique_ptr<InflateInput>>& inputs)
      : archive_(archive), folder_(folder), windowLimit_(windowLimit), inputs_(inputs) {}

  Result<PieceReader> output(uint64_t outputIndex) {
    // Each coder feeds one input, so a walk that visits more coders than the folder has runs in
    // a cycle.
    if (++steps_ > folder_.coders.size()) return corrupt(L"7z: folder could not be decoded");
    const SevenZipCoder* coder = nullptr;
    for (const SevenZipCoder& candidate : folder_.coders)
      if (candidate.firstOutputIndex == outputIndex) coder = &candidate;
    if (coder == nullptr) return corrupt(L"7z: a bind pair names an output that does not exist");
    if (coder->outputCount != 1)
      return makeFailure(StatusCode::unsupported_version,
                         L"7z: a coder with several outputs is not read by this build");
    if (outputIndex >= folder_.unpackSizes.size()) return corrupt(L"7z: coder output size is missing");
    const uint64_t size = folder_.unpackSizes[size_t(outputIndex)];
    const uint64_t method = coder->methodId;

    if (method == sevenzip_method::kBcj2) {
      if (coder->inputCount != 4) return corrupt(L"7z: BCJ2 needs exactly four inputs");
      std::vector<PieceReader> inputs;
      for (uint64_t k = 0; k < 4; ++k) {
        TOLZEB_ASSIGN_OR_RETURN(PieceReader input, inputReader(coder->firstInputIndex + k));
        inputs.push_back(std::move(input));
      }
      return bcj2Reader(std::move(inputs), size);
    }
    if (!decodesPacked(method) && !filtersInPieces(method)) return unreadableSevenZipMethod(method);
    if (coder->inputCount != 1)
      return makeFailure(StatusCode::unsupported_version, L"7z: a coder with several inputs is not read by this build");
    if (decodesPacked(method) && method != sevenzip_method::kCopy) {
      TOLZEB_ASSIGN_OR_RETURN(InflateInput * input, inflateInput(coder->firstInputIndex));
      TOLZEB_ASSIGN_OR_RETURN(PieceReader reader, packedDecoder(*coder, *input, size, windowLimit_));
      return checkedLength(std::move(reader), size, wrongLengthMessage(method));
    }
    TOLZEB_ASSIGN_OR_RETURN(PieceReader reader, inputReader(coder->firstInputIndex));
    if (method == sevenzip_method::kCopy) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t inputSize, sizeOfInput(coder->firstInputIndex));
      if (inputSize != size) return corrupt(L"7z: Copy coder sizes do not agree");
    } else if (method == sevenzip_method::kDelta) {
      if (coder->properties.size() != 1) return corrupt(L"7z: Delta coder has no distance");
      reader = deltaStage(std::move(reader), size_t(coder->properties[0]) + 1);
    } else {
      reader = x86Stage(std::move(reader));
    }
    return checkedLength(std::move(reader), size, wrongLengthMessage(method));
  }

 private:
  // The folder's packed stream feeding `inputIndex`, if one does.
  std::optional<uint64_t> packedIndexOf(uint64_t inputIndex) const {
    for (size_t j = 0; j < folder_.packedInputs.size(); ++j)
      if (folder_.packedInputs[j] == inputIndex) return j;
    return std::nullopt;
  }

  // The output bound to `inputIndex`; the last bind pair naming it counts.
  Result<uint64_t> producerOf(uint64_t inputIndex) {
    std::optional<uint64_t> producer;
    for (const SevenZipBindPair& pair : folder_.bindPairs)
      if (pair.inputIndex == inputIndex) producer = pair.outputIndex;
    if (!producer) return corrupt(L"7z: a coder input is connected to nothing");
    return *producer;
  }

  Result<uint64_t> sizeOfInput(uint64_t inputIndex) {
    if (const std::optional<uint64_t> packed = packedIndexOf(inputIndex))
      return archive_.streams.packedSizes[size_t(folder_.firstPackedStream + *packed)];
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t producer, producerOf(inputIndex));
    if (producer >= folder_.unpackSizes.size()) return corrupt(L"7z: coder output size is missing");
    return folder_.unpackSizes[size_t(producer)];
  }

  // The bytes arriving at `inputIndex`: a packed stream read from the file, or a coder's output.
  Result<InflateInput*> inflateInput(uint64_t inputIndex) {
    if (const std::optional<uint64_t> packed = packedIndexOf(inputIndex)) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t offset, packedOffset(archive_, folder_, *packed));
      const uint64_t packedSize = archive_.streams.packedSizes[size_t(folder_.firstPackedStream + *packed)];
      inputs_.push_back(std::make_unique<InflateInput>([&file = archive_.file, offset, packedSize, read = uint64_t(0)](
                                                           uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
        const uint64_t want = std::min<uint64_t>(capacity, packedSize - read);
        if (want == 0) return size_t(0);
        TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(offset + read, buffer, want));
        if (got == 0) return corrupt(L"7z: packed stream is truncated");
        read += got;
        return size_t(got);
      }));
      return inputs_.back().get();
    }
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t producer, producerOf(inputIndex));
    TOLZEB_ASSIGN_OR_RETURN(PieceReader upstream, output(producer));
    inputs_.push_back(std::make_unique<InflateInput>(std::move(upstream), kFilterPiece));
    return inputs_.back().get();
  }

  Result<PieceReader> inputReader(uint64_t inputIndex) {
    if (packedIndexOf(inputIndex)) {
      TOLZEB_ASSIGN_OR_RETURN(InflateInput * input, inflateInput(inputIndex));
      return PieceReader([input](uint8_t* buffer, size_t capacity) -> Result<size_t> {
        TOLZEB_TRY(input->fill(1));
        const size_t n = std::min(capacity, input->available());
        std::memcpy(buffer, input->data() + input->position(), n);
        input->setPosition(input->position() + n);
        return n;
      });
    }
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t producer, producerOf(inputIndex));
    return output(producer);
  }

  const SevenZipArchive& archive_;
  const SevenZipFolder& folder_;
  uint64_t windowLimit_;
  std::vector<std::unique_ptr<InflateInput>>& inputs_;
  size_t steps_ = 0;
};

// A folder's data streamed through its coder graph.
Result<std::unique_ptr<SevenZipFolderSource>> openStreamed(const SevenZipArchive& archive, const SevenZipFolder& folder,
                                                           uint64_t windowLimit) {
  auto source = std::make_unique<StreamedFolderSource>();
  FolderGraph graph(archive, folder, windowLimit, source->inputs());
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t mainOutput, folder.mainOutput());
  TOLZEB_ASSIGN_OR_RETURN(PieceReader reader, graph.output(mainOutput));
  source->setLast(std::move(reader));
  return std::unique_ptr<SevenZipFolderSource>(std::move(source));
}

}  // namespace

Result<SevenZipFolderStream> SevenZipFolderStream::open(SevenZipArchive& archive, uint64_t folderIndex,
                                                        uint64_t windowLimit) {
  if (folderIndex >= archive.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
  const SevenZipFolder& folder = archive.streams.folders[size_t(folderIndex)];
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<SevenZipFolderSource> source, openStreamed(archive, folder, windowLimit));
  return SevenZipFolderStream(std::move(source), folderIndex);
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
