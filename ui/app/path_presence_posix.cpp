#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "engine/core/text.h"
#include "ui/app/path_presence.h"

namespace tolzeb::ui {

PathPresence pathPresence(const std::wstring& path) {
  if (path.empty()) return PathPresence::Missing;
  // A name that is not valid UTF-16 cannot name a file here: missing, as an invalid name is on
  // Windows.
  Result<std::vector<uint8_t>> utf8 = utf16ToUtf8(path);
  if (utf8.failed()) return PathPresence::Missing;
  const std::string location(utf8.value().begin(), utf8.value().end());
  struct stat info {};
  if (stat(location.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? PathPresence::Folder : PathPresence::File;
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return PathPresence::Missing;
    default:
      return PathPresence::Unreadable;
  }
}

}  // namespace tolzeb::ui
