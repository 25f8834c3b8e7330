// What every command handler does the same way: refusing its arguments and running one engine
// call under a progress line.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/console_progress.h"
#include "cli/environment.h"

namespace tolzeb::cli {

// "zeb: <message>" on standard error; the exit code of an argument error.
inline int refuse(const Environment& environment, const std::wstring& message) {
  environment.console.writeErr(L"zeb: " + message + L"\n");
  return 2;
}

// Runs one engine call under a fresh progress line and ends that line before anything else is shown.
template <typename Call>
auto withProgress(const CommandLine& line, const Environment& environment, Call&& call) {
  ConsoleProgress progress(!line.quiet, environment.console, environment.tick, environment.interrupted);
  auto result = call(progress.callback());
  progress.finish();
  return result;
}

}  // namespace tolzeb::cli
