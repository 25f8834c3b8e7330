// One run of zeb: parse the arguments, print the usage or run the command, give the exit code.
#pragma once

#include <string>
#include <vector>

#include "cli/environment.h"

namespace tolzeb::cli {

// `arguments` come without the program name.
int runZeb(const std::vector<std::wstring>& arguments, const Environment& environment);

}  // namespace tolzeb::cli
