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
constexpr size_t kSymbolInputMargin = 64;
constexpr size_t kInputPiece = size_t(64) << 10;
constexpr size_t kStoredHeaderSize = 3;
constexpr size_t kLzmaChunkHeaderSize = 5;

Failure overCap() { return Failure{StatusCode::resource_limit, kDecompressedLimitMessage}; }

uint32_t readU16be(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

uint64_t mebibytesRoundedUp(uint64_t bytes) { return (bytes + (uint64_t(1) << 20) - 1) >> 20; }

}  // namespace

Failure dictionaryOverLimit(uint64_t window, uint64_t limit) {
  return Failure{StatusCode::resource_limit,
                 L"This archive needs a dictionary of " + decimal(mebibytesRoundedUp(window)) +
                     L" MiB, more than the memory limit of " + decimal(limit >> 20) + L" MiB allows"};
}

// The symbol decoder of lzma_decode.cpp over a circular window instead of one growing buffer,
// able to stop after any byte and carry on in the next read.
class LzmaStreamDecoder {
 public:
  LzmaStreamDecoder(InflateInput& input, bool lzma2, uint32_t dictionarySize, uint64_t cap, size_t window)
      : input_(input), lzma2_(lzma2), dictionarySize_(dictionarySize), cap_(cap), window_(window) {}

  Status startLzma(const LzmaProperties& properties, uint64_t declaredSize) {
    setProperties(properties.lc, properties.lp, properties.pb);
    resetState();
    TOLZEB_TRY(input_.fill(kLzmaRangeHeaderSize));
    if (input_.available() < kLzmaRangeHeaderSize || input_.data()[input_.position()] != 0)
      return corrupt(L"LZMA: stream does not begin with a valid range coder header");
    range_.start(input_.data() + input_.position(), kLzmaRangeHeaderSize);
    input_.setPosition(input_.position() + kLzmaRangeHeaderSize);
    chunkEnd_ = declaredSize;
    return Status();
  }

  uint64_t produced() const { return total_; }

