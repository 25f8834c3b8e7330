#include "engine/container/chunk_decode.h"

#include <span>
#include <string>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/container/container_format.h"
#include "engine/container/sealing.h"
#include "engine/core/crc32c.h"
#include "engine/core/sha256.h"

namespace tolzeb {

namespace {

std::span<const uint8_t> dictionaryFor(const OpenArchive& archive, uint16_t id) {
  if (id == 0) return {};
  for (const DictionaryRecord& dictionary : archive.dictionaries) {
    if (dictionary.id == id) return dictionary.bytes;
  }
  return {};
}

}  // namespace

Status decodeChunk(const OpenArchive& archive, uint64_t chunkIndex, Bytes& out) {
  if (chunkIndex >= archive.chunks.size()) return Status(StatusCode::corrupt_archive, L"Chunk index out of range");
  const ChunkDescriptor& chunk = archive.chunks[chunkIndex];
  const std::wstring label = L"Chunk " + decimal(chunkIndex);

  Bytes stored(chunk.storedSize, 0);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, archive.file.readAt(chunk.storedOffset, stored.data(), stored.size()));
  if (got != stored.size()) return Status(StatusCode::corrupt_archive, label + L" payload is truncated");

  if (archive.encrypted) {
    Bytes aad = blockAuthData(archive.header.archiveId, chunkIndex, chunk.decodedSize, chunk.codec);
    TOLZEB_TRY(archive.openSection(chunk.nonceCounter, aad, stored, label));
  }

  if (chunk.codec == kCodecStored) {
    out = std::move(stored);
  } else {
    std::span<const uint8_t> velt = stored;
    Bytes unwrapped;
    if (chunk.codec == kCodecVeltHuff) {
      TOLZEB_ASSIGN_OR_RETURN(unwrapped, decodeVeltHuff(stored, kDecodeHuffmanBound));
      velt = unwrapped;
    }
    TOLZEB_TRY(decodeVeltBlockInto(velt, chunk.decodedSize, dictionaryFor(archive, chunk.dictionaryId), out));
  }

  if (out.size() != chunk.decodedSize)
    return Status(StatusCode::corrupt_archive, label + L" decoded to the wrong length");
  if (crc32c(0, out.data(), out.size()) != chunk.crc32c)
    return Status(StatusCode::corrupt_archive, label + L" failed its CRC32C check");
  if (archive.header.flags & kFlagChunkHashes) {
    TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, sha256(out.data(), out.size()));
    if (!constantTimeEqual(digest.data(), chunk.sha256.data(), digest.size()))
      return Status(StatusCode::corrupt_archive, label + L" failed its SHA-256 check");
  }
  return Status();
}

}  // namespace tolzeb
