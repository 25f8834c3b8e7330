#include <signal.h>

#include <atomic>

#include "cli/interrupt.h"

namespace tolzeb::cli {
namespace {

// Lock-free, so that the handler may set it.
std::atomic<bool> interrupted{false};

void noteInterrupt(int) { interrupted.store(true); }

}  // namespace

void watchForInterrupts() {
  static_assert(std::atomic<bool>::is_always_lock_free);
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted system calls keep reads and writes whole; the reset leaves the next signal to
  // the system.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signalNumber : {SIGINT, SIGTERM}) {
    struct sigaction previous {};
    // A signal the process was started to ignore stays ignored (a job run with nohup).
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signalNumber, &action, nullptr);
  }
}

bool interruptRequested() { return interrupted.load(); }

}  // namespace tolzeb::cli
