#include <windows.h>

#include <atomic>

#include "cli/interrupt.h"

namespace tolzeb::cli {
namespace {

std::atomic<bool> interrupted{false};

// The system calls this on a thread of its own. TRUE keeps the process alive so that the engine
// can cancel; the second interrupt, and closing the console, go on to the default handler, which
// ends the process.
BOOL WINAPI noteInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return interrupted.exchange(true) ? FALSE : TRUE;
}

}  // namespace

void watchForInterrupts() { SetConsoleCtrlHandler(noteInterrupt, TRUE); }

bool interruptRequested() { return interrupted.load(); }

}  // namespace tolzeb::cli
