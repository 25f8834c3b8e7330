// Names in tar headers that are not UTF-8 come from a legacy single- or multi-byte code page.
#pragma once

#include <string>

namespace tolzeb {

// The text of `bytes` in the system's ANSI code page on Windows; elsewhere in Windows-1252, the
// ANSI code page of Western systems, so results do not depend on the machine's locale. Empty when
// nothing could be converted.
std::wstring ansiCodePageToUtf16(const std::string& bytes);

}  // namespace tolzeb
