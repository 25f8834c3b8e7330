#include <algorithm>

#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_decoder.h"

namespace tolzeb {

namespace {

// Up-front reservation for a declared size is bounded by what the input could plausibly hold, so a
// tiny stream declaring gigabytes costs nothing until it actually produces them.
constexpr uint64_t kLzmaReservePerInputByte = 32;
constexpr uint64_t kMaxReserve = uint64_t(1) << 31;

}  // namespace

void LzmaDecoder::setProperties(uint32_t lc, uint32_t lp, uint32_t pb) {
  lc_ = lc;
  lp_ = lp;
  pb_ = pb;
  const size_t coders = size_t(1) << (lc + lp);
  if (literalGeneration_.size() < coders) {
    literals_.resize(coders * kLzmaLiteralCoderSize);
    literalGeneration_.resize(coders, 0);
  }
}

void LzmaDecoder::resetState() {
  model_.reset();
  if (++generation_ == 0) {
    std::fill(literalGeneration_.begin(), literalGeneration_.end(), 0);
    generation_ = 1;
  }
  state_ = 0;
  rep0_ = rep1_ = rep2_ = rep3_ = 0;
  pendingLength_ = 0;
}

LzmaProbability* LzmaDecoder::literalCoder(uint32_t context) {
  LzmaProbability* coder = literals_.data() + size_t(context) * kLzmaLiteralCoderSize;
  if (literalGeneration_[context] != generation_) {
    std::fill_n(coder, kLzmaLiteralCoderSize, kLzmaProbabilityInit);
    literalGeneration_[context] = generation_;
  }
  return coder;
}

uint32_t LzmaDecoder::decodeLength(RangeDecoder& range, LzmaLengthCoder& coder, uint32_t positionState) {
  if (range.decodeBit(coder.choice) == 0) return range.decodeBitTree(coder.low[positionState], kLzmaLengthLowBits);
  if (range.decodeBit(coder.choice2) == 0)
    return kLzmaLengthLowSymbols + range.decodeBitTree(coder.mid[positionState], kLzmaLengthMidBits);
  return kLzmaLengthLowSymbols + kLzmaLengthMidSymbols + range.decodeBitTree(coder.high, kLzmaLengthHighBits);
}

uint32_t LzmaDecoder::decodeDistance(RangeDecoder& range, uint32_t lengthMinus2) {
  const uint32_t slot = range.decodeBitTree(model_.positionSlot[lengthState(lengthMinus2)], kLzmaPositionSlotBits);
  if (slot < kLzmaStartPositionModelSlot) return slot;
  const unsigned footerBits = (slot >> 1) - 1;
  uint32_t distance = (2 | (slot & 1)) << footerBits;
  if (slot < kLzmaEndPositionModelSlot)
    return distance + range.decodeReverseBitTree(model_.specialPosition + footerTreeOffset(slot, distance), footerBits);
  distance += range.decodeDirectBits(footerBits - kLzmaAlignBits) << kLzmaAlignBits;
  return distance + range.decodeReverseBitTree(model_.align, kLzmaAlignBits);
}

template <class Window>
Status LzmaDecoder::decodeSymbols(RangeDecoder& range, Window& window, const Limits& limits, bool& endMarkerSeen) {
  const uint32_t positionMask = (1u << pb_) - 1;
  const uint32_t literalPositionMask = (1u << lp_) - 1;
  // Past the target only an end marker may follow; a symbol that would add bytes means the stream
  // goes on beyond the cap, unless the input ran out inside it (no end marker then).
  const auto beyondTarget = [&range]() -> Status {
    if (range.overran()) return Status();
    return Failure{StatusCode::resource_limit, kDecompressedLimitMessage};
  };
  for (;;) {
    if (pendingLength_ != 0) {
      if (window.total() >= limits.stopAt) return Status();
      const uint32_t copied = uint32_t(std::min<uint64_t>(pendingLength_, limits.stopAt - window.total()));
      window.repeat(rep0_, copied);
      pendingLength_ -= copied;
      continue;
    }
    const bool atTarget = window.total() >= limits.stopAt;
    if (atTarget && (!limits.endMarkerAllowed || range.overran())) return Status();
    if (range.position() > limits.safeInputEnd) return Status();
    if (range.overran()) return corrupt(L"LZMA: stream ended in the middle of a symbol");

    const uint64_t windowLength = window.length();
    const uint32_t positionState = uint32_t(windowLength) & positionMask;

    if (range.decodeBit(model_.isMatch[state_][positionState]) == 0) {
      const uint32_t previous = windowLength > 0 ? window.back(0) : 0;
      const uint32_t context = (previous >> (8 - lc_)) + ((uint32_t(windowLength) & literalPositionMask) << lc_);
      LzmaProbability* coder = literalCoder(context);
      uint32_t symbol = 1;
      if (state_ >= kLzmaFirstMatchState) {
        if (!window.reaches(rep0_)) return corrupt(L"LZMA: matched literal reaches before the window");
        uint32_t matchByte = window.back(rep0_);
        // Follow the match byte's bits while they agree, then fall back to the plain tree.
        while (symbol < 0x100) {
          const uint32_t matchBit = (matchByte >> 7) & 1;
          matchByte <<= 1;
          const uint32_t bit = range.decodeBit(coder[((1 + matchBit) << 8) + symbol]);
          symbol = symbol << 1 | bit;
          if (bit != matchBit) break;
        }
      }
      while (symbol < 0x100) symbol = symbol << 1 | range.decodeBit(coder[symbol]);
      if (atTarget) return beyondTarget();
      window.put(uint8_t(symbol));
      state_ = stateAfterLiteral(state_);
      continue;
    }

    uint32_t lengthMinus2;
    if (range.decodeBit(model_.isRep[state_]) != 0) {
      if (windowLength == 0) return corrupt(L"LZMA: repeat match with nothing behind it");
      if (range.decodeBit(model_.isRepG0[state_]) == 0) {
        if (range.decodeBit(model_.isRep0Long[state_][positionState]) == 0) {
          state_ = stateAfterShortRepeat(state_);
          if (!window.reaches(rep0_)) return corrupt(L"LZMA: short repeat reaches before the window");
          if (atTarget) return beyondTarget();
          window.put(window.back(rep0_));
          continue;
        }
      } else {
        uint32_t distance;
        if (range.decodeBit(model_.isRepG1[state_]) == 0) {
          distance = rep1_;
        } else {
          if (range.decodeBit(model_.isRepG2[state_]) == 0) {
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
      lengthMinus2 = decodeLength(range, model_.repeatLength, positionState);
      state_ = stateAfterRepeat(state_);
    } else {
      rep3_ = rep2_;
      rep2_ = rep1_;
      rep1_ = rep0_;
      lengthMinus2 = decodeLength(range, model_.matchLength, positionState);
      state_ = stateAfterMatch(state_);
      rep0_ = decodeDistance(range, lengthMinus2);
      if (rep0_ == kLzmaEndMarkerDistance) {
        if (!limits.endMarkerAllowed) return corrupt(L"LZMA: end marker in a stream with a declared length");
        endMarkerSeen = true;
        return Status();
      }
      if (dictionarySize_ != 0 && rep0_ >= dictionarySize_)
        return Failure{StatusCode::corrupt_archive, L"LZMA: match distance is outside the declared dictionary (rep0=" +
                                                        decimal(rep0_) + L" dict=" + decimal(dictionarySize_) +
                                                        L" at=" + decimal(window.total()) + L")"};
    }

    if (!window.reaches(rep0_)) return corrupt(L"LZMA: match reaches before the start of the window");
    const uint32_t length = lengthMinus2 + kLzmaMinMatchLength;
    if (atTarget) return beyondTarget();
    if (window.total() + length > limits.cap) return Failure{StatusCode::resource_limit, kDecompressedLimitMessage};
    if (window.total() + length > limits.end) return corrupt(L"LZMA: match runs past the declared length");
    const uint32_t copied = uint32_t(std::min<uint64_t>(length, limits.stopAt - window.total()));
    window.repeat(rep0_, copied);
    pendingLength_ = length - copied;
  }
}

Status LzmaDecoder::decode(RangeDecoder& range, LzmaFlatWindow& window, const Limits& limits, bool& endMarkerSeen) {
  return decodeSymbols(range, window, limits, endMarkerSeen);
}

Status LzmaDecoder::decode(RangeDecoder& range, LzmaRingWindow& window, const Limits& limits, bool& endMarkerSeen) {
  return decodeSymbols(range, window, limits, endMarkerSeen);
}

Result<LzmaProperties> parseLzmaProperties(uint8_t propertiesByte, uint32_t dictionarySize) {
  if (propertiesByte >= kLzmaPropertiesByteLimit) return corrupt(L"LZMA: properties byte is out of range");
  LzmaProperties properties;
  properties.lc = propertiesByte % 9;
  properties.lp = (propertiesByte / 9) % 5;
  properties.pb = propertiesByte / 45;
  properties.dictionarySize = dictionarySize;
  return properties;
}

Result<Bytes> lzmaDecode(const uint8_t* data, size_t size, const LzmaProperties& properties, uint64_t declaredSize,
                         uint64_t cap) {
  if (data == nullptr && size != 0) return Failure{StatusCode::invalid_argument, L"lzmaDecode: null input"};
  if (cap == 0) return Failure{StatusCode::invalid_argument, L"lzmaDecode: output cap must not be zero"};
  // Properties come from parseLzmaProperties; anything else would index past the model.
  if (properties.lc > 8 || properties.lp > 4 || properties.pb > 4)
    return Failure{StatusCode::invalid_argument, L"lzmaDecode: properties are out of range"};
  if (size < kLzmaRangeHeaderSize || data[0] != 0)
    return corrupt(L"LZMA: stream does not begin with a valid range coder header");

  LzmaDecoder decoder(properties.dictionarySize);
  decoder.setProperties(properties.lc, properties.lp, properties.pb);
  decoder.resetState();
  RangeDecoder range(data, size);
  Bytes output;
  LzmaFlatWindow window(output);
  bool endMarkerSeen = false;

  if (declaredSize != kLzmaUnknownSize) {
    if (declaredSize > cap)
      return Failure{StatusCode::resource_limit, L"LZMA: declared size exceeds the limit for this operation"};
    output.reserve(size_t(std::min({declaredSize, kMaxReserve, uint64_t(size) * kLzmaReservePerInputByte})));
    TOLZEB_TRY(decoder.decode(range, window, {declaredSize, declaredSize, cap, false}, endMarkerSeen));
    return output;
  }

  TOLZEB_TRY(decoder.decode(range, window, {cap, cap, cap, true}, endMarkerSeen));
  if (!endMarkerSeen) return corrupt(L"LZMA: stream has neither a declared length nor an end marker");
  return output;
}

}  // namespace tolzeb
