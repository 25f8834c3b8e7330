#include <cstdlib>
#include <cstring>

#include "engine/core/text.h"
#include "ui/foundation/app_data_platform.h"

namespace tolzeb::ui::platform {
namespace {

std::wstring fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return {};
  Result<std::wstring> text = utf8ToUtf16(reinterpret_cast<const uint8_t*>(value), std::strlen(value));
  return text.failed() ? std::wstring() : *text;
}

}  // namespace

std::wstring knownLocalAppDataFolder() {
  // Only absolute paths count, as the base-directory convention asks.
  std::wstring data = fromEnvironment("XDG_DATA_HOME");
  if (!data.empty() && data[0] == L'/') return data;
  std::wstring home = fromEnvironment("HOME");
  if (home.empty() || home[0] != L'/') return {};
  return home + L"/.local/share";
}

}  // namespace tolzeb::ui::platform
