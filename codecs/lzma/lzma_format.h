// LZMA and LZMA2 constants: the properties, the probability model's sizes, the chunk framing.
#pragma once

#include <cstdint>

namespace tolzeb {

// Literal context bits, literal position bits, position bits and the dictionary size.
struct LzmaProperties {
  uint32_t lc = 3;
  uint32_t lp = 0;
  uint32_t pb = 2;
  uint32_t dictionarySize = 0;
};

// The properties byte is (pb * 5 + lp) * 9 + lc; every byte below this limit is valid.
inline constexpr uint32_t kLzmaPropertiesByteLimit = 9 * 5 * 5;
inline constexpr uint8_t lzmaPropertiesByte(const LzmaProperties& p) { return uint8_t((p.pb * 5 + p.lp) * 9 + p.lc); }

// Range coder: 11-bit probabilities adapted by a shift of 5, normalised below 2^24.
inline constexpr unsigned kLzmaProbabilityBits = 11;
inline constexpr uint16_t kLzmaProbabilityOne = 1u << kLzmaProbabilityBits;
inline constexpr uint16_t kLzmaProbabilityInit = kLzmaProbabilityOne / 2;
inline constexpr unsigned kLzmaAdaptShift = 5;
inline constexpr uint32_t kLzmaRangeTop = 1u << 24;
inline constexpr unsigned kLzmaRangeHeaderSize = 5;

// The model: 12 states, up to 16 position states, 0x300 probabilities per literal context.
inline constexpr unsigned kLzmaStateCount = 12;
inline constexpr unsigned kLzmaFirstMatchState = 7;  // states from here follow a match
inline constexpr unsigned kLzmaMaxPositionStates = 16;
inline constexpr uint32_t kLzmaLiteralCoderSize = 0x300;

// Lengths 2 to 273: a choice bit, 8 low, 8 middle and 256 high symbols.
inline constexpr uint32_t kLzmaMinMatchLength = 2;
inline constexpr uint32_t kLzmaMaxMatchLength = 273;
inline constexpr unsigned kLzmaLengthLowBits = 3;
inline constexpr unsigned kLzmaLengthMidBits = 3;
inline constexpr unsigned kLzmaLengthHighBits = 8;
inline constexpr uint32_t kLzmaLengthLowSymbols = 1u << kLzmaLengthLowBits;
inline constexpr uint32_t kLzmaLengthMidSymbols = 1u << kLzmaLengthMidBits;

// Distances: a 6-bit slot under one of 4 length states, reverse-coded footers for slots 4 to 13,
// direct bits and a 4-bit align tree from slot 14.
inline constexpr unsigned kLzmaLengthStates = 4;
inline constexpr unsigned kLzmaPositionSlotBits = 6;
inline constexpr uint32_t kLzmaStartPositionModelSlot = 4;
inline constexpr uint32_t kLzmaEndPositionModelSlot = 14;
inline constexpr uint32_t kLzmaFullDistances = 1u << (kLzmaEndPositionModelSlot >> 1);
inline constexpr unsigned kLzmaAlignBits = 4;
inline constexpr uint32_t kLzmaEndMarkerDistance = 0xFFFFFFFF;  // rep0 of the end marker

// LZMA2 framing.
inline constexpr uint8_t kLzma2End = 0x00;
inline constexpr uint8_t kLzma2StoredWithDictionaryReset = 0x01;
inline constexpr uint8_t kLzma2Stored = 0x02;
inline constexpr uint8_t kLzma2LzmaChunk = 0x80;            // no reset
inline constexpr uint8_t kLzma2LzmaStateReset = 0xA0;       // state reset
inline constexpr uint8_t kLzma2LzmaNewProperties = 0xC0;    // new properties, state reset
inline constexpr uint8_t kLzma2LzmaDictionaryReset = 0xE0;  // and dictionary reset
inline constexpr uint32_t kLzma2MaxStoredChunk = 0x10000;
inline constexpr uint32_t kLzma2MaxPackedChunk = 0x10000;
inline constexpr uint32_t kLzma2MaxUnpackedChunk = 1u << 21;

}  // namespace tolzeb
