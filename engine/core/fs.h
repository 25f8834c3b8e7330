// The file-system layer: every file the system touches goes through here. It owns open files,
// hands absolute paths to the operating system in long-path form and turns every
// operating-system failure into a Failure of one shape:
//   <action> '<path as the caller gave it>': <system text or "unknown error"> (0x<error number>)
// with code 11 for "not found", 10 for "already exists" and 5 for everything else.
// Paths are UTF-16 wide strings on every platform; on POSIX they are converted strictly to UTF-8
// at the system-call boundary (a path with unpaired surrogates fails with code 2), and '/' is
// the only separator there.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb {

// The separator this platform's paths use: '\' on Windows, '/' on POSIX.
extern const wchar_t kPathSeparator;
// '/' everywhere, and this platform's own separator: on POSIX a backslash is an ordinary name
// character.
inline bool isPathSeparator(wchar_t c) { return c == L'/' || c == kPathSeparator; }
// Whether names that differ only in ASCII letter case name the same file (Windows).
extern const bool kPathsIgnoreCase;

// The sole owner of one open file (a Windows HANDLE or a POSIX descriptor). Move-only; closes
// the file when it goes. The handle operations report failures with the text "<handle>" in the
// place of the path, and an invalid handle fails at once with code 5 "Invalid file handle".
class UniqueHandle {
 public:
  using Native = std::intptr_t;
  // The empty state: INVALID_HANDLE_VALUE on Windows (null is invalid too), no descriptor on POSIX.
  static constexpr Native kNone = -1;

  UniqueHandle() = default;
  explicit UniqueHandle(Native native) : native_(native) {}
  UniqueHandle(UniqueHandle&& other) noexcept : native_(std::exchange(other.native_, kNone)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { close(); }

  // Closes a valid handle; the object is empty afterwards in every case.
  void close();
  Native native() const { return native_; }

  // Reads up to `length` bytes at `offset`; end of file ends the read early and is no failure,
  // so the count may be short (0 past the end). Requests are at most 256 MiB each.
  Result<uint64_t> readAt(uint64_t offset, void* buffer, uint64_t length) const;
  // Writes everything at the current position.
  Status writeAll(const void* data, uint64_t length) const;
  // Writes everything at `offset`.
  Status writeAt(uint64_t offset, const void* data, uint64_t length) const;
  // Positioned reads and writes leave the file position behind the bytes they moved.
  Result<uint64_t> filePosition() const;
  Result<uint64_t> fileSize() const;
  // Truncates or extends the file; the position is left at the new end.
  Status setFileLength(uint64_t length) const;
  Status flushFile() const;

 private:
  Native native_ = kNone;
};

bool isValidHandle(const UniqueHandle& handle);

// One file-system item, as statPath and enumerateTree report it.
struct FileInfo {
  std::wstring path;          // statPath: as given; enumerated: joinPath(root, relative location)
  std::wstring relativePath;  // '/'-separated below the enumerated root; empty from statPath
  bool isDirectory = false;   // attribute 0x10
  uint64_t size = 0;
  uint64_t modified = 0;        // last write, FILETIME: 100-ns ticks since 1601-01-01 UTC
  uint32_t attributes = 0;      // the Windows attribute word (synthesised on POSIX)
  bool isReparsePoint = false;  // attribute 0x400: a link or junction, listed but never entered
};

// --- Paths (pure string work unless noted) ---

// The form in which paths reach the operating system: on Windows a drive path gets "\\?\" in
// front and "\\server\share" becomes "\\?\UNC\server\share", slashes turned to backslashes;
// relative, root-relative and already prefixed paths pass unchanged. POSIX: unchanged.
std::wstring toLongPath(const std::wstring& path);
// Longer than 3 characters and begins with "\\?\".
bool hasLongPathPrefix(const std::wstring& path);
// left + separator + right, unless either side is empty or left already ends in a separator.
std::wstring joinPath(const std::wstring& left, const std::wstring& right);
// Splits at the last separator; no separator gives an empty parent. A root parent keeps its
// separator (C:\ on Windows, / on POSIX). The outputs may alias the input.
void splitPath(const std::wstring& path, std::wstring& parent, std::wstring& name);
// The absolute path with "." and ".." resolved against the current directory, without touching
// the file system's links (a path that does not exist resolves too). Empty: code 2 "Empty path".
Result<std::wstring> fullPath(const std::wstring& path);
// Never fail: false on any error.
bool pathExists(const std::wstring& path);
bool isDirectory(const std::wstring& path);

// --- Failures ---

// "<action> '<path>': <system text> (0x%08X)".
std::wstring windowsErrorText(const wchar_t* action, const std::wstring& path, uint32_t error);
// The Failure for an error number captured right after the failing call (GetLastError or errno).
Failure errorStatus(const wchar_t* action, const std::wstring& path, uint32_t error);
// errorStatus with the calling thread's current error number, read first.
Failure lastErrorStatus(const wchar_t* action, const std::wstring& path);

// --- Operations on paths ---

// Shared reading and writing; a directory is refused.
Result<UniqueHandle> openForRead(const std::wstring& path);
// An existing file, read and write, others may read.
Result<UniqueHandle> openForUpdate(const std::wstring& path);
// Creates or truncates; `exclusive` refuses an existing file with code 10.
Result<UniqueHandle> openForWrite(const std::wstring& path, bool exclusive);
Result<FileInfo> statPath(const std::wstring& path);
// A file that is already absent counts as deleted.
Status deleteFile(const std::wstring& path);
// Moves `from` over `to`, replacing it, and returns once the move is on disk.
Status renameReplace(const std::wstring& from, const std::wstring& to);
// Applies the bits 0x2027 (read-only, hidden, system, archive, not-content-indexed); with none
// of them set nothing is done. POSIX maps only read-only, to the owner's write permission
// (removed with 0x01, granted without it).
Status setAttributes(const std::wstring& path, uint32_t attributes);
// Sets the last-write time (FILETIME); 0 leaves it alone. Directories work too.
Status setFileTimes(const std::wstring& path, uint64_t modified);
// Creates the missing directories of the chain, outermost first. An existing item at the path,
// even a file, is success. Empty: code 2 "Empty directory path".
Status createDirectories(const std::wstring& path);
// --- Writing inside a held directory ---

// A directory opened one component at a time below a root, never through a link, and held open
// while files are created, renamed and deleted in it by name. On POSIX each step is opened
// relative to the one before with O_NOFOLLOW, so those files stay in the directory that was
// opened even when a component of the chain is swapped for a link afterwards. On Windows the
// chain is checked step by step (a reparse point refused) and the operations go by path.
class HeldDirectory {
 public:
  // What holds a name inside the directory, the item itself and not what a link names.
  enum class Item { absent, file, folder, link };  // link: also a reparse point or a special file

