// The platform-free part of the file layer: handle ownership and the failure message shape.
#include "engine/core/fs.h"

#include "engine/core/fs_platform.h"

namespace tolzeb {

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, kNone);
  }
  return *this;
}

bool hasLongPathPrefix(const std::wstring& path) { return path.size() > 3 && path.compare(0, 4, L"\\\\?\\") == 0; }

std::wstring windowsErrorText(const wchar_t* action, const std::wstring& path, uint32_t error) {
  std::wstring system = fs_platform::systemMessage(error);
  if (system.empty()) system = L"unknown error";
  static const wchar_t kHexDigits[] = L"0123456789ABCDEF";
  std::wstring number = L" (0x";
  for (int shift = 28; shift >= 0; shift -= 4) number.push_back(kHexDigits[(error >> shift) & 0xF]);
  number.push_back(L')');
  return std::wstring(action) + L" '" + path + L"': " + system + number;
}

Failure errorStatus(const wchar_t* action, const std::wstring& path, uint32_t error) {
  return Failure{fs_platform::statusCodeFor(error), windowsErrorText(action, path, error)};
}

Failure lastErrorStatus(const wchar_t* action, const std::wstring& path) {
  const uint32_t error = fs_platform::currentError();
  return errorStatus(action, path, error);
}

}  // namespace tolzeb
