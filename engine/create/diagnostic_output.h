// The engine's one diagnostic channel: a line of ASCII text on standard error, written in the
// stream's own mode (the command-line program may have switched it to UTF-16).
#pragma once

#include <string>

namespace tolzeb {

void writeDiagnosticLine(const std::wstring& line);

}  // namespace tolzeb
