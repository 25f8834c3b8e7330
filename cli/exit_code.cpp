#include "cli/exit_code.h"

#include "engine/core/bytes.h"

namespace tolzeb::cli {

int exitCodeFor(int32_t code) {
  switch (code) {
    case 0: return 0;
    case int32_t(StatusCode::invalid_argument): return 2;
    case int32_t(StatusCode::corrupt_archive):
    case int32_t(StatusCode::path_unsafe): return 3;
    case int32_t(StatusCode::authentication_failed): return 4;
    case int32_t(StatusCode::io_failure):
    case int32_t(StatusCode::already_exists):
    case int32_t(StatusCode::not_found): return 5;
    case int32_t(StatusCode::canceled): return 6;
    case int32_t(StatusCode::unsupported_version): return 7;
    case int32_t(StatusCode::resource_limit): return 8;
  }
  return 1;
}

int printError(Console& console, const Failure& failure) {
  console.writeErr(L"zeb: error " + decimal(int32_t(failure.code)) + L": " + failure.message + L"\n");
  return exitCodeFor(failure.code);
}

}  // namespace tolzeb::cli
