// Writes LZMA symbols of the test's choosing, valid or not, with the same model the decoder keeps,
// so malformed streams can be made by hand: matches before the window, end markers, and so on.
#pragma once

#include <optional>
#include <vector>

#include "codecs/lzma/lzma_encoder.h"
#include "codecs/lzma/lzma_model.h"
#include "codecs/lzma/range_encoder.h"

namespace tolzeb::testdata {

class LzmaStreamBuilder {
 public:
  // `history` is what the decoder's window already holds when these symbols start.
  explicit LzmaStreamBuilder(uint32_t lc = 3, uint32_t lp = 0, uint32_t pb = 2, std::vector<uint8_t> history = {})
      : lc_(lc), lp_(lp), pb_(pb), literals_(size_t(0x300) << (lc + lp), kLzmaProbabilityInit), output_(std::move(history)) {
    model_.reset();
    range_.emplace(bytes_);
  }
  // The range coder refers to this object's buffer.
  LzmaStreamBuilder(const LzmaStreamBuilder&) = delete;
  LzmaStreamBuilder& operator=(const LzmaStreamBuilder&) = delete;

  // A literal; after a match it is coded against the byte at rep0.
  LzmaStreamBuilder& literal(uint8_t byte) {
    bit(model_.isMatch[state_][positionState()], 0);
    const uint32_t previous = output_.empty() ? 0 : output_.back();
    const uint32_t context = (previous >> (8 - lc_)) + ((uint32_t(output_.size()) & ((1u << lp_) - 1)) << lc_);
    LzmaProbability* coder = literals_.data() + context * 0x300;
    uint32_t symbol = 1;
    int i = 7;
    if (state_ >= kLzmaFirstMatchState) {
      const uint8_t matchByte = byteAt(reps_[0]);
      for (; i >= 0; --i) {
        const uint32_t matchBit = (matchByte >> i) & 1, b = (byte >> i) & 1;
        range_->encodeBit(coder[((1 + matchBit) << 8) + symbol], b);
        symbol = symbol << 1 | b;
        if (b != matchBit) {
          --i;
          break;
        }
      }
    }
    for (; i >= 0; --i) {
      const uint32_t b = (byte >> i) & 1;
      range_->encodeBit(coder[symbol], b);
      symbol = symbol << 1 | b;
    }
    state_ = stateAfterLiteral(state_);
    output_.push_back(byte);
    return *this;
  }

  LzmaStreamBuilder& literals(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) literal(b);
    return *this;
  }

  // A match of `length` at `distanceMinus1` (0xFFFFFFFF with length 2 is the end marker).
  LzmaStreamBuilder& match(uint32_t length, uint32_t distanceMinus1) {
    const uint32_t ps = positionState();
    bit(model_.isMatch[state_][ps], 1);
    bit(model_.isRep[state_], 0);
    LzmaLengthEncoder::encode(*range_, model_.matchLength, length - 2, ps);
    uint32_t slot = distanceMinus1;
    if (distanceMinus1 >= 4) {
      unsigned top = 31;
      while (!(distanceMinus1 >> top)) --top;
      slot = top * 2 + ((distanceMinus1 >> (top - 1)) & 1);
    }
    range_->encodeBitTree(model_.positionSlot[lengthState(length - 2)], 6, slot);
    if (slot >= 4) {
      const unsigned footerBits = (slot >> 1) - 1;
      const uint32_t base = (2 | (slot & 1)) << footerBits;
      const uint32_t footer = distanceMinus1 - base;
      if (slot < 14) {
        range_->encodeReverseBitTree(model_.specialPosition + footerTreeOffset(slot, base), footerBits, footer);
      } else {
        range_->encodeDirectBits(footer >> 4, footerBits - 4);
        range_->encodeReverseBitTree(model_.align, 4, footer & 15);
      }
    }
    reps_[3] = reps_[2];
    reps_[2] = reps_[1];
    reps_[1] = reps_[0];
    reps_[0] = distanceMinus1;
    state_ = stateAfterMatch(state_);
    if (distanceMinus1 != 0xFFFFFFFF) copy(length);
    return *this;
  }

  LzmaStreamBuilder& endMarker() { return match(2, 0xFFFFFFFF); }

  // A repeat of recent distance `index` (0 to 3) and `length` >= 2.
  LzmaStreamBuilder& repeat(uint32_t index, uint32_t length) {
    const uint32_t ps = positionState();
    bit(model_.isMatch[state_][ps], 1);
    bit(model_.isRep[state_], 1);
    if (index == 0) {
      bit(model_.isRepG0[state_], 0);
      bit(model_.isRep0Long[state_][ps], 1);
    } else {
      bit(model_.isRepG0[state_], 1);
      bit(model_.isRepG1[state_], index == 1 ? 0 : 1);
      if (index > 1) bit(model_.isRepG2[state_], index - 2);
      const uint32_t chosen = reps_[index];
      for (uint32_t i = index; i > 0; --i) reps_[i] = reps_[i - 1];
      reps_[0] = chosen;
    }
    LzmaLengthEncoder::encode(*range_, model_.repeatLength, length - 2, ps);
    state_ = stateAfterRepeat(state_);
    copy(length);
    return *this;
  }

  // The one-byte repeat of the byte at rep0.
  LzmaStreamBuilder& shortRepeat() {
    const uint32_t ps = positionState();
    bit(model_.isMatch[state_][ps], 1);
    bit(model_.isRep[state_], 1);
    bit(model_.isRepG0[state_], 0);
    bit(model_.isRep0Long[state_][ps], 0);
    state_ = stateAfterShortRepeat(state_);
    copy(1);
    return *this;
  }

  // The range-coded bytes so far, beginning with the 0 header byte. The model carries on, so
  // further symbols form the next LZMA2 chunk without a state reset.
  std::vector<uint8_t> finish() {
    range_->flush();
    std::vector<uint8_t> chunk = std::move(bytes_);
    bytes_.clear();
    range_.emplace(bytes_);
    return chunk;
  }

  struct Built {
    std::vector<uint8_t> stream;
    std::vector<uint8_t> output;
    uint32_t lc, lp, pb;
  };
  Built build() {
    std::vector<uint8_t> stream = finish();
    return {std::move(stream), output_, lc_, lp_, pb_};
  }

  // What a decoder produces from the symbols so far (zeros where a copy reaches before the start).
  const std::vector<uint8_t>& output() const { return output_; }

 private:
  void bit(LzmaProbability& p, uint32_t b) { range_->encodeBit(p, b); }
  uint32_t positionState() const { return uint32_t(output_.size()) & ((1u << pb_) - 1); }
  uint8_t byteAt(uint32_t distanceMinus1) const {
    return distanceMinus1 < output_.size() ? output_[output_.size() - 1 - distanceMinus1] : 0;
  }
  void copy(uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) output_.push_back(byteAt(reps_[0]));
  }

  uint32_t lc_, lp_, pb_;
  LzmaModel model_{};
  std::vector<LzmaProbability> literals_;
  std::vector<uint8_t> bytes_;
  std::optional<RangeEncoder> range_;
  uint32_t state_ = 0;
  uint32_t reps_[4] = {0, 0, 0, 0};
  std::vector<uint8_t> output_;
};

}  // namespace tolzeb::testdata
