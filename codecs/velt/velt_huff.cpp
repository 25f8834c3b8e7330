#include "codecs/velt/velt_huff.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/velt/huffman.h"
#include "codecs/velt/huffman_decoder.h"
#include "codecs/velt/velt_format.h"

namespace tolzeb {
namespace {

constexpr int kStreamCount = 3;

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
  Bytes out;
  TOLZEB_ASSIGN_OR_RETURN(const std::span<const uint8_t> wrapped, decodeVeltHuffInto(payload, bound, out));
  out.resize(wrapped.size());
  return out;
}

Result<std::span<const uint8_t>> decodeVeltHuffInto(std::span<const uint8_t> payload, uint64_t bound, Bytes& out) {
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

  // The three streams are checked and decoded in storage order, and the first failure met in
  // that order is the one reported. To let the coded streams decode side by side, the checks
  // that need no decoding (a stream's presence, its length prefix and code table) run first,
  // up to the first that fails; the streams before it are then decoded together, and their
  // outcomes and the size bound are taken in order before that failure.
  std::span<const uint8_t> streams[kStreamCount];
  std::unique_ptr<HuffmanBlockDecoder> decoders[kStreamCount];
  uint64_t decodedSize[kStreamCount] = {};
  int opened = 0;
  Status laterFailure;
  for (; opened < kStreamCount; ++opened) {
    const uint8_t* bytes = reader.take(size_t(storedSize[opened]));
    if (!bytes) {
      laterFailure = corrupt(L"VELT_HUFF payload is truncated");
      break;
    }
    streams[opened] = {bytes, size_t(storedSize[opened])};
    decodedSize[opened] = storedSize[opened];
    if (flags >> opened & 1) {
      decoders[opened] = std::make_unique<HuffmanBlockDecoder>();
      Status header = decoders[opened]->open(streams[opened], bound);
      if (header.failed()) {
        laterFailure = std::move(header);
        break;
      }
      decodedSize[opened] = decoders[opened]->symbolCount();
    }
  }
  // Nothing past the stream whose size breaks the bound is decoded.
  int decodeCount = opened;
  uint64_t cumulative = 0;
  for (int i = 0; i < opened; ++i) {
    cumulative += decodedSize[i];
    if (cumulative > bound) {
      decodeCount = i + 1;
      break;
    }
  }

  // On success the header holds exactly these sizes; on failure the output is not used.
  Bytes header;
  header.reserve(3 * 10);
  for (uint64_t size : decodedSize) appendVarint(header, size);
  size_t offsets[kStreamCount] = {};
  size_t bodySize = 0;
  for (int i = 0; i < decodeCount; ++i) {
    offsets[i] = header.size() + bodySize;
    bodySize += size_t(decodedSize[i]);
  }
  // Only grown, never shrunk: a buffer reused across blocks is not zero-filled again before
  // the decoders overwrite it.
  const size_t wrappedSize = header.size() + bodySize;
  if (out.capacity() < wrappedSize) {
    // Doubling, as sizes creep up block by block, up to what the largest block needs; what it
    // held is not copied over.
    const size_t largest = header.size() + kVeltMaxBlockSize;
    Bytes larger;
    larger.reserve(std::max(wrappedSize, std::min(2 * out.capacity(), largest)));
    out = std::move(larger);
  }
  if (out.size() < wrappedSize) out.resize(wrappedSize);
  std::memcpy(out.data(), header.data(), header.size());
  for (int i = 0; i < decodeCount; ++i) {
    if (decoders[i])
      decoders[i]->start(out.data() + offsets[i]);
    else if (!streams[i].empty())
      std::memcpy(out.data() + offsets[i], streams[i].data(), streams[i].size());
  }
  // The streams are independent: side by side while all of them can step, then each alone.
  HuffmanBlockDecoder* coded[kStreamCount];
  int codedCount = 0;
  for (int i = 0; i < decodeCount; ++i)
    if (decoders[i]) coded[codedCount++] = decoders[i].get();
  if (codedCount == 3) HuffmanBlockDecoder::decodeTogether({coded[0], coded[1], coded[2]});
  if (codedCount >= 2) HuffmanBlockDecoder::decodeTogether({coded[0], coded[1]});
  for (int k = 0; k < codedCount; ++k) HuffmanBlockDecoder::decodeTogether({coded[k]});

  uint64_t total = 0;
  for (int i = 0; i < decodeCount; ++i) {
    if (decoders[i]) TOLZEB_TRY(decoders[i]->finish());
    total += decodedSize[i];
    if (total > bound) return corrupt(L"VELT_HUFF sections exceed the permitted block size");
  }
  if (laterFailure.failed()) return std::move(laterFailure).failure();
  if (!reader.atEnd()) return corrupt(L"VELT_HUFF payload has trailing bytes after the last section");
  return std::span<const uint8_t>(out.data(), wrappedSize);
}

}  // namespace tolzeb
