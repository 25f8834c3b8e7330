#include "engine/recovery/archive_extent.h"

#include "engine/core/fs.h"

namespace tolzeb {

Result<ArchiveExtent> readArchiveExtent(const std::wstring& archivePath) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(archivePath));
  ArchiveExtent extent;
  TOLZEB_ASSIGN_OR_RETURN(extent.fileSize, file.fileSize());
  if (extent.fileSize < kMinArchiveSize)
    return Failure{StatusCode::corrupt_archive, L"This file is too small to be a TOLZEB archive"};
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(0, extent.rawHeader, kHeaderSize));
  TOLZEB_ASSIGN_OR_RETURN(extent.header, parseArchiveHeader(extent.rawHeader, size_t(got)));
  uint8_t footer[kFooterSize];
  TOLZEB_ASSIGN_OR_RETURN(got, file.readAt(extent.fileSize - kFooterSize, footer, kFooterSize));
  TOLZEB_ASSIGN_OR_RETURN(extent.footer, parseArchiveFooter(footer, size_t(got)));
  return extent;
}

}  // namespace tolzeb
