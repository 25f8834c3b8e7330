// The file layer over POSIX. It follows the Windows behaviour as closely as the platform allows:
// '/' is the only separator, full paths are computed lexically (like GetFullPathNameW, never
// through the file system's links), attributes are synthesised from the mode, and wide paths are
// converted strictly to UTF-8 at the system-call boundary.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "engine/core/fs.h"
#include "engine/core/fs_platform.h"
#include "engine/core/types.h"
#include "engine/core/text.h"

namespace tolzeb {

const wchar_t kPathSeparator = L'/';
const bool kPathsIgnoreCase = false;

namespace {

constexpr uint64_t kMaxRequestBytes = 0x10000000;
constexpr uint32_t kAttributeReparsePoint = 0x400;
// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr int64_t kFiletimeEpochOffsetSeconds = 11644473600;
constexpr uint64_t kFiletimeTicksPerSecond = 10000000;
// Failures on handles name this instead of a path. A string object, so that reporting a failure
// allocates nothing before errno is read.
const std::wstring kHandleName = L"<handle>";

Failure invalidHandle() { return Failure{StatusCode::io_failure, L"Invalid file handle"}; }
Failure noProgress() { return Failure{StatusCode::io_failure, L"Write made no progress"}; }

// A wide path that cannot be written as UTF-8 cannot name any file here.
Result<std::string> nativePath(const wchar_t* action, const std::wstring& path) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(path);
  if (bytes.failed()) {
    return Failure{StatusCode::invalid_argument,
                   std::wstring(action) + L" '" + path + L"': " + bytes.failure().message};
  }
  return std::string(bytes->begin(), bytes->end());
}

std::optional<std::wstring> wideName(const char* name) {
  Result<std::wstring> text = utf8ToUtf16(reinterpret_cast<const uint8_t*>(name), std::strlen(name));
  if (text.failed()) return std::nullopt;
  return std::move(text).value();
}

uint64_t toFiletime(const struct timespec& time) {
  const int64_t seconds = int64_t(time.tv_sec) + kFiletimeEpochOffsetSeconds;
  if (seconds < 0) return 0;
  return uint64_t(seconds) * kFiletimeTicksPerSecond + uint64_t(time.tv_nsec) / 100;
}

struct timespec fromFiletime(uint64_t filetime) {
  struct timespec time {};
  time.tv_sec = time_t(int64_t(filetime / kFiletimeTicksPerSecond) - kFiletimeEpochOffsetSeconds);
  time.tv_nsec = long(filetime % kFiletimeTicksPerSecond) * 100;
  return time;
}

// Links report themselves as reparse points, with the directory bit of their target, as
// Windows reports directory links. FIFOs, sockets and devices are reported the same way, so
// that nothing reads from them or descends into them.
FileInfo describe(const struct stat& own, const std::string& nativeLocation) {
  FileInfo info;
  bool directory = S_ISDIR(own.st_mode);
  const bool special = !S_ISDIR(own.st_mode) && !S_ISREG(own.st_mode);
  if (S_ISLNK(own.st_mode)) {
    struct stat target {};
    directory = ::stat(nativeLocation.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
  }
  info.isDirectory = directory;
  info.isReparsePoint = special;
  info.size = S_ISREG(own.st_mode) ? uint64_t(own.st_size) : 0;
  info.modified = toFiletime(own.st_mtim);
  info.attributes = directory ? kAttributeDirectory : kAttributeArchive;
  if ((own.st_mode & S_IWUSR) == 0) info.attributes |= kAttributeReadOnly;
  if (special) info.attributes |= kAttributeReparsePoint;
  return info;
}

Result<UniqueHandle> openFile(const wchar_t* action, const std::wstring& path, int flags) {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(action, path));
  int fd;
  do {
    fd = ::open(location.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return lastErrorStatus(action, path);
  return UniqueHandle(fd);
}

// Closes a directory stream on every way out of the enumeration.
class DirectoryStream {
 public:
  explicit DirectoryStream(DIR* stream) : stream_(stream) {}
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;
  ~DirectoryStream() {
    if (stream_) ::closedir(stream_);
  }
  DIR* get() const { return stream_; }

 private:
  DIR* stream_;
};

// strerror_r comes in two flavours; glibc picks the one that returns the text.
[[maybe_unused]] const char* messageFrom(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* messageFrom(const char* result, const char*) { return result; }

}  // namespace

namespace fs_platform {

std::wstring systemMessage(uint32_t error) {
  char buffer[256] = {};
  const char* text = messageFrom(::strerror_r(int(error), buffer, sizeof buffer), buffer);
  if (text == nullptr) return std::wstring();
  std::optional<std::wstring> wide = wideName(text);
  if (!wide) return std::wstring();
  while (!wide->empty() && (wide->back() == L'\r' || wide->back() == L'\n')) wide->pop_back();
  return *wide;
}

StatusCode statusCodeFor(uint32_t error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return StatusCode::not_found;
    case EEXIST:
      return StatusCode::already_exists;
    default:
      return StatusCode::io_failure;
  }
}

uint32_t currentError() { return uint32_t(errno); }

}  // namespace fs_platform

// --- Handles ---

bool isValidHandle(const UniqueHandle& handle) { return handle.native() >= 0; }

void UniqueHandle::close() {
  // Not retried on EINTR: Linux releases the descriptor either way.
  if (isValidHandle(*this)) ::close(int(native_));
  native_ = kNone;
}

Result<uint64_t> UniqueHandle::readAt(uint64_t offset, void* buffer, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  const int fd = int(native_);
  uint64_t done = 0;
  while (done < length) {
    const size_t request = size_t(std::min(length - done, kMaxRequestBytes));
    const ssize_t got = ::pread(fd, static_cast<uint8_t*>(buffer) + done, request, off_t(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return lastErrorStatus(L"Read failed on", kHandleName);
    }
    if (got == 0) break;
    done += uint64_t(got);
  }
  if (done > 0 && ::lseek(fd, off_t(offset + done), SEEK_SET) < 0)
    return lastErrorStatus(L"Read failed on", kHandleName);
  return done;
}

Status UniqueHandle::writeAll(const void* data, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  uint64_t done = 0;
  while (done < length) {
    const size_t request = size_t(std::min(length - done, kMaxRequestBytes));
    const ssize_t written = ::write(int(native_), static_cast<const uint8_t*>(data) + done, request);
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastErrorStatus(L"Write failed on", kHandleName);
    }
    if (written == 0) return noProgress();
    done += uint64_t(written);
  }
  return Status();
}

Status UniqueHandle::writeAt(uint64_t offset, const void* data, uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  const int fd = int(native_);
  uint64_t done = 0;
  while (done < length) {
    const size_t request = size_t(std::min(length - done, kMaxRequestBytes));
    const ssize_t written = ::pwrite(fd, static_cast<const uint8_t*>(data) + done, request, off_t(offset + done));
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastErrorStatus(L"Positioned write failed on", kHandleName);
    }
    if (written == 0) return noProgress();
    done += uint64_t(written);
  }
  if (done > 0 && ::lseek(fd, off_t(offset + done), SEEK_SET) < 0) {
    return lastErrorStatus(L"Positioned write failed on", kHandleName);
  }
  return Status();
}

Result<uint64_t> UniqueHandle::filePosition() const {
  if (!isValidHandle(*this)) return invalidHandle();
  const off_t position = ::lseek(int(native_), 0, SEEK_CUR);
  if (position < 0) return lastErrorStatus(L"Cannot query position of", kHandleName);
  return uint64_t(position);
}

Result<uint64_t> UniqueHandle::fileSize() const {
  if (!isValidHandle(*this)) return invalidHandle();
  struct stat status {};
  if (::fstat(int(native_), &status) != 0) return lastErrorStatus(L"Cannot query size of", kHandleName);
  return uint64_t(status.st_size);
}

Status UniqueHandle::setFileLength(uint64_t length) const {
  if (!isValidHandle(*this)) return invalidHandle();
  if (::lseek(int(native_), off_t(length), SEEK_SET) < 0) return lastErrorStatus(L"Cannot seek in", kHandleName);
  int result;
  do {
    result = ::ftruncate(int(native_), off_t(length));
  } while (result != 0 && errno == EINTR);
  if (result != 0) return lastErrorStatus(L"Cannot set the length of", kHandleName);
  return Status();
}

Status UniqueHandle::flushFile() const {
  if (!isValidHandle(*this)) return invalidHandle();
  if (::fsync(int(native_)) != 0) return lastErrorStatus(L"Flush failed on", kHandleName);
  return Status();
}

// --- Paths ---

std::wstring toLongPath(const std::wstring& path) { return path; }

std::wstring joinPath(const std::wstring& left, const std::wstring& right) {
  if (left.empty()) return right;
  if (right.empty()) return left;
  if (left.back() == L'/') return left + right;
  return left + L'/' + right;
}

void splitPath(const std::wstring& path, std::wstring& parent, std::wstring& name) {
  const size_t separator = path.rfind(L'/');
  if (separator == std::wstring::npos) {
    std::wstring whole = path;
    parent.clear();
    name = std::move(whole);
    return;
  }
  // The parent of /x is the root itself, as C:\ is on Windows.
  std::wstring before = separator == 0 ? std::wstring(L"/") : path.substr(0, separator);
  std::wstring after = path.substr(separator + 1);
  parent = std::move(before);
  name = std::move(after);
}

Result<std::wstring> fullPath(const std::wstring& path) {
  if (path.empty()) return Failure{StatusCode::invalid_argument, L"Empty path"};
  std::wstring absolute = path;
  if (path.front() != L'/') {
    std::string directory(256, '\0');
    while (::getcwd(directory.data(), directory.size()) == nullptr) {
      if (errno != ERANGE) return lastErrorStatus(L"Cannot resolve", path);
      directory.resize(directory.size() * 2);
    }
    std::optional<std::wstring> wideDirectory = wideName(directory.c_str());
    if (!wideDirectory) {
      return Failure{StatusCode::io_failure,
                     L"Cannot resolve '" + path + L"': the current directory's name is not valid UTF-8"};
    }
    absolute = joinPath(*wideDirectory, path);
  }
  // "." and ".." are resolved on the text alone; ".." at the root stays at the root.
  std::vector<std::wstring> segments;
  size_t start = 0;
  while (start <= absolute.size()) {
    size_t end = absolute.find(L'/', start);
    if (end == std::wstring::npos) end = absolute.size();
    std::wstring segment = absolute.substr(start, end - start);
    if (segment == L"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != L".") {
      segments.push_back(std::move(segment));
    }
    start = end + 1;
  }
  std::wstring resolved;
  for (const std::wstring& segment : segments) resolved += L'/' + segment;
  if (resolved.empty()) resolved = L"/";
  return resolved;
}

bool pathExists(const std::wstring& path) {
  Result<std::string> location = nativePath(L"", path);
  struct stat own {};
  return location.hasValue() && ::lstat(location->c_str(), &own) == 0;
}

bool isDirectory(const std::wstring& path) {
  Result<std::string> location = nativePath(L"", path);
  struct stat own {};
  return location.hasValue() && ::lstat(location->c_str(), &own) == 0 && describe(own, *location).isDirectory;
}

// --- Operations on paths ---

Result<UniqueHandle> openForRead(const std::wstring& path) {
  const wchar_t* action = L"Cannot open for reading";
  // Non-blocking, so that a FIFO without a writer does not hang the open.
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openFile(action, path, O_RDONLY | O_NONBLOCK));
  const int fd = int(file.native());
  struct stat status {};
  if (::fstat(fd, &status) != 0) return lastErrorStatus(action, path);
  if (S_ISDIR(status.st_mode)) return errorStatus(action, path, EISDIR);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return lastErrorStatus(action, path);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return file;
}

