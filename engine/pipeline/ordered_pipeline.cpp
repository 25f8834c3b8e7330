#include "engine/pipeline/ordered_pipeline.h"

#include <exception>
#include <new>
#include <string>

namespace tolzeb::detail {

namespace {

std::wstring widenAscii(const char* text) {
  std::wstring wide;
  for (const char* p = text; p && *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    wide.push_back(c < 0x80 ? wchar_t(c) : L'?');
  }
  return wide;
}

}  // namespace

Failure failureFromCurrentException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return Failure{StatusCode::resource_limit, L"Out of memory"};
  } catch (const std::exception& error) {
    return Failure{StatusCode::general, L"Unexpected error in a worker thread: " + widenAscii(error.what())};
  } catch (...) {
    return Failure{StatusCode::general, L"Unexpected error in a worker thread"};
  }
}

}  // namespace tolzeb::detail
