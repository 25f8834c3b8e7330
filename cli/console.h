// zeb's streams: reports go to standard output, everything else to standard error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb::cli {

class Console {
 public:
  virtual ~Console() = default;
  virtual void writeOut(std::wstring_view text) = 0;
  virtual void writeErr(std::wstring_view text) = 0;
  // Pushes out whatever standard output still holds.
  virtual void flush() = 0;
};

// The process's standard output and error. A Windows console gets UTF-16 through WriteConsoleW;
// a Windows pipe or file gets UTF-8 with CR LF line ends, as the C runtime's text mode writes;
// elsewhere the text is written as UTF-8 bytes with LF.
Console& processConsole();

// The program's arguments after its name, as UTF-16. Windows reads its own UTF-16 command line;
// elsewhere argv holds UTF-8, and invalid UTF-8 is refused with code 2.
Result<std::vector<std::wstring>> programArguments(int argc, char** argv);

}  // namespace tolzeb::cli
