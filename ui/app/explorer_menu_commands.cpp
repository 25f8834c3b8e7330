// The settings page's Explorer menu controls: install, remove, check, and the five switches.
#include "ui/app/app_window.h"
#include "ui/app/menu_switches.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

constexpr uint16_t kFirstSwitchCommand = 111;

}  // namespace

void AppWindow::refreshIntegrationState() {
  PageState& s = pageState;
  PackageStatus package = packageState();
  s.packageState = package.state;
  s.packageInstalledVersion = package.installedVersion;
  s.packageShippedVersion = package.shippedVersion;
  s.packageMessage = package.message;
  s.menuSettings = loadMenuSettings();
  refreshAssociationState();
}

void AppWindow::onExplorerMenuCommand(uint16_t id) {
  PageState& s = pageState;
  switch (id) {
    case 108: {
      Status started = installShellExtension(L"");
      if (started.failed()) {
        showError(statusText(started.failure().code, started.failure().message));
      } else if (host_) {
        // Only started: the user checks the state once the script has finished.
        host_->showMessage(i18n::translate("dialog.explorer_install_started"), MessageIcon::Information);
      }
      return requestRepaint();
    }
    case 109: {
      Status started = uninstallShellExtension();
      if (started.failed()) showError(statusText(started.failure().code, started.failure().message));
      return requestRepaint();
    }
    case 110:
      refreshIntegrationState();
      return requestRepaint();
    default:
      break;
  }
  if (id < kFirstSwitchCommand || id >= kFirstSwitchCommand + kMenuSwitchCount) return;
  bool& flag = menuSwitch(s.menuSettings, id - kFirstSwitchCommand);
  flag = !flag;
  Status saved = saveMenuSettings(s.menuSettings);
  if (saved.failed()) {
    showError(statusText(saved.failure().code, saved.failure().message));
    // Show what is really stored.
    s.menuSettings = loadMenuSettings();
  }
  requestRepaint();
}

}  // namespace tolzeb::ui
