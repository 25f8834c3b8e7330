#include "engine/core/status.h"

namespace tolzeb {

const wchar_t* statusCodeWord(StatusCode code) {
  switch (code) {
    case StatusCode::general: return L"general";
    case StatusCode::invalid_argument: return L"invalid_argument";
    case StatusCode::corrupt_archive: return L"corrupt_archive";
    case StatusCode::authentication_failed: return L"authentication_failed";
    case StatusCode::io_failure: return L"io_failure";
    case StatusCode::canceled: return L"canceled";
    case StatusCode::unsupported_version: return L"unsupported_version";
    case StatusCode::resource_limit: return L"resource_limit";
    case StatusCode::path_unsafe: return L"path_unsafe";
    case StatusCode::already_exists: return L"already_exists";
    case StatusCode::not_found: return L"not_found";
  }
  return L"general";
}

}  // namespace tolzeb
