#include <windows.h>

#include <vector>

#include "ui/foundation/program_info.h"

namespace tolzeb::ui {
namespace {

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;
constexpr UINT kFixedFileInfoBytes = 52;

}  // namespace

std::wstring executablePath() {
  return readGrowingPath(
      [](wchar_t* buffer, uint32_t capacity) { return uint32_t(GetModuleFileNameW(nullptr, buffer, capacity)); });
}

std::wstring fileVersionText(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<uint8_t> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &value, &length) || !value || length < kFixedFileInfoBytes) return {};
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (fixed->dwSignature != kFixedFileInfoSignature) return {};
  return formatFileVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

}  // namespace tolzeb::ui
