// The running program's own path and the version text read from its version resource; the version
// is not compiled in, so a rebuilt resource is all a release needs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tolzeb::ui {

// The full path of the running program; empty on failure.
std::wstring executablePath();

// The file version of the running program's version resource: "a.b.c", or "a.b.c.d" when the fourth
// part is not 0; empty when there is none or it cannot be read.
std::wstring versionText();
// The same for any file.
std::wstring fileVersionText(const std::wstring& path);

// "%u.%u.%u.%u" of the four 16-bit parts of a file version, or "%u.%u.%u" when the last is 0.
std::wstring formatFileVersion(uint32_t mostSignificant, uint32_t leastSignificant);

// Reads a path of unknown length the way GetModuleFileNameW returns it: `query` fills a buffer of
// the given capacity and returns the count written (0 on failure). A count that reaches capacity -
// 1 may be cut, so the buffer is doubled from 260 while it stays below 65536 characters; a path
// that does not fit then gives an empty result.
std::wstring readGrowingPath(const std::function<uint32_t(wchar_t* buffer, uint32_t capacity)>& query);

}  // namespace tolzeb::ui
