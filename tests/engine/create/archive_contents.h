// Reads back what a new archive holds, through the container's own opening and chunk decoding,
// so that creation tests can compare it with the files it was made from.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/container/chunk_decode.h"
#include "engine/container/open_archive.h"
#include "support/scratch_tree.h"

namespace tolzeb::testing {

// The bytes of one file entry, assembled from its chunks.
inline std::vector<uint8_t> entryBytes(const OpenArchive& archive, const ManifestEntry& entry) {
  std::vector<uint8_t> bytes;
  uint64_t offset = entry.firstChunkOffset;
  for (uint64_t index : entry.chunks) {
    Bytes chunk;
    Status decoded = decodeChunk(archive, index, chunk);
    EXPECT_TRUE(decoded.ok()) << printable(decoded.message());
    if (decoded.failed()) return {};
    const uint64_t take = std::min<uint64_t>(chunk.size() - std::min<uint64_t>(offset, chunk.size()),
                                             entry.size - bytes.size());
    bytes.insert(bytes.end(), chunk.begin() + offset, chunk.begin() + offset + take);
    offset = 0;
  }
  return bytes;
}

struct ArchivedItem {
  bool isDirectory = false;
  std::vector<uint8_t> bytes;
  bool operator==(const ArchivedItem&) const = default;
};

// Every entry by path, with the file contents.
inline std::map<std::wstring, ArchivedItem> archivedItems(const OpenArchive& archive) {
  std::map<std::wstring, ArchivedItem> items;
  for (const ManifestEntry& entry : archive.entries) {
    ArchivedItem item;
    item.isDirectory = entry.type == 1;
    if (!item.isDirectory) item.bytes = entryBytes(archive, entry);
    items[entry.path] = std::move(item);
  }
  return items;
}

}  // namespace tolzeb::testing
