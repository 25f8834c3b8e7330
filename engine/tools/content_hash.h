// SHA-256 of contents on both sides of a comparison: every entry of a ".zeb" after decoding, and a file on
// disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/sha256.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct EntryHash {
  std::wstring path;  // '/'-separated, as stored
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME, UTC
  bool isDirectory = false;
  Sha256Digest sha256{};  // of the decoded bytes; all zero for a directory
};

// One per manifest entry, in manifest order. Decodes on the calling thread, keeping the last decoded chunk
// so that files sharing a chunk decode it once. Reports Verifying by bytes.
Result<std::vector<EntryHash>> hashEntries(const std::wstring& archivePath, Password password,
                                           const ProgressCallback& progress);

// Reads the file through `buffer`, whose whole size is the read size and whose contents are overwritten. An
// empty buffer fails with code 2.
Result<Sha256Digest> hashFileSha256(const std::wstring& filePath, std::vector<uint8_t>& buffer);

}  // namespace tolzeb
