#include "codecs/velt/velt_huff.h"

#include "codecs/velt/huffman.h"

namespace tolzeb {
namespace {

Failure corrupt(const wchar_t* message) { return Failure{StatusCode::corrupt_archive, message}; }

constexpr int kStreamCount = 3;

size_t varintSize(uint64_t value) {
  size_t size = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++size;
  }
  return size;
}

// The decoded size a stored stream will have if it decodes at all: a Huffman block's own count,
// or the raw length. Used only to lay out the output before decoding into it.
uint64_t expectedDecodedSize(std::span<const uint8_t> stored, bool huffman) {
  if (!huffman) return stored.size();
  ByteReader reader(stored.data(), stored.size());
  return readVarint(reader).value_or(0);
}

}  // namespace

Result<VeltSections> splitVeltSections(std::span<const uint8_t> payload) {
  ByteReader reader(payload.data(), payload.size());
  std::optional<uint64_t> sizes[kStreamCount];
  for (auto& size : sizes) {
    size = readVarint(reader);
    if (!size) return corrupt(L"VELT payload has a malformed section header");
  }
  const uint64_t rest = reader.remaining();
  for (auto& size : sizes)
    if (*size > rest) return corrupt(L"VELT section length exceeds the payload");
  if (*sizes[0] + *sizes[1] + *sizes[2] != rest) return corrupt(L"VELT section lengths do not account for the payload");
  const uint8_t* p = payload.data() + reader.pos;
  VeltSections sections;
  sections.token = {p, size_t(*sizes[0])};
  sections.literal = {p + *sizes[0], size_t(*sizes[1])};
  sections.extra = {p + *sizes[0] + *sizes[1], size_t(*sizes[2])};
  return sections;
}

Result<Bytes> encodeVeltHuff(std::span<const uint8_t> payload) {
  TOLZEB_ASSIGN_OR_RETURN(VeltSections sections, splitVeltSections(payload));
  const std::span<const uint8_t> streams[kStreamCount] = {sections.token, sections.literal, sections.extra};
  Bytes coded[kStreamCount];
  uint8_t flags = 0;
  size_t predicted = 1;
  for (int i = 0; i < kStreamCount; ++i) {
    size_t storedSize = streams[i].size();
    if (!streams[i].empty()) {
      TOLZEB_ASSIGN_OR_RETURN(coded[i], huffmanEncode(streams[i]));
      if (!coded[i].empty() && coded[i].size() < streams[i].size()) {
        flags |= uint8_t(1u << i);
        storedSize = coded[i].size();
      }
    }
    predicted += varintSize(storedSize) + storedSize;
  }
  if (flags == 0 || predicted >= payload.size()) return Bytes{};

  Bytes out;
  out.reserve(predicted);
  out.push_back(flags);
  for (int i = 0; i < kStreamCount; ++i) appendVarint(out, (flags >> i & 1) ? coded[i].size() : streams[i].size());
  for (int i = 0; i < kStreamCount; ++i) {
    if (flags >> i & 1)
      out.insert(out.end(), coded[i].begin(), coded[i].end());
    else
      out.insert(out.end(), streams[i].begin(), streams[i].end());
  }
  return out;
}

Result<Bytes> decodeVeltHuff(std::span<const uint8_t> payload, uint64_t bound) {
  if (payload.empty()) return corrupt(L"VELT_HUFF payload has no section flags");
  const uint8_t flags = payload[0];
  if (flags >= kVeltHuffFlagLimit) return corrupt(L"VELT_HUFF payload sets unknown section flags");
  ByteReader reader(payload.data() + 1, payload.size() - 1);
  uint64_t storedSize[kStreamCount];
  for (auto& size : storedSize) {
    std::optional<uint64_t> read = readVarint(reader);
    if (!read) return corrupt(L"VELT_HUFF payload has a malformed section length");
    if (*read > payload.size()) return corrupt(L"VELT_HUFF section length exceeds the payload");
    size = *read;
  }

  // The header of the result holds the decoded sizes. On success they are the sizes the stored
  // streams announce, so the header is written first and the streams decode straight behind it;
  // any stream that does not deliver its announced size fails below.
  std::span<const uint8_t> stored[kStreamCount];
  uint64_t announced[kStreamCount] = {};
  {
    size_t offset = reader.pos;
    for (int i = 0; i < kStreamCount; ++i) {
      size_t available = reader.size - offset;
      size_t take = storedSize[i] <= available ? size_t(storedSize[i]) : available;
      stored[i] = {reader.data + offset, take};
      announced[i] = expectedDecodedSize(stored[i], flags >> i & 1);
      offset += take;
    }
  }
  Bytes out;
  for (uint64_t size : announced) appendVarint(out, size);
  const size_t headerSize = out.size();
  if (announced[0] <= bound && announced[1] <= bound && announced[2] <= bound &&
      announced[0] + announced[1] + announced[2] <= bound)
    out.reserve(headerSize + size_t(announced[0] + announced[1] + announced[2]));

  uint64_t total = 0;
  for (int i = 0; i < kStreamCount; ++i) {
    const uint8_t* bytes = reader.take(size_t(storedSize[i]));
    if (!bytes) return corrupt(L"VELT_HUFF payload is truncated");
    std::span<const uint8_t> stream(bytes, size_t(storedSize[i]));
    size_t before = out.size();
    if (flags >> i & 1) {
      TOLZEB_TRY(huffmanDecodeAppend(stream, bound, out));
    } else {
      out.insert(out.end(), stream.begin(), stream.end());
    }
    total += out.size() - before;
    if (total > bound) return corrupt(L"VELT_HUFF sections exceed the permitted block size");
  }
  if (!reader.atEnd()) return corrupt(L"VELT_HUFF payload has trailing bytes after the last section");
  return out;
}

}  // namespace tolzeb