Result<UniqueHandle> openForUpdate(const std::wstring& path) {
  return openFile(L"Cannot open for updating", path, O_RDWR);
}

Result<UniqueHandle> openForWrite(const std::wstring& path, bool exclusive) {
  return openFile(L"Cannot open for writing", path, O_RDWR | O_CREAT | (exclusive ? O_EXCL : O_TRUNC));
}

Result<FileInfo> statPath(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot stat", path));
  struct stat own {};
  if (::lstat(location.c_str(), &own) != 0) return lastErrorStatus(L"Cannot stat", path);
  FileInfo info = describe(own, location);
  info.path = path;
  return info;
}

Status deleteFile(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot delete", path));
  if (::unlink(location.c_str()) == 0) return Status();
  const int error = errno;
  if (error == ENOENT || error == ENOTDIR) return Status();
  return errorStatus(L"Cannot delete", path, uint32_t(error));
}

Status renameReplace(const std::wstring& from, const std::wstring& to) {
  const wchar_t* action = L"Cannot rename to";
  TOLZEB_ASSIGN_OR_RETURN(const std::string source, nativePath(action, from));
  TOLZEB_ASSIGN_OR_RETURN(const std::string destination, nativePath(action, to));
  if (::rename(source.c_str(), destination.c_str()) != 0) return lastErrorStatus(action, to);
  // The move is on disk once the directory that holds the new name is.
  std::wstring parent;
  std::wstring name;
  splitPath(to, parent, name);
  TOLZEB_ASSIGN_OR_RETURN(const std::string directory, nativePath(action, parent.empty() ? L"." : parent));
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return lastErrorStatus(action, to);
  UniqueHandle directoryHandle(fd);
  // Some file systems cannot sync a directory at all (EINVAL); the rename itself stands.
  if (::fsync(fd) != 0 && errno != EINVAL) return lastErrorStatus(action, to);
  return Status();
}

