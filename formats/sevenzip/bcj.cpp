#include "formats/sevenzip/filters.h"

namespace tolzeb {
namespace {

// Indexed by the mask of recent E8/E9 bytes: whether a conversion may happen, and which byte of
// the operand decides it.
constexpr bool kAllowed[8] = {true, true, true, false, true, false, false, false};
constexpr uint32_t kBitNumber[8] = {0, 1, 2, 2, 3, 3, 3, 3};

bool isSignByte(uint8_t b) { return b == 0x00 || b == 0xFF; }

}  // namespace

size_t X86BcjDecoder::convert(uint8_t* bytes, size_t size, bool last) {
  size_t i = 0;
  while (i + 5 <= size) {
    const uint8_t opcode = bytes[i];
    if (opcode != 0xE8 && opcode != 0xE9) {
      ++i;
      continue;
    }
    const int64_t position = int64_t(base_ + i);
    const int64_t distance = position - previousPosition_;
    uint32_t mask = distance > 3 ? 0 : (previousMask_ << (distance - 1)) & 7;
    if (mask != 0 && (!kAllowed[mask] || isSignByte(bytes[i + 4 - kBitNumber[mask]]))) {
      previousPosition_ = position;
      previousMask_ = ((mask << 1) & 7) | 1;
      ++i;
      continue;
    }
    previousPosition_ = position;
    if (isSignByte(bytes[i + 4])) {
      uint32_t source = readU32le(&bytes[i + 1]);
      uint32_t destination;
      for (;;) {
        destination = source - uint32_t(position + 5);
        if (mask == 0) break;
        const uint32_t shift = kBitNumber[mask] * 8;
        if (!isSignByte(uint8_t(destination >> (24 - shift)))) break;
        source = destination ^ ((uint32_t(1) << (32 - shift)) - 1);
      }
      bytes[i + 1] = uint8_t(destination);
      bytes[i + 2] = uint8_t(destination >> 8);
      bytes[i + 3] = uint8_t(destination >> 16);
      bytes[i + 4] = (destination >> 24) & 1 ? 0xFF : 0x00;
      previousMask_ = mask;
      i += 5;
    } else {
      previousMask_ = ((mask << 1) & 7) | 1;
      ++i;
    }
  }
  const size_t finished = last ? size : i;
  base_ += finished;
  return finished;
}

std::vector<uint8_t> decodeX86Bcj(std::vector<uint8_t> bytes) {
  X86BcjDecoder decoder;
  decoder.convert(bytes.data(), bytes.size(), true);
  return bytes;
}

}  // namespace tolzeb
