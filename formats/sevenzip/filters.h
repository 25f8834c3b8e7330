// The filters of 7z folders that this system implements itself: x86 branch conversion, its
// four-stream variant with a range-coded selector, and byte-wise delta.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Undoes the x86 call/jump conversion of a stream that arrives in pieces.
class X86BcjDecoder {
 public:
  // Converts `bytes` in place and returns how many of them are final; the rest (at most four, all
  // when `last`) must come again at the front of the next call, followed by the next bytes.
  size_t convert(uint8_t* bytes, size_t size, bool last);

 private:
  uint64_t base_ = 0;  // the stream position of bytes[0]
  uint32_t previousMask_ = 0;
  int64_t previousPosition_ = -1;
};

// Undoes byte-wise delta over a stream in pieces; `distance` is 1 to 256.
class DeltaDecoder {
 public:
  explicit DeltaDecoder(size_t distance) : distance_(distance) {}
  void decode(uint8_t* bytes, size_t size);

 private:
  size_t distance_;
  uint64_t position_ = 0;
  uint8_t history_[256] = {};
};

// Whether `b`, after `previous`, starts an x86 call or jump whose target the BCJ filters convert.
inline bool isX86Jump(uint8_t previous, uint8_t b) {
  return b == 0xE8 || b == 0xE9 || (previous == 0x0F && (b & 0xF0) == 0x80);
}

// Undoes the x86 call/jump conversion in place, the buffer's start taken as position 0.
std::vector<uint8_t> decodeX86Bcj(std::vector<uint8_t> bytes);

// A stream read a piece at a time: up to `capacity` bytes per call, 0 at its end.
using PieceReader = std::function<Result<size_t>(uint8_t* buffer, size_t capacity)>;

// The four-stream x86 filter over its inputs in the coder's order (main, call, jump, selector),
// `outputSize` bytes in all. At its end the three data streams are read to their ends, so that a
// coder feeding one of them with the wrong length is caught.
PieceReader bcj2Reader(std::vector<PieceReader> inputs, uint64_t outputSize);

// The one property byte is the distance minus 1.
Result<std::vector<uint8_t>> decodeDelta(const std::vector<uint8_t>& input, const std::vector<uint8_t>& properties,
                                         uint64_t outputSize);

}  // namespace tolzeb
