// The platform's side of password input: the console with echo off, and standard input.
#pragma once

#include <string>

#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"

namespace tolzeb::cli {

// Writes the prompt to standard error and reads one line typed at the console without echo.
// The console's mode is restored afterwards, also when the process is interrupted meanwhile.
// Without a console: code 2.
Result<SecureBytes> readConsolePassword(const std::wstring& prompt);

// The password on standard input (see passwordFromReads).
Result<SecureBytes> readStdinPassword();

}  // namespace tolzeb::cli
