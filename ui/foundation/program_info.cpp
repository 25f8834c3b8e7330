#include "ui/foundation/program_info.h"
#include "engine/core/bytes.h"

namespace tolzeb::ui {
namespace {

constexpr uint32_t kFirstPathCapacity = 260;
constexpr uint32_t kLargestPathCapacity = 65536;

}  // namespace

std::wstring formatFileVersion(uint32_t mostSignificant, uint32_t leastSignificant) {
  const uint32_t parts[4] = {mostSignificant >> 16, mostSignificant & 0xFFFF, leastSignificant >> 16,
                             leastSignificant & 0xFFFF};
  const size_t shown = parts[3] != 0 ? 4 : 3;
  std::wstring text;
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += L'.';
    text += decimal(parts[i]);
  }
  return text;
}

std::wstring readGrowingPath(const std::function<uint32_t(wchar_t* buffer, uint32_t capacity)>& query) {
  std::wstring buffer(kFirstPathCapacity, L'\0');
  for (;;) {
    const uint32_t length = query(buffer.data(), uint32_t(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size() - 1) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= kLargestPathCapacity) return {};
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

std::wstring versionText() {
  const std::wstring path = executablePath();
  if (path.empty()) return {};
  return fileVersionText(path);
}

}  // namespace tolzeb::ui
