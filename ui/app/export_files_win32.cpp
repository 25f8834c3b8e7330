#include <windows.h>

#include "engine/core/fs.h"
#include "ui/app/export_files.h"

namespace tolzeb::ui {

Status createFreshDirectory(const std::wstring& path) {
  if (CreateDirectoryW(toLongPath(path).c_str(), nullptr)) return Status();
  return lastErrorStatus(L"Cannot create directory", path);
}

uint32_t moveWithoutReplacing(const std::wstring& from, const std::wstring& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), 0)) return 0;
  return GetLastError();
}

bool removeEmptyDirectory(const std::wstring& path) { return RemoveDirectoryW(toLongPath(path).c_str()) != 0; }

uint32_t currentProcessId() { return GetCurrentProcessId(); }

}  // namespace tolzeb::ui
