// The VELT payload layout: token kinds, length codes and the limits every payload obeys.
#pragma once

#include <cstdint>

namespace tolzeb {

// Largest decoded block, and the largest preset dictionary.
inline constexpr uint32_t kVeltMaxBlockSize = 4u << 20;

// Token byte: kind in the low 3 bits, length code in the high 5.
enum class VeltTokenKind : uint8_t {
  literalRun = 0,
  run = 1,
  match = 2,
  rep = 3,
  dict = 4,
  patch = 5,
  zeroRun = 6,
};
inline constexpr uint8_t kVeltReservedKind = 7;
inline constexpr unsigned kVeltKindBits = 3;
inline constexpr uint8_t kVeltKindMask = 0x07;

// Length code 31 means a varint extension follows in the token stream.
inline constexpr uint32_t kVeltExtendedLengthCode = 31;
inline constexpr uint64_t kVeltMaxLengthExtension = kVeltMaxBlockSize;

// Indexed by kind; the reserved kind has no length.
inline constexpr uint32_t minTokenLength[8] = {1, 4, 4, 4, 4, 16, 4, 0};

inline constexpr int kVeltRecentDistanceCount = 4;

// A patch copies at most this many bytes and replaces 1 to kVeltMaxPatchEdits of them.
inline constexpr uint32_t kVeltMaxPatchLength = 4096;
inline constexpr uint32_t kVeltMaxPatchEdits = 16;

inline constexpr uint8_t veltTokenByte(VeltTokenKind kind, uint32_t lengthCode) {
  return uint8_t(lengthCode << kVeltKindBits | uint8_t(kind));
}

// Bytes of a varint of the block format: seven bits per byte.
inline unsigned varintSize(uint64_t value) {
  unsigned size = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++size;
  }
  return size;
}

}  // namespace tolzeb
