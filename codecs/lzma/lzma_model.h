// The LZMA probability model shared by the encoder and the decoder (literal tables aside,
// which each side sizes and resets in its own way).
#pragma once

#include <algorithm>
#include <cstdint>

#include "codecs/lzma/lzma_format.h"

namespace tolzeb {

using LzmaProbability = uint16_t;

struct LzmaLengthCoder {
  LzmaProbability choice;
  LzmaProbability choice2;
  LzmaProbability low[kLzmaMaxPositionStates][kLzmaLengthLowSymbols];
  LzmaProbability mid[kLzmaMaxPositionStates][kLzmaLengthMidSymbols];
  LzmaProbability high[1u << kLzmaLengthHighBits];
};

template <typename Array>
inline void resetProbabilities(Array& array) {
  std::fill_n(reinterpret_cast<LzmaProbability*>(&array), sizeof(array) / sizeof(LzmaProbability), kLzmaProbabilityInit);
}

inline void resetLengthCoder(LzmaLengthCoder& coder) {
  coder.choice = kLzmaProbabilityInit;
  coder.choice2 = kLzmaProbabilityInit;
  resetProbabilities(coder.low);
  resetProbabilities(coder.mid);
  resetProbabilities(coder.high);
}

struct LzmaModel {
  LzmaProbability isMatch[kLzmaStateCount][kLzmaMaxPositionStates];
  LzmaProbability isRep[kLzmaStateCount];
  LzmaProbability isRepG0[kLzmaStateCount];
  LzmaProbability isRepG1[kLzmaStateCount];
  LzmaProbability isRepG2[kLzmaStateCount];
  LzmaProbability isRep0Long[kLzmaStateCount][kLzmaMaxPositionStates];
  LzmaProbability positionSlot[kLzmaLengthStates][1u << kLzmaPositionSlotBits];
  // Footer trees of slots 4 to 13, packed one after another; entry 0 is unused because a tree's
  // walk starts at node 1 and the first tree begins right at the array's start.
  LzmaProbability specialPosition[1 + kLzmaFullDistances - kLzmaEndPositionModelSlot];
  LzmaProbability align[1u << kLzmaAlignBits];
  LzmaLengthCoder matchLength;
  LzmaLengthCoder repeatLength;

  void reset() {
    resetProbabilities(isMatch);
    resetProbabilities(isRep);
    resetProbabilities(isRepG0);
    resetProbabilities(isRepG1);
    resetProbabilities(isRepG2);
    resetProbabilities(isRep0Long);
    resetProbabilities(positionSlot);
    resetProbabilities(specialPosition);
    resetProbabilities(align);
    resetLengthCoder(matchLength);
    resetLengthCoder(repeatLength);
  }
};

// State transitions after each kind of symbol.
inline uint32_t stateAfterLiteral(uint32_t state) { return state < 4 ? 0 : state < 10 ? state - 3 : state - 6; }
inline uint32_t stateAfterMatch(uint32_t state) { return state < kLzmaFirstMatchState ? 7 : 10; }
inline uint32_t stateAfterRepeat(uint32_t state) { return state < kLzmaFirstMatchState ? 8 : 11; }
inline uint32_t stateAfterShortRepeat(uint32_t state) { return state < kLzmaFirstMatchState ? 9 : 11; }

// Where a slot's footer tree sits in specialPosition: its base distance minus the slot.
inline uint32_t footerTreeOffset(uint32_t slot, uint32_t baseDistance) { return baseDistance - slot; }

// Length state for the position-slot tree, from the length minus 2.
inline uint32_t lengthState(uint32_t lengthMinus2) { return std::min<uint32_t>(lengthMinus2, kLzmaLengthStates - 1); }

}  // namespace tolzeb
