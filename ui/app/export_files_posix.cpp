#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "ui/app/export_files.h"

namespace tolzeb::ui {
namespace {

Result<std::string> systemPath(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> bytes, utf16ToUtf8(path));
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

Status createFreshDirectory(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, systemPath(path));
  if (::mkdir(location.c_str(), 0777) == 0) return Status();
  return lastErrorStatus(L"Cannot create directory", path);
}

uint32_t moveWithoutReplacing(const std::wstring& from, const std::wstring& to) {
  Result<std::string> source = systemPath(from);
  Result<std::string> target = systemPath(to);
  if (source.failed() || target.failed()) return EINVAL;
  if (::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) return 0;
  return uint32_t(errno);
}

bool removeEmptyDirectory(const std::wstring& path) {
  Result<std::string> location = systemPath(path);
  return location.hasValue() && ::rmdir(location->c_str()) == 0;
}

uint32_t currentProcessId() { return uint32_t(::getpid()); }

}  // namespace tolzeb::ui
