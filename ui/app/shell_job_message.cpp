#include "ui/app/shell_job_message.h"

#include "engine/core/bytes.h"

namespace tolzeb::shell {

std::optional<std::wstring> shellJobPathFromMessage(uint64_t tag, const void* data, uint64_t byteCount) {
  if (tag != kShellJobMessageTag || data == nullptr) return std::nullopt;
  if (byteCount % 2 != 0 || byteCount < 2 || byteCount > kMaxShellJobMessageBytes) return std::nullopt;

  // Units are assembled from bytes: the sender's buffer need not be aligned for wchar_t.
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  const size_t unitCount = static_cast<size_t>(byteCount / 2);
  if (readU16le(bytes + 2 * (unitCount - 1)) != 0) return std::nullopt;
  std::wstring path(unitCount - 1, L'\0');
  for (size_t unit = 0; unit + 1 < unitCount; ++unit) {
    path[unit] = static_cast<wchar_t>(readU16le(bytes + 2 * unit));
    if (path[unit] == L'\0') return std::nullopt;
  }
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace tolzeb::shell
