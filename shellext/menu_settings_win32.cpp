#include "shellext/menu_settings.h"

#include <windows.h>

#include <mutex>

namespace tolzeb::shell {
namespace {

constexpr ULONGLONG kCacheMilliseconds = 1000;

bool readSwitch(HKEY key, const wchar_t* name) {
  DWORD value = 1, type = 0, size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    return true;
  return !(type == REG_DWORD && size == 4 && value == 0);
}

std::mutex gCacheMutex;
bool gCacheFilled = false;
ULONGLONG gCacheTime = 0;
MenuSettings gCache;

}  // namespace

bool MenuSettings::allows(uint32_t id) const {
  if (!enabled) return false;
  switch (id) {
    case 1: return compress;
    case 2: return extractHere;
    case 3: return extractToFolder;
    case 4: return testArchive;
    default: return false;
  }
}

MenuSettings readMenuSettings() {
  MenuSettings settings;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\TOLZEB\\ShellMenu", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return settings;
  settings.enabled = readSwitch(key, L"Enabled");
  settings.compress = readSwitch(key, L"Compress");
  settings.extractHere = readSwitch(key, L"ExtractHere");
  settings.extractToFolder = readSwitch(key, L"ExtractToFolder");
  settings.testArchive = readSwitch(key, L"TestArchive");
  RegCloseKey(key);
  return settings;
}

MenuSettings menuSettings() {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  ULONGLONG now = GetTickCount64();
  if (gCacheFilled && now - gCacheTime < kCacheMilliseconds) return gCache;
  gCache = readMenuSettings();
  gCacheTime = now;
  gCacheFilled = true;
  return gCache;
}

}  // namespace tolzeb::shell
