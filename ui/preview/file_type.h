// Deciding what kind of file an entry is, and the type label shown under its name: the first
// bytes decide first, the name's extension only when no signature matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

// `bytes` are the entry's first bytes, at most 64 are looked at. Never gives PreviewKind::folder.
// No match at all gives PreviewKind::unknown with a label naming the extension, or "File".
PreviewKind classifyFile(const std::wstring& entryName, const uint8_t* bytes, size_t count, std::wstring& label);
// unknown (and the label untouched) when no signature matches.
PreviewKind sniffFileType(const uint8_t* bytes, size_t count, std::wstring& label);
// After the last '.', ASCII-lower-cased; empty when there is none or it lies in a folder name.
std::wstring lowerCaseExtension(const std::wstring& entryName);
std::wstring typeLabelText(const char* key, const wchar_t* format);

}  // namespace tolzeb::ui
