// A plain, literal VELT block decoder for differential checks of the fast one: one bounded
// reader per stream, byte-by-byte copies, every check in the documented order.
#pragma once

#include <span>
#include <string>

#include "engine/core/bytes.h"
#include "codecs/velt/huffman.h"
#include "engine/core/status.h"

namespace tolzeb::reference {

inline Result<Bytes> decodeBlock(std::span<const uint8_t> payload, uint32_t declaredSize,
                                 std::span<const uint8_t> dictionary) {
  auto fail = [](const std::wstring& message) { return Failure{StatusCode::corrupt_archive, message}; };
  if (declaredSize == 0) return fail(L"VELT block declares a zero decoded size");
  if (declaredSize > 4194304) return fail(L"VELT block declares a decoded size above the block limit");
  ByteReader header(payload.data(), payload.size());
  auto t = readVarint(header);
  auto l = t ? readVarint(header) : std::nullopt;
  auto e = l ? readVarint(header) : std::nullopt;
  if (!e) return fail(L"VELT block has a malformed section header");
  if (*t > UINT64_MAX - *l || *t + *l > UINT64_MAX - *e || *t + *l + *e != header.remaining())
    return fail(L"VELT section lengths do not account for the block payload");
  const uint8_t* base = payload.data() + header.pos;
  ByteReader tokens(base, size_t(*t)), literals(base + *t, size_t(*l)), extras(base + *t + *l, size_t(*e));
  static const uint64_t minLength[] = {1, 4, 4, 4, 4, 16, 4};
  Bytes out;
  out.reserve(declaredSize);
  uint64_t recent[4] = {0, 0, 0, 0};
  auto toFront = [&](int position, uint64_t d) {
    for (int k = position; k > 0; --k) recent[k] = recent[k - 1];
    recent[0] = d;
  };
  auto copy = [&](uint64_t d, uint64_t n) {
    for (uint64_t k = 0; k < n; ++k) out.push_back(out[out.size() - d]);
  };
  while (out.size() < declaredSize) {
    auto tokenByte = tokens.readU8();
    if (!tokenByte) return fail(L"VELT stream ended before the block was complete");
    int kind = *tokenByte & 7;
    if (kind == 7) return fail(L"VELT stream uses reserved opcode 7");
    uint64_t length = *tokenByte >> 3;
    if (length == 31) {
      auto x = readVarint(tokens);
      if (!x) return fail(L"VELT token has a malformed length");
      if (*x > 4194304) return fail(L"VELT token length exceeds the block limit");
      length += *x;
    }
    length += minLength[kind];
    if (length > declaredSize - out.size()) return fail(L"VELT token would write past the end of the block");
    if (kind == 0) {
      const uint8_t* bytes = literals.take(size_t(length));
      if (!bytes) return fail(L"VELT literal run extends past the end of the stream");
      out.insert(out.end(), bytes, bytes + length);
    } else if (kind == 1) {
      auto value = literals.readU8();
      if (!value) return fail(L"VELT run token has no value");
      out.insert(out.end(), size_t(length), *value);
    } else if (kind == 2) {
      auto d = readVarint(extras);
      if (!d) return fail(L"VELT match has no distance");
      if (*d == 0 || *d > out.size()) return fail(L"VELT match distance points outside the decoded history");
      copy(*d, length);
      int position = 3;
      for (int k = 0; k < 4; ++k)
        if (recent[k] == *d) {
          position = k;
          break;
        }
      toFront(position, *d);
    } else if (kind == 3) {
      auto slot = tokens.readU8();
      if (!slot) return fail(L"VELT rep token has no slot");
      if (*slot > 3) return fail(L"VELT rep token names slot " + decimal(uint32_t(*slot)) + L", but only 0..3 exist");
      uint64_t d = recent[*slot];
      if (d == 0) return fail(L"VELT rep token uses a slot that was never set");
      if (d > out.size()) return fail(L"VELT rep distance points outside the decoded history");
      copy(d, length);
      toFront(*slot, d);
    } else if (kind == 4) {
      auto offset = readVarint(extras);
      if (!offset) return fail(L"VELT dict token has no offset");
      if (dictionary.empty()) return fail(L"VELT block references a dictionary the archive does not have");
      if (*offset > dictionary.size() || length > dictionary.size() - *offset)
        return fail(L"VELT dict reference lies outside the dictionary");
      out.insert(out.end(), dictionary.begin() + *offset, dictionary.begin() + *offset + length);
    } else if (kind == 5) {
      if (length > 4096) return fail(L"VELT patch token exceeds the 4096 byte limit");
      auto d = readVarint(extras);
      if (!d) return fail(L"VELT patch has no distance");
      if (*d < length || *d > out.size()) return fail(L"VELT patch distance is out of range for a disjoint copy");
      auto count = readVarint(tokens);
      if (!count) return fail(L"VELT patch has no edit count");
      if (*count == 0 || *count > 16) return fail(L"VELT patch edit count is out of range");
      size_t start = out.size();
      copy(*d, length);
      uint64_t position = 0;
      for (uint64_t edit = 0; edit < *count; ++edit) {
        auto gap = readVarint(tokens);
        if (!gap || literals.atEnd()) return fail(L"VELT patch edit list is truncated");
        // Positions strictly increase; a gap that would wrap is outside the token too.
        uint64_t next = edit == 0 ? 0 : position + 1;
        if (*gap >= length - next) return fail(L"VELT patch edit position is outside the token");
        position = next + *gap;
        out[start + position] = *literals.readU8();
      }
    } else {
      out.insert(out.end(), size_t(length), uint8_t(0));
    }
  }
  if (!tokens.atEnd() || !literals.atEnd() || !extras.atEnd())
    return fail(L"VELT stream has trailing bytes after the last token");
  return out;
}

}  // namespace tolzeb::reference

