#include "engine/create/block_compression.h"

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/container/container_format.h"
#include "engine/core/crc32c.h"
#include "engine/core/sha256.h"

namespace tolzeb {

Status compressBlock(std::span<const uint8_t> input, uint8_t level, bool storeOnly, bool sha256PerChunk,
                     std::span<const uint8_t> dictionary, uint16_t dictionaryId, ChunkDescriptor& descriptor,
                     std::vector<uint8_t>& encoded) {
  // Checksums cover the raw input, so verification never needs to re-encode.
  descriptor.decodedSize = uint32_t(input.size());
  descriptor.crc32c = crc32c(0, input.data(), input.size());
  if (sha256PerChunk) {
    TOLZEB_ASSIGN_OR_RETURN(descriptor.sha256, sha256(input.data(), input.size()));
  }

  descriptor.codec = kCodecStored;
  descriptor.storedSize = uint32_t(input.size());
  encoded.clear();
  if (storeOnly) {
    descriptor.dictionaryId = 0;
    return {};
  }
  // Set before encoding: a chunk that ends up stored still names the archive's dictionary.
  descriptor.dictionaryId = dictionary.empty() ? 0 : dictionaryId;

  TOLZEB_ASSIGN_OR_RETURN(Bytes velt, veltEncodeWithDictionary(input, level, dictionary));
  if (velt.empty() || velt.size() >= input.size()) return {};
  if (level != 0) {
    TOLZEB_ASSIGN_OR_RETURN(Bytes huff, encodeVeltHuff(velt));
    if (!huff.empty() && huff.size() < velt.size()) {
      encoded = std::move(huff);
      descriptor.codec = kCodecVeltHuff;
      descriptor.storedSize = uint32_t(encoded.size());
      return {};
    }
  }
  encoded = std::move(velt);
  descriptor.codec = kCodecVelt;
  descriptor.storedSize = uint32_t(encoded.size());
  return {};
}

}  // namespace tolzeb
