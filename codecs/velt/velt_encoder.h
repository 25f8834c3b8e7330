// The VELT parser: one object per block, over hash tables owned by the calling thread.
// Its output is fixed to the byte by the block, the level and the dictionary.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "codecs/velt/velt_format.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// A candidate copy. For a dictionary candidate `distance` is the offset in the dictionary.
struct VeltMatch {
  uint64_t distance = 0;
  uint32_t length = 0;  // 0: nothing found
  int32_t slot = -1;    // 0..3 for a recent-distance match
};

// Left uninitialised: the parser builds one per probe and fills what it reads.
struct VeltPatchedMatch {
  uint64_t distance;
  uint32_t length;
  uint32_t cost;
  uint32_t editCount;
  uint32_t editPositions[kVeltMaxPatchEdits];
};

inline uint8_t* writeVarint(uint8_t* out, uint64_t value) {
  while (value >= 0x80) {
    *out++ = uint8_t(value | 0x80);
    value >>= 7;
  }
  *out++ = uint8_t(value);
  return out;
}

inline uint8_t* writeVeltToken(uint8_t* out, VeltTokenKind kind, uint64_t length) {
  uint64_t code = length - minTokenLength[uint8_t(kind)];
  if (code < kVeltExtendedLengthCode) {
    *out++ = veltTokenByte(kind, uint32_t(code));
    return out;
  }
  *out++ = veltTokenByte(kind, kVeltExtendedLengthCode);
  return writeVarint(out, code - kVeltExtendedLengthCode);
}

inline uint64_t loadWord64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t loadWord32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Equal leading bytes of a and b, at most max. Words are compared little-endian, so the
// lowest set bit of their XOR marks the first differing byte.
inline size_t commonPrefixLength(const uint8_t* a, const uint8_t* b, size_t max) {
  size_t n = 0;
  while (n + 8 <= max) {
    uint64_t diff = loadWord64(a + n) ^ loadWord64(b + n);
    if (diff != 0) return n + (size_t(__builtin_ctzll(diff)) >> 3);
    n += 8;
  }
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

class VeltEncoder {
 public:
  // The caller has checked the limits: 1 byte to 4 MiB of block, at most 4 MiB of dictionary.
  VeltEncoder(std::span<const uint8_t> block, uint8_t level, std::span<const uint8_t> dictionary);
  VeltEncoder(const VeltEncoder&) = delete;
  VeltEncoder& operator=(const VeltEncoder&) = delete;

  // The payload when shorter than the block, else empty.
  Result<Bytes> encode();

 private:
  // The parse and the helpers whose work depends on the level are compiled once per level.
  template <int Level>
  Result<Bytes> encodeAtLevel();
  uint32_t hashAt(size_t p) const;
  template <int Level>
  uint32_t insertPosition(size_t p);
  template <int Level>
  void insertRange(size_t from, size_t end);
  VeltMatch findRepeatMatch(size_t p) const;
  // The longest copy from the chain starting at `candidate`, if longer than `longerThan`.
  template <int Level>
  VeltMatch findChainMatch(size_t p, uint32_t candidate, uint32_t longerThan) const;
  template <int Level>
  VeltMatch findDictionaryMatch(size_t p) const;
  // True, with `patched` filled, when a patched copy beats `best`. Needs p + 16 <= the block length.
  bool findPatchedMatch(size_t p, const VeltMatch& best, uint32_t headCandidate, VeltPatchedMatch& patched);
  void measurePatch(size_t p, uint64_t distance, uint32_t firstDiffering, VeltPatchedMatch& kept) const;
  // `known`: the distance is the one at `position`, else it is new and the last slot is dropped.
  template <bool PatchedMatches>
  void moveToFront(int position, uint64_t distance, bool known);
  void flushLiterals(size_t position);

  const uint8_t* block_;
  size_t length_;
  const uint8_t* dictionary_;
  size_t dictionaryLength_;
  uint8_t level_;  // 0..2
  unsigned hashLog_;

  // The calling thread's tables.
  uint32_t* head_ = nullptr;
  uint16_t* chain_ = nullptr;
  const uint32_t* dictHead_ = nullptr;
  const uint32_t* dictNext_ = nullptr;
  unsigned dictHashLog_ = 0;

  // Stream cursors into the thread's scratch buffers, each large enough for any block.
  uint8_t* tokenBegin_ = nullptr;
  uint8_t* token_ = nullptr;
  uint8_t* literalBegin_ = nullptr;
  uint8_t* literal_ = nullptr;
  uint8_t* extraBegin_ = nullptr;
  uint8_t* extra_ = nullptr;

  uint64_t recentDistances_[kVeltRecentDistanceCount] = {0, 0, 0, 0};
  int recentSetCount_ = 0;  // the non-zero entries, which come first
  // Beside each recent-distance slot: the last position at which its distance is known not to give
  // a patched copy (it was probed and failed, or it is too short for one). Moves with the distance.
  size_t patchProbeSkipUntil_[kVeltRecentDistanceCount] = {0, 0, 0, 0};
  size_t pendingLiteralStart_ = 0;
};

}  // namespace tolzeb
