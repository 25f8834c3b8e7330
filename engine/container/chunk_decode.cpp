#include "engine/container/chunk_decode.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
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

// Reused buffers only grow, so that each byte is zero-filled once for all later chunks. Capacity
// doubles, as payload sizes creep up chunk by chunk and each new allocation means fresh pages to
// fault in, but not past the largest block a writer makes: reserved memory counts against the
// budget on some systems. What a buffer held is never needed again, so it is not copied over.
void growTo(Bytes& buffer, size_t size) {
  constexpr size_t kLargestPayload = size_t(kMaxBlockSize) + kTagSize;
  if (buffer.size() >= size) return;
  if (buffer.capacity() < size) {
    Bytes larger;
    larger.reserve(std::max(size, std::min(2 * buffer.capacity(), kLargestPayload)));
    buffer = std::move(larger);
  }
  buffer.resize(size);
}

std::wstring labelOf(uint64_t chunkIndex) { return L"Chunk " + decimal(chunkIndex); }

}  // namespace

Status decodeChunk(const OpenArchive& archive, uint64_t chunkIndex, Bytes& out) {
  ChunkScratch scratch;
  TOLZEB_ASSIGN_OR_RETURN(const std::span<const uint8_t> decoded, decodeChunkInto(archive, chunkIndex, scratch, out));
  out.resize(decoded.size());
  return Status();
}

Result<std::span<const uint8_t>> decodeChunkInto(const OpenArchive& archive, uint64_t chunkIndex, ChunkScratch& scratch,
                                                 Bytes& out) {
  if (chunkIndex >= archive.chunks.size()) return Failure{StatusCode::corrupt_archive, L"Chunk index out of range"};
  const ChunkDescriptor& chunk = archive.chunks[chunkIndex];

  // A chunk stored raw and not encrypted is read straight into place.
  const bool readIntoPlace = chunk.codec == kCodecStored && !archive.encrypted;
  Bytes& stored = readIntoPlace ? out : scratch.stored;
  growTo(stored, chunk.storedSize);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, archive.file.readAt(chunk.storedOffset, stored.data(), chunk.storedSize));
  if (got != chunk.storedSize)
    return Failure{StatusCode::corrupt_archive, labelOf(chunkIndex) + L" payload is truncated"};
  std::span<const uint8_t> payload(stored.data(), chunk.storedSize);

  if (archive.encrypted) {
    stored.resize(chunk.storedSize);  // opening takes the sealed bytes whole
    Bytes aad = blockAuthData(archive.header.archiveId, chunkIndex, chunk.decodedSize, chunk.codec);
    TOLZEB_TRY(archive.openSection(chunk.nonceCounter, aad, stored, labelOf(chunkIndex)));
    payload = stored;
  }

  const std::span<const uint8_t> dictionary = dictionaryFor(archive, chunk.dictionaryId);
  if (chunk.codec == kCodecStored) {
    if (payload.size() != chunk.decodedSize)
      return Failure{StatusCode::corrupt_archive, labelOf(chunkIndex) + L" decoded to the wrong length"};
    if (!readIntoPlace) {
      growTo(out, payload.size());
      std::memcpy(out.data(), payload.data(), payload.size());
    }
  } else {
    std::span<const uint8_t> velt = payload;
    if (chunk.codec == kCodecVeltHuff) {
      TOLZEB_ASSIGN_OR_RETURN(velt, decodeVeltHuffInto(payload, kDecodeHuffmanBound, scratch.streams));
    }
    if (chunk.decodedSize == 0 || chunk.decodedSize > kVeltMaxBlockSize) {
      Bytes untouched;  // the decoder refuses the size before it sizes any output
      return decodeVeltBlockInto(velt, chunk.decodedSize, dictionary, untouched).failure();
    }
    growTo(out, chunk.decodedSize);
    TOLZEB_TRY(decodeVeltBlockTo(velt, std::span<uint8_t>(out.data(), chunk.decodedSize), dictionary));
  }

  const std::span<const uint8_t> decoded(out.data(), chunk.decodedSize);
  if (crc32c(0, decoded.data(), decoded.size()) != chunk.crc32c)
    return Failure{StatusCode::corrupt_archive, labelOf(chunkIndex) + L" failed its CRC32C check"};
  if (archive.header.flags & kFlagChunkHashes) {
    TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, sha256(decoded.data(), decoded.size()));
    if (!constantTimeEqual(digest.data(), chunk.sha256.data(), digest.size()))
      return Failure{StatusCode::corrupt_archive, labelOf(chunkIndex) + L" failed its SHA-256 check"};
  }
  return decoded;
}

}  // namespace tolzeb
