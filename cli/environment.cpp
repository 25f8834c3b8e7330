#include "cli/environment.h"

#include "cli/clock.h"

namespace tolzeb::cli {

Environment processEnvironment() {
  return Environment{processConsole(), linkedEngine(), systemPasswordReaders(), tickMilliseconds};
}

}  // namespace tolzeb::cli
