// Encodes arbitrary blocks at every level, with and without a dictionary taken from the input,
// and checks that every payload decodes back, also through the Huffman stage.
// Input: level byte, dictionary-length byte, then the block (sometimes repeated up to 1 MiB).
#include <cstdlib>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
#include "codecs/velt/velt_huff.h"

using namespace tolzeb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t level = data[0] % 5;  // 3 and 4 stand for 1
  const bool repeat = data[1] & 0x80;
  const size_t dictionaryLength = std::min<size_t>((data[1] & 0x7F) * 16, (size - 2) / 2);
  std::span<const uint8_t> dictionary(data + 2, dictionaryLength);
  Bytes block(data + 2 + dictionaryLength, data + size);
  if (block.empty()) return 0;
  if (repeat) {
    // Grow by copies with a changing byte, so long blocks stay compressible but not trivial.
    size_t unit = block.size();
    for (uint8_t round = 1; block.size() < (1u << 20) && round < 255; ++round) {
      for (size_t k = 0; k < unit; ++k) block.push_back(uint8_t(block[k] + (k % 97 == 0 ? round : 0)));
    }
  }

  Result<Bytes> payload = veltEncodeWithDictionary(block, level, dictionary);
  if (payload.failed()) abort();
  if (payload->empty()) return 0;
  if (payload->size() >= block.size()) abort();
  Result<Bytes> again = veltEncodeWithDictionary(block, level, dictionary);
  if (again.failed() || *again != *payload) abort();

  Result<Bytes> decoded = decodeVeltBlock(*payload, uint32_t(block.size()), dictionary);
  if (decoded.failed() || *decoded != block) abort();

  Result<Bytes> wrapped = encodeVeltHuff(*payload);
  if (wrapped.failed()) abort();
  if (!wrapped->empty()) {
    if (wrapped->size() >= payload->size()) abort();
    Result<Bytes> unwrapped = decodeVeltHuff(*wrapped, kVeltMaxBlockSize);
    if (unwrapped.failed() || *unwrapped != *payload) abort();
  }
  return 0;
}
