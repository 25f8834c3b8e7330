// LZMA2 chunk framing around the LZMA symbol decoder.
#include <algorithm>

#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_decoder.h"

namespace tolzeb {

namespace {

// Reserve for a few times the input up front; the output grows geometrically after that.
constexpr uint64_t kLzma2ReservePerInputByte = 4;

}  // namespace

Result<Bytes> lzma2Decode(const uint8_t* data, size_t size, uint32_t dictionarySize, uint64_t cap) {
  if (data == nullptr && size != 0) return Failure{StatusCode::invalid_argument, L"lzma2Decode: null input"};

  LzmaDecoder decoder(dictionarySize);
  bool propertiesSent = false;
  Bytes output;
  LzmaFlatWindow window(output);
  output.reserve(size_t(std::min<uint64_t>(cap, uint64_t(size) * kLzma2ReservePerInputByte)));

  size_t offset = 0;
  while (offset < size) {
    const uint8_t control = data[offset];
    if (control == kLzma2End) break;

    if (control == kLzma2StoredWithDictionaryReset || control == kLzma2Stored) {
      if (size - offset < kLzma2StoredHeaderSize) return corrupt(L"LZMA2: truncated stored chunk");
      const size_t chunkSize = readLzma2Size16(data + offset + 1) + size_t(1);
      offset += kLzma2StoredHeaderSize;
      if (chunkSize > size - offset) return corrupt(L"LZMA2: stored chunk runs past the end");
      if (output.size() + chunkSize > cap) return decompressedOverLimit();
      if (control == kLzma2StoredWithDictionaryReset) {
        window.restart();
        decoder.resetState();
      }
      output.insert(output.end(), data + offset, data + offset + chunkSize);
      offset += chunkSize;
      continue;
    }

    if (control < kLzma2LzmaChunk) return corrupt(L"LZMA2: reserved control byte");

    if (size - offset < kLzma2LzmaHeaderSize) return corrupt(L"LZMA2: truncated chunk header");
    const uint64_t unpackedSize = (uint64_t(control & 0x1F) << 16) + readLzma2Size16(data + offset + 1) + 1;
    const size_t packedSize = readLzma2Size16(data + offset + 3) + size_t(1);
    offset += kLzma2LzmaHeaderSize;

    if (control < kLzma2LzmaNewProperties) {
      if (!propertiesSent) return corrupt(L"LZMA2: chunk uses properties that were never sent");
      if (control >= kLzma2LzmaStateReset) decoder.resetState();
    } else {
      if (offset >= size) return corrupt(L"LZMA2: missing properties byte");
      const uint8_t propertiesByte = data[offset++];
      TOLZEB_ASSIGN_OR_RETURN(const LzmaProperties properties, parseLzmaProperties(propertiesByte, dictionarySize));
      decoder.setProperties(properties.lc, properties.lp, properties.pb);
      propertiesSent = true;
      decoder.resetState();
      if (control >= kLzma2LzmaDictionaryReset) window.restart();
    }

    if (packedSize > size - offset) return corrupt(L"LZMA2: chunk runs past the end");
    if (output.size() + unpackedSize > cap) return decompressedOverLimit();
    if (packedSize < kLzmaRangeHeaderSize || data[offset] != 0) return corrupt(L"LZMA2: bad range coder header");

    RangeDecoder range(data + offset, packedSize);
    bool endMarkerSeen = false;
    const uint64_t chunkEnd = output.size() + unpackedSize;
    TOLZEB_TRY(decoder.decode(range, window, {chunkEnd, chunkEnd, cap, false}, endMarkerSeen));
    offset += packedSize;
  }
  return output;
}

}  // namespace tolzeb
