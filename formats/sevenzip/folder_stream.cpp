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
      auto shared = std::make_shared<DeflateStreamReader>(input, outputSize + 1);
      return PieceReader([shared](uint8_t* buffer, size_t capacity) { return shared->read(buffer, capacity); });
    }
  }
}

// Reads a stream a byte or four at a time out of pieces of its reader.
class ByteFeed {
 public:
  explicit ByteFeed(PieceReader reader) : reader_(std::move(reader)), buffer_(kFilterPiece) {}

  // False at the end of the stream.
  Result<bool> next(uint8_t& byte) {
    if (position_ == end_) {
      TOLZEB_ASSIGN_OR_RETURN(end_, reader_(buffer_.data(), buffer_.size()));
      position_ = 0;
      if (end_ == 0) return false;
    }
    byte = buffer_[position_++];
    return true;
  }

  // Reads what is left, so that its coder checks its length.
  Status drain() {
    position_ = end_ = 0;
    for (;;) {
      TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader_(buffer_.data(), buffer_.size()));
      if (got == 0) return Status();
    }
  }

 private:
  PieceReader reader_;
  Bytes buffer_;
  size_t position_ = 0, end_ = 0;
};

// The four-stream x86 filter: the main stream's bytes, with the targets of the calls and jumps the
// range-coded selector picks read from the call and jump streams. Past its end the selector
// shifts in zeros.
PieceReader bcj2Stage(std::vector<PieceReader> inputs, uint64_t outputSize) {
  constexpr uint32_t kProbabilityBits = 11, kAdaptShift = 5, kRangeTop = 1u << 24;
  constexpr size_t kE9Probability = 256, kConditionalJumpProbability = 257;
  struct State {
    std::vector<ByteFeed> feeds;  // main, call, jump, selector
    std::vector<uint16_t> probabilities = std::vector<uint16_t>(258, uint16_t(1u << (kProbabilityBits - 1)));
    uint32_t range = 0xFFFFFFFF, code = 0;
    bool started = false;
    uint64_t produced = 0, outputSize = 0;
    uint8_t previous = 0;
    uint8_t pending[4] = {};
    unsigned pendingCount = 0, pendingNext = 0;

    Result<uint32_t> selectorByte() {
      uint8_t b = 0;
      TOLZEB_ASSIGN_OR_RETURN(const bool got, feeds[3].next(b));
      return got ? uint32_t(b) : 0u;
    }
    Result<uint32_t> decodeBit(uint16_t& probability) {
      const uint32_t bound = (range >> kProbabilityBits) * probability;
      uint32_t bit;
      if (code < bound) {
        range = bound;
        probability = uint16_t(probability + (((1u << kProbabilityBits) - probability) >> kAdaptShift));
        bit = 0;
      } else {
        range -= bound;
        code -= bound;
        probability = uint16_t(probability - (probability >> kAdaptShift));
        bit = 1;
      }
      if (range < kRangeTop) {
        range <<= 8;
        TOLZEB_ASSIGN_OR_RETURN(const uint32_t next, selectorByte());
        code = (code << 8) | next;
      }
      return bit;
    }
    Status start() {
      for (int i = 0; i < 5; ++i) {
        uint8_t b = 0;
        TOLZEB_ASSIGN_OR_RETURN(const bool got, feeds[3].next(b));
        if (!got) return corrupt(L"7z: BCJ2 control stream is too short");
        if (i > 0) code = (code << 8) | b;
      }
      started = true;
      return Status();
    }
  };
  auto state = std::make_shared<State>();
  for (PieceReader& input : inputs) state->feeds.emplace_back(std::move(input));
  state->outputSize = outputSize;
  return [state](uint8_t* out, size_t capacity) -> Result<size_t> {
    State& s = *state;
    if (!s.started) TOLZEB_TRY(s.start());
    size_t n = 0;
    while (n < capacity && s.produced < s.outputSize) {
      if (s.pendingNext < s.pendingCount) {
        out[n++] = s.pending[s.pendingNext++];
        ++s.produced;
        continue;
      }
      uint8_t b = 0;
      TOLZEB_ASSIGN_OR_RETURN(const bool got, s.feeds[0].next(b));
      if (!got) return corrupt(L"7z: BCJ2 main stream ran out");
      out[n++] = b;
      ++s.produced;
      if (!isX86Jump(s.previous, b) || s.produced >= s.outputSize) {
        s.previous = b;
        continue;
      }
      const size_t slot = b == 0xE8 ? s.previous : b == 0xE9 ? kE9Probability : kConditionalJumpProbability;
      TOLZEB_ASSIGN_OR_RETURN(const uint32_t bit, s.decodeBit(s.probabilities[slot]));
      if (bit == 0) {
        s.previous = b;
        continue;
      }
      ByteFeed& targets = s.feeds[b == 0xE8 ? 1 : 2];
      uint32_t absolute = 0;
      for (int k = 0; k < 4; ++k) {
        uint8_t t = 0;
        TOLZEB_ASSIGN_OR_RETURN(const bool more, targets.next(t));
        if (!more) return corrupt(L"7z: BCJ2 target stream ran out");
        absolute = absolute << 8 | t;
      }
      const uint32_t destination = absolute - uint32_t(s.produced + 4);
      s.pendingCount = unsigned(std::min<uint64_t>(4, s.outputSize - s.produced));
      s.pendingNext = 0;
      for (unsigned k = 0; k < 4; ++k) s.pending[k] = uint8_t(destination >> (8 * k));
      s.previous = uint8_t(destination >> 24);
    }
    if (n == 0 && s.produced == s.outputSize) {
      // The data streams are read to their ends, so a coder of the wrong length is caught.
      for (int k = 0; k < 3; ++k) TOLZEB_TRY(s.feeds[size_t(k)].drain());
    }
    return n;
  };
}

