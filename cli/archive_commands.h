// The commands c, x, l, t and v. Each returns the process exit code.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/environment.h"
#include "formats/engine_calls.h"

namespace tolzeb::cli {

int runCreate(const CommandLine& line, const Environment& environment);
int runExtract(const CommandLine& line, const Environment& environment);
int runList(const CommandLine& line, const Environment& environment);
// "t" with verify clear, "v" with it set; both run the same full test.
int runTest(const CommandLine& line, const Environment& environment, bool verify);

// Adds the recovery record that --recovery asks for to the new archive named by -o; gives the report's line about it,
// empty when none was asked for.
Result<std::wstring> addRequestedRecoveryRecord(const CommandLine& line, const Environment& environment);

// The format "c" writes: --format when given, else the output name's ending (any case), else .zeb.
ArchiveKind createdKind(const CommandLine& line);

}  // namespace tolzeb::cli
