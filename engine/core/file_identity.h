// Whether two paths name one file: the question "would writing here replace that?" answered the way the file system
// answers it, so that other spellings of a path ("./a", letter case on Windows, a folder reached through a link, a
// second hard link) count as the same file.
#pragma once

#include <string>

namespace tolzeb {

// True when both paths exist and name the same file or folder (same volume and file number on Windows, same device and
// inode on POSIX). Links are followed. A path that does not exist, or cannot be examined, names no file: false.
bool sameFile(const std::wstring& first, const std::wstring& second);

}  // namespace tolzeb
