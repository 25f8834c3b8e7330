#include "cli/zeb.h"

#include <new>

#include "cli/archive_commands.h"
#include "cli/command_line.h"
#include "cli/exit_code.h"
#include "cli/option_use.h"
#include "cli/tool_commands.h"
#include "cli/usage.h"

namespace tolzeb::cli {
namespace {

int dispatch(const CommandLine& line, const Environment& environment) {
  const std::wstring& word = line.command;
  if (const std::wstring unused = optionUnusedByCommand(line); !unused.empty()) {
    environment.console.writeErr(L"zeb: '" + word + L"' does not use " + unused + L"; leave it out.\n");
    return 2;
  }
  if (word == L"c") return runCreate(line, environment);
  if (word == L"x") return runExtract(line, environment);
  if (word == L"l") return runList(line, environment);
  if (word == L"t") return runTest(line, environment, false);
  if (word == L"v") return runTest(line, environment, true);
  if (word == L"split") return runSplit(line, environment);
  if (word == L"protect") return runProtect(line, environment);
  if (word == L"scan") return runScanRepair(line, environment, true);
  if (word == L"repair") return runScanRepair(line, environment, false);
  if (word == L"merge") return runMerge(line, environment);
  if (word == L"cmp") return runCompare(line, environment);
  if (word == L"dup") return runDuplicates(line, environment);
  if (word == L"inc") return runIncremental(line, environment);
  environment.console.writeErr(L"zeb: unknown command '" + word + L"'. Run 'zeb --help'.\n");
  return 2;
}

}  // namespace

int runZeb(const std::vector<std::wstring>& arguments, const Environment& environment) {
  const Result<CommandLine> line = parseCommandLine(arguments);
  if (line.failed()) return printError(environment.console, line.failure());
  if (line->help || line->command.empty()) {
    environment.console.writeOut(usageText());
    // Asked for: success. Shown because nothing was asked: a usage error.
    return line->help && !arguments.empty() ? 0 : 2;
  }
  // Allocation can fail wherever a huge or hostile input makes the engine grow a buffer; the user
  // gets the resource-limit code and a sentence instead of an abort. Unwinding has released the
  // memory by the time the message is written.
  try {
    return dispatch(line.value(), environment);
  } catch (const std::bad_alloc&) {
    return printError(environment.console,
                      makeFailure(StatusCode::resource_limit, L"Not enough memory to finish this operation"));
  }
}

}  // namespace tolzeb::cli