  Result<size_t> read(uint8_t* buffer, size_t capacity) {
    const size_t startPosition = windowPosition_;
    const uint64_t startTotal = total_;
    // Never more than one window per call, so nothing unread is overwritten.
    const uint64_t stopAt = total_ + std::min<uint64_t>(capacity, window_.size());
    while (total_ < stopAt && !finished_) {
      if (total_ < chunkEnd_) {
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
    const size_t produced = size_t(total_ - startTotal);
    const size_t first = std::min(produced, window_.size() - startPosition);
    std::memcpy(buffer, window_.data() + startPosition, first);
    std::memcpy(buffer + first, window_.data(), produced - first);
    return produced;
  }

 private:
  void setProperties(uint32_t lc, uint32_t lp, uint32_t pb) {
    lc_ = lc;
    lp_ = lp;
    pb_ = pb;
    const size_t coders = size_t(1) << (lc + lp);
    if (literalGeneration_.size() < coders) {
      literals_.resize(coders * kLzmaLiteralCoderSize);
      literalGeneration_.resize(coders, 0);
    }
  }

  void resetState() {
    model_.reset();
    if (++generation_ == 0) {
      std::fill(literalGeneration_.begin(), literalGeneration_.end(), 0);
      generation_ = 1;
    }
    state_ = 0;
    rep0_ = rep1_ = rep2_ = rep3_ = 0;
    pendingLength_ = 0;
  }

  LzmaProbability* literalCoder(uint32_t context) {
    LzmaProbability* coder = literals_.data() + size_t(context) * kLzmaLiteralCoderSize;
    if (literalGeneration_[context] != generation_) {
      std::fill_n(coder, kLzmaLiteralCoderSize, kLzmaProbabilityInit);
      literalGeneration_[context] = generation_;
    }
    return coder;
  }

  uint32_t decodeLength(LzmaLengthCoder& coder, uint32_t positionState) {
    if (range_.decodeBit(coder.choice) == 0) return range_.decodeBitTree(coder.low[positionState], kLzmaLengthLowBits);
    if (range_.decodeBit(coder.choice2) == 0)
      return kLzmaLengthLowSymbols + range_.decodeBitTree(coder.mid[positionState], kLzmaLengthMidBits);
    return kLzmaLengthLowSymbols + kLzmaLengthMidSymbols + range_.decodeBitTree(coder.high, kLzmaLengthHighBits);
  }

  uint32_t decodeDistance(uint32_t lengthMinus2) {
    const uint32_t slot = range_.decodeBitTree(model_.positionSlot[lengthState(lengthMinus2)], kLzmaPositionSlotBits);
    if (slot < kLzmaStartPositionModelSlot) return slot;
    const unsigned footerBits = (slot >> 1) - 1;
    uint32_t distance = (2 | (slot & 1)) << footerBits;
    if (slot < kLzmaEndPositionModelSlot)
      return distance +
             range_.decodeReverseBitTree(model_.specialPosition + footerTreeOffset(slot, distance), footerBits);
    distance += range_.decodeDirectBits(footerBits - kLzmaAlignBits) << kLzmaAlignBits;
    return distance + range_.decodeReverseBitTree(model_.align, kLzmaAlignBits);
  }

  uint64_t windowLength() const { return total_ - windowStart_; }
  bool reaches(uint32_t distance) const { return distance < windowLength() && distance < window_.size(); }

  uint8_t byteBack(uint32_t distance) const {
    const size_t back = size_t(distance) + 1;
    return window_[windowPosition_ >= back ? windowPosition_ - back : windowPosition_ + window_.size() - back];
  }

  void put(uint8_t byte) {
    window_[windowPosition_] = byte;
    if (++windowPosition_ == window_.size()) windowPosition_ = 0;
    ++total_;
  }

  // One LZMA stream: the input is taken a piece at a time and the range decoder resumes over each.
  Status decodeStreamSymbols(uint64_t stopAt) {
    TOLZEB_TRY(input_.fill(kInputPiece));
    const size_t available = input_.available();
    range_.resume(input_.data() + input_.position(), available);
    const size_t safeEnd = input_.ended() ? SIZE_MAX : available - std::min(available, kSymbolInputMargin);
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
    const size_t skipped = total_ == chunkEnd_ && status.ok() ? packedLeft_ : used;
    input_.setPosition(input_.position() + skipped);
    packedLeft_ -= skipped;
    return status;
  }

  Status copyStored(uint64_t stopAt) {
    while (total_ < stopAt) {
      TOLZEB_TRY(input_.fill(1));
      if (input_.available() == 0) return corrupt(L"LZMA2: stored chunk runs past the end");
      const size_t n = size_t(std::min<uint64_t>(stopAt - total_, input_.available()));
      const uint8_t* from = input_.data() + input_.position();
      for (size_t i = 0; i < n; ++i) put(from[i]);
      input_.setPosition(input_.position() + n);
      storedLeft_ -= n;
    }
    return Status();
  }

  Status startChunk() {
    TOLZEB_TRY(input_.fill(kLzmaChunkHeaderSize + 1));
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
      if (input_.available() < kStoredHeaderSize) return corrupt(L"LZMA2: truncated stored chunk");
      const size_t chunkSize = readU16be(header + 1) + size_t(1);
      input_.setPosition(input_.position() + kStoredHeaderSize);
      TOLZEB_TRY(input_.fill(chunkSize));
      if (chunkSize > input_.available()) return corrupt(L"LZMA2: stored chunk runs past the end");
      if (total_ + chunkSize > cap_) return overCap();
      if (control == kLzma2StoredWithDictionaryReset) {
        windowStart_ = total_;
        resetState();
      }
      storedLeft_ = chunkSize;
      chunkEnd_ = total_ + chunkSize;
      return Status();
    }
    if (control < kLzma2LzmaChunk) return corrupt(L"LZMA2: reserved control byte");
    if (input_.available() < kLzmaChunkHeaderSize) return corrupt(L"LZMA2: truncated chunk header");
    const uint64_t unpackedSize = (uint64_t(control & 0x1F) << 16) + readU16be(header + 1) + 1;
    const size_t packedSize = readU16be(header + 3) + size_t(1);
    input_.setPosition(input_.position() + kLzmaChunkHeaderSize);
    if (control < kLzma2LzmaNewProperties) {
      if (!propertiesSent_) return corrupt(L"LZMA2: chunk uses properties that were never sent");
      if (control >= kLzma2LzmaStateReset) resetState();
    } else {
      if (input_.available() == 0) return corrupt(L"LZMA2: missing properties byte");
      const uint8_t propertiesByte = input_.data()[input_.position()];
      input_.setPosition(input_.position() + 1);
      if (propertiesByte >= kLzmaPropertiesByteLimit) return corrupt(L"LZMA: properties byte is out of range");
      setProperties(propertiesByte % 9, (propertiesByte / 9) % 5, propertiesByte / 45);
      propertiesSent_ = true;
      resetState();
      if (control >= kLzma2LzmaDictionaryReset) windowStart_ = total_;
    }
    TOLZEB_TRY(input_.fill(packedSize));
    if (packedSize > input_.available()) return corrupt(L"LZMA2: chunk runs past the end");
    if (total_ + unpackedSize > cap_) return overCap();
    const uint8_t* packed = input_.data() + input_.position();
    if (packedSize < kLzmaRangeHeaderSize || packed[0] != 0) return corrupt(L"LZMA2: bad range coder header");
    range_.start(packed, packedSize);
    input_.setPosition(input_.position() + kLzmaRangeHeaderSize);
    packedLeft_ = packedSize - kLzmaRangeHeaderSize;
    chunkEnd_ = total_ + unpackedSize;
    return Status();
  }

  // Decodes until `stopAt` bytes in all, or until the range decoder passes `safeInputEnd`.
  Status decodeSymbols(uint64_t stopAt, size_t safeInputEnd) {
    const uint32_t positionMask = (1u << pb_) - 1;
    const uint32_t literalPositionMask = (1u << lp_) - 1;
    while (total_ < stopAt) {
      if (pendingLength_ != 0) {
        const uint64_t n = std::min<uint64_t>(pendingLength_, stopAt - total_);
        for (uint64_t i = 0; i < n; ++i) put(byteBack(rep0_));
        pendingLength_ -= uint32_t(n);
        continue;
      }
      if (range_.position() > safeInputEnd) return Status();
      if (range_.overran()) return corrupt(L"LZMA: stream ended in the middle of a symbol");

      const uint64_t length = windowLength();
      const uint32_t positionState = uint32_t(length) & positionMask;
      if (range_.decodeBit(model_.isMatch[state_][positionState]) == 0) {
        const uint32_t previous = length > 0 ? byteBack(0) : 0;
        const uint32_t context = (previous >> (8 - lc_)) + ((uint32_t(length) & literalPositionMask) << lc_);
        LzmaProbability* coder = literalCoder(context);
        uint32_t symbol = 1;
        if (state_ >= kLzmaFirstMatchState) {
          if (!reaches(rep0_)) return corrupt(L"LZMA: matched literal reaches before the window");
          uint32_t matchByte = byteBack(rep0_);
          while (symbol < 0x100) {
            const uint32_t matchBit = (matchByte >> 7) & 1;
            matchByte <<= 1;
            const uint32_t bit = range_.decodeBit(coder[((1 + matchBit) << 8) + symbol]);
            symbol = symbol << 1 | bit;
            if (bit != matchBit) break;
          }
        }
        while (symbol < 0x100) symbol = symbol << 1 | range_.decodeBit(coder[symbol]);
        put(uint8_t(symbol));
        state_ = stateAfterLiteral(state_);
        continue;
      }

      uint32_t lengthMinus2;
      if (range_.decodeBit(model_.isRep[state_]) != 0) {
        if (length == 0) return corrupt(L"LZMA: repeat match with nothing behind it");
        if (range_.decodeBit(model_.isRepG0[state_]) == 0) {
          if (range_.decodeBit(model_.isRep0Long[state_][positionState]) == 0) {
            state_ = stateAfterShortRepeat(state_);
            if (!reaches(rep0_)) return corrupt(L"LZMA: short repeat reaches before the window");
            put(byteBack(rep0_));
            continue;
          }
        } else {
          uint32_t distance;
          if (range_.decodeBit(model_.isRepG1[state_]) == 0) {
            distance = rep1_;
          } else {
            if (range_.decodeBit(model_.isRepG2[state_]) == 0) {
              distance = rep2_;
            } else {
              distance = rep3_;
              rep3_ = rep2_;
            }
            rep2_ = rep1_;
          }
          rep1_ = rep0_;
          rep0_ = distance;
        }
        lengthMinus2 = decodeLength(model_.repeatLength, positionState);
        state_ = stateAfterRepeat(state_);
      } else {
        rep3_ = rep2_;
        rep2_ = rep1_;
        rep1_ = rep0_;
        lengthMinus2 = decodeLength(model_.matchLength, positionState);
        state_ = stateAfterMatch(state_);
        rep0_ = decodeDistance(lengthMinus2);
        if (rep0_ == kLzmaEndMarkerDistance) return corrupt(L"LZMA: end marker in a stream with a declared length");
        if (dictionarySize_ != 0 && rep0_ >= dictionarySize_)
          return Failure{StatusCode::corrupt_archive,
                         L"LZMA: match distance is outside the declared dictionary (rep0=" + decimal(rep0_) +
                             L" dict=" + decimal(dictionarySize_) + L" at=" + decimal(total_) + L")"};
      }
      if (!reaches(rep0_)) return corrupt(L"LZMA: match reaches before the start of the window");
      const uint32_t matchLength = lengthMinus2 + kLzmaMinMatchLength;
      if (total_ + matchLength > chunkEnd_) return corrupt(L"LZMA: match runs past the declared length");
      pendingLength_ = matchLength;
    }
    return Status();
  }

  InflateInput& input_;
  bool lzma2_;
  uint32_t dictionarySize_;
  uint64_t cap_;
  Bytes window_;
  size_t windowPosition_ = 0;
  uint64_t total_ = 0;
  uint64_t windowStart_ = 0;
  uint64_t chunkEnd_ = 0;
  size_t packedLeft_ = 0;
  uint64_t storedLeft_ = 0;
  bool propertiesSent_ = false;
  bool finished_ = false;

  RangeDecoder range_;
  uint32_t lc_ = 0, lp_ = 0, pb_ = 0;
  LzmaModel model_{};
  // Literal coders are reset lazily, as in the whole-buffer decoder.
  std::vector<LzmaProbability> literals_;
  std::vector<uint32_t> literalGeneration_;
  uint32_t generation_ = 1;
  uint32_t state_ = 0;
  uint32_t rep0_ = 0, rep1_ = 0, rep2_ = 0, rep3_ = 0;
  uint32_t pendingLength_ = 0;
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
