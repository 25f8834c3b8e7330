// The tool commands are not part of this build yet: each says so and exits with 7.
#include "cli/tool_commands.h"

#include "cli/exit_code.h"

namespace tolzeb::cli {
namespace {

int notInThisBuild(const CommandLine& line, const Environment& environment) {
  return printError(environment.console, makeFailure(StatusCode::unsupported_version,
                                                     L"The '" + line.command + L"' command is not part of this build"));
}

}  // namespace

int runProtect(const CommandLine& line, const Environment& environment) { return notInThisBuild(line, environment); }
int runScanRepair(const CommandLine& line, const Environment& environment, bool) {
  return notInThisBuild(line, environment);
}
int runSplit(const CommandLine& line, const Environment& environment) { return notInThisBuild(line, environment); }
int runMerge(const CommandLine& line, const Environment& environment) { return notInThisBuild(line, environment); }
int runCompare(const CommandLine& line, const Environment& environment) { return notInThisBuild(line, environment); }
int runDuplicates(const CommandLine& line, const Environment& environment) {
  return notInThisBuild(line, environment);
}
int runIncremental(const CommandLine& line, const Environment& environment) {
  return notInThisBuild(line, environment);
}

}  // namespace tolzeb::cli
