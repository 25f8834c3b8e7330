// The manifest: the archive's table of entries, stored after the chunk table (sealed when the
// archive is encrypted). Entries keep the order the writer sorted them in.
//
// Layout: version (uint32, 2), entry count (uint64), then per entry: path length (varint, 1 to
// 32768) and '/'-separated UTF-8 path, type (uint8: 0 file, 1 directory), attributes (uint32),
// modified (uint64 FILETIME, UTC), size (uint64), chunk count (varint), that many consecutive
// chunk indices (varints), first-chunk offset (varint), attribute count (varint, at most 64) and
// that many attributes (type varint, length varint, value). Attribute types from 0x8000 up must be
// understood; this build understands none. Types below are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

struct ManifestEntry {
  std::wstring path;  // UTF-16, '/'-separated
  uint8_t type = 0;   // 0 file, 1 directory
  uint32_t attributes = 0;
  uint64_t modified = 0;  // FILETIME, UTC
  uint64_t size = 0;
  std::vector<uint64_t> chunks;   // consecutive chunk indices holding the entry's bytes
  uint64_t firstChunkOffset = 0;  // where the entry begins in its first chunk's decoded bytes
};

// The plaintext manifest of `entries`, in their order.
Result<Bytes> buildManifest(const std::vector<ManifestEntry>& entries);

// An entry limit of 0 means none. Returns the first failure and no entries.
Result<std::vector<ManifestEntry>> parseManifest(const uint8_t* data, size_t length, uint64_t archiveChunkCount,
                                                 uint64_t entryLimit);

}  // namespace tolzeb
