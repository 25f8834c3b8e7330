// Encodes arbitrary blocks at levels 1 to 9 and checks that the stream is well framed and decodes
// back with the dictionary size it reports.
// Input: level byte, repeat byte, then the block (sometimes grown past 2 MiB by repetition).
#include <cstdlib>

#include "codecs/lzma/lzma.h"

using namespace tolzeb;

namespace {

uint32_t readU16be(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

// E0 or 01 first, C0 right after a stored chunk, 80 or 02 otherwise; sizes within the header
// limits; the chunks cover the block; one end byte closes the stream.
bool wellFramed(const Bytes& stream, size_t blockSize) {
  size_t at = 0, covered = 0;
  bool first = true, afterStored = false;
  while (at < stream.size()) {
    const uint8_t control = stream[at];
    if (control == 0) return at + 1 == stream.size() && covered == blockSize;
    if (control == 1 || control == 2) {
      if (control != (first ? 1 : 2) || at + 3 > stream.size()) return false;
      const size_t n = readU16be(&stream[at + 1]) + size_t(1);
      at += 3 + n;
      covered += n;
      afterStored = true;
    } else {
      const uint8_t expected = first ? 0xE0 : afterStored ? 0xC0 : 0x80;
      if ((control & 0xE0) != expected || at + 5 > stream.size()) return false;
      const size_t unpacked = (size_t(control & 0x1F) << 16) + readU16be(&stream[at + 1]) + 1;
      const size_t packed = readU16be(&stream[at + 3]) + size_t(1);
      if (unpacked > (size_t(2) << 20)) return false;
      if (expected != 0x80 && (at + 5 >= stream.size() || stream[at + 5] != 0x5D)) return false;
      at += 5 + (expected != 0x80 ? 1 : 0) + packed;
      covered += unpacked;
      afterStored = false;
    }
    first = false;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t level = int32_t(data[0] % 11) - 1;  // -1 to 9
  Bytes block(data + 2, data + size);
  if ((data[1] & 0x0F) == 0x0F && !block.empty()) {
    // Grow by copies with a drifting byte, to cross the 2 MiB chunk limit with compressible data.
    const size_t unit = block.size();
    for (uint8_t round = 1; block.size() < (size_t(3) << 20); ++round)
      for (size_t k = 0; k < unit; ++k) block.push_back(uint8_t(block[k] + (k % 251 == 0 ? round : 0)));
  }

  uint32_t dictionarySize = 0;
  Result<Bytes> stream = lzma2Encode(block.data(), block.size(), level, dictionarySize);
  if (stream.failed()) abort();
  const uint32_t maxDictionary = level <= 1 ? 1u << 20 : level <= 5 ? 8u << 20 : 64u << 20;
  if (dictionarySize < 4096 || dictionarySize > maxDictionary || (dictionarySize & (dictionarySize - 1)) != 0) abort();
  if (!wellFramed(*stream, block.size())) abort();

  Result<Bytes> decoded = lzma2Decode(stream->data(), stream->size(), dictionarySize, block.size());
  if (decoded.failed() || *decoded != block) abort();
  return 0;
}