namespace {

constexpr uint32_t kSettableAttributes = 0x2027;

// Only read-only has a POSIX meaning: the owner's write permission. Nothing is changed when the
// mode already says what the attributes do, which is the common case of a file just written.
Status applyAttributes(int directory, const std::string& location, const std::wstring& path, uint32_t kept,
                       int statFlags) {
  const wchar_t* action = L"Cannot set attributes on";
  struct stat status {};
  if (::fstatat(directory, location.c_str(), &status, statFlags) != 0) return lastErrorStatus(action, path);
  // chmod would pass a link on to what it names.
  if (S_ISLNK(status.st_mode)) return errorStatus(action, path, ELOOP);
  const mode_t old = status.st_mode & 07777;
  const mode_t mode = (kept & kAttributeReadOnly) ? old & ~mode_t(S_IWUSR) : old | S_IWUSR;
  if (mode == old) return Status();
  if (::fchmodat(directory, location.c_str(), mode, 0) != 0) return lastErrorStatus(action, path);
  return Status();
}

Status applyFileTimes(int directory, const std::string& location, const std::wstring& path, uint64_t modified,
                      int flags) {
  const wchar_t* action = L"Cannot set times on";
  // Windows refuses FILETIMEs with the top bit set; so does this layer.
  if (modified > uint64_t(INT64_MAX)) return errorStatus(action, path, EINVAL);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = fromFiletime(modified);
  if (::utimensat(directory, location.c_str(), times, flags) != 0) return lastErrorStatus(action, path);
  return Status();
}

}  // namespace

