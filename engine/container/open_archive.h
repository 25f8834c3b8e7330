// Opening a ".zeb": every structure of the container is read, checked on its own and against the
// others, and the password is checked, before any chunk is touched. The result is read-only and
// may be shared by the threads of one operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/dictionary_section.h"
#include "engine/container/manifest.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Owns the file handle, the parsed structures and the archive key (wiped when it goes).
// Movable, not copyable; nothing changes it after openArchive returns it.
struct OpenArchive {
  UniqueHandle file;
  ArchiveHeader header;
  ArchiveFooter footer;
  std::vector<ChunkDescriptor> chunks;  // index = chunk index
  std::vector<ManifestEntry> entries;   // in manifest order
  std::vector<DictionaryRecord> dictionaries;
  uint64_t fileSize = 0;
  uint64_t payloadEnd = 0;  // chunk payloads lie in [128, payloadEnd)
  bool encrypted = false;
  SecureBytes key;  // 32 bytes when encrypted, else empty
  SecuritySection security;

  // Replaces the sealed object by its plaintext (see openSealedObject). Safe on many threads.
  Status openSection(uint64_t counter, const Bytes& aad, Bytes& sealed, const std::wstring& label) const;
};

// Reads only the header: whether the archive is encrypted.
Result<bool> probeZebArchive(const std::wstring& path);

// An entry limit of 0 means 50,000,000. The password is read only when the archive is encrypted.
Result<OpenArchive> openArchive(const std::wstring& path, uint64_t entryLimit, Password password);

}  // namespace tolzeb
