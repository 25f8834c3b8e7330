#include "engine/tools/archive_paths.h"

#include "engine/core/fs.h"

namespace tolzeb {
std::wstring folderLeafName(const std::wstring& folderPath) {
  // The same trimming the source scan applies, so both sides agree on the name: trailing separators go,
  // except the one that makes a root ("C:\" on Windows, "/" on POSIX).
  std::wstring trimmed = folderPath;
  while (trimmed.size() > 1 && isPathSeparator(trimmed.back())) {
    const bool driveRoot = trimmed.size() == 3 && trimmed[1] == L':';
    if (driveRoot) break;
    trimmed.pop_back();
  }
  std::wstring parent;
  std::wstring name;
  splitPath(trimmed, parent, name);
  return name.empty() ? trimmed : name;
}

std::wstring joinArchivePath(const std::wstring& prefix, const std::wstring& name) {
  if (name.empty()) return prefix;
  if (prefix.empty()) return name;
  return prefix + L"/" + name;
}

}  // namespace tolzeb
