// Hash-chain match finder of the LZMA2 encoder: a three-byte head table, a four-byte head table
// and a chain of earlier positions with the same four-byte hash.
//
// The search visits the four-byte chain in order, up to the chain depth. Far back, only positions
// whose first four bytes equal the searched ones can improve a match (a length-3 match is only
// taken nearby), yet on incompressible data almost every chain entry is a hash collision, and
// walking them made the cost per byte grow with the dictionary. So the chain is kept twice: a
// short ring for the nearby part, and a chain over a finer hash (a refinement of the four-byte
// hash) for the far part, with each position's rank in its four-byte chain, so that the walk
// stops exactly where the depth would have stopped it. The answers are those of the plain walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolzeb {

// The shortest match the finder reports.
inline constexpr uint32_t kLzmaShortestFind = 3;

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

  // Steps along the fine chain from `candidate`, as the plain walk would, with `depth` ranks.
  void findFar(uint32_t candidate, uint32_t position, uint32_t windowStart, uint32_t depth, uint32_t niceLength,
               uint32_t maxLength, uint32_t fourByteHash, uint32_t& best, uint32_t& distance) const;
  // Takes `candidate` when it beats `best`; true when the walk can stop.
  bool consider(uint32_t candidate, uint32_t position, uint32_t niceLength, uint32_t maxLength, uint32_t& best,
                uint32_t& distance) const;
  uint32_t fineHash(const uint8_t* p) const;

  const uint8_t* data_;
  size_t size_;
  uint32_t dictionarySize_;
  std::vector<uint32_t> threeByteHeads_;
  std::vector<uint32_t> fourByteHeads_;
  // The four-byte chain of the last positions, a ring: a link is followed only from a candidate
  // nearer than the ring is long, whose slot no later position has reused yet.
  std::vector<uint32_t> nearLinks_;
  // Positions inserted so far under each four-byte hash.
  std::vector<uint32_t> fourByteCounts_;
  unsigned fineHashBits_;
  std::vector<uint32_t> fineHeads_;
  // What the far walk needs of one position, in one place so that a step costs one memory access:
  // the previous position on its fine chain, its first four bytes, and its rank in its four-byte
  // chain (the count inserted there before it).
  struct FineLink {
    uint32_t previous;
    uint32_t word;
    uint32_t ordinal;
  };
  // A ring of up to dictionarySize entries: read only for candidates less than a dictionary away.
  std::vector<FineLink> fineLinks_;
  uint32_t linkMask_;
};

}  // namespace tolzeb
