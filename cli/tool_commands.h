// The commands that work on a finished .zeb: protect, scan, repair, split, merge, cmp, dup, inc.
// Each returns the process exit code.
#pragma once

#include "cli/command_line.h"
#include "cli/environment.h"

namespace tolzeb::cli {

int runProtect(const CommandLine& line, const Environment& environment);
// "scan" with scan set, "repair" with it clear.
int runScanRepair(const CommandLine& line, const Environment& environment, bool scan);
int runSplit(const CommandLine& line, const Environment& environment);
int runMerge(const CommandLine& line, const Environment& environment);
int runCompare(const CommandLine& line, const Environment& environment);
int runDuplicates(const CommandLine& line, const Environment& environment);
int runIncremental(const CommandLine& line, const Environment& environment);

}  // namespace tolzeb::cli
