// What every command handler does the same way: refusing its arguments and running one engine
// call under a progress line.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console_progress.h"
#include "cli/environment.h"
#include "engine/core/file_identity.h"

namespace tolzeb::cli {

// "zeb: <message>" on standard error; the exit code of an argument error.
inline int refuse(const Environment& environment, const std::wstring& message) {
  environment.console.writeErr(L"zeb: " + message + L"\n");
  return 2;
}

// The first of `inputs` that `output` names (the same file, however it is spelled), or null: writing the output would
// replace that input.
inline const std::wstring* inputAtOutput(const std::wstring& output, const std::vector<std::wstring>& inputs) {
  for (const std::wstring& input : inputs) {
    if (sameFile(output, input)) return &input;
  }
  return nullptr;
}

// Refuses an output that `inputAtOutput` found to be one of the sources.
inline int refuseOutputOverSource(const Environment& environment, const std::wstring& output,
                                  const std::wstring& source) {
  return refuse(environment, L"the output " + output + L" is the source " + source +
                                 L"; the archive would replace it. Choose another output name.");
}

// Runs one engine call under a fresh progress line and ends that line before anything else is shown.
template <typename Call>
auto withProgress(const CommandLine& line, const Environment& environment, Call&& call) {
  ConsoleProgress progress(!line.quiet, environment.console, environment.tick);
  auto result = call(progress.callback());
  progress.finish();
  return result;
}

}  // namespace tolzeb::cli
