#include <windows.h>

#include "engine/core/fs.h"
#include "ui/app/path_presence.h"

namespace tolzeb::ui {

PathPresence pathPresence(const std::wstring& path) {
  if (path.empty()) return PathPresence::Missing;
  const DWORD attributes = GetFileAttributesW(toLongPath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathPresence::Folder : PathPresence::File;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return PathPresence::Missing;
    default:
      return PathPresence::Unreadable;
  }
}

}  // namespace tolzeb::ui
