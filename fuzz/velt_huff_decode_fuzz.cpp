// VELT_HUFF payloads and bare Huffman blocks from arbitrary bytes, plus the Huffman coder's own
// round trip on the same bytes.
#include <cstdlib>

#include "codecs/velt/huffman.h"
#include "codecs/velt/velt_format.h"
#include "codecs/velt/velt_huff.h"
#include "tests/codecs/velt/reference_decoder.h"

using namespace tolzeb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> input(data, size);

  Result<Bytes> unwrapped = decodeVeltHuff(input, kVeltMaxBlockSize);
  // Streams decode side by side; the outcome must equal decoding them one after another.
  Result<Bytes> inOrder = reference::decodeVeltHuff(input, kVeltMaxBlockSize);
  if (unwrapped.hasValue() != inOrder.hasValue()) abort();
  if (unwrapped.hasValue() ? *unwrapped != *inOrder : unwrapped.failure().message != inOrder.failure().message)
    abort();
  if (unwrapped.hasValue()) {
    Result<VeltSections> sections = splitVeltSections(*unwrapped);
    if (sections.failed()) abort();
    if (sections->token.size() + sections->literal.size() + sections->extra.size() > kVeltMaxBlockSize) abort();
  } else if (unwrapped.failure().code != StatusCode::corrupt_archive) {
    abort();
  }

  if (size >= 2) {
    uint64_t bound = uint64_t(data[0]) << 8 | data[1];
    Result<Bytes> decoded = huffmanDecode(input.subspan(2), bound);
    if (decoded.hasValue() && (decoded->empty() || decoded->size() > bound)) abort();
    if (decoded.failed() && decoded.failure().code != StatusCode::corrupt_archive) abort();
  }

  if (size > 0) {
    Result<Bytes> coded = huffmanEncode(input);
    if (coded.failed()) abort();
    if (!coded->empty()) {
      if (coded->size() >= size) abort();
      Result<Bytes> back = huffmanDecode(*coded, size);
      if (back.failed() || *back != Bytes(input.begin(), input.end())) abort();
    }
  }
  return 0;
}
