#include <windows.h>
// Needs the types windows.h declares.
#include <shlobj.h>

#include "ui/foundation/app_data_platform.h"

namespace tolzeb::ui::platform {

std::wstring knownLocalAppDataFolder() {
  PWSTR folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder) path = folder;
  // The shell allocates the text even for some failures.
  CoTaskMemFree(folder);
  return path;
}

}  // namespace tolzeb::ui::platform
