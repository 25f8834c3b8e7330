// Everything a zeb command touches besides its own arguments.
#pragma once

#include "cli/console.h"
#include "cli/console_progress.h"
#include "cli/password.h"
#include "formats/engine_calls.h"

namespace tolzeb::cli {

struct Environment {
  Console& console;
  const EngineCalls& engine;
  const PasswordReaders& passwords;
  TickSource tick;
};

// The process's console, the linked engine, the real password readers and the system clock.
Environment processEnvironment();

}  // namespace tolzeb::cli
