// The two fixed records that bound a ".zeb" archive, read and parsed from a
// file by path.
#pragma once

#include <cstdint>
#include <string>

#include "engine/container/archive_records.h"
#include "engine/core/status.h"

namespace tolzeb {

struct ArchiveExtent {
  ArchiveHeader header;
  ArchiveFooter footer;
  uint8_t rawHeader[kHeaderSize] = {};
  uint64_t fileSize = 0;
};

// A file of 191 bytes or fewer: code 3 "This file is too small to be a TOLZEB
// archive"; parser and file failures pass through.
Result<ArchiveExtent> readArchiveExtent(const std::wstring& archivePath);

}  // namespace tolzeb
