// The help text zeb prints for --help and when run without a command.
#pragma once

#include <string>

namespace tolzeb::cli {

inline constexpr const wchar_t* kVersion = L"1.0.0";

// Every line ends with "\n".
std::wstring usageText();

}  // namespace tolzeb::cli
