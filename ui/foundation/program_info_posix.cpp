// The POSIX stand-in: the path from /proc, and no version resources at all.
#include <unistd.h>

#include "engine/core/text.h"
#include "ui/foundation/program_info.h"

namespace tolzeb::ui {
namespace {

constexpr size_t kLargestPathBytes = 65536;

}  // namespace

std::wstring executablePath() {
  std::string bytes(kLargestPathBytes, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", bytes.data(), bytes.size());
  if (length <= 0 || size_t(length) >= bytes.size()) return {};
  Result<std::wstring> path = utf8ToUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(length));
  return path.failed() ? std::wstring() : *path;
}

std::wstring fileVersionText(const std::wstring&) { return {}; }

}  // namespace tolzeb::ui
