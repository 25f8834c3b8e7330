// UTF-16 text as UTF-8 for assertion messages and comparisons against narrow literals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/text.h"

namespace tolzeb::testing {

// Text that is not valid UTF-16 shows as a marker rather than failing the conversion silently.
inline std::string utf8Of(const std::wstring& text) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(text);
  return bytes.failed() ? "<not UTF-16>" : std::string(bytes->begin(), bytes->end());
}

}  // namespace tolzeb::testing