namespace tolzeb::reference {

// VELT_HUFF decoded one stream after another, exactly in storage order.
inline Result<Bytes> decodeVeltHuff(std::span<const uint8_t> payload, uint64_t bound) {
  auto fail = [](const wchar_t* message) { return Failure{StatusCode::corrupt_archive, message}; };
  if (payload.empty()) return fail(L"VELT_HUFF payload has no section flags");
  if (payload[0] >= 8) return fail(L"VELT_HUFF payload sets unknown section flags");
  ByteReader reader(payload.data() + 1, payload.size() - 1);
  uint64_t stored[3];
  for (uint64_t& size : stored) {
    auto read = readVarint(reader);
    if (!read) return fail(L"VELT_HUFF payload has a malformed section length");
    if (*read > payload.size()) return fail(L"VELT_HUFF section length exceeds the payload");
    size = *read;
  }
  Bytes decoded[3];
  uint64_t total = 0;
  for (int i = 0; i < 3; ++i) {
    const uint8_t* bytes = reader.take(size_t(stored[i]));
    if (!bytes) return fail(L"VELT_HUFF payload is truncated");
    if (payload[0] >> i & 1) {
      Result<Bytes> stream = huffmanDecode({bytes, size_t(stored[i])}, bound);
      if (stream.failed()) return stream.failure();
      decoded[i] = std::move(*stream);
    } else {
      decoded[i].assign(bytes, bytes + stored[i]);
    }
    total += decoded[i].size();
    if (total > bound) return fail(L"VELT_HUFF sections exceed the permitted block size");
  }
  if (!reader.atEnd()) return fail(L"VELT_HUFF payload has trailing bytes after the last section");
  Bytes out;
  for (const Bytes& d : decoded) appendVarint(out, d.size());
  for (const Bytes& d : decoded) out.insert(out.end(), d.begin(), d.end());
  return out;
}

}  // namespace tolzeb::reference
