// Encodes arbitrary data at a level from the first byte and checks that it decodes back, in
// both decoder modes and through gzip, and that stored fallback bounds the growth.
// Input: level byte (-1 to 10), a repeat flag, then the data (sometimes repeated to 256 KiB).
#include <algorithm>
#include <cstdlib>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"
#include "codecs/gzip.h"

using namespace tolzeb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int level = int(data[0] % 12) - 1;
  const bool repeat = data[0] >= 0x80;
  Bytes input(data + 1, data + size);
  if (repeat && !input.empty()) {
    const size_t unit = input.size();
    for (uint8_t round = 1; input.size() < (1u << 18); ++round)
      for (size_t k = 0; k < unit; ++k) input.push_back(uint8_t(input[k] ^ (k % 251 == 0 ? round : 0)));
  }

  Result<Bytes> stream = deflate(input.data(), input.size(), level);
  if (stream.failed()) abort();
  if (input.empty() && *stream != Bytes{0x03, 0x00}) abort();
  const size_t n = input.size();
  if (stream->size() > n + 5 * ((n + 16383) / 16384 + (n + 65534) / 65535) + 2) abort();
  const uint64_t cap = n == 0 ? 1 : n;
  Result<Bytes> back = inflateExact(stream->data(), stream->size(), n, cap);
  if (back.failed() || *back != input) abort();
  Result<Bytes> prefix = inflatePrefix(stream->data(), stream->size(), cap);
  if (prefix.failed() || *prefix != input) abort();
  // The gzip body is a second encoding of the same input: it must be the same stream.
  Result<Bytes> gz = gzipCompress(input.data(), input.size(), level);
  if (gz.failed() || gz->size() != stream->size() + 18) abort();
  if (!std::equal(stream->begin(), stream->end(), gz->begin() + 10)) abort();
  Result<Bytes> gunzipped = gunzip(gz->data(), gz->size(), cap);
  if (gunzipped.failed() || *gunzipped != input) abort();
  return 0;
}
