#include "codecs/lzma/lzma_stream_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/lzma/lzma_decoder.h"
#include "codecs/lzma/lzma_model.h"
#include "codecs/lzma/range_decoder.h"
#include "engine/core/bytes.h"

namespace tolzeb {
namespace {

// More input than any one symbol consumes, so a symbol never runs off the buffered piece.
constexpr size_t kLzmaSymbolMargin = 64;
constexpr size_t kInputPiece = size_t(64) << 10;

uint64_t mebibytesRoundedUp(uint64_t bytes) { return (bytes + (uint64_t(1) << 20) - 1) >> 20; }

}  // namespace

Failure dictionaryOverLimit(uint64_t window, uint64_t limit) {
  return Failure{StatusCode::resource_limit,
                 L"This archive needs a dictionary of " + decimal(mebibytesRoundedUp(window)) +
                     L" MiB, more than the memory limit of " + decimal(limit >> 20) + L" MiB allows"};
}

// Stream framing around the symbol decoder of lzma_decode.cpp, over a circular window instead of
// one growing buffer; it stops after any byte and carries on in the next read.
class LzmaStreamDecoder {
 public:
  LzmaStreamDecoder(InflateInput& input, bool lzma2, uint32_t dictionarySize, uint64_t cap, size_t window)
      : input_(input), lzma2_(lzma2), cap_(cap), window_(window), decoder_(dictionarySize) {}

  Status startLzma(const LzmaProperties& properties, uint64_t declaredSize) {
    decoder_.setProperties(properties.lc, properties.lp, properties.pb);
    decoder_.resetState();
    TOLZEB_TRY(input_.fill(kLzmaRangeHeaderSize));
    if (input_.available() < kLzmaRangeHeaderSize || input_.data()[input_.position()] != 0)
      return corrupt(L"LZMA: stream does not begin with a valid range coder header");
    range_.start(input_.data() + input_.position(), kLzmaRangeHeaderSize);
    input_.setPosition(input_.position() + kLzmaRangeHeaderSize);
    chunkEnd_ = declaredSize;
    return Status();
  }

  uint64_t produced() const { return window_.total(); }

  Result<size_t> read(uint8_t* buffer, size_t capacity) {
    const size_t startPosition = window_.position();
    const uint64_t startTotal = window_.total();
    // Never more than one window per call, so nothing unread is overwritten.
    const uint64_t stopAt = startTotal + std::min<uint64_t>(capacity, window_.size());
    while (window_.total() < stopAt && !finished_) {
      if (window_.total() < chunkEnd_) {
        TOLZEB_TRY(lzma2_ && storedLeft_ == 0 ? decodeChunkSymbols(std::min(stopAt, chunkEnd_))
                   : lzma2_                   ? copyStored(std::min(stopAt, chunkEnd_))
                                              : decodeStreamSymbols(std::min(stopAt, chunkEnd_)));
        continue;
      }
      if (!lzma2_) {
        finished_ = true;
        break;
      }
      TOLZEB_TRY(startChunk());
    }
    const size_t produced = size_t(window_.total() - startTotal);
    const size_t first = std::min(produced, window_.size() - startPosition);
    std::memcpy(buffer, window_.data() + startPosition, first);
    std::memcpy(buffer + first, window_.data(), produced - first);
    return produced;
  }

 private:
  // One LZMA stream: the input is taken a piece at a time and the range decoder resumes over each.
  Status decodeStreamSymbols(uint64_t stopAt) {
    TOLZEB_TRY(input_.fill(kInputPiece));
    const size_t available = input_.available();
    range_.resume(input_.data() + input_.position(), available);
    const size_t safeEnd = input_.ended() ? SIZE_MAX : available - std::min(available, kLzmaSymbolMargin);
    const Status status = decodeSymbols(stopAt, safeEnd);
    input_.setPosition(input_.position() + std::min(range_.position(), available));
    return status;
  }

