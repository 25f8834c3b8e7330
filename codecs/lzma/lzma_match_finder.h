// Hash-chain match finder of the LZMA2 encoder: a three-byte head table, a four-byte head table
// and a chain of earlier positions with the same four-byte hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolzeb {

class LzmaMatchFinder {
 public:
  // `dictionarySize` is a power of two; no match reaches farther back than it.
  LzmaMatchFinder(const uint8_t* data, size_t size, uint32_t dictionarySize);

  // Records position p (a no-op within 4 bytes of the end). Positions are inserted in order.
  void insert(uint32_t position);

  // The longest match at `position` (0, or 3 to 273 bytes) found within `depth` chain steps,
  // stopping early at `niceLength`; `distance` receives its distance (1 = the byte before).
  uint32_t find(uint32_t position, uint32_t windowStart, uint32_t depth, uint32_t niceLength, uint32_t& distance) const;

  // Starts loading the head-table entries of `position`, which a search will soon need.
  void prefetch(uint32_t position) const;

  // Whether inserting `inserted` can change what find answers at `position`: both have four bytes
  // and share a three-byte or a four-byte head slot.
  bool sharesHeads(uint32_t inserted, uint32_t position) const;

 private:
  uint32_t matchLength(uint32_t earlier, uint32_t position, uint32_t maxLength) const;

  const uint8_t* data_;
  size_t size_;
  uint32_t dictionarySize_;
  std::vector<uint32_t> threeByteHeads_;
  std::vector<uint32_t> fourByteHeads_;
  // One link per position, kept as a ring of dictionarySize entries: a link is only followed from
  // a candidate less than a dictionary away, whose slot no later inserted position has reused yet.
  std::vector<uint32_t> links_;
  uint32_t linkMask_;
};

}  // namespace tolzeb
