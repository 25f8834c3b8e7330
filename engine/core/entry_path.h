// Entry paths: the relative, '/'-separated names stored inside archives. They come from outside,
// so every one passes the validator, and every extracted file is placed through the resolver,
// which proves that the target stays below the extraction root.
#pragma once

#include <string>

#include "engine/core/status.h"

namespace tolzeb {

// Longest entry path accepted, in UTF-16 code units.
inline constexpr size_t kMaxEntryPathLength = 32768;

// Success, or code 9 (path_unsafe) naming the first rule the path breaks.
Status validateEntryPath(const std::wstring& path);

// The canonical form of a relative path: '\' becomes '/', empty and "." segments are dropped,
// and the result is validated. Nothing else is repaired; a path left empty fails with code 2.
Result<std::wstring> normalizePath(const std::wstring& path);

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9 and LPT1-LPT9 (the port digit may also be a
// superscript one, two or three), in any ASCII case, with or without extensions, and with any
// spaces before the extension.
bool isReservedDeviceName(const std::wstring& segment);

// The absolute path at which an extractor writes the entry: below the full form of `root`,
// never outside it (code 9 otherwise).
Result<std::wstring> resolveExtractionPath(const std::wstring& root, const std::wstring& entryPath);

}  // namespace tolzeb