// Builds the readers of a folder's coder graph from its packed streams up. Graphs of other shapes
// (coders with several outputs, methods without a streamed form, cycles) are left to the whole
// decoder, which gives the precise message for each.
class FolderGraph {
 public:
  FolderGraph(const SevenZipArchive& archive, const SevenZipFolder& folder, uint64_t windowLimit,
              std::vector<std::unique_ptr<InflateInput>>& inputs)
      : archive_(archive), folder_(folder), windowLimit_(windowLimit), inputs_(inputs) {}

  bool unsupported() const { return unsupported_; }

  Result<PieceReader> output(uint64_t outputIndex) {
    if (++steps_ > folder_.coders.size() || outputIndex >= folder_.unpackSizes.size()) return refuse();
    const SevenZipCoder* coder = nullptr;
    for (const SevenZipCoder& candidate : folder_.coders)
      if (candidate.outputCount == 1 && candidate.firstOutputIndex == outputIndex) coder = &candidate;
    if (coder == nullptr) return refuse();
    const uint64_t size = folder_.unpackSizes[size_t(outputIndex)];
    const uint64_t method = coder->methodId;

    if (method == sevenzip_method::kBcj2) {
      if (coder->inputCount != 4) return refuse();
      std::vector<PieceReader> inputs;
      for (uint64_t k = 0; k < 4; ++k) {
        TOLZEB_ASSIGN_OR_RETURN(PieceReader input, inputReader(coder->firstInputIndex + k));
        inputs.push_back(std::move(input));
      }
      return bcj2Stage(std::move(inputs), size);
    }
    if (coder->inputCount != 1) return refuse();
    if (decodesPacked(method) && method != sevenzip_method::kCopy) {
      TOLZEB_ASSIGN_OR_RETURN(InflateInput * input, inflateInput(coder->firstInputIndex));
      TOLZEB_ASSIGN_OR_RETURN(PieceReader reader, packedDecoder(*coder, *input, size, windowLimit_));
      return checkedLength(std::move(reader), size, wrongLengthMessage(method));
    }
    if (!filtersInPieces(method)) return refuse();
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
  Failure refuse() {
    unsupported_ = true;
    return Failure{StatusCode::unsupported_version, L"7z: coder graph is not streamed"};
  }

  // The folder's packed stream feeding `inputIndex`, if one does.
  std::optional<uint64_t> packedIndexOf(uint64_t inputIndex) const {
    for (size_t j = 0; j < folder_.packedInputs.size(); ++j)
      if (folder_.packedInputs[j] == inputIndex) return j;
    return std::nullopt;
  }

  Result<uint64_t> producerOf(uint64_t inputIndex) {
    for (const SevenZipBindPair& pair : folder_.bindPairs)
      if (pair.inputIndex == inputIndex) return pair.outputIndex;
    return refuse();
  }

  Result<uint64_t> sizeOfInput(uint64_t inputIndex) {
    if (const std::optional<uint64_t> packed = packedIndexOf(inputIndex))
      return archive_.streams.packedSizes[size_t(folder_.firstPackedStream + *packed)];
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t producer, producerOf(inputIndex));
    if (producer >= folder_.unpackSizes.size()) return refuse();
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
  bool unsupported_ = false;
};

// A folder's data streamed through its coder graph; null when the graph has a shape only the
// whole decoder handles.
Result<std::unique_ptr<SevenZipFolderSource>> openStreamed(const SevenZipArchive& archive, const SevenZipFolder& folder,
                                                           uint64_t windowLimit) {
  auto source = std::make_unique<StreamedFolderSource>();
  FolderGraph graph(archive, folder, windowLimit, source->inputs());
  Result<uint64_t> mainOutput = folder.mainOutput();
  if (mainOutput.failed()) return std::unique_ptr<SevenZipFolderSource>();
  Result<PieceReader> reader = graph.output(*mainOutput);
  if (graph.unsupported()) return std::unique_ptr<SevenZipFolderSource>();
  if (reader.failed()) return std::move(reader).failure();
  source->setLast(std::move(reader).value());
  return std::unique_ptr<SevenZipFolderSource>(std::move(source));
}

}  // namespace

Result<SevenZipFolderStream> SevenZipFolderStream::open(SevenZipArchive& archive, uint64_t folderIndex,
                                                        uint64_t windowLimit) {
  if (folderIndex >= archive.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
  const SevenZipFolder& folder = archive.streams.folders[size_t(folderIndex)];
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<SevenZipFolderSource> streamed, openStreamed(archive, folder, windowLimit));
  if (streamed) return SevenZipFolderStream(std::move(streamed), folderIndex);
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
