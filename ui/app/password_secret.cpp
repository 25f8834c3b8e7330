#include "ui/app/password_secret.h"

#include <memory>

#include "engine/core/secure_bytes.h"
#include "engine/core/text.h"

namespace tolzeb::ui {

Password makePasswordSecret(const TextField& field) {
  if (field.text.empty()) return nullptr;
  Result<std::vector<uint8_t>> utf8 = utf16ToUtf8(field.text);
  if (utf8.failed()) return nullptr;
  std::vector<uint8_t>& bytes = utf8.value();
  auto secret = std::make_shared<const SecureBytes>(bytes.data(), bytes.size());
  secureZero(bytes.data(), bytes.size());
  return secret;
}

}  // namespace tolzeb::ui
