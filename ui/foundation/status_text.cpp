#include "ui/foundation/format.h"

namespace tolzeb::ui {
namespace {

const char* statusKey(StatusCode code) {
  switch (code) {
    case StatusCode::invalid_argument: return "error.invalid_argument";
    case StatusCode::corrupt_archive: return "error.corrupt_archive";
    case StatusCode::authentication_failed: return "error.authentication_failed";
    case StatusCode::io_failure: return "error.io_failure";
    case StatusCode::canceled: return "error.canceled";
    case StatusCode::unsupported_version: return "error.unsupported_version";
    case StatusCode::resource_limit: return "error.resource_limit";
    case StatusCode::path_unsafe: return "error.path_unsafe";
    case StatusCode::already_exists: return "error.already_exists";
    case StatusCode::not_found: return "error.not_found";
    default: return "error.generic";  // 1, and any number outside the known codes
  }
}

}  // namespace

std::wstring statusKeyText(StatusCode code) { return i18n::translate(statusKey(code)); }

std::wstring statusText(StatusCode code, const std::wstring& message) {
  std::wstring text = statusKeyText(code);
  if (!message.empty() && code != StatusCode::canceled) {
    text += L'\n';
    text += i18n::translateWithArgs("error.details", {i18n::Arg("message", message)});
  }
  return text;
}

}  // namespace tolzeb::ui
