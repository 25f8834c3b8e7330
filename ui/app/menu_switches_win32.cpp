// The registry, the package query and PowerShell on Windows.
#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <vector>

#include "ui/app/menu_switches.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/system_function_win32.h"

namespace tolzeb::ui {
namespace {

// Release builds take the scripts from beside the program only.
#ifdef NDEBUG
constexpr bool kDevelopmentBuild = false;
#else
constexpr bool kDevelopmentBuild = true;
#endif

constexpr UINT32 kPackageFilterHead = 0x00000010;
constexpr UINT32 kPackageFilterDirect = 0x00000020;

// Older systems and Wine lack it, so it is found at run time; a missing function means the
// state cannot be asked for.
using FindPackagesByPackageFamilyFunction = LONG(WINAPI*)(PCWSTR family, UINT32 filter, UINT32* count,
                                                           PWSTR* fullNames, UINT32* bufferLength, WCHAR* buffer,
                                                           UINT32* properties);

FindPackagesByPackageFamilyFunction findPackagesFunction() {
  return systemFunction<FindPackagesByPackageFamilyFunction>(GetModuleHandleW(L"kernel32.dll"),
                                                            "FindPackagesByPackageFamily");
}

PackageLookup lookupInstalledPackage(const std::wstring& family) {
  PackageLookup result;
  FindPackagesByPackageFamilyFunction find = findPackagesFunction();
  if (!find) return result;
  const UINT32 filter = kPackageFilterHead | kPackageFilterDirect;
  UINT32 count = 0, length = 0;
  LONG first = find(family.c_str(), filter, &count, nullptr, &length, nullptr, nullptr);
  if (first == ERROR_SUCCESS && count == 0) {
    result.outcome = PackageLookup::Outcome::NoneInstalled;
    return result;
  }
  if (first != ERROR_INSUFFICIENT_BUFFER) return result;
  std::vector<PWSTR> names(count ? count : 1);
  std::vector<WCHAR> buffer(length ? length : 1);
  LONG second = find(family.c_str(), filter, &count, names.data(), &length, buffer.data(), nullptr);
  if (second != ERROR_SUCCESS || count == 0 || !names[0]) {
    result.outcome = PackageLookup::Outcome::NoneInstalled;
    return result;
  }
  result.outcome = PackageLookup::Outcome::Found;
  result.fullName = names[0];
  return result;
}

long readWindowsBuildNumber() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return 0;
  wchar_t text[32] = {};  // 64 bytes
  DWORD type = 0, size = sizeof(text) - sizeof(wchar_t);
  LSTATUS read = RegQueryValueExW(key, L"CurrentBuildNumber", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_SZ) return 0;
  return wcstol(text, nullptr, 10);
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Status saveMenuSetting(HKEY key, const wchar_t* name, bool on) {
  DWORD value = on ? 1 : 0;
  if (RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) != ERROR_SUCCESS)
    return Status(StatusCode::io_failure, i18n::translateWithArgs("package.setting_failed", {{"name", name}}));
  return {};
}

}  // namespace

shell::MenuSettings loadMenuSettings() {
  shell::MenuSettings settings;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kMenuSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return settings;
  for (size_t i = 0; i < kMenuSwitchCount; ++i) {
    DWORD value = 1, type = 0, size = sizeof(value);
    LSTATUS read = RegQueryValueExW(key, kMenuSwitchNames[i], nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    menuSwitch(settings, i) = menuSwitchIsOn(read == ERROR_SUCCESS, type, size, value);
  }
  RegCloseKey(key);
  return settings;
}

Status saveMenuSettings(const shell::MenuSettings& settings) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kMenuSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return Status(StatusCode::io_failure, i18n::translate("package.registry_closed"));
  Status result;
  for (size_t i = 0; i < kMenuSwitchCount && !result.failed(); ++i)
    result = saveMenuSetting(key, kMenuSwitchNames[i], menuSwitch(settings, i));
  RegCloseKey(key);
  return result;
}

PackageStatus packageState() {
  return packageStateFrom(readWindowsBuildNumber(), packageFamilyName(), lookupInstalledPackage);
}

std::wstring programFolder() {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
  if (length == 0 || length > 32767) return {};
  std::wstring path(buffer.data(), length);
  size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return {};
  return path.substr(0, cut);
}

std::wstring findShellScript(const std::wstring& name) {
  for (const std::wstring& candidate : shellScriptCandidates(programFolder(), name, kDevelopmentBuild)) {
    if (!fileExists(candidate)) continue;
    wchar_t canonical[1040] = {};
    if (candidate.size() < 1040 && PathCanonicalizeW(canonical, candidate.c_str())) return canonical;
    return candidate;
  }
  return {};
}

Status runPowerShellScript(const std::wstring& script, const std::wstring& extra) {
  if (script.empty()) return Status(StatusCode::not_found, i18n::translate("package.scripts_missing"));
  wchar_t system[260] = {};
  UINT length = GetSystemDirectoryW(system, 260);
  if (length == 0 || length >= 260)
    return Status(StatusCode::io_failure, i18n::translate("package.no_system_directory"));
  std::wstring program = std::wstring(system) + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
  if (!fileExists(program)) return Status(StatusCode::not_found, i18n::translate("explorer.powershell_missing"));
  std::wstring line = powerShellCommandLine(program, script, extra);
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, nullptr,
                      nullptr, &startup, &process)) {
    wchar_t code[16];
    swprintf(code, 16, L"%lu", GetLastError());
    return Status(StatusCode::io_failure, i18n::translateWithArgs("package.powershell_failed", {{"code", code}}));
  }
  // The script runs in its own console; nobody waits for it.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {};
}

}  // namespace tolzeb::ui
