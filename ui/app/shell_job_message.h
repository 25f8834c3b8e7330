// The hand-off message: the extension sends the path of a job file to the running main window as
// WM_COPYDATA. Any process on the desktop can send one, so its payload is checked before the
// path is used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolzeb::shell {

// dwData of the message: "TZSJ" read from the top byte down, in a pointer-sized value whose
// upper half is zero.
inline constexpr uint64_t kShellJobMessageTag = 0x545A534A;
// cbData: the path's UTF-16 units and a terminating null unit, at most this many bytes.
inline constexpr uint64_t kMaxShellJobMessageBytes = 65536;

// The job file path carried by a COPYDATASTRUCT's dwData, lpData and cbData; nothing (reply 0)
// unless the tag is exact, the data is present, its size even, from 2 to 65,536 bytes, its last
// unit null and no other unit null, and the path before that null is not empty. A null inside
// the path would cut it short at the system call and name a different file.
std::optional<std::wstring> shellJobPathFromMessage(uint64_t tag, const void* data, uint64_t byteCount);

}  // namespace tolzeb::shell
