// Runs a program as a child process with its standard streams on pipes, for black-box tests.
#pragma once

#include <string>
#include <vector>

namespace tolzeb::cli::testing {

struct ProgramRun {
  int exitCode = -1;
  std::string out;  // CR LF line ends come back as LF
  std::string err;
};

// `arguments` and the outputs are UTF-8. `input` is written to the child's standard input, which
// is then closed.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = "");

// The zeb built alongside these tests.
inline std::string zebPath() { return TOLZEB_ZEB_PATH; }

inline ProgramRun zeb(const std::vector<std::string>& arguments, const std::string& input = "") {
  return runProgram(zebPath(), arguments, input);
}

}  // namespace tolzeb::cli::testing
