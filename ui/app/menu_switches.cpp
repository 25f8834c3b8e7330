// The platform-free half of the menu switches and the package: the reading rule, the package
// family name, the state decision, and the texts handed to PowerShell.
#include "ui/app/menu_switches.h"

#include "engine/core/sha256.h"
#include "ui/app/path_parts.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

constexpr char kPublisherIdAlphabet[] = "0123456789abcdefghjkmnpqrstvwxyz";
constexpr uint32_t kRegDword = 4;

// The non-empty parts of a path between separators; a leading drive ("C:") counts as a part.
std::vector<std::wstring> pathParts(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : path) {
    if (isEitherSeparator(c)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Whether a walk four levels up from `folder` still ends below a root: a drive, a share, or a
// path without one. Dots are resolved as Windows resolves them, by the text alone.
bool fourLevelsUpStaysBelowRoot(const std::wstring& folder) {
  std::vector<std::wstring> kept;
  for (const std::wstring& part : pathParts(folder)) {
    if (part == L".") continue;
    if (part == L"..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  // A UNC path's server and share name form its root; a drive letter is one part.
  bool unc = folder.size() >= 2 && isEitherSeparator(folder[0]) && isEitherSeparator(folder[1]);
  size_t rootParts = unc ? 2 : (!kept.empty() && kept[0].size() == 2 && kept[0][1] == L':') ? 1 : 0;
  return kept.size() >= rootParts + 5;
}

}  // namespace

bool& menuSwitch(shell::MenuSettings& settings, size_t index) {
  switch (index) {
    case 0:
      return settings.enabled;
    case 1:
      return settings.compress;
    case 2:
      return settings.extractHere;
    case 3:
      return settings.extractToFolder;
    default:
      return settings.testArchive;
  }
}

bool menuSwitch(const shell::MenuSettings& settings, size_t index) {
  return menuSwitch(const_cast<shell::MenuSettings&>(settings), index);
}

bool menuSwitchIsOn(bool read, uint32_t type, uint32_t size, uint32_t value) {
  return !(read && type == kRegDword && size == 4 && value == 0);
}

std::wstring publisherId(const std::wstring& publisher) {
  std::vector<uint8_t> units;
  units.reserve(publisher.size() * 2);
  for (wchar_t c : publisher) {
    units.push_back(uint8_t(uint32_t(c) & 0xFF));
    units.push_back(uint8_t((uint32_t(c) >> 8) & 0xFF));
  }
  Result<Sha256Digest> digest = sha256(units.data(), units.size());
  if (digest.failed()) return {};
  uint64_t head = 0;
  for (size_t i = 0; i < 8; ++i) head = (head << 8) | (*digest)[i];
  // 65 bits (the 64 and one appended zero) in 13 groups of 5 from the top.
  std::wstring id;
  for (int group = 0; group < 12; ++group) id += wchar_t(kPublisherIdAlphabet[(head >> (59 - 5 * group)) & 31]);
  id += wchar_t(kPublisherIdAlphabet[(head & 15) << 1]);
  return id;
}

std::wstring packageFamilyName() {
  std::wstring id = publisherId(kPackagePublisher);
  if (id.empty()) return {};
  return std::wstring(kPackageName) + L"_" + id;
}

std::wstring packageVersionFromFullName(const std::wstring& fullName) {
  size_t first = fullName.find(L'_');
  if (first == std::wstring::npos) return {};
  size_t second = fullName.find(L'_', first + 1);
  if (second == std::wstring::npos) return {};
  return fullName.substr(first + 1, second - first - 1);
}

PackageStatus packageStateFrom(long buildNumber, const std::wstring& family, const PackageLookupFunction& lookup) {
  PackageStatus status;
  if (buildNumber <= kLastBuildWithoutModernMenu) {
    status.state = 3;
    status.message = i18n::translate("explorer.windows_10_or_older");
    return status;
  }
  if (family.empty()) {
    status.state = 4;
    status.message = i18n::translate("package.no_family_name");
    return status;
  }
  PackageLookup found = lookup ? lookup(family) : PackageLookup{};
  switch (found.outcome) {
    case PackageLookup::Outcome::NoneInstalled:
      status.state = 0;
      status.message = i18n::translate("package.not_in_menu");
      return status;
    case PackageLookup::Outcome::Found: {
      status.installedVersion = packageVersionFromFullName(found.fullName);
      if (!status.installedVersion.empty() && status.installedVersion != status.shippedVersion) {
        status.state = 2;
        status.message =
            i18n::translateWithArgs("package.installed_other_version",
                                    {{"installed", status.installedVersion}, {"shipped", status.shippedVersion}});
      } else {
        status.state = 1;
        status.message = i18n::translate("package.in_menu");
      }
      return status;
    }
    case PackageLookup::Outcome::Unreadable:
      break;
  }
  status.state = 4;
  status.message = i18n::translate("explorer.status_unreadable");
  return status;
}

std::vector<std::wstring> shellScriptCandidates(const std::wstring& programFolder, const std::wstring& name,
                                                bool developmentBuild) {
  std::vector<std::wstring> candidates;
  if (programFolder.empty()) return candidates;
  candidates.push_back(programFolder + L"\\scripts\\" + name);
  // A development build runs from inside the source tree; never let that walk reach a drive's
  // root, where any local user may have put a "scripts" folder.
  if (developmentBuild && fourLevelsUpStaysBelowRoot(programFolder))
    candidates.push_back(programFolder + L"\\..\\..\\..\\..\\scripts\\" + name);
  return candidates;
}

std::wstring powerShellCommandLine(const std::wstring& program, const std::wstring& script, const std::wstring& extra) {
  return L"\"" + program + L"\" -NoProfile -ExecutionPolicy Bypass -NoExit -File \"" + script + L"\"" + extra;
}

std::wstring installDirArgument(const std::wstring& folder) { return L" -InstallDir \"" + folder + L"\""; }

Status installShellExtension(const std::wstring& folder) {
  std::wstring target = folder.empty() ? programFolder() : folder;
  if (target.empty()) return Status(StatusCode::not_found, i18n::translate("package.no_install_directory"));
  return runPowerShellScript(findShellScript(kInstallScriptName), installDirArgument(target));
}

Status uninstallShellExtension() { return runPowerShellScript(findShellScript(kUninstallScriptName), L""); }

}  // namespace tolzeb::ui
