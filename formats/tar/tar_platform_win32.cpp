#include <windows.h>

#include <climits>

#include "formats/tar/tar_platform.h"

namespace tolzeb {

std::wstring ansiCodePageToUtf16(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > size_t(INT_MAX)) return {};
  const int length = int(bytes.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring text(size_t(needed), L'\0');
  const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), needed);
  if (written <= 0) return {};
  text.resize(size_t(written));
  return text;
}

}  // namespace tolzeb
