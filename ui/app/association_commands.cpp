// The settings page's classic file association: registering and removing it for the current
// user, and reading what is in place now.
#include "ui/app/app_window.h"
#include "ui/app/file_association.h"
#include "ui/foundation/format.h"

namespace tolzeb::ui {

void AppWindow::refreshAssociationState() { pageState.association = fileAssociationState(); }

// The page shows what the registry holds afterwards, whether or not the change went through:
// a registration that failed half way has still written its first values.
void AppWindow::changeFileAssociation(bool registering) {
  const Status changed = registering ? registerFileAssociation() : unregisterFileAssociation();
  refreshAssociationState();
  requestRepaint();
  if (changed.failed()) showError(statusText(changed.failure().code, changed.failure().message));
}

}  // namespace tolzeb::ui
