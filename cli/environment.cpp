#include "cli/environment.h"

#include "cli/clock.h"
#include "cli/interrupt.h"

namespace tolzeb::cli {

Environment processEnvironment() {
  return Environment{processConsole(), linkedEngine(), systemPasswordReaders(), tickMilliseconds, interruptRequested};
}

}  // namespace tolzeb::cli
