#include "codecs/lzma/lzma_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "codecs/lzma/lzma_format.h"
#include "codecs/match_hash.h"
#include "engine/core/bytes.h"

namespace tolzeb {

namespace {

constexpr uint32_t kEmpty = 0xFFFFFFFF;
constexpr unsigned kThreeByteHashBits = 16;
constexpr unsigned kFourByteHashBits = 20;
// Short matches far back cost more to code than the literals they replace.
constexpr uint32_t kMaxDistanceOfLength3 = 0x4000;
constexpr uint32_t kMaxDistanceOfLength4 = 0x100000;

uint32_t fourByteHash(const uint8_t* p) { return (readU32le(p) * kHashMultiplier) >> (32 - kFourByteHashBits); }
uint32_t threeByteHash(const uint8_t* p) {
  return ((uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) * kHashMultiplier) >> (32 - kThreeByteHashBits);
}

// The nearby part of the chain, where a length-3 match may still be taken.
constexpr uint32_t kNearRing = kMaxDistanceOfLength3;
// The fine hash adds up to this many bits, one per doubling of the chain's reach beyond 1 MiB,
// so that a fine chain holds a few positions of incompressible data per dictionary.
constexpr unsigned kMaxExtraHashBits = 4;
constexpr unsigned kExtraHashBitsFrom = 20;

bool lengthAllowedAt(uint32_t length, uint32_t distance) {
  if (length == 3) return distance < kMaxDistanceOfLength3;
  if (length == 4) return distance < kMaxDistanceOfLength4;
  return true;
}

uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

unsigned extraHashBitsFor(size_t ringSize) {
  const unsigned bits = unsigned(std::bit_width(ringSize)) - 1;
  return bits <= kExtraHashBitsFrom ? 0 : std::min(bits - kExtraHashBitsFrom, kMaxExtraHashBits);
}

LzmaMatchFinder::LzmaMatchFinder(const uint8_t* data, size_t size, uint32_t dictionarySize)
    : data_(data),
      size_(size),
      dictionarySize_(dictionarySize),
      threeByteHeads_(size_t(1) << kThreeByteHashBits, kEmpty),
      fourByteHeads_(size_t(1) << kFourByteHashBits, kEmpty),
      nearLinks_(kNearRing, kEmpty),
      fourByteCounts_(size_t(1) << kFourByteHashBits, 0),
      fineLinks_(std::min<size_t>(dictionarySize, std::bit_ceil(std::max<size_t>(size, 1))), FineLink{kEmpty, 0, 0}),
      linkMask_(uint32_t(fineLinks_.size() - 1)) {
  fineHashBits_ = kFourByteHashBits + extraHashBitsFor(fineLinks_.size());
  fineHeads_.assign(size_t(1) << fineHashBits_, kEmpty);
}

// The top bits of the same product as the four-byte hash: equal fine hashes mean equal four-byte
// hashes, so a fine chain is a subsequence of a four-byte chain.
uint32_t LzmaMatchFinder::fineHash(const uint8_t* p) const {
  return (readU32le(p) * kHashMultiplier) >> (32 - fineHashBits_);
}

void LzmaMatchFinder::insert(uint32_t position) {
  if (size_t(position) + 4 > size_) return;
  const uint8_t* p = data_ + position;
  const uint32_t hash = fourByteHash(p);
  uint32_t& head = fourByteHeads_[hash];
  nearLinks_[position & (kNearRing - 1)] = head;
  head = position;
  uint32_t& fineHead = fineHeads_[fineHash(p)];
  fineLinks_[position & linkMask_] = FineLink{fineHead, readU32le(p), fourByteCounts_[hash]++};
  fineHead = position;
  threeByteHeads_[threeByteHash(p)] = position;
}

void LzmaMatchFinder::prefetch(uint32_t position) const {
  if (size_t(position) + 4 > size_) return;
  __builtin_prefetch(&fourByteHeads_[fourByteHash(data_ + position)]);
  __builtin_prefetch(&threeByteHeads_[threeByteHash(data_ + position)]);
  __builtin_prefetch(&fineHeads_[fineHash(data_ + position)]);
}

bool LzmaMatchFinder::sharesHeads(uint32_t inserted, uint32_t position) const {
  if (size_t(position) + 4 > size_) return false;
  const uint8_t* a = data_ + inserted;
  const uint8_t* b = data_ + position;
  return threeByteHash(a) == threeByteHash(b) || fourByteHash(a) == fourByteHash(b);
}

uint32_t LzmaMatchFinder::matchLength(uint32_t earlier, uint32_t position, uint32_t maxLength) const {
  const uint8_t* a = data_ + earlier;
  const uint8_t* b = data_ + position;
  uint32_t length = 0;
  while (length + 8 <= maxLength) {
    const uint64_t difference = load64(a + length) ^ load64(b + length);
    if (difference != 0) return length + uint32_t(std::countr_zero(difference) >> 3);
    length += 8;
  }
  while (length < maxLength && a[length] == b[length]) ++length;
  return length;
}

bool LzmaMatchFinder::consider(uint32_t candidate, uint32_t position, uint32_t niceLength, uint32_t maxLength,
                               uint32_t& best, uint32_t& distance) const {
  if (data_[candidate + best] != data_[position + best]) return false;
  const uint32_t length = matchLength(candidate, position, maxLength);
  if (length <= best || !lengthAllowedAt(length, position - candidate)) return false;
  best = length;
  distance = position - candidate;
  return best >= niceLength || best == maxLength;
}

void LzmaMatchFinder::findFar(uint32_t candidate, uint32_t position, uint32_t windowStart, uint32_t depth,
                              uint32_t niceLength, uint32_t maxLength, uint32_t fourByteHash, uint32_t& best,
                              uint32_t& distance) const {
  // Candidates whose first four bytes differ from the searched ones cannot give a match here (at
  // this distance one of three or fewer bytes is never taken): the plain walk passes them by, and
  // so may this one, without looking at their data. Only a candidate that could be taken needs
  // its rank, which tells whether the plain walk's depth would have reached it.
  const uint32_t inserted = fourByteCounts_[fourByteHash];
  const uint32_t word = readU32le(data_ + position);
  uint32_t fine = fineHeads_[fineHash(data_ + position)];
  while (fine != kEmpty && fine > candidate) {  // the nearby ones, already visited
    const uint32_t next = fineLinks_[fine & linkMask_].previous;
    if (next >= fine) return;
    fine = next;
  }
  while (fine != kEmpty && best < maxLength) {
    if (fine < windowStart || position - fine > dictionarySize_) return;
    const FineLink& link = fineLinks_[fine & linkMask_];
    if (link.word == word) {
      if (inserted - link.ordinal > depth) return;
      if (consider(fine, position, niceLength, maxLength, best, distance)) return;
    }
    if (link.previous >= fine) return;
    fine = link.previous;
  }
}

uint32_t LzmaMatchFinder::find(uint32_t position, uint32_t windowStart, uint32_t depth, uint32_t niceLength,
                               uint32_t& distance) const {
  if (size_t(position) + 4 > size_) return 0;
  const uint32_t maxLength = uint32_t(std::min<size_t>(kLzmaMaxMatchLength, size_ - position));
  const uint8_t* p = data_ + position;
  uint32_t best = 0;

  const uint32_t threeByteCandidate = threeByteHeads_[threeByteHash(p)];
  if (threeByteCandidate != kEmpty && threeByteCandidate >= windowStart && threeByteCandidate < position &&
      position - threeByteCandidate <= dictionarySize_) {
    const uint32_t length = matchLength(threeByteCandidate, position, maxLength);
    if (length >= kLzmaShortestFind && lengthAllowedAt(length, position - threeByteCandidate)) {
      best = length;
      distance = position - threeByteCandidate;
    }
  }

  const uint32_t hash = fourByteHash(p);
  const uint32_t fullDepth = depth;
  uint32_t candidate = fourByteHeads_[hash];
  // Once best is the longest possible, no candidate can improve on it.
  while (candidate != kEmpty && depth != 0 && best < maxLength) {
    if (candidate < windowStart || candidate >= position || position - candidate > dictionarySize_) break;
    if (position - candidate >= kNearRing) {
      findFar(candidate, position, windowStart, fullDepth, niceLength, maxLength, hash, best, distance);
      break;
    }
    if (consider(candidate, position, niceLength, maxLength, best, distance)) break;
    const uint32_t next = nearLinks_[candidate & (kNearRing - 1)];
    if (next >= candidate) break;
    candidate = next;
    --depth;
  }
  return best >= kLzmaShortestFind ? best : 0;
}

}  // namespace tolzeb
