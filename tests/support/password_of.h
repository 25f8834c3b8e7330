// A password as the engine takes it, from test text.
#pragma once

#include <memory>
#include <string>

#include "engine/core/secure_bytes.h"
#include "engine/core/types.h"

namespace tolzeb::testing {

inline Password passwordOf(const std::string& text) {
  return std::make_shared<const SecureBytes>(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace tolzeb::testing
