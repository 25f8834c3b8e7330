// The streaming LZMA and LZMA2 readers against the whole-buffer decoders on arbitrary streams:
// the same bytes on success, the same failure otherwise, whatever the piece sizes.
// Input: a mode byte (bit 0: LZMA2), the properties or dictionary byte, 3 bytes of size or cap,
// the input and output piece sizes, then the stream.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/lzma/lzma.h"
#include "codecs/lzma/lzma_stream_reader.h"

using namespace tolzeb;

namespace {

constexpr uint64_t kWindowLimit = uint64_t(64) << 20;

uint32_t dictionaryFromProperty(uint8_t property) {
  const uint32_t p = property % 41;
  if (p == 40) return 0xFFFFFFFF;
  return (2u | (p & 1)) << (p / 2 + 11);
}

Result<Bytes> readAll(Result<LzmaStreamReader> reader, size_t piece) {
  if (reader.failed()) return reader.failure();
  Bytes out, buffer(piece);
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader->read(buffer.data(), piece));
    if (got == 0) return out;
    out.insert(out.end(), buffer.begin(), buffer.begin() + ptrdiff_t(got));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 7) return 0;
  const bool lzma2 = data[0] & 1;
  const uint64_t length = uint64_t(data[2]) | uint64_t(data[3]) << 8 | uint64_t(data[4] & 0x3F) << 16;
  const size_t inputPiece = size_t(data[5]) + 1, outputPiece = size_t(data[6]) * 7 + 1;
  const uint8_t* stream = data + 7;
  const size_t streamSize = size - 7;
  size_t offset = 0;
  InflateInput input([&](uint8_t* buffer, size_t capacity) -> Result<size_t> {
    const size_t n = std::min({capacity, inputPiece, streamSize - offset});
    if (n != 0) std::memcpy(buffer, stream + offset, n);
    offset += n;
    return n;
  });

  Result<Bytes> whole = Bytes{};
  Result<Bytes> streamed = Bytes{};
  if (lzma2) {
    const uint32_t dictionarySize = dictionaryFromProperty(data[1]);
    whole = lzma2Decode(stream, streamSize, dictionarySize, length);
    streamed = readAll(LzmaStreamReader::lzma2(input, dictionarySize, length, kWindowLimit), outputPiece);
  } else {
    Result<LzmaProperties> properties = parseLzmaProperties(data[1] % kLzmaPropertiesByteLimit, 1u << (data[1] % 20));
    if (properties.failed()) abort();
    // A cap above the declared length: running past it is a malformation, as in a 7z folder.
    whole = lzmaDecode(stream, streamSize, *properties, length, length + 1000);
    streamed = readAll(LzmaStreamReader::lzma(input, *properties, length, kWindowLimit), outputPiece);
  }
  if (streamed.failed() && streamed.failure().code == StatusCode::resource_limit &&
      streamed.failure().message.rfind(L"This archive needs a dictionary of", 0) == 0)
    return 0;  // a window above the limit is refused up front, by design
  if (whole.hasValue() != streamed.hasValue()) abort();
  if (whole.hasValue()) {
    if (*whole != *streamed) abort();
  } else if (whole.failure().code != streamed.failure().code || whole.failure().message != streamed.failure().message) {
    abort();
  }
  return 0;
}