Status setAttributes(const std::wstring& path, uint32_t attributes) {
  const uint32_t kept = attributes & kSettableAttributes;
  if (kept == 0) return Status();
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot set attributes on", path));
  return applyAttributes(AT_FDCWD, location, path, kept, 0);
}

Status setFileTimes(const std::wstring& path, uint64_t modified) {
  if (modified == 0) return Status();
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot set times on", path));
  return applyFileTimes(AT_FDCWD, location, path, modified, 0);
}

Status createDirectories(const std::wstring& path) {
  if (path.empty()) return Failure{StatusCode::invalid_argument, L"Empty directory path"};
  std::wstring target = path;
  while (target.size() > 1 && target.back() == L'/') target.pop_back();
  if (isDirectory(target)) return Status();

  std::vector<std::wstring> missing;
  std::wstring current = target;
  while (!current.empty()) {
    if (pathExists(current)) break;
    missing.push_back(current);
    std::wstring parent;
    std::wstring name;
    splitPath(current, parent, name);
    if (parent.empty() || parent == current) break;
    current = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const wchar_t* action = L"Cannot create directory";
    TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(action, *it));
    if (::mkdir(location.c_str(), 0777) == 0) continue;
    const int error = errno;
    if (error != EEXIST) return errorStatus(action, *it, uint32_t(error));
  }
  return Status();
}

