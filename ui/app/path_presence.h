// Whether a path the user gave names a file, a folder or nothing, as the window reports it before
// it opens an archive or takes sources.
#pragma once

#include <cstdint>
#include <string>

namespace tolzeb::ui {

enum class PathPresence : uint8_t {
  File = 0,
  Missing = 1,  // also an empty path, an unready drive and a name the system cannot hold
  Folder = 2,
  Unreadable = 3,  // any other failure to look at it
};

PathPresence pathPresence(const std::wstring& path);

// The message key shown for a presence; empty for a file.
const char* presenceMessageKey(PathPresence presence);

}  // namespace tolzeb::ui
