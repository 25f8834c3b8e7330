// An open tar stream: a plain .tar read in place through its file handle, or a .tar.gz
// decompressed whole into memory. Owned by the one operation that opened it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"

namespace tolzeb {

struct TarArchive {
  UniqueHandle file;        // a plain .tar; empty for a .tar.gz
  Bytes bytes;              // the decompressed stream of a .tar.gz; empty for a .tar
  uint64_t fileLength = 0;  // the .tar's size; 0 for a .tar.gz

  // The length of the tar stream.
  uint64_t size() const;
  // Copies `length` bytes of the stream at `offset`. Outside the stream: code 3 "tar: read past
  // the end of the archive"; a file that comes up short: code 3 "tar: archive is truncated".
  Status read(uint64_t offset, uint8_t* destination, uint64_t length) const;
};

// Opens `path` as a plain tar, or, when it starts with the gzip signature, reads and decompresses
// it whole (at most 512 MiB of file, 2 GiB of tar). `isGzip` tells which.
Result<TarArchive> openTarGz(const std::wstring& path, bool& isGzip);

}  // namespace tolzeb
