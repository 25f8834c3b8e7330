// Byte coding: little-endian fields, LEB128 varints, a bounded reader, safe range arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tolzeb {

using Bytes = std::vector<uint8_t>;

inline uint16_t readU16le(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t readU32le(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t readU64le(const uint8_t* p) { return uint64_t(readU32le(p)) | uint64_t(readU32le(p + 4)) << 32; }

inline void writeU16le(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void writeU32le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void writeU64le(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

inline void appendU16le(Bytes& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void appendU32le(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
inline void appendU64le(Bytes& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// Unsigned LEB128: 7 bits a byte, least significant first; at most 10 bytes.
void appendVarint(Bytes& out, uint64_t value);

// A non-owning cursor over a byte span; `pos` never passes `size`.
struct ByteReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;

  ByteReader() = default;
  ByteReader(const uint8_t* bytes, size_t length) : data(bytes), size(length) {}
  explicit ByteReader(const Bytes& bytes) : data(bytes.data()), size(bytes.size()) {}

  size_t remaining() const { return size - pos; }
  bool atEnd() const { return pos == size; }

  // The next n bytes, or null (position unchanged) when fewer remain.
  const uint8_t* take(size_t n) {
    if (n > size - pos) return nullptr;
    const uint8_t* p = data + pos;
    pos += n;
    return p;
  }
  std::optional<uint8_t> readU8() {
    const uint8_t* p = take(1);
    if (!p) return std::nullopt;
    return *p;
  }
  std::optional<uint16_t> readU16() {
    const uint8_t* p = take(2);
    if (!p) return std::nullopt;
    return readU16le(p);
  }
  std::optional<uint32_t> readU32() {
    const uint8_t* p = take(4);
    if (!p) return std::nullopt;
    return readU32le(p);
  }
  std::optional<uint64_t> readU64() {
    const uint8_t* p = take(8);
    if (!p) return std::nullopt;
    return readU64le(p);
  }
};

// Fails on a truncated, over-long, over-64-bit or non-minimal form; bytes read stay consumed.
std::optional<uint64_t> readVarint(ByteReader& reader);

inline std::optional<uint64_t> checkedAdd(uint64_t a, uint64_t b) {
  if (a > UINT64_MAX - b) return std::nullopt;
  return a + b;
}

inline std::optional<uint64_t> checkedMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return std::nullopt;
  return a * b;
}

// offset + length neither overflows nor passes limit.
inline bool rangeFits(uint64_t offset, uint64_t length, uint64_t limit) {
  return offset <= UINT64_MAX - length && offset + length <= limit;
}

// Both ranges non-empty and intersecting; adjacent ranges do not overlap.
inline bool rangesOverlap(uint64_t offsetA, uint64_t lengthA, uint64_t offsetB, uint64_t lengthB) {
  if (lengthA == 0 || lengthB == 0) return false;
  // Compare without forming offset + length, which may overflow.
  if (offsetA <= offsetB) return offsetB - offsetA < lengthA;
  return offsetA - offsetB < lengthB;
}

// Plain comparison of two 32-byte SHA-256 digests.
inline bool sameDigest(const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, 32) == 0; }

// Decimal text of a number, for messages (no locale, no C library wide I/O).
std::wstring decimal(uint64_t value);
std::wstring decimal(int64_t value);
inline std::wstring decimal(uint32_t value) { return decimal(uint64_t(value)); }
inline std::wstring decimal(int value) { return decimal(int64_t(value)); }

}  // namespace tolzeb
