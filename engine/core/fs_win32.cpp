// The file layer over the Windows file API. Paths reach Windows in long-path form, so the
// usual 260-character limit does not apply.
#include <windows.h>

#include <algorithm>
#include <string>

#include "engine/core/fs.h"
#include "engine/core/fs_platform.h"

namespace tolzeb {

const wchar_t kPathSeparator = L'\\';
const bool kPathsIgnoreCase = true;

namespace {

constexpr uint64_t kMaxRequestBytes = 0x10000000;  // ReadFile and WriteFile take 32-bit counts
constexpr DWORD kReadFlags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;
constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
constexpr uint32_t kSettableAttributes = 0x2027;
// Failures on handles name this instead of a path. A string object, so that reporting a failure
// allocates nothing before the error number is read.
const std::wstring kHandleName = L"<handle>";

HANDLE win32Handle(const UniqueHandle& handle) { return reinterpret_cast<HANDLE>(handle.native()); }

Failure invalidHandle() { return Failure{StatusCode::io_failure, L"Invalid file handle"}; }
Failure noProgress() { return Failure{StatusCode::io_failure, L"Write made no progress"}; }

bool isAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

uint64_t joinHalves(DWORD low, DWORD high) { return uint64_t(high) << 32 | low; }

OVERLAPPED overlappedAt(uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = DWORD(offset);
  overlapped.OffsetHigh = DWORD(offset >> 32);
  return overlapped;
}

Result<UniqueHandle> openFile(const wchar_t* action, const std::wstring& path, DWORD access, DWORD share,
                              DWORD disposition, DWORD flags) {
  const std::wstring longPath = toLongPath(path);
  HANDLE handle = CreateFileW(longPath.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return lastErrorStatus(action, path);
  return UniqueHandle(reinterpret_cast<UniqueHandle::Native>(handle));
}

// Closes a search handle on every way out of the enumeration.
class SearchHandle {
 public:
  explicit SearchHandle(HANDLE handle) : handle_(handle) {}
  SearchHandle(const SearchHandle&) = delete;
  SearchHandle& operator=(const SearchHandle&) = delete;
  ~SearchHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

namespace fs_platform {

std::wstring systemMessage(uint32_t error) {
  wchar_t buffer[256];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0x400,
                                buffer, DWORD(std::size(buffer)), nullptr);
  while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n')) --length;
  return std::wstring(buffer, length);
}

StatusCode statusCodeFor(uint32_t error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return StatusCode::not_found;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return StatusCode::already_exists;
    default:
      return StatusCode::io_failure;
  }
}

uint32_t currentError() { return GetLastError(); }

}  // namespace fs_platform

// --- Handles ---

bool isValidHandle(const UniqueHandle& handle) {
  return handle.native() != 0 && handle.native() != UniqueHandle::kNone;
}

void UniqueHandle::close() {
  if (isValidHandle(*this)) CloseHandle(win32Handle(*this));
  native_ = kNone;
}

Result<uint64_t> UniqueHandle::readAt(uint64_t offset, void* buffer, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  uint64_t done = 0;
  while (done < length) {
    const DWORD request = DWORD(std::min(length - done, kMaxRequestBytes));
    OVERLAPPED overlapped = overlappedAt(offset + done);
    DWORD got = 0;
    if (!ReadFile(win32Handle(*this), static_cast<uint8_t*>(buffer) + done, request, &got, &overlapped)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      return errorStatus(L"Read failed on", kHandleName, error);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

Status UniqueHandle::writeAll(const void* data, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  uint64_t done = 0;
  while (done < length) {
    const DWORD request = DWORD(std::min(length - done, kMaxRequestBytes));
    DWORD written = 0;
    if (!WriteFile(win32Handle(*this), static_cast<const uint8_t*>(data) + done, request, &written, nullptr)) {
      return lastErrorStatus(L"Write failed on", kHandleName);
    }
    if (written == 0) return noProgress();
    done += written;
  }
  return Status();
}

Status UniqueHandle::writeAt(uint64_t offset, const void* data, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  uint64_t done = 0;
  while (done < length) {
    const DWORD request = DWORD(std::min(length - done, kMaxRequestBytes));
    OVERLAPPED overlapped = overlappedAt(offset + done);
    DWORD written = 0;
    if (!WriteFile(win32Handle(*this), static_cast<const uint8_t*>(data) + done, request, &written, &overlapped)) {
      return lastErrorStatus(L"Positioned write failed on", kHandleName);
    }
    if (written == 0) return noProgress();
    done += written;
  }
  return Status();
}

Result<uint64_t> UniqueHandle::filePosition() const {
  if (!isValidHandle(*this)) return invalidHandle();
  LARGE_INTEGER zero{};
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(win32Handle(*this), zero, &position, FILE_CURRENT)) {
    return lastErrorStatus(L"Cannot query position of", kHandleName);
  }
  return uint64_t(position.QuadPart);
}

Result<uint64_t> UniqueHandle::fileSize() const {
  if (!isValidHandle(*this)) return invalidHandle();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(win32Handle(*this), &size)) return lastErrorStatus(L"Cannot query size of", kHandleName);
  return uint64_t(size.QuadPart);
}

Status UniqueHandle::setFileLength(uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  LARGE_INTEGER target{};
  target.QuadPart = LONGLONG(length);
  if (!SetFilePointerEx(win32Handle(*this), target, nullptr, FILE_BEGIN)) {
    return lastErrorStatus(L"Cannot seek in", kHandleName);
  }
  if (!SetEndOfFile(win32Handle(*this))) return lastErrorStatus(L"Cannot set the length of", kHandleName);
  return Status();
}

Status UniqueHandle::flushFile() const {
  if (!isValidHandle(*this)) return invalidHandle();
  if (!FlushFileBuffers(win32Handle(*this))) return lastErrorStatus(L"Flush failed on", kHandleName);
  return Status();
}

// --- Paths ---

std::wstring toLongPath(const std::wstring& path) {
  if (path.empty() || hasLongPathPrefix(path)) return path;
  const bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
  const bool drive = path.size() > 2 && isAsciiLetter(path[0]) && path[1] == L':' && isPathSeparator(path[2]);
  if (!unc && !drive) return path;
  std::wstring converted = path;
  std::replace(converted.begin(), converted.end(), L'/', L'\\');
  if (unc) return L"\\\\?\\UNC\\" + converted.substr(2);
  return L"\\\\?\\" + converted;
}

std::wstring joinPath(const std::wstring& left, const std::wstring& right) {
  if (left.empty()) return right;
  if (right.empty()) return left;
  if (isPathSeparator(left.back())) return left + right;
  return left + L'\\' + right;
}

void splitPath(const std::wstring& path, std::wstring& parent, std::wstring& name) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) {
    std::wstring whole = path;
    parent.clear();
    name = std::move(whole);
    return;
  }
  std::wstring before = path.substr(0, separator);
  std::wstring after = path.substr(separator + 1);
  if (before.size() == 2 && before[1] == L':') before.push_back(L'\\');
  parent = std::move(before);
  name = std::move(after);
}

Result<std::wstring> fullPath(const std::wstring& path) {
  if (path.empty()) return Failure{StatusCode::invalid_argument, L"Empty path"};
  if (hasLongPathPrefix(path)) return path;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return lastErrorStatus(L"Cannot resolve", path);
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
  if (length == 0 || length >= needed) return lastErrorStatus(L"Cannot resolve", path);
  buffer.resize(length);
  return buffer;
}

bool pathExists(const std::wstring& path) {
  return GetFileAttributesW(toLongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(toLongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// --- Operations on paths ---

Result<UniqueHandle> openForRead(const std::wstring& path) {
  return openFile(L"Cannot open for reading", path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                  kReadFlags);
}

Result<UniqueHandle> openForUpdate(const std::wstring& path) {
  return openFile(L"Cannot open for updating", path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL);
}

Result<UniqueHandle> openForWrite(const std::wstring& path, bool exclusive) {
  return openFile(L"Cannot open for writing", path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                  exclusive ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

Result<FileInfo> statPath(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const std::wstring longPath = toLongPath(path);
  if (!GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data)) {
    return lastErrorStatus(L"Cannot stat", path);
  }
  FileInfo info;
  info.path = path;
  info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.size = joinHalves(data.nFileSizeLow, data.nFileSizeHigh);
  info.modified = joinHalves(data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime);
  info.attributes = data.dwFileAttributes;
  info.isReparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return info;
}

Status deleteFile(const std::wstring& path) {
  const std::wstring longPath = toLongPath(path);
  if (DeleteFileW(longPath.c_str())) return Status();
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Status();
  return errorStatus(L"Cannot delete", path, error);
}

Status renameReplace(const std::wstring& from, const std::wstring& to) {
  const std::wstring longFrom = toLongPath(from);
  const std::wstring longTo = toLongPath(to);
  if (!MoveFileExW(longFrom.c_str(), longTo.c_str(), kMoveFlags)) {
    return lastErrorStatus(L"Cannot rename to", to);
  }
  return Status();
}

Status setAttributes(const std::wstring& path, uint32_t attributes) {
  const uint32_t kept = attributes & kSettableAttributes;
  if (kept == 0) return Status();
  const std::wstring longPath = toLongPath(path);
  if (!SetFileAttributesW(longPath.c_str(), kept)) return lastErrorStatus(L"Cannot set attributes on", path);
  return Status();
}

Status setFileTimes(const std::wstring& path, uint64_t modified) {
  if (modified == 0) return Status();
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file,
                          openFile(L"Cannot open to set times on", path, FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  FILETIME lastWrite{DWORD(modified), DWORD(modified >> 32)};
  const bool set = SetFileTime(win32Handle(file), nullptr, nullptr, &lastWrite) != 0;
  // Closing may overwrite the thread's last error, so it is taken first.
  const DWORD error = set ? ERROR_SUCCESS : GetLastError();
  file.close();
  if (!set) return errorStatus(L"Cannot set times on", path, error);
  return Status();
}

Status createDirectories(const std::wstring& path) {
  if (path.empty()) return Failure{StatusCode::invalid_argument, L"Empty directory path"};
  std::wstring target = path;
  std::replace(target.begin(), target.end(), L'/', L'\\');
  // C:\ becomes C:, which Windows takes as that drive's current directory, which exists.
  while (target.size() > 1 && target.back() == L'\\') target.pop_back();
  if (isDirectory(target)) return Status();

  std::vector<std::wstring> missing;
  std::wstring current = target;
  while (!current.empty()) {
    if (GetFileAttributesW(toLongPath(current).c_str()) != INVALID_FILE_ATTRIBUTES) break;
    missing.push_back(current);
    std::wstring parent;
    std::wstring name;
    splitPath(current, parent, name);
    if (parent.empty() || parent == current) break;
    current = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::wstring longPath = toLongPath(*it);
    if (CreateDirectoryW(longPath.c_str(), nullptr)) continue;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return errorStatus(L"Cannot create directory", *it, error);
  }
  return Status();
}

Status fs_platform::listDirectory(const std::wstring& directory, std::vector<FileInfo>& items) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = toLongPath(joinPath(directory, L"*"));
  SearchHandle search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (search.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Status();
    return errorStatus(L"Cannot enumerate", directory, error);
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    FileInfo item;
    item.path = joinPath(directory, name);
    item.relativePath = name;
    item.attributes = found.dwFileAttributes;
    item.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.isReparsePoint = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    item.size = joinHalves(found.nFileSizeLow, found.nFileSizeHigh);
    item.modified = joinHalves(found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime);
    items.push_back(std::move(item));
  } while (FindNextFileW(search.get(), &found));
  // Taken before the search handle closes, which may overwrite the thread's last error.
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) return errorStatus(L"Enumeration failed in", directory, error);
  return Status();
}

// --- Writing inside a held directory ---

Result<HeldDirectory> HeldDirectory::open(const std::wstring& root, const std::wstring& below) {
  TOLZEB_ASSIGN_OR_RETURN(const FileInfo rootInfo, statPath(root));
  if (!rootInfo.isDirectory) return errorStatus(L"Cannot open folder", root, ERROR_DIRECTORY);
  HeldDirectory held(UniqueHandle(), root);
  for (size_t start = 0; start < below.size();) {
    size_t end = below.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = below.size();
    if (end > start) {
      TOLZEB_ASSIGN_OR_RETURN(HeldDirectory next, held.openChild(below.substr(start, end - start), false));
      held = std::move(next);
    }
    start = end + 1;
  }
  return held;
}

Result<HeldDirectory> HeldDirectory::openChild(const std::wstring& name, bool create) const {
  const std::wstring path = joinPath(path_, name);
  Result<FileInfo> info = statPath(path);
  if (info.failed() && info.failure().code == StatusCode::not_found && create) {
    TOLZEB_TRY(createFolder(name));
    info = statPath(path);
  }
  if (info.failed()) return std::move(info).failure();
  if (info->isReparsePoint || !info->isDirectory) {
    return Failure{StatusCode::path_unsafe, L"A link or a file stands where a folder should be: '" + path + L"'"};
  }
  return HeldDirectory(UniqueHandle(), path);
}

bool HeldDirectory::stillAtItsPath() const { return false; }

Result<HeldDirectory::Item> HeldDirectory::itemAt(const std::wstring& name) const {
  Result<FileInfo> info = statPath(joinPath(path_, name));
  if (info.failed()) {
    if (info.failure().code == StatusCode::not_found) return Item::absent;
    return std::move(info).failure();
  }
  if (info->isReparsePoint) return Item::link;
  return info->isDirectory ? Item::folder : Item::file;
}

Status HeldDirectory::createFolder(const std::wstring& name) const {
  const std::wstring path = joinPath(path_, name);
  const std::wstring longPath = toLongPath(path);
  if (CreateDirectoryW(longPath.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return Status();
  return lastErrorStatus(L"Cannot create directory", path);
}

Result<UniqueHandle> HeldDirectory::createFile(const std::wstring& name, bool exclusive) const {
  return openForWrite(joinPath(path_, name), exclusive);
}

Status HeldDirectory::rename(const std::wstring& from, const std::wstring& to) const {
  return renameReplace(joinPath(path_, from), joinPath(path_, to));
}

Status HeldDirectory::renameToFreeName(const std::wstring& from, const std::wstring& to) const {
  const std::wstring target = joinPath(path_, to);
  const std::wstring longFrom = toLongPath(joinPath(path_, from));
  const std::wstring longTo = toLongPath(target);
  // Without MOVEFILE_REPLACE_EXISTING an item at the new name fails the move.
  if (!MoveFileExW(longFrom.c_str(), longTo.c_str(), 0)) return lastErrorStatus(L"Cannot rename to", target);
  return Status();
}

Status HeldDirectory::remove(const std::wstring& name) const { return deleteFile(joinPath(path_, name)); }

Status HeldDirectory::setFileTimes(const std::wstring& name, uint64_t modified) const {
  return tolzeb::setFileTimes(joinPath(path_, name), modified);
}

Status HeldDirectory::setAttributes(const std::wstring& name, uint32_t attributes) const {
  return tolzeb::setAttributes(joinPath(path_, name), attributes);
}

}  // namespace tolzeb
