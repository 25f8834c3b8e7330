// Elsewhere there is no registry, no package and no PowerShell: the switches read as all on,
// writes fail, and the package is unsupported.
#include "ui/app/menu_switches.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

shell::MenuSettings loadMenuSettings() { return {}; }

Status saveMenuSettings(const shell::MenuSettings&) {
  return Status(StatusCode::io_failure, i18n::translate("package.registry_closed"));
}

PackageStatus packageState() { return packageStateFrom(0, packageFamilyName(), nullptr); }

std::wstring programFolder() { return {}; }

std::wstring findShellScript(const std::wstring&) { return {}; }

Status runPowerShellScript(const std::wstring& script, const std::wstring&) {
  if (script.empty()) return Status(StatusCode::not_found, i18n::translate("package.scripts_missing"));
  return Status(StatusCode::not_found, i18n::translate("explorer.powershell_missing"));
}

}  // namespace tolzeb::ui
