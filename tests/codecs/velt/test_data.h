// Deterministic generated blocks for the VELT tests: the same bytes in every build (no standard
// library distributions, whose results differ between implementations).
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/bytes.h"

namespace tolzeb::testdata {

struct Rng {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  uint32_t below(uint32_t n) { return uint32_t(next() % n); }
};

inline Bytes randomBytes(size_t size, uint64_t seed) {
  Rng rng{seed};
  Bytes out(size);
  for (auto& b : out) b = uint8_t(rng.next());
  return out;
}

// Words drawn from a small vocabulary with punctuation: compresses like prose.
inline Bytes text(size_t size, uint64_t seed) {
  static const char* const words[] = {"the",   "archive", "block",  "of",     "and",    "a",     "chunk",
                                      "codec", "speed",   "to",     "in",     "data",   "is",    "with",
                                      "every", "byte",    "stream", "window", "header", "entry", "level"};
  Rng rng{seed};
  std::string s;
  while (s.size() < size) {
    s += words[rng.below(sizeof(words) / sizeof(words[0]))];
    uint32_t r = rng.below(16);
    s += r == 0 ? ". " : r == 1 ? ", " : r == 2 ? "\n" : " ";
  }
  s.resize(size);
  return Bytes(s.begin(), s.end());
}

// Fixed-width records with counters, small fields and occasional noise: like tables and
// executables, with near-repeats that suit patched copies.
inline Bytes records(size_t size, uint64_t seed) {
  Rng rng{seed};
  Bytes out;
  uint32_t counter = 0;
  while (out.size() < size) {
    appendU32le(out, counter++);
    appendU16le(out, uint16_t(rng.below(4)));
    out.push_back(uint8_t(0x40 + rng.below(3)));
    out.push_back(0);
    appendU64le(out, 0x0123456789ABCDEFULL ^ (rng.below(64) == 0 ? rng.next() : 0));
    for (int k = 0; k < 8; ++k) out.push_back(uint8_t("RECORD__"[k]));
  }
  out.resize(size);
  return out;
}

inline Bytes runs(size_t size, uint64_t seed) {
  Rng rng{seed};
  Bytes out;
  while (out.size() < size) {
    uint8_t value = rng.below(3) == 0 ? 0 : uint8_t(rng.next());
    out.insert(out.end(), 1 + rng.below(300), value);
  }
  out.resize(size);
  return out;
}

// Text with stretches copied from far back, some with a few bytes changed.
inline Bytes mixed(size_t size, uint64_t seed) {
  Rng rng{seed};
  Bytes out = text(size / 4 + 64, seed);
  while (out.size() < size) {
    uint32_t kind = rng.below(4);
    if (kind == 0) {
      // Two draws in a fixed order: argument evaluation order differs between compilers.
      const uint64_t textSeed = rng.next();
      const size_t textSize = 1 + rng.below(64);
      Bytes more = text(textSize, textSeed);
      out.insert(out.end(), more.begin(), more.end());
    } else {
      size_t distance = 1 + rng.below(uint32_t(std::min<size_t>(out.size(), kind == 3 ? 200000 : 4000)));
      size_t length = 4 + rng.below(kind == 3 ? 400 : 60);
      size_t from = out.size() - distance;
      for (size_t k = 0; k < length; ++k) {
        out.push_back(out[from + k]);
        if (rng.below(40) == 0) out.back() ^= 0x20;
      }
    }
  }
  out.resize(size);
  return out;
}

}  // namespace tolzeb::testdata
