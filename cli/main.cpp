// zeb: the console archiver. One process runs one command.
#include "cli/console.h"
#include "cli/environment.h"
#include "cli/exit_code.h"
#include "cli/interrupt.h"
#include "cli/zeb.h"

int main(int argc, char** argv) {
  using namespace tolzeb::cli;
  Console& console = processConsole();
  watchForInterrupts();
  const tolzeb::Result<std::vector<std::wstring>> arguments = programArguments(argc, argv);
  const int exitCode = arguments.failed() ? printError(console, arguments.failure())
                                          : runZeb(arguments.value(), processEnvironment());
  console.flush();
  return exitCode;
}
