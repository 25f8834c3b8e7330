// What each platform's file layer supplies to the shared part in fs.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/core/status.h"

namespace tolzeb::fs_platform {

// The operating system's text for an error number, trailing line breaks removed; empty when
// the system has none.
std::wstring systemMessage(uint32_t error);
// 11 for "not found", 10 for "already exists", 5 for everything else.
StatusCode statusCodeFor(uint32_t error);
// The calling thread's current error number.
uint32_t currentError();
// Appends the items directly inside `directory`, without "." and "..", each with its full path
// and its own name as the relative path. A directory removed since it was listed may be empty.
Status listDirectory(const std::wstring& directory, std::vector<FileInfo>& items);

}  // namespace tolzeb::fs_platform
