// Hand-made VELT payloads for decoder tests: three streams written separately, then joined
// behind their length header.
#pragma once

#include <initializer_list>

#include "engine/core/bytes.h"

namespace tolzeb::testdata {

struct PayloadBuilder {
  Bytes token, literal, extra;

  PayloadBuilder& tok(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) token.push_back(b);
    return *this;
  }
  PayloadBuilder& tokVarint(uint64_t v) {
    appendVarint(token, v);
    return *this;
  }
  PayloadBuilder& lit(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) literal.push_back(b);
    return *this;
  }
  PayloadBuilder& litBytes(const Bytes& bytes) {
    literal.insert(literal.end(), bytes.begin(), bytes.end());
    return *this;
  }
  PayloadBuilder& ext(uint64_t v) {
    appendVarint(extra, v);
    return *this;
  }
  Bytes build() const {
    Bytes out;
    appendVarint(out, token.size());
    appendVarint(out, literal.size());
    appendVarint(out, extra.size());
    out.insert(out.end(), token.begin(), token.end());
    out.insert(out.end(), literal.begin(), literal.end());
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
  }
};

// Token byte for a length inside the inline range of its kind.
inline uint8_t tokenByte(uint8_t kind, uint32_t length) {
  static const uint32_t minLength[] = {1, 4, 4, 4, 4, 16, 4, 0};
  return uint8_t((length - minLength[kind]) << 3 | kind);
}

}  // namespace tolzeb::testdata
