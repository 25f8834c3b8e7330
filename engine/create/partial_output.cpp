#include "engine/create/partial_output.h"

namespace tolzeb {

std::wstring partialPathFor(const std::wstring& target) { return target + kPartialSuffix; }

Result<UniqueHandle> openPartialOutput(const std::wstring& partialPath) {
  // Deleting a link removes the link itself; the exclusive creation then never opens an existing
  // item, so nothing is written through a link put in the staging file's place.
  (void)deleteFile(partialPath);
  return openForWrite(partialPath, /*exclusive=*/true);
}

Result<ArchiveStats> abandonPartialOutput(UniqueHandle& handle, const std::wstring& partialPath, Failure&& failure) {
  handle.close();
  // The write's own failure is what the user needs; a leftover staging file is harmless.
  (void)deleteFile(partialPath);
  return std::move(failure);
}

Status commitPartialOutput(UniqueHandle& handle, const std::wstring& partialPath, const std::wstring& target) {
  Status flushed = handle.flushFile();
  if (flushed.failed()) return abandonPartialOutput(handle, partialPath, std::move(flushed).failure()).status();
  handle.close();
  Status moved = renameReplace(partialPath, target);
  if (moved.failed()) (void)deleteFile(partialPath);
  return moved;
}

}  // namespace tolzeb