// --- Writing inside a held directory ---

namespace {

Failure linkInTheChain(const std::wstring& path) {
  return Failure{StatusCode::path_unsafe, L"A link or a file stands where a folder should be: '" + path + L"'"};
}

// Descriptor operations are retried when a signal interrupts them.
template <typename Call>
int retried(Call call) {
  int result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

Result<HeldDirectory> HeldDirectory::open(const std::wstring& root, const std::wstring& below) {
  const wchar_t* action = L"Cannot open folder";
  TOLZEB_ASSIGN_OR_RETURN(const std::string rootLocation, nativePath(action, root));
  const int rootFd = retried([&] { return ::open(rootLocation.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (rootFd < 0) return lastErrorStatus(action, root);
  struct stat status {};
  if (::fstat(rootFd, &status) != 0) {
    const int error = errno;
    ::close(rootFd);
    return errorStatus(action, root, uint32_t(error));
  }
  HeldDirectory held(UniqueHandle(rootFd), root, uint64_t(status.st_dev), uint64_t(status.st_ino));
  for (size_t start = 0; start < below.size();) {
    size_t end = below.find(L'/', start);
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
  const wchar_t* action = L"Cannot open folder";
  const std::wstring path = joinPath(path_, name);
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(action, name));
  const int directory = int(handle_.native());
  const auto openIt = [&] {
    return retried([&] { return ::openat(directory, location.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
  };
  int fd = openIt();
  if (fd < 0 && errno == ENOENT && create) {
    if (::mkdirat(directory, location.c_str(), 0777) != 0 && errno != EEXIST) {
      return lastErrorStatus(L"Cannot create directory", path);
    }
    fd = openIt();
  }
  if (fd < 0) {
    const int error = errno;
    if (error == ELOOP || error == ENOTDIR) return linkInTheChain(path);
    return errorStatus(action, path, uint32_t(error));
  }
  UniqueHandle held(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) return lastErrorStatus(action, path);
  return HeldDirectory(std::move(held), path, uint64_t(status.st_dev), uint64_t(status.st_ino));
}

bool HeldDirectory::stillAtItsPath() const {
  Result<std::string> location = nativePath(L"", path_);
  struct stat status {};
  return location.hasValue() && ::stat(location->c_str(), &status) == 0 && uint64_t(status.st_dev) == device_ &&
         uint64_t(status.st_ino) == inode_;
}

Result<HeldDirectory::Item> HeldDirectory::itemAt(const std::wstring& name) const {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot stat", name));
  struct stat own {};
  if (::fstatat(int(handle_.native()), location.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
    const int error = errno;
    if (error == ENOENT) return Item::absent;
    return errorStatus(L"Cannot stat", joinPath(path_, name), uint32_t(error));
  }
  if (S_ISDIR(own.st_mode)) return Item::folder;
  if (S_ISREG(own.st_mode)) return Item::file;
  return Item::link;
}

Status HeldDirectory::createFolder(const std::wstring& name) const {
  const wchar_t* action = L"Cannot create directory";
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(action, name));
  if (::mkdirat(int(handle_.native()), location.c_str(), 0777) == 0 || errno == EEXIST) return Status();
  return lastErrorStatus(action, joinPath(path_, name));
}

Result<UniqueHandle> HeldDirectory::createFile(const std::wstring& name, bool exclusive) const {
  const wchar_t* action = L"Cannot open for writing";
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(action, name));
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
  const int fd = retried([&] { return ::openat(int(handle_.native()), location.c_str(), flags, 0666); });
  if (fd < 0) return lastErrorStatus(action, joinPath(path_, name));
  return UniqueHandle(fd);
}

Status HeldDirectory::rename(const std::wstring& from, const std::wstring& to) const {
  const wchar_t* action = L"Cannot rename to";
  TOLZEB_ASSIGN_OR_RETURN(const std::string source, nativePath(action, from));
  TOLZEB_ASSIGN_OR_RETURN(const std::string destination, nativePath(action, to));
  const int directory = int(handle_.native());
  if (::renameat(directory, source.c_str(), directory, destination.c_str()) != 0)
    return lastErrorStatus(action, joinPath(path_, to));
  // Some file systems cannot sync a directory at all (EINVAL); the rename itself stands.
  if (::fsync(directory) != 0 && errno != EINVAL) return lastErrorStatus(action, joinPath(path_, to));
  return Status();
}

Status HeldDirectory::renameToFreeName(const std::wstring& from, const std::wstring& to) const {
  const wchar_t* action = L"Cannot rename to";
  TOLZEB_ASSIGN_OR_RETURN(const std::string source, nativePath(action, from));
  TOLZEB_ASSIGN_OR_RETURN(const std::string destination, nativePath(action, to));
  const int directory = int(handle_.native());
  if (::renameat2(directory, source.c_str(), directory, destination.c_str(), RENAME_NOREPLACE) == 0) return Status();
  int error = errno;
  // A file system that cannot refuse the replacement itself (EINVAL): look, then move. Only an
  // item made in between these two calls could still be replaced.
  if (error == EINVAL || error == ENOSYS) {
    struct stat status {};
    if (::fstatat(directory, destination.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
      error = EEXIST;
    } else if (errno != ENOENT) {
      error = errno;
    } else if (::renameat(directory, source.c_str(), directory, destination.c_str()) == 0) {
      return Status();
    } else {
      error = errno;
    }
  }
  return errorStatus(action, joinPath(path_, to), uint32_t(error));
}

Status HeldDirectory::remove(const std::wstring& name) const {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot delete", name));
  if (::unlinkat(int(handle_.native()), location.c_str(), 0) == 0) return Status();
  const int error = errno;
  if (error == ENOENT) return Status();
  return errorStatus(L"Cannot delete", joinPath(path_, name), uint32_t(error));
}

Status HeldDirectory::setFileTimes(const std::wstring& name, uint64_t modified) const {
  if (modified == 0) return Status();
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot set times on", name));
  return applyFileTimes(int(handle_.native()), location, joinPath(path_, name), modified, AT_SYMLINK_NOFOLLOW);
}

Status HeldDirectory::setAttributes(const std::wstring& name, uint32_t attributes) const {
  const uint32_t kept = attributes & kSettableAttributes;
  if (kept == 0) return Status();
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot set attributes on", name));
  return applyAttributes(int(handle_.native()), location, joinPath(path_, name), kept, AT_SYMLINK_NOFOLLOW);
}

Status fs_platform::listDirectory(const std::wstring& directory, std::vector<FileInfo>& items) {
  TOLZEB_ASSIGN_OR_RETURN(const std::string location, nativePath(L"Cannot enumerate", directory));
  DirectoryStream stream(::opendir(location.c_str()));
  if (!stream.get()) return lastErrorStatus(L"Cannot enumerate", directory);
  while (true) {
    errno = 0;
    const dirent* entry = ::readdir(stream.get());
    if (!entry) {
      const int error = errno;
      if (error != 0) return errorStatus(L"Enumeration failed in", directory, uint32_t(error));
      return Status();
    }
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::optional<std::wstring> name = wideName(entry->d_name);
    if (!name) {
      return Failure{StatusCode::io_failure,
                     L"Enumeration failed in '" + directory + L"': a name there is not valid UTF-8"};
    }
    const std::string itemLocation = location + (location.back() == '/' ? "" : "/") + entry->d_name;
    struct stat own {};
    if (::fstatat(::dirfd(stream.get()), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
      const int error = errno;
      if (error == ENOENT) continue;  // removed since it was listed
      return errorStatus(L"Enumeration failed in", directory, uint32_t(error));
    }
    FileInfo item = describe(own, itemLocation);
    item.path = joinPath(directory, *name);
    item.relativePath = std::move(*name);
    items.push_back(std::move(item));
  }
}

}  // namespace tolzeb
