// There is no shell registry here: registration says so, removal and the state find nothing.
#include "ui/app/file_association.h"

namespace tolzeb::ui {

Status registerFileAssociation() {
  return Status(StatusCode::general, L"The file association is not available on this system");
}

Status unregisterFileAssociation() { return Status(); }

AssociationState fileAssociationState() { return AssociationState(); }

}  // namespace tolzeb::ui