  // One LZMA2 chunk: its packed bytes are all in the input buffer (at most 64 KiB).
  Status decodeChunkSymbols(uint64_t stopAt) {
    TOLZEB_TRY(input_.fill(packedLeft_));
    if (input_.available() < packedLeft_) return corrupt(L"LZMA2: chunk runs past the end");
    range_.resume(input_.data() + input_.position(), packedLeft_);
    const Status status = decodeSymbols(stopAt, SIZE_MAX);
    const size_t used = std::min(range_.position(), packedLeft_);
    // A finished chunk gives up all its packed bytes, read or not.
    const size_t skipped = window_.total() == chunkEnd_ && status.ok() ? packedLeft_ : used;
    input_.setPosition(input_.position() + skipped);
    packedLeft_ -= skipped;
    return status;
  }

  Status copyStored(uint64_t stopAt) {
    while (window_.total() < stopAt) {
      TOLZEB_TRY(input_.fill(1));
      if (input_.available() == 0) return corrupt(L"LZMA2: stored chunk runs past the end");
      const size_t n = size_t(std::min<uint64_t>(stopAt - window_.total(), input_.available()));
      const uint8_t* from = input_.data() + input_.position();
      for (size_t i = 0; i < n; ++i) window_.put(from[i]);
      input_.setPosition(input_.position() + n);
      storedLeft_ -= n;
    }
    return Status();
  }

  Status startChunk() {
    TOLZEB_TRY(input_.fill(kLzma2LzmaHeaderSize + 1));
    if (input_.available() == 0) {
      finished_ = true;
      return Status();
    }
    const uint8_t* header = input_.data() + input_.position();
    const uint8_t control = header[0];
    if (control == kLzma2End) {
      finished_ = true;
      return Status();
    }
    if (control == kLzma2StoredWithDictionaryReset || control == kLzma2Stored) {
      if (input_.available() < kLzma2StoredHeaderSize) return corrupt(L"LZMA2: truncated stored chunk");
      const size_t chunkSize = readLzma2Size16(header + 1) + size_t(1);
      input_.setPosition(input_.position() + kLzma2StoredHeaderSize);
      TOLZEB_TRY(input_.fill(chunkSize));
      if (chunkSize > input_.available()) return corrupt(L"LZMA2: stored chunk runs past the end");
      if (window_.total() + chunkSize > cap_) return decompressedOverLimit();
      if (control == kLzma2StoredWithDictionaryReset) {
        window_.restart();
        decoder_.resetState();
      }
      storedLeft_ = chunkSize;
      chunkEnd_ = window_.total() + chunkSize;
      return Status();
    }
    if (control < kLzma2LzmaChunk) return corrupt(L"LZMA2: reserved control byte");
    if (input_.available() < kLzma2LzmaHeaderSize) return corrupt(L"LZMA2: truncated chunk header");
    const uint64_t unpackedSize = (uint64_t(control & 0x1F) << 16) + readLzma2Size16(header + 1) + 1;
    const size_t packedSize = readLzma2Size16(header + 3) + size_t(1);
    input_.setPosition(input_.position() + kLzma2LzmaHeaderSize);
    if (control < kLzma2LzmaNewProperties) {
      if (!propertiesSent_) return corrupt(L"LZMA2: chunk uses properties that were never sent");
      if (control >= kLzma2LzmaStateReset) decoder_.resetState();
    } else {
      if (input_.available() == 0) return corrupt(L"LZMA2: missing properties byte");
      const uint8_t propertiesByte = input_.data()[input_.position()];
      input_.setPosition(input_.position() + 1);
      if (propertiesByte >= kLzmaPropertiesByteLimit) return corrupt(L"LZMA: properties byte is out of range");
      decoder_.setProperties(propertiesByte % 9, (propertiesByte / 9) % 5, propertiesByte / 45);
      propertiesSent_ = true;
      decoder_.resetState();
      if (control >= kLzma2LzmaDictionaryReset) window_.restart();
    }
    TOLZEB_TRY(input_.fill(packedSize));
    if (packedSize > input_.available()) return corrupt(L"LZMA2: chunk runs past the end");
    if (window_.total() + unpackedSize > cap_) return decompressedOverLimit();
    const uint8_t* packed = input_.data() + input_.position();
    if (packedSize < kLzmaRangeHeaderSize || packed[0] != 0) return corrupt(L"LZMA2: bad range coder header");
    range_.start(packed, packedSize);
    input_.setPosition(input_.position() + kLzmaRangeHeaderSize);
    packedLeft_ = packedSize - kLzmaRangeHeaderSize;
    chunkEnd_ = window_.total() + unpackedSize;
    return Status();
  }

