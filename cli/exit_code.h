// How failures reach the user: one line on standard error and an exit code per status code.
#pragma once

#include <cstdint>

#include "cli/console.h"
#include "engine/core/status.h"

namespace tolzeb::cli {

// 0 for success (0); 2; 3 for 3 and 9; 4; 5 for 5, 10 and 11; 6; 7; 8; 1 for 1 and anything else.
int exitCodeFor(int32_t code);
inline int exitCodeFor(StatusCode code) { return exitCodeFor(int32_t(code)); }

// Writes "zeb: error <code>: <message>\n" to standard error (the status code, not the exit code)
// and gives the exit code for it.
int printError(Console& console, const Failure& failure);

}  // namespace tolzeb::cli
