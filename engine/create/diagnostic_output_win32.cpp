#include <cstdio>
#include <cwchar>

#include "engine/create/diagnostic_output.h"

namespace tolzeb {

void writeDiagnosticLine(const std::wstring& line) {
  // Wide output works whether standard error is in UTF-16 or in narrow text mode.
  std::fputws(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace tolzeb
