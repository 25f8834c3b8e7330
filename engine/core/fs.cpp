// The platform-free part of the file layer: handle ownership, the failure message shape and the
// tree walk.
#include "engine/core/fs.h"

#include "engine/core/fs_platform.h"

namespace tolzeb {

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, kNone);
  }
  return *this;
}

bool hasLongPathPrefix(const std::wstring& path) { return path.size() > 3 && path.compare(0, 4, L"\\\\?\\") == 0; }

std::wstring windowsErrorText(const wchar_t* action, const std::wstring& path, uint32_t error) {
  std::wstring system = fs_platform::systemMessage(error);
  if (system.empty()) system = L"unknown error";
  static const wchar_t kHexDigits[] = L"0123456789ABCDEF";
  std::wstring number = L" (0x";
  for (int shift = 28; shift >= 0; shift -= 4) number.push_back(kHexDigits[(error >> shift) & 0xF]);
  number.push_back(L')');
  return std::wstring(action) + L" '" + path + L"': " + system + number;
}

Failure errorStatus(const wchar_t* action, const std::wstring& path, uint32_t error) {
  return Failure{fs_platform::statusCodeFor(error), windowsErrorText(action, path, error)};
}

Failure lastErrorStatus(const wchar_t* action, const std::wstring& path) {
  const uint32_t error = fs_platform::currentError();
  return errorStatus(action, path, error);
}

Result<std::vector<FileInfo>> enumerateTree(const std::wstring& root) {
  TOLZEB_ASSIGN_OR_RETURN(FileInfo rootInfo, statPath(root));
  std::vector<FileInfo> items;
  if (!rootInfo.isDirectory) {
    std::wstring parent;
    splitPath(root, parent, rootInfo.relativePath);
    items.push_back(std::move(rootInfo));
    return items;
  }

  // Depth first with an explicit stack, so deep trees cannot exhaust the thread's stack.
  std::vector<std::pair<std::wstring, std::wstring>> pending{{root, std::wstring()}};
  while (!pending.empty()) {
    const auto [directory, relativeDirectory] = std::move(pending.back());
    pending.pop_back();
    const size_t firstNew = items.size();
    TOLZEB_TRY(fs_platform::listDirectory(directory, items));
    for (size_t i = firstNew; i < items.size(); ++i) {
      FileInfo& item = items[i];
      if (!relativeDirectory.empty()) item.relativePath = relativeDirectory + L'/' + item.relativePath;
      // Links and junctions are listed but never entered.
      if (item.isDirectory && !item.isReparsePoint) pending.emplace_back(item.path, item.relativePath);
    }
  }
  return items;
}

}  // namespace tolzeb
