#include "codecs/lzma/lzma_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "codecs/lzma/lzma_format.h"
#include "engine/core/bytes.h"

namespace tolzeb {

namespace {

constexpr uint32_t kEmpty = 0xFFFFFFFF;
constexpr uint32_t kHashMultiplier = 0x9E3779B1;
constexpr unsigned kThreeByteHashBits = 16;
constexpr unsigned kFourByteHashBits = 20;
constexpr uint32_t kMinMatch = 3;
// Short matches far back cost more to code than the literals they replace.
constexpr uint32_t kMaxDistanceOfLength3 = 0x4000;
constexpr uint32_t kMaxDistanceOfLength4 = 0x100000;

uint32_t fourByteHash(const uint8_t* p) { return (readU32le(p) * kHashMultiplier) >> (32 - kFourByteHashBits); }
uint32_t threeByteHash(const uint8_t* p) {
  return ((uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) * kHashMultiplier) >> (32 - kThreeByteHashBits);
}

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

LzmaMatchFinder::LzmaMatchFinder(const uint8_t* data, size_t size, uint32_t dictionarySize)
    : data_(data),
      size_(size),
      dictionarySize_(dictionarySize),
      threeByteHeads_(size_t(1) << kThreeByteHashBits, kEmpty),
      fourByteHeads_(size_t(1) << kFourByteHashBits, kEmpty),
      links_(std::min<size_t>(dictionarySize, std::bit_ceil(std::max<size_t>(size, 1))), kEmpty),
      linkMask_(uint32_t(links_.size() - 1)) {}

void LzmaMatchFinder::insert(uint32_t position) {
  if (size_t(position) + 4 > size_) return;
  const uint8_t* p = data_ + position;
  uint32_t& head = fourByteHeads_[fourByteHash(p)];
  links_[position & linkMask_] = head;
  head = position;
  threeByteHeads_[threeByteHash(p)] = position;
}

void LzmaMatchFinder::prefetch(uint32_t position) const {
  if (size_t(position) + 4 > size_) return;
  __builtin_prefetch(&fourByteHeads_[fourByteHash(data_ + position)]);
  __builtin_prefetch(&threeByteHeads_[threeByteHash(data_ + position)]);
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
    if (length >= kMinMatch && lengthAllowedAt(length, position - threeByteCandidate)) {
      best = length;
      distance = position - threeByteCandidate;
    }
  }

  uint32_t candidate = fourByteHeads_[fourByteHash(p)];
  // Once best is the longest possible, no candidate can improve on it.
  while (candidate != kEmpty && depth != 0 && best < maxLength) {
    if (candidate < windowStart || candidate >= position || position - candidate > dictionarySize_) break;
    if (data_[candidate + best] == p[best]) {
      const uint32_t length = matchLength(candidate, position, maxLength);
      if (length > best && lengthAllowedAt(length, position - candidate)) {
        best = length;
        distance = position - candidate;
        if (best >= niceLength || best == maxLength) break;
      }
    }
    const uint32_t next = links_[candidate & linkMask_];
    if (next >= candidate) break;
    candidate = next;
    --depth;
  }
  return best >= kMinMatch ? best : 0;
}

}  // namespace tolzeb
