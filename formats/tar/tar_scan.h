// The one walk over a tar stream's headers that every reading operation starts with. It checks
// every header's checksum and that all data lies inside the stream, and keeps the regular files
// and directories; links, devices and other entry types are passed over and counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "formats/tar/tar_archive.h"

namespace tolzeb {

struct TarEntry {
  std::wstring path;        // normalised, '/'-separated
  uint64_t size = 0;        // 0 for a directory
  uint64_t dataOffset = 0;  // first data byte in the stream: the header's offset + 512
  uint64_t modified = 0;    // FILETIME (UTC); 0 = unknown
  bool isDirectory = false;
  uint8_t typeFlag = '0';  // NUL, '0' or '5'
};

struct TarScan {
  std::vector<TarEntry> entries;  // archive order; a later entry of the same path replaces an earlier one in place
  uint64_t totalBytes = 0;        // the sizes of the file entries
  uint64_t skippedLinks = 0;      // hard and symbolic links
  uint64_t skippedSpecial = 0;    // devices, pipes and types this reader does not know
};

Result<TarScan> scanTarHeaders(TarArchive& archive);

}  // namespace tolzeb
