#include "ui/foundation/app_data.h"

#include <mutex>

#include "engine/core/fs.h"
#include "ui/foundation/app_data_platform.h"

namespace tolzeb::ui {
namespace {

struct FolderForTesting {
  std::mutex mutex;
  std::optional<std::wstring> folder;
};

FolderForTesting& folderForTesting() {
  static FolderForTesting instance;
  return instance;
}

}  // namespace

std::wstring localAppDataFolder() {
  {
    FolderForTesting& injected = folderForTesting();
    std::lock_guard<std::mutex> lock(injected.mutex);
    if (injected.folder) return *injected.folder;
  }
  return platform::knownLocalAppDataFolder();
}

std::wstring programDataFilePath(const std::wstring& fileName) {
  const std::wstring folder = localAppDataFolder();
  if (folder.empty()) return {};
  return joinPath(joinPath(folder, L"TOLZEB"), fileName);
}

void setLocalAppDataForTesting(std::optional<std::wstring> folder) {
  FolderForTesting& injected = folderForTesting();
  std::lock_guard<std::mutex> lock(injected.mutex);
  injected.folder = std::move(folder);
}

}  // namespace tolzeb::ui