  // Decodes until `stopAt` bytes in all, or until the range decoder passes `safeInputEnd`.
  Status decodeSymbols(uint64_t stopAt, size_t safeInputEnd) {
    bool endMarkerSeen = false;
    // The declared length and the cap were checked against the chunk as a whole; only an end
    // inside a match is left to refuse.
    return decoder_.decode(range_, window_, {stopAt, chunkEnd_, UINT64_MAX, false, safeInputEnd}, endMarkerSeen);
  }

  InflateInput& input_;
  bool lzma2_;
  uint64_t cap_;
  LzmaRingWindow window_;
  uint64_t chunkEnd_ = 0;
  size_t packedLeft_ = 0;
  uint64_t storedLeft_ = 0;
  bool propertiesSent_ = false;
  bool finished_ = false;
  RangeDecoder range_;
  LzmaDecoder decoder_;
};

namespace {

// The window holds what a match may reach: the dictionary, or all of a shorter output.
Result<size_t> windowSize(uint32_t dictionarySize, uint64_t outputBound, uint64_t windowLimit) {
  uint64_t window = outputBound;
  if (dictionarySize != 0) window = std::min<uint64_t>(window, dictionarySize);
  window = std::max<uint64_t>(window, 1);
  if (window > windowLimit || window > SIZE_MAX) return dictionaryOverLimit(window, windowLimit);
  return size_t(window);
}

}  // namespace

Result<LzmaStreamReader> LzmaStreamReader::lzma(InflateInput& input, const LzmaProperties& properties,
                                                uint64_t declaredSize, uint64_t windowLimit) {
  if (properties.lc > 8 || properties.lp > 4 || properties.pb > 4)
    return Failure{StatusCode::invalid_argument, L"lzmaDecode: properties are out of range"};
  if (declaredSize == UINT64_MAX)
    return Failure{StatusCode::invalid_argument, L"LZMA: a stream read in pieces needs its declared length"};
  TOLZEB_ASSIGN_OR_RETURN(const size_t window, windowSize(properties.dictionarySize, declaredSize, windowLimit));
  auto decoder = std::make_unique<LzmaStreamDecoder>(input, false, properties.dictionarySize, declaredSize, window);
  TOLZEB_TRY(decoder->startLzma(properties, declaredSize));
  return LzmaStreamReader(std::move(decoder));
}

Result<LzmaStreamReader> LzmaStreamReader::lzma2(InflateInput& input, uint32_t dictionarySize, uint64_t cap,
                                                 uint64_t windowLimit) {
  TOLZEB_ASSIGN_OR_RETURN(const size_t window, windowSize(dictionarySize, cap, windowLimit));
  return LzmaStreamReader(std::make_unique<LzmaStreamDecoder>(input, true, dictionarySize, cap, window));
}

LzmaStreamReader::LzmaStreamReader(std::unique_ptr<LzmaStreamDecoder> decoder) : decoder_(std::move(decoder)) {}
LzmaStreamReader::~LzmaStreamReader() = default;
LzmaStreamReader::LzmaStreamReader(LzmaStreamReader&&) noexcept = default;
LzmaStreamReader& LzmaStreamReader::operator=(LzmaStreamReader&&) noexcept = default;

Result<size_t> LzmaStreamReader::read(uint8_t* buffer, size_t capacity) { return decoder_->read(buffer, capacity); }
uint64_t LzmaStreamReader::produced() const { return decoder_->produced(); }

}  // namespace tolzeb
