#include "engine/create/partial_output.h"

namespace tolzeb {

std::wstring partialPathFor(const std::wstring& target) { return target + kPartialSuffix; }

Result<UniqueHandle> openPartialOutput(const std::wstring& partialPath) {
  return openForWrite(partialPath, /*exclusive=*/false);
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
