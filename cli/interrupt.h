// Interrupts from the console: Ctrl+C or Ctrl+Break on Windows, SIGINT or SIGTERM on POSIX. The
// first one asks the running engine call to cancel, which removes its staging files and ends
// with code 6; a second one ends the process at once, in the system's default way, for a call
// that does not stop.
#pragma once

#include <functional>

namespace tolzeb::cli {

// Answers true once an interrupt has arrived.
using InterruptCheck = std::function<bool()>;

// Starts watching; called once, before the command runs.
void watchForInterrupts();
bool interruptRequested();

}  // namespace tolzeb::cli
