// The file operations of exporting an entry that the engine's file layer does not offer: a folder
// made only when its name is free, a move that never replaces, and the removal of an empty folder.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/status.h"

namespace tolzeb::ui {

// Creates one folder; anything already there under its name fails with code 10, so the folder
// is known to hold only what its creator puts into it.
Status createFreshDirectory(const std::wstring& path);
// Moves a file or folder within one volume. It neither replaces an existing item nor copies
// across volumes. 0 on success, else the system's error number. The paths reach the system as
// given (long-path form is the caller's choice).
uint32_t moveWithoutReplacing(const std::wstring& from, const std::wstring& to);
// False when the folder could not be removed (not empty, missing, ...).
bool removeEmptyDirectory(const std::wstring& path);
uint32_t currentProcessId();

}  // namespace tolzeb::ui
