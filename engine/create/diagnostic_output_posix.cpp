#include <cstdio>
#include <string>

#include "engine/create/diagnostic_output.h"

namespace tolzeb {

void writeDiagnosticLine(const std::wstring& line) {
  // The line is ASCII; the C library's wide functions are not used with our UTF-16 strings here.
  std::string narrow;
  narrow.reserve(line.size());
  for (wchar_t c : line) narrow.push_back(c < 0x80 ? char(c) : '?');
  std::fwrite(narrow.data(), 1, narrow.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tolzeb
