// LZMA2 chunking around the LZMA encoder: LZMA chunks of at most 2 MiB of input, cut when their
// packed size nears the 64 KiB a header can state, and stored chunks where coding gains nothing.
#include <algorithm>

#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_encoder.h"

namespace tolzeb {

namespace {

constexpr uint64_t kMaxEncoderInput = 0x80000000;
constexpr size_t kChunkInput = size_t(2) << 20;
// Stopping here leaves room for the last symbol and the range coder's flush below 64 KiB.
constexpr size_t kPackedLimit = 0xFC00;
constexpr uint8_t kEncoderPropertiesByte = 0x5D;  // lc 3, lp 0, pb 2

void appendU16be(Bytes& out, uint32_t value) {
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}

}  // namespace

Result<Bytes> lzma2Encode(const uint8_t* data, size_t size, int32_t level, uint32_t& dictionarySize) {
  if (data == nullptr && size != 0) return Failure{StatusCode::invalid_argument, L"lzma2Encode: null input"};
  if (uint64_t(size) > kMaxEncoderInput)
    return Failure{StatusCode::resource_limit, L"lzma2Encode: block is larger than this encoder handles"};

  dictionarySize = lzmaDictionarySizeFor(level, size);
  Bytes stream;
  if (size == 0) {
    stream.push_back(kLzma2End);
    return stream;
  }

  LzmaProperties properties;
  properties.dictionarySize = dictionarySize;
  LzmaEncoder encoder(data, size, properties, level);
  stream.reserve(size / 2 + 64);
  Bytes packed;
  packed.reserve(kLzma2MaxPackedChunk + 64);
  bool firstChunk = true;
  bool afterStoredChunk = false;
  size_t consumed = 0;
  while (consumed < size) {
    packed.clear();
    const size_t chunkEnd = std::min(consumed + kChunkInput, size);
    const size_t unpacked = encoder.encodeChunk(packed, chunkEnd, kPackedLimit);
    if (packed.size() < unpacked || unpacked > kLzma2MaxStoredChunk) {
      if (packed.size() > kLzma2MaxPackedChunk)
        return Failure{StatusCode::general, L"lzma2Encode: chunk overran its header limit"};
      const uint8_t control = firstChunk         ? kLzma2LzmaDictionaryReset
                              : afterStoredChunk ? kLzma2LzmaNewProperties
                                                 : kLzma2LzmaChunk;
      stream.push_back(uint8_t(control | (unpacked - 1) >> 16));
      appendU16be(stream, uint32_t(unpacked - 1));
      appendU16be(stream, uint32_t(packed.size() - 1));
      if (control != kLzma2LzmaChunk) stream.push_back(kEncoderPropertiesByte);
      stream.insert(stream.end(), packed.begin(), packed.end());
      afterStoredChunk = false;
    } else {
      stream.push_back(firstChunk ? kLzma2StoredWithDictionaryReset : kLzma2Stored);
      appendU16be(stream, uint32_t(unpacked - 1));
      stream.insert(stream.end(), data + consumed, data + consumed + unpacked);
      // The decoder forgets its state at the next chunk's properties; so must we.
      encoder.resetState();
      afterStoredChunk = true;
    }
    firstChunk = false;
    consumed += unpacked;
  }
  stream.push_back(kLzma2End);
  return stream;
}

}  // namespace tolzeb