  // `root` is opened as given (links followed), then each component of `below` (a relative
  // path). A component that is a link or not a directory fails with code 9.
  static Result<HeldDirectory> open(const std::wstring& root, const std::wstring& below);

  // The directory's path, as the chain spelled it.
  const std::wstring& path() const { return path_; }
  // The folder `name` inside this one, opened the same way; with `create` a missing one is made
  // first. A link or an item that is not a folder fails with code 9.
  Result<HeldDirectory> openChild(const std::wstring& name, bool create) const;
  // Whether the path still leads to this very directory, links followed: false once a component
  // was swapped for a link to elsewhere or the directory was moved. Always false on Windows,
  // where nothing is held and only a new walk down the chain proves it.
  bool stillAtItsPath() const;
  Result<Item> itemAt(const std::wstring& name) const;
  // Makes the folder `name`; one already there is success.
  Status createFolder(const std::wstring& name) const;
  // Creates or truncates the file `name`, never through a link; `exclusive` refuses an existing
  // item with code 10.
  Result<UniqueHandle> createFile(const std::wstring& name, bool exclusive) const;
  // Moves `from` over `to`, both names in this directory, and returns once the move is on disk.
  Status rename(const std::wstring& from, const std::wstring& to) const;
  // Moves `from` to `to`, both names in this directory, only while nothing holds `to`: an item
  // there (a link included) stays as it was and the move fails with code 10. Unlike rename it
  // does not wait for the directory to reach the disk.
  Status renameToFreeName(const std::wstring& from, const std::wstring& to) const;
  // An item that is already absent counts as deleted.
  Status remove(const std::wstring& name) const;
  // setFileTimes and setAttributes on the item `name` here; a link there is not followed.
  Status setFileTimes(const std::wstring& name, uint64_t modified) const;
  Status setAttributes(const std::wstring& name, uint32_t attributes) const;

 private:
  HeldDirectory(UniqueHandle handle, std::wstring path, uint64_t device = 0, uint64_t inode = 0)
      : handle_(std::move(handle)), path_(std::move(path)), device_(device), inode_(inode) {}
  UniqueHandle handle_;  // empty on Windows
  std::wstring path_;
  uint64_t device_;  // POSIX: which directory the handle holds
  uint64_t inode_;
};

// The items below a directory root, depth first in the file system's order, without the root
// itself; links below the root are listed, never entered. A file root gives itself, named by
// its file name.
Result<std::vector<FileInfo>> enumerateTree(const std::wstring& root);

}  // namespace tolzeb
