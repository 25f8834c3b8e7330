// The Explorer menu switches and the packaged menu extension, as the graphical program sees
// them: the five on/off switches under HKCU, the package's install state, and starting the
// PowerShell scripts that install or remove the package. The extension library reads the same
// switches with the same rule on its own.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb::shell {

// Each flag is on unless the registry switches it off.
struct MenuSettings {
  bool enabled = true;  // master switch: off hides the whole entry
  bool compress = true;
  bool extractHere = true;
  bool extractToFolder = true;
  bool testArchive = true;

  bool operator==(const MenuSettings&) const = default;
};

}  // namespace tolzeb::shell

namespace tolzeb::ui {

inline constexpr wchar_t kMenuSettingsKey[] = L"Software\\TOLZEB\\ShellMenu";
inline constexpr size_t kMenuSwitchCount = 5;
// The REG_DWORD value names, in the order of the flags.
inline constexpr std::array<const wchar_t*, kMenuSwitchCount> kMenuSwitchNames = {
    L"Enabled", L"Compress", L"ExtractHere", L"ExtractToFolder", L"TestArchive"};

// The flag at `index` (0 Enabled ... 4 TestArchive); indices above 4 give the last.
bool& menuSwitch(shell::MenuSettings& settings, size_t index);
bool menuSwitch(const shell::MenuSettings& settings, size_t index);

// The reading rule: a switch is off only when its value was read, is a REG_DWORD (type 4) of
// exactly 4 bytes and holds 0.
bool menuSwitchIsOn(bool read, uint32_t type, uint32_t size, uint32_t value);

shell::MenuSettings loadMenuSettings();
// Writes all five in order and stops at the first failure (code 5); the caller then re-reads.
Status saveMenuSettings(const shell::MenuSettings& settings);

// --- The package ---

inline constexpr wchar_t kPackagePublisher[] = L"CN=TOLZEB Development";
inline constexpr wchar_t kPackageName[] = L"TOLZEB.Archiver";
inline constexpr wchar_t kShippedPackageVersion[] = L"1.0.0.0";
inline constexpr wchar_t kInstallScriptName[] = L"install-shell-extension.ps1";
inline constexpr wchar_t kUninstallScriptName[] = L"uninstall-shell-extension.ps1";
// Windows 11 starts after this build; older systems have no modern context menu.
inline constexpr long kLastBuildWithoutModernMenu = 21999;

struct PackageStatus {
  uint8_t state = 0;  // 0 not installed, 1 shipped version, 2 another version, 3 unsupported, 4 error
  std::wstring installedVersion;
  std::wstring shippedVersion = kShippedPackageVersion;
  std::wstring message;
};

// What asking the system for the installed packages of a family gave.
struct PackageLookup {
  enum class Outcome : uint8_t { NoneInstalled, Found, Unreadable };
  Outcome outcome = Outcome::Unreadable;
  std::wstring fullName;  // the first package's full name when Found
};
using PackageLookupFunction = std::function<PackageLookup(const std::wstring& family)>;

// The 13-character publisher id of package family names; empty when hashing failed.
std::wstring publisherId(const std::wstring& publisher);
std::wstring packageFamilyName();
// The text between the first and the second '_' of a package full name; empty without both.
std::wstring packageVersionFromFullName(const std::wstring& fullName);
// The decision on facts already gathered: `buildNumber` is the Windows build, 0 when it could
// not be read.
PackageStatus packageStateFrom(long buildNumber, const std::wstring& family, const PackageLookupFunction& lookup);
// Never fails: its problems become states 3 and 4.
PackageStatus packageState();

// The folder of the running program; empty on failure.
std::wstring programFolder();
// Where a shipped script may lie, in the order they are tried. Only the "scripts" folder beside
// the program, except in development builds, which also look in the source tree's folder (four
// levels up) as long as that does not lead to a drive's root.
std::vector<std::wstring> shellScriptCandidates(const std::wstring& programFolder, const std::wstring& name,
                                                bool developmentBuild);
std::wstring findShellScript(const std::wstring& name);
// The PowerShell command line for a script with extra arguments appended as they are.
std::wstring powerShellCommandLine(const std::wstring& program, const std::wstring& script, const std::wstring& extra);
// " -InstallDir \"folder\"": the folder travels as one quoted argument.
std::wstring installDirArgument(const std::wstring& folder);
Status runPowerShellScript(const std::wstring& script, const std::wstring& extra);
// Starts the install script for `folder` (the program's folder when empty); does not wait.
Status installShellExtension(const std::wstring& folder);
Status uninstallShellExtension();

}  // namespace tolzeb::ui
