// Generated inputs of the shapes that exercise the LZMA2 encoder's paths, and a reader of the
// chunk headers of an LZMA2 stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_lists.h"

namespace tolzeb::testdata {

// A small deterministic generator, so every run sees the same bytes.
class Lcg {
 public:
  explicit Lcg(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  uint32_t next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state_ >> 33);
  }

 private:
  uint64_t state_;
};

inline std::vector<uint8_t> noiseBytes(size_t size, uint64_t seed) {
  Lcg rng(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = uint8_t(rng.next());
  return out;
}

// Words from a small vocabulary with punctuation: text-like, compressible, not trivially so.
inline std::vector<uint8_t> textBytes(size_t size, uint64_t seed) {
  static const char* const words[] = {"archive", "the", "of", "stream", "chunk", "and", "dictionary", "match",
                                      "literal", "a", "range", "coder", "window", "to", "probability", "state",
                                      "length", "distance", "is", "in", "decoder", "encoder", "byte", "data"};
  Lcg rng(seed);
  std::vector<uint8_t> out;
  out.reserve(size + 16);
  while (out.size() < size) {
    const std::string word = words[rng.next() % (sizeof(words) / sizeof(words[0]))];
    out.insert(out.end(), word.begin(), word.end());
    const uint32_t r = rng.next() % 16;
    out.push_back(r == 0 ? '.' : r == 1 ? '\n' : ' ');
  }
  out.resize(size);
  return out;
}

// Fixed-size records with counters, small integers and repeated tags: binary-like data.
inline std::vector<uint8_t> binaryBytes(size_t size, uint64_t seed) {
  Lcg rng(seed);
  std::vector<uint8_t> out;
  out.reserve(size + 32);
  for (uint32_t record = 0; out.size() < size; ++record) {
    const uint32_t fields[] = {record, record * 3 + 7, rng.next() % 1000, 0x12345678, rng.next() & 0xFF};
    for (uint32_t v : fields)
      for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    out.push_back(uint8_t(rng.next() % 4));
    out.push_back(0);
  }
  out.resize(size);
  return out;
}

struct Lzma2Chunk {
  uint8_t control;
  uint32_t unpackedSize;
  uint32_t packedSize;  // the stored size for stored chunks
};

// The chunks of a well-formed stream up to its end byte; `ok` is false when the framing is broken.
inline std::vector<Lzma2Chunk> readChunks(const std::vector<uint8_t>& stream, bool& ok) {
  std::vector<Lzma2Chunk> chunks;
  size_t at = 0;
  ok = false;
  while (at < stream.size()) {
    const uint8_t control = stream[at];
    if (control == 0) {
      ok = at + 1 == stream.size();
      return chunks;
    }
    if (control == 1 || control == 2) {
      if (at + 3 > stream.size()) return chunks;
      const uint32_t size = (uint32_t(stream[at + 1]) << 8 | stream[at + 2]) + 1;
      chunks.push_back({control, size, size});
      at += 3 + size;
      continue;
    }
    if (control < 0x80 || at + 5 > stream.size()) return chunks;
    const uint32_t unpacked = (uint32_t(control & 0x1F) << 16 | uint32_t(stream[at + 1]) << 8 | stream[at + 2]) + 1;
    const uint32_t packed = (uint32_t(stream[at + 3]) << 8 | stream[at + 4]) + 1;
    chunks.push_back({uint8_t(control & 0xE0), unpacked, packed});
    at += 5 + (control >= 0xC0 ? 1 : 0) + packed;
  }
  return chunks;
}

}  // namespace tolzeb::testdata
