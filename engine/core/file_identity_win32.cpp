#include <windows.h>

#include <optional>

#include "engine/core/file_identity.h"
#include "engine/core/fs.h"

namespace tolzeb {
namespace {

struct Identity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
};

std::optional<Identity> identityOf(const std::wstring& path) {
  const Result<std::wstring> full = fullPath(path);
  if (full.failed()) return std::nullopt;
  const std::wstring longPath = toLongPath(full.value());
  // No access rights are asked for: only the file's identity is read. Backup semantics let a folder be opened too.
  HANDLE handle = CreateFileW(longPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL read = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!read) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

bool sameFile(const std::wstring& first, const std::wstring& second) {
  const std::optional<Identity> a = identityOf(first);
  if (!a) return false;
  const std::optional<Identity> b = identityOf(second);
  return b && a->volume == b->volume && a->indexHigh == b->indexHigh && a->indexLow == b->indexLow;
}

}  // namespace tolzeb
