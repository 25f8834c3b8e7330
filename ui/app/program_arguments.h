// What the graphical program does with its command line (the program path already dropped).
#pragma once

#include <string>
#include <vector>

namespace tolzeb::ui {

enum class StartAction { Register, Unregister, About, Window };

// The first "--register" or "--unregister" decides, whatever follows it; then "--about" anywhere;
// otherwise the main window opens. Whole arguments, compared exactly.
StartAction decideStartAction(const std::vector<std::wstring>& arguments);

// The job file after a "--shell-job" that is not the last argument; empty when there is none,
// in which case every argument goes to the window as paths to open.
std::wstring shellJobArgument(const std::vector<std::wstring>& arguments);

}  // namespace tolzeb::ui
