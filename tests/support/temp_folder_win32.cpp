#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "support/temp_folder.h"

namespace tolzeb::testing {
namespace {

void removeOne(const std::wstring& path, bool directory) {
  const std::wstring longPath = toLongPath(path);
  SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);  // read-only items refuse deletion
  if (directory) {
    RemoveDirectoryW(longPath.c_str());
  } else {
    DeleteFileW(longPath.c_str());
  }
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<uint32_t> counter{0};
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  Result<std::wstring> full = fullPath(
      joinPath(std::wstring(base, length), L"tolzeb-test-" + decimal(uint64_t(GetCurrentProcessId())) + L"-" +
                                               decimal(uint64_t(GetTickCount64())) + L"-" + decimal(++counter)));
  if (full.failed() || !CreateDirectoryW(toLongPath(*full).c_str(), nullptr)) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  path_ = *full;
}

TempFolder::~TempFolder() { removeTree(path_); }

void removeTree(const std::wstring& path) {
  Result<std::vector<FileInfo>> items = enumerateTree(path);
  if (items.failed()) return;
  // Listed parents come before their contents, so the reverse order empties each folder first.
  const bool rootIsDirectory = isDirectory(path);
  for (auto it = items->rbegin(); it != items->rend(); ++it) removeOne(it->path, it->isDirectory);
  if (rootIsDirectory) removeOne(path, true);
}

}  // namespace tolzeb::testing
