// An open tar stream: a plain .tar read in place through its file handle, a .tar.gz decoded as a
// stream, or a stream already in memory. Owned by the one operation that opened it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"

namespace tolzeb {

struct GzipTarSource;

struct TarArchive {
  UniqueHandle file;        // a plain .tar; empty otherwise
  Bytes bytes;              // a stream in memory; empty otherwise
  uint64_t fileLength = 0;  // the .tar's size; 0 otherwise
  // A .tar.gz: decoded forward from where the last read ended, and from the start again when a
  // read goes back, so memory stays the same whatever the archive's size.
  std::shared_ptr<GzipTarSource> gzip;

  // --- The header walk's forward reads, which are also a .tar.gz's checking pass ---

  // Up to `length` bytes at `offset`, fewer only where the stream ends.
  Result<uint64_t> readUpTo(uint64_t offset, uint8_t* destination, uint64_t length) const;
  // Whether the stream holds at least `end` bytes.
  Result<bool> reaches(uint64_t end) const;
  // A .tar.gz is decoded to its end, every member checked (its CRC-32 and length), and its
  // length is known from then on. The first failure of the stream is returned, also when it came
  // up during the walk. A plain tar has nothing to do.
  Status finishWalk() const;

  // --- Reads once the walk has finished ---

  // The length of the tar stream.
  uint64_t size() const;
  // Copies `length` bytes of the stream at `offset`. Outside the stream: code 3 "tar: read past
  // the end of the archive"; a file that comes up short: code 3 "tar: archive is truncated".
  // Reads of a .tar.gz are cheapest in increasing order.
  Status read(uint64_t offset, uint8_t* destination, uint64_t length) const;
};

// Opens `path` as a plain tar, or, when it starts with the gzip signature, as a gzip stream that
// the header walk decodes and checks as it goes. `isGzip` tells which.
Result<TarArchive> openTarGz(const std::wstring& path, bool& isGzip);

}  // namespace tolzeb
